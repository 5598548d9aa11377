"""FitResult.plot with matplotlib's Agg backend: the data, the fitted curve
and the residuals drawn where they are, one column per data set of a
Problem, into given axes for curve_fit's full output; matplotlib is imported
only when a picture is asked for."""
import subprocess
import sys

import matplotlib
import numpy as np

import varo

matplotlib.use("Agg")

X = np.linspace(0.0, 10.0, 25)
SIGMA = 0.3 + 0.05 * (np.arange(X.size) % 3)
Y = 1.0 + 2.0 * X + SIGMA * np.sin(7.1 * np.arange(X.size))


def line(x, a, b):
    return a + b * x


def test_figure_holds_data_fit_and_residuals():
    result = varo.fit(line, X, Y, [0.0, 1.0], sigma=SIGMA)
    figure = result.plot()
    figure.canvas.draw()
    top, bottom = figure.axes
    data = top.containers[0]
    np.testing.assert_array_equal(data.lines[0].get_xdata(), X)
    np.testing.assert_array_equal(data.lines[0].get_ydata(), Y)
    (fit,) = [artist for artist in top.lines if artist.get_label() == "fit"]
    np.testing.assert_allclose(fit.get_ydata(), line(fit.get_xdata(), *result.values))
    assert fit.get_xdata().size > X.size
    (residuals,) = [artist for artist in bottom.lines if artist.get_marker() == "o"]
    np.testing.assert_allclose(residuals.get_ydata(), (Y - line(X, *result.values)) / SIGMA)


def test_problem_draws_one_column_per_data_set_and_axes_are_used_as_given():
    problem = varo.Problem()
    problem.add(line, X, Y, params=["a", "b"])
    problem.add(line, X, 3.0 - X, params=["c", "b2"])
    assert len(problem.fit().plot().axes) == 4

    import matplotlib.pyplot as plt

    _, _, info, _, _ = varo.curve_fit(line, X, Y, [0.0, 1.0], full_output=True)
    figure, ax = plt.subplots()
    assert info["result"].plot(ax=ax) is ax
    assert [artist.get_label() for artist in ax.lines][-1] == "fit"
    assert len(figure.axes) == 1


def test_matplotlib_is_imported_only_for_a_picture():
    code = ("import sys, varo; varo.fit(lambda x, a: a * x, [1.0, 2.0, 3.0], [2.0, 4.1, 5.9]);"
            "print('matplotlib' in sys.modules)")
    shown = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                           check=True)
    assert shown.stdout.strip() == "False"
