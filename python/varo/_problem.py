"""Global analysis: several data sets, each with its own model function, fitted
at once with parameters shared between them by name."""
import inspect
from dataclasses import dataclass, field

import numpy as np

from . import _plot, _uncertainty, _varo

# The library's step methods by name; SciPy's method names mean the damped
# (Levenberg-Marquardt) method.
STEP_METHODS = {"eigen": 0, "damped": 1, "lm": 1, "trf": 1, "dogbox": 1}
# The robust losses, by SciPy's names.
LOSSES = {"linear": 0, "soft_l1": 1, "huber": 2, "cauchy": 3, "arctan": 4}
# The schemes of numerical derivatives, by SciPy's names.
DIFFERENCE_SCHEMES = {"3-point": 0, "2-point": 1}
# The relative decrease of the residual norm, and the relative parameter
# change, below which a fit has converged: small enough that the result agrees
# with a fully converged one to about seven digits on the reference problems.
DEFAULT_TOLERANCE = 1e-10
# The largest parameter change termination value the library takes.
PARAM_CHANGE_MAX = 0.1
# A residual norm threshold that every norm stays below: a Gauss-Newton step
# is tried in every iteration, which gives the fast final convergence.
GAUSS_NEWTON_ALWAYS = np.finfo(float).max
CONVERGED = 0
ITERATION_LIMIT = 9
STOPPED = 10
# The library's covariance settings: scaled by s^2, or absolute.
COVARIANCE_SCALED = 1
COVARIANCE_ABSOLUTE = 2


@dataclass
class FitResult:
    """The outcome of a fit. Arrays follow the order of `names`; a fixed
    parameter has standard error 0 and zero covariance. A parameter that ended
    on one of its bounds (`at_limit`) stays free in the covariance and the
    degrees of freedom, as in SciPy and GSL: its error is that of the
    unbounded problem. After a failed fit (status other than 0) the values are
    those of the last completed iteration and the statistics are NaN."""

    names: list
    values: np.ndarray
    errors: np.ndarray
    covariance: np.ndarray
    chi_square: float
    degrees_of_freedom: int
    iterations: int
    nfev: int
    njev: int
    status: int
    message: str
    at_limit: np.ndarray
    # The weighted residuals, model minus data, of every data set at the
    # values reached (SciPy's sign).
    residuals: list = field(repr=False)
    # What the intervals and bands need of the fit: its data sets, the fit
    # object and where each parameter sits in it.
    _context: object = field(default=None, repr=False, compare=False)

    @property
    def success(self):
        return self.status == CONVERGED

    def __getitem__(self, name):
        return self.values[self.names.index(name)]

    def conf_interval(self, names=None, sigmas=(1, 2, 3)):
        """Profile-likelihood confidence intervals, in lmfit's layout: a dict
        from parameter name to a list of (probability, value) pairs, the lower
        ends from the widest in, then (0, best value), then the upper ends.
        Each of sigmas is a number of standard deviations (probability
        erf(s / sqrt(2))) or, below 1, the probability itself. Every other
        parameter is refitted at trial values of the named one until the
        F-test of the sum of squares against the best fit reaches the
        probability (the library's VaroProfileIntervalGet); an end that the
        profile never reaches inside the parameter's bounds is -inf or inf.
        names defaults to every parameter that is not fixed. Raises VaroError
        for a fit that did not converge."""
        return _uncertainty.intervals(self, names, sigmas)

    def eval_uncertainty(self, x=None, sigma=1, prediction=False, data_set=0):
        """The confidence band of the fitted curve of one data set at x (default
        its own x): sigma * sqrt(diag(J C J^T)), with J the derivatives of the
        model by the parameters at x (the Jacobian function when the data set
        has one, else central differences) and C the covariance. With
        prediction, the variance of the data (sigma^2, times the reduced
        chi-square unless absolute_sigma) is added under the root: the band
        in which new data would lie; at other x than the data's, their mean
        variance. Unlike lmfit's eval_uncertainty, which turns sigma into a
        probability and scales by Student's t quantile of it at the degrees
        of freedom, sigma here multiplies the standard error directly; the two
        agree when the degrees of freedom are many."""
        return _uncertainty.band(self, x, sigma, prediction, data_set)

    def plot(self, ax=None):
        """Draws the fit with matplotlib (imported only here), as lmfit's
        ModelResult.plot does: each data set with error bars (where sigma was
        given) and its fitted curve, the last iterate after a failed fit, on a
        fine grid where the model function takes one, and below it the
        residuals (data - fit, divided by sigma where given). Returns the new
        Figure, one column per data set. With ax, an Axes (or for several data
        sets a sequence of one Axes per data set), draws only the data and the
        curve there and returns ax."""
        return _plot.plot(self, ax)


def param_names(function):
    """The names of a model function's parameters after x, and how many of
    them have no default; None when the signature cannot be read or takes
    *args."""
    try:
        signature = inspect.signature(function)
    except (TypeError, ValueError):
        return None
    parameters = list(signature.parameters.values())
    if any(p.kind in (p.VAR_POSITIONAL, p.VAR_KEYWORD, p.KEYWORD_ONLY) for p in parameters):
        return None
    parameters = parameters[1:]
    required = sum(p.default is p.empty for p in parameters)
    return [p.name for p in parameters], required


def finite_array(values, name, ndim=None):
    array = np.asarray(values, dtype=float)
    if ndim is not None and array.ndim != ndim:
        raise ValueError(f"{name} must have {ndim} dimension(s), not {array.ndim}")
    if not np.all(np.isfinite(array)):
        raise ValueError(f"{name} contains NaN or infinite values")
    return array


def choice(value, choices, name):
    if value not in choices:
        raise ValueError(f"{name} must be one of {sorted(choices)}, not {value!r}")
    return choices[value]


@dataclass
class _DataSet:
    function: object
    x: np.ndarray
    y: np.ndarray
    weights: np.ndarray
    names: list
    jac: object


class _Parameter:
    def __init__(self):
        self.value = 1.0
        self.lower = -np.inf
        self.upper = np.inf

    @property
    def fixed(self):
        return self.lower == self.upper


class Problem:
    """Data sets fitted together. Parameters with the same name share one value
    in every data set that uses them.

        problem = Problem()
        problem.add(decay, t1, y1, params=["amplitude1", "rate"])
        problem.add(decay, t2, y2, params=["amplitude2", "rate"])
        problem.param("rate", 0.5, bounds=(0, 10))
        result = problem.fit()
    """

    def __init__(self):
        self._data_sets = []
        self._params = {}

    def add(self, f, xdata, ydata, sigma=None, params=None, jac=None):
        """Adds a data set with its model f(x, *params), which returns the model's
        values at all points of xdata as one array. params names f's
        parameters in order (default: the names in f's signature); sigma holds
        the standard deviations of ydata (default 1); jac(x, *params), when
        given, returns the derivatives as an array of shape (len(ydata),
        len(params)); None or a scheme name ('2-point', '3-point') means
        numerical derivatives, whose scheme fit() chooses."""
        if not callable(f):
            raise ValueError("the model function must be callable")
        if jac is not None and not callable(jac):
            choice(jac, DIFFERENCE_SCHEMES, "jac")
            jac = None
        names = list(params) if params is not None else (param_names(f) or [None])[0]
        if not names:
            raise ValueError("the model's parameters cannot be read from its signature; "
                             "give their names or start values")
        if len(set(names)) != len(names):
            raise ValueError("a model's parameter names must differ")
        y = finite_array(ydata, "ydata", ndim=1)
        x = finite_array(xdata, "xdata")
        if x.ndim == 0 or x.shape[-1] != y.size:
            raise ValueError(f"xdata has {x.shape[-1] if x.ndim else 0} points, ydata {y.size}")
        if y.size == 0:
            raise ValueError("ydata is empty")
        weights = np.ones_like(y)
        if sigma is not None:
            sigma = finite_array(sigma, "sigma")
            if sigma.shape != y.shape:
                raise ValueError(f"sigma must have the shape of ydata, {y.shape}, not {sigma.shape}")
            if np.any(sigma <= 0):
                raise ValueError("sigma must be positive")
            weights = 1.0 / sigma
        self._data_sets.append(_DataSet(f, x, y, weights, names, jac))
        for name in names:
            self._params.setdefault(name, _Parameter())
        return self

    def param(self, name, value=None, bounds=None, fixed=None):
        """Sets a parameter's start value (default 1), its bounds (lower,
        upper) and whether it is fixed at its value."""
        if name not in self._params:
            raise ValueError(f"no data set has a parameter {name!r}")
        param = self._params[name]
        if value is not None:
            param.value = finite_array(value, f"the value of {name}", ndim=0).item()
        if bounds is not None:
            lower, upper = (float(b) for b in bounds)
            if np.isnan(lower) or np.isnan(upper) or lower > upper:
                raise ValueError(f"the bounds of {name} must be ordered")
            param.lower, param.upper = lower, upper
        if fixed:
            param.lower = param.upper = param.value
        elif fixed is not None and param.fixed:
            param.lower, param.upper = -np.inf, np.inf
        return self

    @property
    def names(self):
        """The parameter names in the order of first use."""
        return list(self._params)

    def fit(self, method="damped", max_iterations=None, tolerance=DEFAULT_TOLERANCE,
            absolute_sigma=False, loss="linear", f_scale=1.0, jac="2-point", ftol=None,
            xtol=None, max_nfev=None, progress=None):
        """Fits all data sets at once.

        method: "damped" (damped least squares, Levenberg-Marquardt; SciPy's
        "lm", "trf" and "dogbox" mean it too) or "eigen" (steps along the
        eigenvectors of the normal matrix). loss and f_scale: SciPy's robust
        losses ("linear", "soft_l1", "huber", "cauchy", "arctan") and their
        scale; the fit then minimises 1/2 f_scale^2 sum rho((r/f_scale)^2),
        chi_square stays the plain sum of squared weighted residuals, and the
        covariance is SciPy's (loss-weighted Jacobian, s^2 = 2 cost / degrees
        of freedom). jac: the scheme of numerical derivatives for data sets
        without a Jacobian function, "2-point" (forward differences, the
        default) or "3-point" (central differences). tolerance sets both
        termination values; ftol (relative decrease of the cost, as SciPy's)
        and xtol (relative change of every parameter) override them. max_nfev
        stops the fit, status 10, at the end of the iteration in which the
        model evaluations reached it. progress(iteration, norm, nfev) is
        called after the start and after every iteration; an exception it
        raises stops the fit and is raised again. absolute_sigma takes sigma
        as absolute: the covariance is (J^T J)^-1, which exists with no
        degrees of freedom too; otherwise it is scaled by s^2.

        Returns a FitResult for a fit that converged or failed in the
        library (see its status); bad arguments raise ValueError before any
        fit, and an exception of a model or Jacobian function is raised
        unchanged."""
        step_method = choice(method, STEP_METHODS, "method")
        loss_kind = choice(loss, LOSSES, "loss")
        scheme = choice(jac, DIFFERENCE_SCHEMES, "jac")
        if not np.isfinite(f_scale) or f_scale <= 0:
            raise ValueError(f"f_scale must be finite and positive, not {f_scale!r}")
        if not self._data_sets:
            raise ValueError("the problem has no data sets")
        self._check_params()
        fit_object = self._fit_object_make(step_method, max_iterations, tolerance)
        fit_object.loss_set(loss_kind, float(f_scale))
        fit_object.difference_scheme_set(scheme)
        fit_object.covariance_mode_set(COVARIANCE_ABSOLUTE if absolute_sigma
                                       else COVARIANCE_SCALED)
        _termination_set(fit_object, ftol, xtol)
        if max_nfev is not None:
            if int(max_nfev) < 1:
                raise ValueError(f"max_nfev must be positive, not {max_nfev!r}")
            fit_object.evaluation_limit_set(int(max_nfev))
        fit_object.progress_set(progress)
        status = fit_object.run()
        return self._result_make(fit_object, status, max_nfev, absolute_sigma)

    def _check_params(self):
        points = sum(data.y.size for data in self._data_sets)
        free = sum(not p.fixed for p in self._params.values())
        if points < free:
            raise ValueError(f"{points} data points cannot determine {free} free parameters")
        for name, param in self._params.items():
            if not param.lower <= param.value <= param.upper:
                raise ValueError(f"the start value of {name} lies outside its bounds")

    def _links(self):
        """Link numbers of the parameters that more than one data set uses."""
        uses = {}
        for data in self._data_sets:
            for name in data.names:
                uses[name] = uses.get(name, 0) + 1
        shared = [name for name in self._params if uses[name] > 1]
        return {name: index + 1 for index, name in enumerate(shared)}

    def _fit_object_make(self, step_method, max_iterations, tolerance):
        fit_object = _varo.FitObject(len(self._data_sets))
        links = self._links()
        for model, data in enumerate(self._data_sets, start=1):
            fit_object.model_set(model, len(data.names), data.function, data.x, data.y,
                                 data.weights, data.jac)
            for index, name in enumerate(data.names, start=1):
                p = self._params[name]
                fit_object.param_set(model, index, p.value, p.lower, p.upper, links.get(name, 0))
        fit_object.step_method_set(step_method)
        if max_iterations is not None:
            fit_object.max_iterations_set(int(max_iterations))
        fit_object.tolerance_set(float(tolerance))
        fit_object.gauss_newton_threshold_set(GAUSS_NEWTON_ALWAYS)
        return fit_object

    def _result_make(self, fit_object, status, max_nfev, absolute_sigma):
        place = {}
        for model, data in enumerate(self._data_sets, start=1):
            for index, name in enumerate(data.names, start=1):
                place.setdefault(name, (model, index))
        names = self.names
        values = np.array([fit_object.value(*place[name]) for name in names])
        at_limit = np.array([fit_object.at_limit(*place[name]) for name in names])
        # Only a converged fit has statistics.
        covariance = np.full((len(names), len(names)), np.nan)
        chi_square, dof = np.nan, 0
        if status == CONVERGED:
            covariance = np.array([[fit_object.covariance(*place[a], *place[b]) for b in names]
                                   for a in names])
            chi_square = fit_object.chi_square()
            dof = fit_object.degrees_of_freedom()
        models = range(1, len(self._data_sets) + 1)
        nfev = sum(fit_object.model_calls(m) for m in models)
        return FitResult(
            names=names, values=values, errors=np.sqrt(np.diag(covariance)),
            covariance=covariance, chi_square=chi_square, degrees_of_freedom=dof,
            iterations=fit_object.iterations(), nfev=nfev,
            njev=sum(fit_object.jacobian_calls(m) for m in models), status=status,
            message=_message_get(fit_object, status, nfev, max_nfev), at_limit=at_limit,
            residuals=[-fit_object.residuals(m) for m in models],
            _context=_uncertainty.FitContext(fit_object, list(self._data_sets), place,
                                            absolute_sigma))


def termination_values(ftol, xtol):
    """The library's norm change and parameter change termination values of
    SciPy's ftol (the relative decrease of the cost, 1 - (1 - c)^2 for the
    library's relative decrease c of the norm) and xtol (here the relative
    change of every parameter), each raised to the machine epsilon; None for
    one not given."""
    epsilon = np.finfo(float).eps
    norm_change = param_change = None
    if ftol is not None:
        ftol = min(max(float(ftol), epsilon), 1.0)
        norm_change = max(1.0 - np.sqrt(1.0 - ftol), epsilon)
    if xtol is not None:
        param_change = min(max(float(xtol), epsilon), PARAM_CHANGE_MAX)
    return norm_change, param_change


def _termination_set(fit_object, ftol, xtol):
    norm_change, param_change = termination_values(ftol, xtol)
    if norm_change is not None:
        fit_object.norm_change_set(norm_change)
    if param_change is not None:
        fit_object.param_change_set(param_change)


def _message_get(fit_object, status, nfev, max_nfev):
    if status == CONVERGED:
        return "The fit converged."
    if status == STOPPED and max_nfev is not None and nfev >= max_nfev:
        return f"The maximum number of function evaluations ({max_nfev}) is exceeded."
    return fit_object.message() or f"The fit ended with status {status}."
