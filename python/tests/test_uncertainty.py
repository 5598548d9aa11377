"""Profile-likelihood intervals and confidence bands: the closed forms of a
straight line, and lmfit's documented conf_interval example through lmfit
itself."""
import lmfit
import numpy as np
import pytest
from scipy.stats import t as student_t

import varo

X = np.linspace(-1, 4, 12)
Y = 1.0 + 2.0 * X + 0.05 * np.sin(3.7 * np.arange(X.size) + 0.3)
SIGMA = 0.2 + 0.1 * (np.arange(X.size) % 4)
TIGHT = {"tolerance": 1e-14}


def line(x, a, b):
    return a + b * x


def line_fit():
    return varo.fit(line, X, Y, [0.5, 1.0], sigma=SIGMA, **TIGHT)


def test_profile_intervals_of_a_line_are_t_times_the_standard_errors():
    result = line_fit()
    intervals = result.conf_interval(sigmas=(1, 2, 0.95))
    assert list(intervals) == ["a", "b"]
    for name, error in zip(result.names, result.errors):
        pairs = intervals[name]
        probabilities = [p for p, _ in pairs]
        assert probabilities[3] == 0 and pairs[3][1] == result[name]
        assert probabilities[:3] == sorted(probabilities[:3], reverse=True)
        for probability, end in pairs:
            if probability == 0:
                continue
            half = student_t.ppf((1 + probability) / 2, X.size - 2) * error
            expected = result[name] + (half if end > result[name] else -half)
            assert end == pytest.approx(expected, rel=0, abs=1e-6 * half)


def test_bands_of_a_line_are_the_closed_form():
    result = line_fit()
    x = np.array([-3.0, 0.5, 2.0, 9.0])
    (va, cab), (_, vb) = result.covariance
    closed = np.sqrt(va + 2 * x * cab + x ** 2 * vb)
    np.testing.assert_allclose(result.eval_uncertainty(x), closed, rtol=1e-8)
    np.testing.assert_allclose(result.eval_uncertainty(x, sigma=2), 2 * closed, rtol=1e-8)
    own = np.sqrt(va + 2 * X * cab + X ** 2 * vb)
    reduced = result.chi_square / result.degrees_of_freedom
    np.testing.assert_allclose(result.eval_uncertainty(prediction=True),
                               np.sqrt(own ** 2 + reduced * SIGMA ** 2), rtol=1e-8)


def test_a_bound_below_the_level_leaves_the_interval_open():
    slope = varo.fit(line, X, Y, [0.5, 1.0], **TIGHT)["b"]
    result = varo.fit(line, X, Y, [0.5, 1.0], bounds=([-np.inf, 0], [np.inf, slope - 1e-4]),
                      **TIGHT)
    assert list(result.at_limit) == [False, True]
    (_, low), (_, best), (_, high) = result.conf_interval(["b"], sigmas=(1,))["b"]
    assert low < best == slope - 1e-4 and high == np.inf


def test_agrees_with_lmfit_conf_interval_on_its_documented_example():
    x = np.linspace(0.3, 10, 100)
    np.random.seed(0)
    y = 1 / (0.1 * x) + 2 + 0.1 * np.random.randn(x.size)
    params = lmfit.Parameters()
    params.add_many(("a", 0.1), ("b", 1))
    minimizer = lmfit.Minimizer(lambda p: 1 / (p["a"] * x) + p["b"] - y, params)
    expected = lmfit.conf_interval(minimizer, minimizer.minimize())
    result = varo.fit(lambda t, a, b: 1 / (a * t) + b, x, y, [0.1, 1], **TIGHT)
    got = result.conf_interval()
    for name in ("a", "b"):
        np.testing.assert_allclose([p for p, _ in got[name]], [p for p, _ in expected[name]],
                                   rtol=1e-12)
        np.testing.assert_allclose([v for _, v in got[name]], [v for _, v in expected[name]],
                                   rtol=1e-3)
