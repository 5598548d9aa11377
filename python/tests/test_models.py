"""The built-in models: their shapes against NumPy and SciPy formulas, their
derivatives and derived quantities against differences, their names, the
automatic starts on generated data, and their fits against the same model
written in Python and fitted with varo.fit."""
import numpy as np
import pytest
from scipy.special import voigt_profile

import varo
from conftest import complex_step_jacobian
from varo.models import (Constant, Expression, Exponential, Gaussian, Linear, Lorentzian,
                         Polynomial, PseudoVoigt, Voigt)

X = np.linspace(-3.0, 9.0, 241)
DOMAIN = (-3.0, 9.0)


def pseudo_voigt(x, a, m, g, eta):
    u = (x - m) / g
    return a * ((1 - eta) * np.exp(-np.log(2) * u ** 2) + eta / (1 + u ** 2))


def polynomial(x, *c):
    middle, half = (DOMAIN[0] + DOMAIN[1]) / 2, (DOMAIN[1] - DOMAIN[0]) / 2
    return np.polynomial.polynomial.polyval((x - middle) / half, c)


# Each term, its parameters, and the same shape in NumPy and SciPy.
SHAPES = {
    "gaussian": (Gaussian(), [2.5, 1.2, 0.8],
                 lambda x, a, m, s: a * np.exp(-(x - m) ** 2 / (2 * s ** 2))),
    "lorentzian": (Lorentzian(), [-1.5, 2.0, 0.6], lambda x, a, m, g: a / (1 + ((x - m) / g) ** 2)),
    "voigt": (Voigt(), [3.0, 0.5, 0.7, 0.4],
              lambda x, a, m, s, g: a * voigt_profile(x - m, s, g) / voigt_profile(0, s, g)),
    "pseudo_voigt": (PseudoVoigt(), [1.7, 3.1, 0.9, 0.35], pseudo_voigt),
    "exponential": (Exponential(), [4.0, 0.45], lambda x, a, g: a * np.exp(-g * x)),
    "constant": (Constant(), [0.75], lambda x, c: np.full_like(x, c)),
    "linear": (Linear(), [1.5, -0.25], lambda x, a, b: a + b * x),
    "polynomial": (Polynomial(3), [0.5, -1.0, 2.0, 0.7], polynomial),
    "expression": (Expression("a*sin(b*x)+c"), [1.3, 0.8, -0.2],
                   lambda x, a, b, c: a * np.sin(b * x) + c),
}
PEAKS = ["gaussian", "lorentzian", "voigt", "pseudo_voigt"]


@pytest.mark.parametrize("name", SHAPES)
def test_values_agree_with_the_numpy_and_scipy_formulas(name):
    model, params, formula = SHAPES[name]
    np.testing.assert_allclose(model.eval(params, X, DOMAIN), formula(X, *params),
                               rtol=1e-12, atol=1e-14)
    by_name = dict(zip(model.param_names, params))
    np.testing.assert_array_equal(model.eval(by_name, X, DOMAIN), model.eval(params, X, DOMAIN))


@pytest.mark.parametrize("name", SHAPES)
def test_derivatives_agree_with_central_differences(name):
    model, params, _ = SHAPES[name]
    jacobian = model.jacobian(params, X, DOMAIN)
    assert jacobian.shape == (X.size, len(params))
    for k, value in enumerate(params):
        step = 1e-6 * max(abs(value), 1.0)
        up, down = list(params), list(params)
        up[k] += step
        down[k] -= step
        difference = (model.eval(up, X, DOMAIN) - model.eval(down, X, DOMAIN)) / (2 * step)
        scale = np.max(np.abs(difference)) + 1e-300
        np.testing.assert_allclose(jacobian[:, k], difference, rtol=0, atol=1e-7 * scale,
                                   err_msg=model.param_names[k])


@pytest.mark.parametrize("name", PEAKS)
def test_peak_height_area_and_width_are_those_of_the_curve(name):
    """Height, area and FWHM of the fitted peak against the curve itself on a
    wide fine grid, and their errors against the covariance propagated with
    the gradients of the derived values by differences."""
    model, params, _ = SHAPES[name]
    rng = np.random.default_rng(5)
    x = np.linspace(params[1] - 6, params[1] + 6, 400)
    y = model.eval(params, x) + rng.normal(0, 0.02, x.size)
    result = model.fit(x, y, params)
    assert result.status == 0, result.message
    fitted = result.values
    fine = np.linspace(fitted[1] - 3000, fitted[1] + 3000, 6_000_001)
    curve = model.eval(fitted, fine)
    peak = np.argmax(np.abs(curve))
    above = np.flatnonzero(np.abs(curve) >= np.abs(curve[peak]) / 2)
    height, area, fwhm = (result.derived[f"{q}1"][0] for q in ("Height", "Area", "FWHM"))
    assert height == pytest.approx(curve[peak], rel=1e-6)
    assert area == pytest.approx(np.trapz(curve, fine), rel=1e-3)
    assert fwhm == pytest.approx(fine[above[-1]] - fine[above[0]], abs=2 * (fine[1] - fine[0]))

    def derived(values):
        return np.array(list(model.derived(values).values()))

    gradient = np.stack([(derived(fitted + step) - derived(fitted - step)) / (2 * step[k])
                         for k, step in enumerate(np.diag(1e-6 * np.maximum(abs(fitted), 1)))],
                        axis=1)
    propagated = np.sqrt(np.einsum("ij,jk,ik->i", gradient, result.covariance, gradient))
    errors = [e for _, e in result.derived.values()]
    np.testing.assert_allclose(errors, propagated, rtol=1e-5)


@pytest.mark.parametrize("build, names", [
    (lambda: Gaussian() + Lorentzian() + Linear(),
     "Ampl1 Mean1 Sigma1 Ampl2 Mean2 Gamma2 Intercept Slope".split()),
    (lambda: Gaussian(prefix="p_") + Exponential() + Polynomial(2, prefix="b_"),
     "p_Ampl p_Mean p_Sigma Ampl1 Gamma1 b_C0 b_C1 b_C2".split()),
    (lambda: (Voigt() + Constant()) + (Voigt() + Expression("k*x", prefix="e_")),
     "Ampl1 Mean1 Sigma1 Gamma1 Const Ampl2 Mean2 Sigma2 Gamma2 e_k".split()),
    (lambda: Linear() + Linear(), "'Intercept' is taken"),
    (lambda: Gaussian(prefix="a") + Lorentzian(prefix="a"), "'aAmpl' is taken"),
    (lambda: Gaussian() + Gaussian(prefix="") + Expression("Ampl*x"), "'Ampl' is taken"),
    (lambda: Expression("a*(x"), "does not parse at position 5"),
    (lambda: Expression("2*x"), "no parameters"),
    (lambda: Polynomial(6), "degree runs from 1 to 5"),
], ids=["numbered", "prefixed", "nested sums", "two lines", "one prefix", "expression clash",
        "parse error", "no parameter", "degree"])
def test_names_follow_prefixes_and_numbers_and_clashes_are_refused(build, names):
    if isinstance(names, list):
        assert build().param_names == names
    else:
        with pytest.raises(ValueError, match=names):
            build()


TRUTH = {  # model, truth, relative tolerance of the guess
    "gaussian on a line": (Gaussian() + Linear(), [5.0, 3.2, 0.6, 1.0, 0.3], 0.1),
    "two lorentzians": (Lorentzian(prefix="a_") + Lorentzian(prefix="b_") + Constant(),
                        [4.0, 2.0, 0.3, 2.5, 6.0, 0.5, 0.5], 0.25),
    "decay on a level": (Exponential() + Constant(), [6.0, 0.8, 1.0], 0.25),
    "voigt": (Voigt() + Linear(), [3.0, 4.5, 0.4, 0.3, 0.2, 0.05], 0.3),
}


@pytest.mark.parametrize("case", TRUTH)
def test_guess_finds_the_generated_shapes_and_the_fit_from_it_the_truth(case):
    model, truth, tolerance = TRUTH[case]
    x = np.linspace(0.0, 10.0, 400)
    y = model.eval(truth, x) + np.random.default_rng(11).normal(0, 0.02, x.size)
    guess = model.guess(x, y)
    assert list(guess) == model.param_names
    widths = [v for name, v in zip(model.param_names, truth) if "Sigma" in name or "Gamma" in name]
    for name, start, true in zip(model.param_names, guess.values(), truth):
        if "Mean" in name:
            assert abs(start - true) < min(widths), name
        elif "Ampl" in name or (name == "Gamma1" and "decay" in case):
            assert start == pytest.approx(true, rel=tolerance), name
    result = model.fit(x, y)
    assert result.status == 0, result.message
    assert np.all(np.abs(result.values - truth) < 5 * result.errors)


def test_fit_is_that_of_the_same_model_in_python_with_its_intervals_and_bands():
    model = Gaussian() + Linear()
    truth = [5.0, 3.2, 0.6, 1.0, 0.3]
    x = np.linspace(0.0, 10.0, 120)
    sigma = 0.1 + 0.05 * np.sin(x) ** 2
    y = model.eval(truth, x) + sigma * np.random.default_rng(3).normal(size=x.size)

    def python_model(t, a, m, s, c, k):
        return a * np.exp(-(t - m) ** 2 / (2 * s ** 2)) + c + k * t

    start = list(model.guess(x, y).values())
    built_in = model.fit(x, y, sigma=sigma, tolerance=1e-14)
    python = varo.fit(python_model, x, y, start, sigma=sigma, tolerance=1e-14,
                      jac=complex_step_jacobian(python_model))
    assert isinstance(built_in, varo.FitResult) and built_in.success
    np.testing.assert_allclose(built_in.values, python.values, rtol=1e-8)
    np.testing.assert_allclose(built_in.covariance, python.covariance, rtol=1e-6, atol=1e-14)
    assert built_in.chi_square == pytest.approx(python.chi_square, rel=1e-10)
    np.testing.assert_allclose(built_in.residuals[0], python.residuals[0], rtol=1e-6, atol=1e-9)
    fine = np.linspace(-2, 12, 50)
    np.testing.assert_allclose(built_in.eval_uncertainty(fine, sigma=2),
                               python.eval_uncertainty(fine, sigma=2), rtol=1e-5)
    np.testing.assert_allclose(built_in.eval_uncertainty(prediction=True),
                               python.eval_uncertainty(prediction=True), rtol=1e-6)
    ours, theirs = built_in.conf_interval(sigmas=(1, 2)), python.conf_interval(sigmas=(1, 2))
    assert list(ours) == model.param_names
    for name, other in zip(ours, theirs):
        np.testing.assert_allclose([v for _, v in ours[name]], [v for _, v in theirs[other]],
                                   rtol=1e-6)


def test_bounds_fixed_values_failures_and_omitted_points():
    model = Gaussian() + Linear()
    x = np.linspace(0.0, 10.0, 150)
    y = model.eval([5.0, 3.2, 0.6, 1.0, 0.3], x) + np.random.default_rng(8).normal(0, 0.1, x.size)
    bounded = model.fit(x, y, bounds={"Mean1": (0.0, 3.0)}, fixed={"Sigma1": 0.6})
    assert bounded.success and bounded["Mean1"] == 3.0 and bounded["Sigma1"] == 0.6
    assert list(bounded.at_limit) == [False, True, False, False, False]
    assert bounded.errors[2] == 0.0 and bounded.errors[0] > 0.0
    stopped = model.fit(x, y, [4.0, 2.5, 1.5, 0.0, 0.0], max_iterations=1)
    assert stopped.status == 9 and np.isnan(stopped.errors).all()
    assert np.all(np.isfinite(stopped.values)) and list(stopped.values) != [4.0, 2.5, 1.5, 0, 0]
    with pytest.raises(varo.VaroError):
        stopped.conf_interval()
    holes = y.copy()
    holes[[5, 40, 77]] = np.nan
    omitted = model.fit(x, holes, nan_policy="omit")
    kept = np.isfinite(holes)
    expected = model.fit(x[kept], y[kept])
    np.testing.assert_array_equal(omitted.values, expected.values)
    np.testing.assert_array_equal(omitted.residuals[0], expected.residuals[0])
    with pytest.raises(ValueError, match="NaN"):
        model.fit(x, holes)
