"""Built-in models: the peaks, decays, baselines and formulas of Varo's model
library, evaluated in C++ with their analytic derivatives, so that no Python
code runs while they are fitted.

    from varo.models import Gaussian, Linear

    model = Gaussian(prefix="p1_") + Gaussian(prefix="p2_") + Linear()
    result = model.fit(x, y)                 # start values from model.guess
    area, area_error = result.derived["p1_Area"]
    spectra = varo.fit_many(model, x, Y)     # every row of Y, on every core

Names. Each term has base names (Gaussian: Ampl, Mean, Sigma). A term given
a prefix names its parameters and derived quantities prefix + base name
(p1_Ampl, p1_Area). Peaks and exponentials without a prefix are numbered as
varo-fit numbers them: all of them in a sum, whatever their shape, 1, 2, ...
from the left (Gaussian() + Lorentzian() gives Ampl1, Mean1, Sigma1, Ampl2,
Mean2, Gamma2); prefixed terms are not counted. Baselines and expressions
without a prefix keep their base names (Const; Intercept, Slope; C0 ... CK;
the expression's variables). A sum in which two terms would give the same
name raises ValueError naming it; prefixes tell such terms apart.

Every peak derives Height, Area and FWHM (full width at half maximum), an
exponential Tau = 1/Gamma. Widths (Sigma, Gamma) and rates are kept at 0 or
above and Eta between 0 and 1 unless bounds say otherwise.
"""
from collections import namedtuple
from collections.abc import Mapping

import numpy as np

from . import _varo
from ._batch import rows_fit, settings_make
from ._model_result import model_result_make
from ._problem import DEFAULT_TOLERANCE, finite_array
from ._uncertainty import central_difference

__all__ = ["Model", "Gaussian", "Lorentzian", "Voigt", "PseudoVoigt", "Exponential", "Constant",
           "Linear", "Polynomial", "Expression"]

_Term = namedtuple("_Term", "shape prefix degree expression", defaults=(0, ""))
# The shapes numbered when they have no prefix, with their class names.
_NUMBERED = {"gaussian": "Gaussian", "lorentzian": "Lorentzian", "voigt": "Voigt",
             "pseudo_voigt": "PseudoVoigt", "exponential": "Exponential"}
_CLASS_NAMES = dict(_NUMBERED, constant="Constant", linear="Linear", polynomial="Polynomial",
                    expression="Expression")
NAN_POLICIES = ("raise", "omit", None)


def _term_repr(term):
    arguments = []
    if term.shape == "polynomial":
        arguments.append(str(term.degree))
    if term.shape == "expression":
        arguments.append(repr(term.expression))
    if term.prefix is not None:
        arguments.append(f"prefix={term.prefix!r}")
    return f"{_CLASS_NAMES[term.shape]}({', '.join(arguments)})"


def _weights(y, sigma, omit):
    """1/sigma for every point, 0 for a point left out (omit: y or sigma not
    finite); ValueError for a sigma not positive, or for NaN unless omit."""
    sigma = np.broadcast_to(np.asarray(1.0 if sigma is None else sigma, dtype=float), y.shape)
    finite = np.isfinite(y) & np.isfinite(sigma)
    if not omit and not finite.all():
        raise ValueError("y or sigma contains NaN or infinite values (nan_policy='omit' "
                         "leaves those points out)")
    if np.any(sigma[finite] <= 0):
        raise ValueError("sigma must be positive")
    if not finite.any():
        raise ValueError("no point has a finite y and sigma")
    with np.errstate(divide="ignore"):
        return np.where(finite, 1.0 / np.where(finite, sigma, 1.0), 0.0)


class Model:
    """A sum of built-in terms; made by the term classes and summed with +."""

    def __init__(self, terms):
        self._terms = tuple(terms)
        self._model = _varo.Model()
        number = 0
        for term in self._terms:
            suffix = ""
            if term.prefix is None and term.shape in _NUMBERED:
                number += 1
                suffix = str(number)
            self._model.term_add(term.shape, term.prefix or "", suffix, term.degree,
                                 term.expression)

    def __add__(self, other):
        if not isinstance(other, Model):
            return NotImplemented
        return Model(self._terms + other._terms)

    def __repr__(self):
        return " + ".join(_term_repr(term) for term in self._terms)

    @property
    def param_names(self):
        """The parameters' names in order."""
        return list(self._model.param_names)

    @property
    def derived_names(self):
        """The derived quantities' names in order."""
        return list(self._model.derived_names)

    def _values(self, params):
        """params as an array in param_names order: from a sequence in that
        order or a mapping from every name to its value."""
        names = self.param_names
        if isinstance(params, Mapping):
            missing = [name for name in names if name not in params]
            if missing:
                raise ValueError(f"no value for {', '.join(missing)}")
            params = [params[name] for name in names]
        params = np.asarray(params, dtype=float).ravel()
        if params.size != len(names):
            raise ValueError(f"expected {len(names)} values ({', '.join(names)}), "
                             f"got {params.size}")
        return params

    def eval(self, params, x, domain=None):
        """The model's values at x (any shape) for params (a sequence in
        param_names order or a mapping by name). domain (low, high) is the x
        range a Polynomial is normalised to: a fit's result.domain; by default
        the range of x, which is the fit's when x is the fitted data's."""
        x = np.asarray(x, dtype=float)
        values = self._model.values(self._values(params), x.ravel(), domain)
        return values.reshape(x.shape)

    def jacobian(self, params, x, domain=None):
        """The derivatives of the model's values at the points of x by the
        parameters, shape (x.size, parameters): analytic, except for an
        Expression's parameters (central differences)."""
        params = self._values(params)
        x = np.asarray(x, dtype=float).ravel()
        columns = self._model.columns(params, x, domain)
        for k, analytic in enumerate(self._model.analytic):
            if not analytic:
                columns[k] = central_difference(
                    lambda t, *p: self._model.values(np.array(p), t, domain), params, x, k)
        return columns.T

    def derived(self, params):
        """The derived quantities at params (as in eval), as a dict from name
        to value."""
        values, _ = self._model.derived(self._values(params))
        return dict(zip(self.derived_names, values.tolist()))

    def guess(self, x, y, sigma=None):
        """The automatic start values of a fit to (x, y), as a dict from name to
        value in param_names order: the baseline from the ends of the data,
        then exponentials peeled off the tail, then the peaks, largest first,
        from their height, position and half width; 1 for an expression's
        parameters. Points with a NaN y or sigma are left aside."""
        x = finite_array(x, "x", ndim=1)
        y = np.asarray(y, dtype=float)
        if y.shape != x.shape:
            raise ValueError(f"y must have the shape of x, {x.shape}, not {y.shape}")
        weights = _weights(y, sigma, omit=True)
        starts = self._model.starts(x, np.where(weights != 0, y, 0.0), weights)
        return dict(zip(self.param_names, starts.tolist()))

    def fit(self, x, y, params=None, sigma=None, bounds=None, fixed=None, method="damped",
            loss="linear", f_scale=1.0, jac=None, absolute_sigma=False, ftol=None, xtol=None,
            tolerance=DEFAULT_TOLERANCE, max_iterations=None, nan_policy=None):
        """Fits the model to y at x; every evaluation runs in C++. Returns a
        ModelResult: the FitResult of varo.fit (values, errors, covariance,
        chi_square, status, message, the last iterate after a failure,
        at_limit, conf_interval, eval_uncertainty) with derived, domain and
        eval.

        params: the start values, a sequence in param_names order or a
        mapping by name; names left out, or all when None, start from guess.
        sigma: the standard deviations of y, a number or one per point.
        bounds: None (the terms' own limits), a mapping from name to (lower,
        upper) that replaces the limits of those names, or SciPy's (lower,
        upper), each a number or one per parameter, or a Bounds object, which
        replaces all of them. fixed: a mapping from name to the value the
        parameter is held at. method, loss, f_scale, absolute_sigma, ftol,
        xtol, tolerance and max_iterations as in varo.fit. jac: None for the
        terms' analytic derivatives, "2-point" or "3-point" for differences.
        nan_policy: None or "raise" refuses NaN in y or sigma (ValueError),
        "omit" leaves those points out.

        Bad arguments raise ValueError before any fit; a fit that fails
        returns its status and message."""
        if nan_policy not in NAN_POLICIES:
            raise ValueError(f"nan_policy must be one of {NAN_POLICIES}, not {nan_policy!r}")
        x = finite_array(x, "x", ndim=1)
        y = np.asarray(y, dtype=float)
        if y.shape != x.shape or x.size == 0:
            raise ValueError(f"y must have the shape of x, {x.shape}, not {y.shape}")
        omit = nan_policy == "omit"
        weights = _weights(y, sigma, omit)
        sigma_row = None if sigma is None else np.broadcast_to(
            np.asarray(sigma, dtype=float), y.shape).copy()
        keywords = dict(bounds=bounds, fixed=fixed, method=method, loss=loss, f_scale=f_scale,
                        jac=jac, absolute_sigma=absolute_sigma, ftol=ftol, xtol=xtol,
                        tolerance=tolerance, max_iterations=max_iterations)
        rows = y.reshape(1, -1)

        def fitted(levels):
            settings = settings_make(self, params, **keywords)
            settings.interval_levels = levels
            return rows_fit(self, x, rows, sigma_row, None, settings, 1, omit)[0]

        return model_result_make(self, x, y, weights, fitted([]), absolute_sigma,
                                 lambda level: fitted([level])["intervals"][0, 0])


class Gaussian(Model):
    """A gaussian peak, Ampl * exp(-(x - Mean)^2 / (2 Sigma^2)); Ampl is its
    height."""

    def __init__(self, prefix=None):
        super().__init__([_Term("gaussian", prefix)])


class Lorentzian(Model):
    """A Lorentzian peak, Ampl / (1 + ((x - Mean) / Gamma)^2), Gamma its half
    width at half maximum."""

    def __init__(self, prefix=None):
        super().__init__([_Term("lorentzian", prefix)])


class Voigt(Model):
    """A Voigt peak of height Ampl, Ampl * V(x - Mean) / V(0): V the
    convolution of a gaussian of standard deviation Sigma and a Lorentzian of
    half width Gamma (scipy.special.voigt_profile)."""

    def __init__(self, prefix=None):
        super().__init__([_Term("voigt", prefix)])


class PseudoVoigt(Model):
    """A pseudo-Voigt peak, Ampl * ((1 - Eta) exp(-ln 2 ((x - Mean) / Gamma)^2)
    + Eta / (1 + ((x - Mean) / Gamma)^2)), Gamma the half width of both
    shapes."""

    def __init__(self, prefix=None):
        super().__init__([_Term("pseudo_voigt", prefix)])


class Exponential(Model):
    """A decay, Ampl * exp(-Gamma * x), Gamma its rate."""

    def __init__(self, prefix=None):
        super().__init__([_Term("exponential", prefix)])


class Constant(Model):
    """A constant baseline, Const."""

    def __init__(self, prefix=None):
        super().__init__([_Term("constant", prefix)])


class Linear(Model):
    """A straight baseline, Intercept + Slope * x."""

    def __init__(self, prefix=None):
        super().__init__([_Term("linear", prefix)])


class Polynomial(Model):
    """A baseline of degree k (1 to 5), C0 + C1 u + ... + Ck u^k in u = (x -
    middle) / half width of the fitted points' x range (result.domain), which
    keeps its columns apart where powers of x would be all but parallel."""

    def __init__(self, degree, prefix=None):
        super().__init__([_Term("polynomial", prefix, int(degree))])


class Expression(Model):
    """A formula in x (muparser's syntax: sin, exp, sqrt, ^, ...) whose other
    names are its parameters, in the order they first appear; its
    derivatives are numerical."""

    def __init__(self, expression, prefix=None):
        super().__init__([_Term("expression", prefix, 0, str(expression))])
