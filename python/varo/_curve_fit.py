"""SciPy's curve_fit interface over a one-data-set Problem."""
import warnings

import numpy as np

from ._errors import OptimizeWarning, VaroError
from ._problem import CONVERGED, DEFAULT_TOLERANCE, Problem, finite_array, param_names

# What SciPy's curve_fit passes on to least_squares or leastsq and varo does
# not take, with what to use instead.
UNSUPPORTED_KEYWORDS = {
    "gtol": "the fit ends on the relative change of the cost (ftol) and of the parameters "
            "(xtol); give those",
    "diff_step": "numerical derivatives choose their own steps (jac='2-point': sqrt(eps) "
                 "times each parameter's magnitude; jac='3-point': adaptive); give jac a "
                 "callable for exact derivatives",
    "x_scale": "every parameter is scaled by its own magnitude; leave x_scale out",
    "tr_solver": "the damped method solves its steps exactly; leave tr_solver out",
    "tr_options": "leave tr_options out",
    "col_deriv": "give jac as rows of points and columns of parameters",
    "epsfcn": "numerical derivatives choose their own steps; use jac='2-point' or '3-point'",
    "factor": "the damping starts from the Jacobian itself; leave factor out",
    "diag": "every parameter is scaled by its own magnitude; leave diag out",
    "jac_sparsity": "the Jacobian is dense; leave jac_sparsity out",
    "args": "bind extra arguments with functools.partial or a lambda",
    "kwargs": "bind extra arguments with functools.partial or a lambda",
}
NAN_POLICIES = ("raise", "omit", None)


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


def _bounds_get(bounds, count):
    """(lower, upper) arrays from a pair or from an object with lb and ub, as
    scipy.optimize.Bounds."""
    if hasattr(bounds, "lb") and hasattr(bounds, "ub"):
        bounds = (bounds.lb, bounds.ub)
    try:
        lower, upper = bounds
    except (TypeError, ValueError):
        raise ValueError("bounds must be (lower, upper) or have lb and ub") from None
    return tuple(np.broadcast_to(np.asarray(b, dtype=float), (count,)).copy()
                 for b in (lower, upper))


def _nan_omit(xdata, ydata, sigma):
    """The data without the points where x, y or a 1-D sigma is NaN."""
    x, y = np.asarray(xdata, dtype=float), np.asarray(ydata, dtype=float)
    keep = ~np.isnan(y)
    if x.ndim >= 1 and x.shape[-1] == y.size:
        keep &= ~np.isnan(x.reshape(-1, y.size)).any(axis=0)
    if sigma is not None and np.ndim(sigma) == 1 and np.size(sigma) == y.size:
        keep &= ~np.isnan(np.asarray(sigma, dtype=float))
        sigma = np.asarray(sigma, dtype=float)[keep]
    elif sigma is not None and np.ndim(sigma) == 2:
        sigma = np.asarray(sigma, dtype=float)[np.ix_(keep, keep)]
    return x[..., keep], y[keep], sigma


def _whitened(f, jac, ydata, sigma):
    """For sigma, the covariance matrix of ydata: with its Cholesky factor L,
    the model L^-1 f, the data L^-1 y and the Jacobian L^-1 J, whose residuals
    are uncorrelated with unit variance (SciPy's treatment)."""
    sigma = finite_array(sigma, "sigma", ndim=2)
    y = finite_array(ydata, "ydata", ndim=1)
    if sigma.shape != (y.size, y.size):
        raise ValueError(f"sigma as a matrix must be {y.size} x {y.size}, not "
                         f"{sigma.shape[0]} x {sigma.shape[1]}")
    if not np.allclose(sigma, sigma.T, rtol=1e-12, atol=0):
        raise ValueError("sigma as a matrix must be symmetric")
    try:
        whitener = np.linalg.inv(np.linalg.cholesky(sigma))
    except np.linalg.LinAlgError:
        raise ValueError("sigma as a matrix must be positive definite") from None

    def model(x, *params):
        return whitener @ np.asarray(f(x, *params), dtype=float)

    def jacobian(x, *params):
        return whitener @ np.asarray(jac(x, *params), dtype=float)

    return model, (jacobian if callable(jac) else jac), whitener @ y


def _problem_make(f, xdata, ydata, p0, sigma, bounds, jac, nan_policy):
    if nan_policy not in NAN_POLICIES:
        raise ValueError(f"nan_policy must be one of {NAN_POLICIES}, not {nan_policy!r}")
    if nan_policy == "omit":
        xdata, ydata, sigma = _nan_omit(xdata, ydata, sigma)
    if p0 is not None:
        p0 = finite_array(p0, "p0").ravel()
    names = _names_get(f, p0)
    lower, upper = _bounds_get(bounds, len(names))
    if p0 is None:
        # SciPy's start: ones, moved into the bounds.
        p0 = np.clip(np.ones(len(names)), lower, upper)
    if sigma is not None and np.ndim(sigma) == 2:
        f, jac, ydata = _whitened(f, jac, ydata, sigma)
        sigma = None
    problem = Problem().add(f, xdata, ydata, sigma=sigma, params=names,
                            jac=jac if callable(jac) else None)
    for name, value, low, high in zip(names, p0, lower, upper):
        problem.param(name, value, bounds=(low, high))
    return problem


def _keywords_check(keywords):
    for name in keywords:
        if name in UNSUPPORTED_KEYWORDS:
            raise TypeError(f"{name} is not supported: {UNSUPPORTED_KEYWORDS[name]}")
        raise TypeError(f"unexpected keyword argument {name!r}")


def _progress_printer(verbose):
    """SciPy's verbose: 2 prints every iteration; 0 and 1 nothing here."""
    if int(verbose) < 2:
        return None
    print(f"{'Iteration':>10} {'Total nfev':>11} {'Cost':>14}")

    def printer(iteration, norm, nfev):
        print(f"{iteration:>10} {nfev:>11} {0.5 * norm * norm:>14.4e}")

    return printer


def fit(f, xdata, ydata, p0=None, sigma=None, absolute_sigma=False, check_finite=True,
        bounds=(-np.inf, np.inf), method="damped", jac=None, *, loss="linear", f_scale=1.0,
        ftol=None, xtol=None, max_nfev=None, maxfev=None, verbose=0, nan_policy=None,
        max_iterations=None, tolerance=DEFAULT_TOLERANCE, **keywords):
    """Fits f(x, *params) to ydata with the arguments of curve_fit and returns a
    FitResult: values, standard errors, covariance, chi-square, degrees of
    freedom, iterations, evaluation counts, the parameters that ended on a
    bound, status code and message. A fit that fails in the library returns
    its status and message with the values of its last iteration. See
    curve_fit for the arguments."""
    _keywords_check(keywords)
    scheme = "2-point" if jac is None or callable(jac) else jac
    problem = _problem_make(f, xdata, ydata, p0, sigma, bounds, jac, nan_policy)
    result = problem.fit(method=method, max_iterations=max_iterations, tolerance=tolerance,
                         absolute_sigma=absolute_sigma, loss=loss, f_scale=f_scale, jac=scheme,
                         ftol=ftol, xtol=xtol, max_nfev=max_nfev if max_nfev is not None
                         else maxfev, progress=_progress_printer(verbose))
    if int(verbose) >= 1:
        print(f"{result.message} Iterations {result.iterations}, function evaluations "
              f"{result.nfev}, cost {0.5 * np.sum(result.residuals[0] ** 2):.4e}.")
    return result


def curve_fit(f, xdata, ydata, p0=None, sigma=None, absolute_sigma=False, check_finite=True,
              bounds=(-np.inf, np.inf), method="damped", jac=None, *, full_output=False,
              loss="linear", f_scale=1.0, ftol=None, xtol=None, max_nfev=None, maxfev=None,
              verbose=0, nan_policy=None, max_iterations=None, tolerance=DEFAULT_TOLERANCE,
              **keywords):
    """Fits f(x, *params) to ydata like scipy.optimize.curve_fit and returns
    (popt, pcov), or with full_output (popt, pcov, infodict, mesg, ier).

    f is called once per evaluation with all of xdata. sigma holds the
    standard deviations of ydata, or as a 2-D array their covariance matrix
    (its Cholesky factor whitens the residuals, as SciPy does); with
    absolute_sigma the covariance is (J^T J)^-1, else it is scaled by the
    residual variance. bounds are (lower, upper), each a number or one per
    parameter (equal bounds fix a parameter), or a scipy.optimize.Bounds. A
    parameter that ends on a bound stays free in the covariance, as in SciPy.

    method: "damped" (damped least squares, the default; SciPy's "lm", "trf"
    and "dogbox" name it too, with or without bounds) or "eigen" (steps along
    the eigenvectors of the normal matrix). jac: a callable returning the
    derivatives, shape (len(ydata), len(params)); "2-point" (forward
    differences, the default) or "3-point" (central differences).

    SciPy's keywords: loss ("linear", "soft_l1", "huber", "cauchy", "arctan")
    and f_scale as in least_squares; ftol, the relative decrease of the cost
    that ends the fit; xtol, the relative change of every parameter that ends
    it; max_nfev (maxfev for "lm"), the model evaluations after which the fit
    stops at the end of the iteration (status 10); verbose 1 prints the end,
    2 every iteration; nan_policy "raise" or None (NaN is refused) or "omit"
    (points with NaN in x, y or sigma are left out); check_finite is
    accepted, the data are always checked. gtol, diff_step, x_scale and the
    other least_squares and leastsq options raise TypeError saying what to use
    instead. Varo's own: max_iterations and tolerance (both termination
    values, default 1e-10).

    Raises ValueError for bad arguments before any fit, VaroError (a
    RuntimeError) when the fit does not converge, and any exception of f or
    jac unchanged. When the covariance cannot be estimated (too few points, or
    a Jacobian without full rank) pcov is a matrix of inf and an
    OptimizeWarning is issued. With full_output, infodict holds nfev, fvec
    (the weighted residuals f - y at popt), njev, iterations and result (the
    FitResult, which draws itself with result.plot()), mesg the library's
    message and ier 1."""
    result = fit(f, xdata, ydata, p0, sigma, absolute_sigma, check_finite, bounds, method, jac,
                 loss=loss, f_scale=f_scale, ftol=ftol, xtol=xtol, max_nfev=max_nfev,
                 maxfev=maxfev, verbose=verbose, nan_policy=nan_policy,
                 max_iterations=max_iterations, tolerance=tolerance, **keywords)
    if result.status != CONVERGED:
        raise VaroError(result.status, result.message)
    pcov = result.covariance
    if not np.all(np.isfinite(pcov)):
        pcov = np.full_like(pcov, np.inf)
        warnings.warn("Covariance of the parameters could not be estimated", OptimizeWarning,
                      stacklevel=2)
    if not full_output:
        return result.values, pcov
    info = {"nfev": result.nfev, "fvec": result.residuals[0], "njev": result.njev,
            "iterations": result.iterations, "result": result}
    return result.values, pcov, info, result.message, 1
