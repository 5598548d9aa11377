"""The result of Model.fit: a FitResult with the derived quantities, whose
intervals and bands work through the built-in model."""
from dataclasses import dataclass, field

import numpy as np

from . import _uncertainty
from ._errors import VaroError
from ._problem import CONVERGED, FitResult, _DataSet

# The library's code of statistics that are not available.
STATISTICS_UNAVAILABLE = 15


@dataclass
class ModelResult(FitResult):
    """The FitResult of Model.fit, with the derived quantities of its terms:
    derived maps each name (Height1, Area1, FWHM1 of a peak, Tau1 of an
    exponential, with the terms' prefixes or numbers) to (value, standard
    error), the error propagated from the covariance to first order. domain is
    the x range of the fitted points, on which a Polynomial is normalised;
    eval(x) evaluates the fitted model anywhere with it. After a fit that did
    not converge, chi_square is that of the last iterate and the errors are
    NaN. Status 15 is a fit that converged without standard errors: the data
    do not determine every parameter (a peak of height 0 has no position) or
    there are no degrees of freedom. conf_interval refits through the fit
    driver with the interval levels set (one refit per level; the driver is
    deterministic, so it reaches the same point); eval_uncertainty takes the
    model's analytic derivatives."""

    derived: dict = field(default_factory=dict)
    domain: tuple = None

    def eval(self, x=None):
        """The fitted model at x (default the fitted points' x)."""
        data = self._context.data_sets[0]
        x = data.x if x is None else np.asarray(x, dtype=float)
        return data.function(x, *self.values)


class _ProfileRefits:
    """Stands in for the fit object in conf_interval: the intervals of every
    parameter at one level come from one refit with that level set."""

    def __init__(self, refit, status, names):
        self._refit = refit  # level -> intervals, one (low, high) per parameter
        self._status = status
        self._names = names
        self._ends = {}

    def profile_interval(self, model, param, level):
        if self._status != CONVERGED:
            raise VaroError(STATISTICS_UNAVAILABLE, "profile intervals need a fit that "
                            f"converged; this one ended with status {self._status}")
        if level not in self._ends:
            self._ends[level] = self._refit(level)
        low, high = self._ends[level][param - 1]
        if np.isnan(low) or np.isnan(high):
            raise VaroError(STATISTICS_UNAVAILABLE, f"no profile interval of "
                            f"{self._names[param - 1]}: it is fixed, or a refit failed")
        return low, high


def model_result_make(model, x, y, weights, arrays, absolute_sigma, refit):
    """The ModelResult of the one-row arrays of the batch for the data x, y
    with their weights (0 for a point left out)."""
    names = list(model.param_names)
    values = arrays["values"][0]
    domain = tuple(float(end) for end in arrays["domain"][0])
    kept = weights != 0
    data = _DataSet(function=lambda t, *p: model.eval(p, t, domain), x=x[kept], y=y[kept],
                    weights=weights[kept], names=names,
                    jac=lambda t, *p: model.jacobian(p, t, domain))
    status = int(arrays["status"][0])
    message = arrays["message"][0] if status != CONVERGED else "The fit converged."
    context = _uncertainty.FitContext(_ProfileRefits(refit, status, names), [data],
                                      {name: (1, k + 1) for k, name in enumerate(names)},
                                      absolute_sigma)
    derived = {name: (float(arrays["derived"][0, k]), float(arrays["derived_errors"][0, k]))
               for k, name in enumerate(model.derived_names)}
    return ModelResult(
        names=names, values=values, errors=arrays["errors"][0],
        covariance=arrays["covariance"][0], chi_square=float(arrays["chi_square"][0]),
        degrees_of_freedom=int(arrays["degrees_of_freedom"][0]),
        iterations=int(arrays["iterations"][0]), nfev=int(arrays["nfev"][0]),
        njev=int(arrays["njev"][0]), status=status, message=message,
        at_limit=arrays["at_limit"][0],
        residuals=[(data.function(data.x, *values) - data.y) * data.weights],
        _context=context, derived=derived, domain=domain)
