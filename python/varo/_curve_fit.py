"""SciPy's curve_fit interface over a one-data-set Problem."""
import numpy as np

from ._errors import VaroError
from ._problem import CONVERGED, DEFAULT_TOLERANCE, Problem, finite_array, param_names


def _names_get(f, p0):
    """The parameter names, from f's signature where it can be read."""
    signature = param_names(f)
    if p0 is None:
        if not signature or not signature[0]:
            raise ValueError("Unable to determine number of fit parameters; give p0.")
        return signature[0]
    if signature is None:
        return [f"p{i}" for i in range(p0.size)]
    names, required = signature
    if not required <= p0.size <= len(names):
        raise ValueError(f"p0 has {p0.size} values for a model function of "
                         f"{len(names)} parameters")
    return names[:p0.size]


def _problem_make(f, xdata, ydata, p0, sigma, bounds, jac):
    if p0 is not None:
        p0 = finite_array(p0, "p0").ravel()
    names = _names_get(f, p0)
    lower, upper = (np.broadcast_to(np.asarray(b, dtype=float), (len(names),)) for b in bounds)
    if p0 is None:
        # SciPy's start: ones, moved into the bounds.
        p0 = np.clip(np.ones(len(names)), lower, upper)
    problem = Problem().add(f, xdata, ydata, sigma=sigma, params=names, jac=jac)
    for name, value, low, high in zip(names, p0, lower, upper):
        problem.param(name, value, bounds=(low, high))
    return problem


def fit(f, xdata, ydata, p0=None, sigma=None, absolute_sigma=False, check_finite=True,
        bounds=(-np.inf, np.inf), method="damped", jac=None, *, max_iterations=None,
        tolerance=DEFAULT_TOLERANCE):
    """Fits f(x, *params) to ydata with the arguments of curve_fit and returns a
    FitResult: values, standard errors, covariance, chi-square, degrees of
    freedom, iterations, evaluation counts, status code and message. The
    data are always checked for NaN and infinite values (check_finite is
    accepted for SciPy's sake)."""
    problem = _problem_make(f, xdata, ydata, p0, sigma, bounds, jac)
    return problem.fit(method=method, max_iterations=max_iterations, tolerance=tolerance,
                       absolute_sigma=absolute_sigma)


def curve_fit(f, xdata, ydata, p0=None, sigma=None, absolute_sigma=False, check_finite=True,
              bounds=(-np.inf, np.inf), method="damped", jac=None, *, full_output=False,
              max_iterations=None, tolerance=DEFAULT_TOLERANCE):
    """Fits f(x, *params) to ydata like scipy.optimize.curve_fit and returns
    (popt, pcov), or with full_output (popt, pcov, infodict, mesg, ier).

    f is called once per evaluation with all of xdata. sigma holds the
    standard deviations of ydata; bounds are (lower, upper), each a number or
    one per parameter (equal bounds fix a parameter); jac(x, *params) returns
    the derivatives, shape (len(ydata), len(params)). method is "damped"
    (damped least squares, the default) or "eigen" (steps along the
    eigenvectors of the normal matrix). Raises ValueError for bad arguments
    before any fit, VaroError when the fit does not converge, and any
    exception of f or jac unchanged."""
    result = fit(f, xdata, ydata, p0, sigma, absolute_sigma, check_finite, bounds, method, jac,
                 max_iterations=max_iterations, tolerance=tolerance)
    if result.status != CONVERGED:
        raise VaroError(result.status, result.message)
    if not full_output:
        return result.values, result.covariance
    info = {"nfev": result.nfev, "njev": result.njev, "iterations": result.iterations,
            "chi_square": result.chi_square}
    return result.values, result.covariance, info, result.message, result.status
