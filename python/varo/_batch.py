"""Built-in models fitted to many spectra at once: the fit settings of the
keywords, the batch on threads that never take the interpreter lock, and its
result of arrays."""
import warnings
from collections.abc import Mapping
from dataclasses import dataclass, field

import numpy as np

from . import _varo
from ._problem import (CONVERGED, DEFAULT_TOLERANCE, DIFFERENCE_SCHEMES, GAUSS_NEWTON_ALWAYS,
                       LOSSES, STEP_METHODS, choice, finite_array, termination_values)

# Statuses of a fit besides 0 (converged) and the library's codes (9
# iteration limit, 10 stopped, 15 converged without standard errors: the data
# do not determine every parameter, ...).
STATUS_NOT_FINITE = _varo.STATUS_NOT_FINITE  # a y or sigma is NaN or infinite
STATUS_NO_POINTS = _varo.STATUS_NO_POINTS  # every point was left out (nan_policy="omit")
STATUS_SIGMA_NOT_POSITIVE = _varo.STATUS_SIGMA_NOT_POSITIVE
STATUS_EXCEPTION = _varo.STATUS_EXCEPTION  # the fit stopped on an error (out of memory)
STATUS_SETTING_REFUSED = _varo.STATUS_SETTING_REFUSED  # a row's start values were refused
STATUS_NOT_FITTED = _varo.STATUS_NOT_FITTED  # Ctrl-C stopped the batch before the row
NAN_POLICIES = ("raise", "omit", None)
# Model.fit's keywords that fit_many passes on.
FIT_KEYWORDS = ("method", "loss", "f_scale", "jac", "absolute_sigma", "ftol", "xtol", "tolerance",
                "max_iterations")


def _bounds_apply(settings, names, bounds):
    """bounds: None (the terms' own limits: widths, rates and fractions not
    negative), a mapping from name to (lower, upper) replacing those of the
    names given, or SciPy's (lower, upper), each a number or one per
    parameter, replacing all of them."""
    if bounds is None:
        return
    if isinstance(bounds, Mapping):
        ranges = {name: tuple(float(b) for b in pair) for name, pair in bounds.items()}
    else:
        if hasattr(bounds, "lb") and hasattr(bounds, "ub"):
            bounds = (bounds.lb, bounds.ub)
        try:
            lower, upper = (np.broadcast_to(np.asarray(b, dtype=float), (len(names),))
                            for b in bounds)
        except (TypeError, ValueError):
            raise ValueError("bounds must be a mapping from name to (lower, upper), or "
                             "(lower, upper) of a number or one per parameter each") from None
        ranges = dict(zip(names, zip(lower, upper)))
        settings.default_limits = False
    settings.limit_by_name = {name: _varo.Range(low, high) for name, (low, high) in ranges.items()}


def _starts_apply(settings, names, starts):
    """Start values shared by every row: a mapping by name (the others guessed)
    or one value per parameter in order."""
    if isinstance(starts, Mapping):
        settings.start_by_name = {name: float(value) for name, value in starts.items()}
    elif starts is not None:
        starts = np.asarray(starts, dtype=float).ravel()
        if starts.size != len(names):
            raise ValueError(f"expected {len(names)} start values ({', '.join(names)}), "
                             f"got {starts.size}")
        settings.start_in_order = list(starts)


def settings_make(model, starts=None, bounds=None, fixed=None, method="damped", loss="linear",
                  f_scale=1.0, jac=None, absolute_sigma=False, ftol=None, xtol=None,
                  tolerance=DEFAULT_TOLERANCE, max_iterations=None):
    """The fit driver's settings of the keywords of Model.fit and fit_many;
    the driver checks them against the model."""
    settings = _varo.FitSettings()
    settings.step_method = choice(method, STEP_METHODS, "method")
    settings.loss = choice(loss, LOSSES, "loss")
    if not np.isfinite(f_scale) or f_scale <= 0:
        raise ValueError(f"f_scale must be finite and positive, not {f_scale!r}")
    settings.loss_scale = float(f_scale)
    settings.analytic = jac is None
    if jac is not None:
        settings.difference_scheme = choice(jac, DIFFERENCE_SCHEMES, "jac")
    settings.covariance = 2 if absolute_sigma else 1
    tolerance = float(tolerance)
    if not 0 < tolerance <= 1:
        raise ValueError(f"tolerance must lie in (0, 1], not {tolerance!r}")
    norm_change, param_change = termination_values(ftol, xtol)
    settings.res_norm_change = tolerance if norm_change is None else norm_change
    settings.par_val_change = min(tolerance, 0.1) if param_change is None else param_change
    settings.gauss_newton_threshold = GAUSS_NEWTON_ALWAYS
    if max_iterations is not None:
        if int(max_iterations) < 0:
            raise ValueError(f"max_iterations must be 0 or more, not {max_iterations!r}")
        settings.max_iterations = int(max_iterations)
    names = model.param_names
    _starts_apply(settings, names, starts)
    _bounds_apply(settings, names, bounds)
    if fixed is not None:
        settings.fix_by_name = {name: float(value) for name, value in fixed.items()}
    return settings


def _tqdm_progress():
    """A progress function drawing a tqdm bar, and the bar; (None, None) when
    tqdm cannot be imported."""
    try:
        from tqdm.auto import tqdm
    except ImportError:
        warnings.warn("progress=True draws a tqdm bar, but tqdm cannot be imported",
                      RuntimeWarning, stacklevel=4)
        return None, None
    bar = tqdm(unit="fit")

    def update(done, total):
        bar.total = total
        bar.update(done - bar.n)

    return update, bar


def rows_fit(model, x, rows, sigma, starts, settings, jobs=1, nan_omit=False, progress=None):
    """Fits every row of rows (rows, points) against x with the driver;
    returns the arrays by name and whether Ctrl-C stopped the batch."""
    bar = None
    if progress is True:
        progress, bar = _tqdm_progress()
    elif progress is False:
        progress = None
    elif progress is not None and not callable(progress):
        raise ValueError("progress must be None, True (a tqdm bar) or a callable "
                         "progress(done, total)")
    try:
        return _varo.fit_rows(model._model, x, rows, sigma, starts, settings, jobs, nan_omit,
                              progress)
    finally:
        if bar is not None:
            bar.close()


def _shapes_text(shared, per_row):
    return f"{shared}" if shared == per_row else f"{shared} (shared) or {per_row}"


def _sigma_rows(sigma, shape):
    """sigma as one row shared by all (a number or one per point), which must
    be positive where it is finite, or one row per row of data."""
    if sigma is None:
        return None
    sigma = np.asarray(sigma, dtype=float)
    if sigma.ndim == 0 or sigma.shape == shape[-1:]:
        sigma = np.broadcast_to(sigma, shape[-1:]).copy()
        if np.any(sigma[np.isfinite(sigma)] <= 0):
            raise ValueError("sigma must be positive")
        return sigma
    if sigma.shape == shape:
        return sigma.reshape(-1, shape[-1])
    raise ValueError(f"sigma must be a number or have the shape "
                     f"{_shapes_text(shape[-1:], shape)}, not {sigma.shape}")


@dataclass
class ManyResult:
    """The fits of many spectra: arrays shaped like the data without their last
    axis (the parameter axis last where there is one). status is 0 for a fit
    that converged, else the library's code (9 iteration limit, 15 converged
    without standard errors: the data do not determine every parameter, ...)
    or one of varo.STATUS_NOT_FINITE, STATUS_SIGMA_NOT_POSITIVE,
    STATUS_NO_POINTS, STATUS_SETTING_REFUSED, STATUS_EXCEPTION and
    STATUS_NOT_FITTED; message says what happened. A row that did not
    converge keeps the values of its last iteration, with NaN errors; a row
    refused before its fit has NaN values. derived maps every derived
    quantity's name (Height1, Area1, FWHM1, Tau1 ...) to (values, standard
    errors); result[name] gives a parameter's or a derived quantity's
    values."""

    names: list
    values: np.ndarray
    errors: np.ndarray
    covariance: np.ndarray
    derived: dict
    chi_square: np.ndarray
    degrees_of_freedom: np.ndarray
    iterations: np.ndarray
    nfev: np.ndarray
    njev: np.ndarray
    status: np.ndarray
    message: np.ndarray
    at_limit: np.ndarray
    # The x range of each row's fitted points: the domain of a Polynomial.
    domain: np.ndarray = field(repr=False)
    # Ctrl-C stopped the batch: the rows not fitted have STATUS_NOT_FITTED.
    interrupted: bool = False

    @property
    def success(self):
        return self.status == CONVERGED

    @property
    def reduced_chi_square(self):
        dof = self.degrees_of_freedom
        with np.errstate(divide="ignore", invalid="ignore"):
            return np.where(dof > 0, self.chi_square / np.maximum(dof, 1), np.nan)

    def __getitem__(self, name):
        """The values of a parameter, or of a derived quantity."""
        if name in self.derived:
            return self.derived[name][0]
        return self.values[..., self.names.index(name)]


def many_result_make(model, arrays, shape, interrupted):
    """The result of the arrays of fit_rows, rows shaped back to shape."""
    def shaped(name, *tail):
        return arrays[name].reshape(shape + tail)

    p, d = len(model.param_names), len(model.derived_names)
    derived = {name: (shaped("derived", d)[..., k], shaped("derived_errors", d)[..., k])
               for k, name in enumerate(model.derived_names)}
    message = np.empty(len(arrays["message"]), dtype=object)
    message[:] = arrays["message"]
    converged = arrays["status"] == CONVERGED
    message[converged] = "The fit converged."
    return ManyResult(
        names=list(model.param_names), values=shaped("values", p), errors=shaped("errors", p),
        covariance=shaped("covariance", p, p), derived=derived,
        chi_square=shaped("chi_square"), degrees_of_freedom=shaped("degrees_of_freedom"),
        iterations=shaped("iterations"), nfev=shaped("nfev"), njev=shaped("njev"),
        status=shaped("status"), message=message.reshape(shape), at_limit=shaped("at_limit", p),
        domain=shaped("domain", 2), interrupted=interrupted)


def _starts_rows(p0, names, shape):
    """p0 as shared starts for the settings, or one row of starts per row."""
    if p0 is None or isinstance(p0, Mapping):
        return p0, None
    p0 = np.asarray(p0, dtype=float)
    if p0.shape == (len(names),):
        return p0, None
    if p0.shape == shape[:-1] + (len(names),):
        return None, np.ascontiguousarray(p0.reshape(-1, len(names)))
    raise ValueError(f"p0 must have the shape "
                     f"{_shapes_text((len(names),), shape[:-1] + (len(names),))}, not {p0.shape}")


def fit_many(model, x, Y, p0=None, sigma=None, bounds=None, fixed=None, jobs=None,
             progress=None, nan_policy=None, **keywords):
    """Fits a built-in model (varo.models) to every spectrum along the last
    axis of Y, all against the same x, and returns a ManyResult of arrays
    shaped like Y without its last axis.

    Each spectrum gets exactly the fit that model.fit gives it with the same
    arguments, bit for bit, whatever the number of jobs. The fits run in C++
    on jobs threads (default: every core; at most 64) with the interpreter
    lock released, each with a fit object of its own.

    p0: None (each row's start values guessed from its data, as model.guess),
    a mapping from name to a start value shared by every row (the others
    guessed), one value per parameter shared by every row, or an array of the
    shape Y.shape[:-1] + (parameters,), one start per row. sigma: None, a
    number, one per point, or an array of Y's shape. bounds and fixed as in
    model.fit; its other keywords (method, loss, f_scale, jac,
    absolute_sigma, ftol, xtol, tolerance, max_iterations) too.

    A bad row never raises: its status says what went wrong (see ManyResult).
    nan_policy: None or "raise" gives a row with NaN in y or sigma the status
    STATUS_NOT_FINITE; "omit" leaves those points out of its fit.

    progress: None; True for a tqdm bar (when tqdm can be imported); or a
    function progress(done, total), called on the calling thread about ten
    times a second and at the end. An exception it raises stops the batch and
    is raised again. Ctrl-C (KeyboardInterrupt) stops the batch too; the rows
    done so far are returned, the others with STATUS_NOT_FITTED, and a
    RuntimeWarning says so."""
    if not hasattr(model, "_model"):
        raise TypeError("fit_many fits a built-in model of varo.models; fit a model function "
                        "with varo.fit")
    if nan_policy not in NAN_POLICIES:
        raise ValueError(f"nan_policy must be one of {NAN_POLICIES}, not {nan_policy!r}")
    for name in keywords:
        if name not in FIT_KEYWORDS:
            raise TypeError(f"fit_many() got an unexpected keyword argument {name!r}")
    x = finite_array(x, "x", ndim=1)
    Y = np.asarray(Y, dtype=float)
    if Y.ndim == 0 or Y.shape[-1] != x.size or x.size == 0:
        raise ValueError(f"the last axis of Y must have the {x.size} points of x, "
                         f"not {Y.shape[-1] if Y.ndim else 0}")
    names = model.param_names
    shared, per_row = _starts_rows(p0, names, Y.shape)
    settings = settings_make(model, shared, bounds, fixed, **keywords)
    arrays, interrupted = rows_fit(model, x, np.ascontiguousarray(Y.reshape(-1, x.size)),
                                   _sigma_rows(sigma, Y.shape), per_row, settings, jobs,
                                   nan_policy == "omit", progress)
    result = many_result_make(model, arrays, Y.shape[:-1], interrupted)
    if interrupted:
        done = int(np.sum(result.status != STATUS_NOT_FITTED))
        warnings.warn(f"Ctrl-C stopped fit_many: {done} of {result.status.size} spectra "
                      "fitted, the others have STATUS_NOT_FITTED", RuntimeWarning, stacklevel=2)
    return result
