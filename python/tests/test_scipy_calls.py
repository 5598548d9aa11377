"""The calls SciPy users make, through scipy.optimize.curve_fit and
varo.curve_fit alike: the same values (1e-6) and covariances (1e-4) wherever
SciPy converges, and each of SciPy's keywords honoured or refused with
TypeError."""
import warnings

import numpy as np
import pytest
from scipy.optimize import Bounds
from scipy.optimize import OptimizeWarning as ScipyOptimizeWarning
from scipy.optimize import curve_fit as scipy_curve_fit

import varo

X = np.linspace(0, 4, 40)
NOISE = 0.05 * np.sin(7.3 * np.arange(X.size) + 0.4)


def decay(x, a, k):
    return a * np.exp(-k * x)


def decay_jac(x, a, k):
    e = np.exp(-k * x)
    return np.stack([e, -a * x * e], axis=1)


Y = decay(X, 2.0, 3.0) + NOISE
P0 = [1.0, 1.0]


def assert_same(got, expected):
    np.testing.assert_allclose(got[0], expected[0], rtol=1e-6)
    np.testing.assert_allclose(got[1], expected[1], rtol=1e-4, atol=1e-4 * np.abs(expected[1]).max())


def test_exact_data_converge_at_once():
    y = 2 * np.exp(-3 * X)
    popt, pcov = varo.curve_fit(lambda x, a, k: a * np.exp(-k * x), X, y, p0=[2, 3])
    np.testing.assert_array_equal(popt, [2.0, 3.0])
    np.testing.assert_array_equal(pcov, np.zeros((2, 2)))


def test_a_failed_fit_reports_its_last_iterate():
    result = varo.fit(decay, X, Y, [5.0, 0.5], max_iterations=2)
    assert result.status == 9 and not result.success and result.message
    cost = [np.sum((decay(X, *p) - Y) ** 2) for p in ([5.0, 0.5], result.values)]
    assert cost[1] < cost[0] / 2, "the values moved past the start"
    np.testing.assert_array_equal(result.residuals[0], decay(X, *result.values) - Y)


def test_full_output_follows_scipy():
    popt, pcov, info, mesg, ier = varo.curve_fit(decay, X, Y, P0, full_output=True)
    expected = scipy_curve_fit(decay, X, Y, P0, full_output=True)
    assert_same((popt, pcov), expected)
    assert ier in [1, 2, 3, 4] and isinstance(mesg, str) and mesg
    assert {"nfev", "fvec", "njev", "iterations"} <= set(info)
    np.testing.assert_allclose(info["fvec"], expected[2]["fvec"], rtol=1e-5, atol=1e-9)


def correlated_sigma(size, spread=0.05, length=3.0):
    distance = np.abs(np.subtract.outer(np.arange(size), np.arange(size)))
    return spread ** 2 * np.exp(-distance / length)


def test_sigma_as_covariance_matrix_whitens_like_scipy():
    sigma = correlated_sigma(X.size)
    for absolute in (False, True):
        expected = scipy_curve_fit(decay, X, Y, P0, sigma=sigma, absolute_sigma=absolute)
        got = varo.curve_fit(decay, X, Y, P0, sigma=sigma, absolute_sigma=absolute)
        assert_same(got, expected)


@pytest.mark.parametrize("sigma, words", [
    (np.diag(np.r_[-1.0, np.ones(X.size - 1)]), "positive definite"),
    (np.triu(np.ones((X.size, X.size))) + np.eye(X.size), "symmetric"),
    (np.eye(X.size - 1), "must be 40 x 40"),
], ids=["not positive definite", "not symmetric", "wrong shape"])
def test_bad_covariance_matrix_is_a_value_error(sigma, words):
    with pytest.raises(ValueError, match=words):
        varo.curve_fit(decay, X, Y, P0, sigma=sigma)


@pytest.mark.parametrize("method", ["lm", "trf", "dogbox"])
def test_scipy_method_names_mean_the_damped_method(method):
    assert_same(varo.curve_fit(decay, X, Y, P0, method=method),
                scipy_curve_fit(decay, X, Y, P0, method=method))


def test_absolute_sigma_without_degrees_of_freedom():
    x, y, sigma = np.array([0.0, 1.0]), np.array([1.0, 3.0]), np.array([0.1, 0.2])
    line = lambda t, a, b: a + b * t  # noqa: E731
    expected = scipy_curve_fit(line, x, y, [0.0, 0.0], sigma=sigma, absolute_sigma=True)
    assert_same(varo.curve_fit(line, x, y, [0.0, 0.0], sigma=sigma, absolute_sigma=True),
                expected)
    # Relative sigma has no estimate of the variance here: inf, with a warning.
    with pytest.warns(ScipyOptimizeWarning):
        scipy_curve_fit(line, x, y, [0.0, 0.0], sigma=sigma)
    with pytest.warns(varo.OptimizeWarning, match="could not be estimated"):
        _, pcov = varo.curve_fit(line, x, y, [0.0, 0.0], sigma=sigma)
    assert np.all(np.isinf(pcov)) and issubclass(varo.OptimizeWarning, UserWarning)


@pytest.mark.parametrize("jac", ["2-point", "3-point", decay_jac])
def test_jac_schemes_and_callables(jac):
    assert_same(varo.curve_fit(decay, X, Y, P0, jac=jac),
                scipy_curve_fit(decay, X, Y, P0, jac=jac, method="trf"))


def test_scipy_bounds_object():
    bounds = Bounds([0.0, 0.0], [10.0, 2.5])
    got = varo.curve_fit(decay, X, Y, P0, bounds=bounds)
    assert_same(got, scipy_curve_fit(decay, X, Y, P0, bounds=bounds))
    np.testing.assert_array_equal(got[0], varo.curve_fit(decay, X, Y, P0, bounds=([0, 0], [10, 2.5]))[0])
    assert got[0][1] == 2.5


@pytest.mark.parametrize("keywords", [
    {"ftol": 1e-12, "xtol": 1e-12},
    {"ftol": 1e-3},
], ids=["tight", "loose"])
def test_tolerances_are_honoured(keywords):
    got = varo.curve_fit(decay, X, Y, P0, **keywords)
    expected = scipy_curve_fit(decay, X, Y, P0, **keywords)
    tolerance = 1e-6 if keywords["ftol"] < 1e-6 else 1e-2
    np.testing.assert_allclose(got[0], expected[0], rtol=tolerance)


@pytest.mark.parametrize("keyword", ["max_nfev", "maxfev"])
def test_evaluation_limit_stops_like_scipy(keyword):
    method = "trf" if keyword == "max_nfev" else "lm"
    with pytest.raises(RuntimeError):
        scipy_curve_fit(decay, X, Y, [5.0, 0.5], method=method, **{keyword: 3})
    with pytest.raises(RuntimeError, match="maximum number of function evaluations"):
        varo.curve_fit(decay, X, Y, [5.0, 0.5], **{keyword: 3})
    result = varo.fit(decay, X, Y, [5.0, 0.5], **{keyword: 3})
    assert result.status == 10 and 3 <= result.nfev < 3 + 10


@pytest.mark.parametrize("keyword, value", [
    ("gtol", 1e-8), ("diff_step", 1e-3), ("x_scale", "jac"), ("tr_solver", "exact"),
    ("epsfcn", 1e-10), ("args", (1,)),
])
def test_unsupported_keywords_are_refused_naming_what_to_use(keyword, value):
    scipy_curve_fit(decay, X, Y, P0, method="lm" if keyword == "epsfcn" else "trf",
                    **({} if keyword == "args" else {keyword: value}))
    with pytest.raises(TypeError, match=f"{keyword} is not supported: .+"):
        varo.curve_fit(decay, X, Y, P0, **{keyword: value})


def test_verbose_prints_the_iterations(capsys):
    varo.curve_fit(decay, X, Y, P0, verbose=2)
    lines = capsys.readouterr().out.splitlines()
    assert lines[0].split() == ["Iteration", "Total", "nfev", "Cost"]
    assert len(lines) >= 4 and "converged" in lines[-1]
    varo.curve_fit(decay, X, Y, P0, verbose=0)
    assert capsys.readouterr().out == ""


def test_nan_policy():
    y = Y.copy()
    y[[3, 17]] = np.nan
    keep = ~np.isnan(y)
    expected = scipy_curve_fit(decay, X[keep], y[keep], P0)
    assert_same(varo.curve_fit(decay, X, y, P0, nan_policy="omit"), expected)
    for policy in ("raise", None):
        with pytest.raises(ValueError, match="NaN"):
            varo.curve_fit(decay, X, y, P0, nan_policy=policy)
    with pytest.raises(ValueError, match="nan_policy"):
        varo.curve_fit(decay, X, Y, P0, nan_policy="propagate")


def test_problem_fit_takes_the_new_keywords():
    problem = varo.Problem().add(decay, X, Y).param("a", 1.0).param("k", 1.0, bounds=(0, 2.5))
    seen = []
    result = problem.fit(loss="soft_l1", f_scale=0.1, jac="3-point", ftol=1e-12,
                         progress=lambda *state: seen.append(state))
    assert result.success and list(result.at_limit) == [False, True]
    assert seen[0][0] == 0 and seen[-1][0] == result.iterations
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(ValueError, match="loss"):
            problem.fit(loss="l2")
