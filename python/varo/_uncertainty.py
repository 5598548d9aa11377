"""Uncertainty beyond the covariance: profile-likelihood intervals of the
parameters and confidence and prediction bands of the fitted curves."""
from dataclasses import dataclass
from math import erf, sqrt

import numpy as np


@dataclass
class FitContext:
    """What a FitResult keeps of its fit for the intervals and bands."""

    fit_object: object
    data_sets: list
    place: dict  # parameter name -> (model, index) in the fit object
    absolute_sigma: bool


def _probability(sigma):
    sigma = float(sigma)
    if not 0 < sigma:
        raise ValueError(f"a sigma must be positive, not {sigma!r}")
    return sigma if sigma < 1 else erf(sigma / sqrt(2))


def intervals(result, names, sigmas):
    context = result._context
    if names is None:
        names = [name for name, se in zip(result.names, result.errors) if se != 0]
    probabilities = sorted({_probability(s) for s in sigmas})
    output = {}
    for name in names:
        if name not in context.place:
            raise ValueError(f"no parameter {name!r}")
        ends = [context.fit_object.profile_interval(*context.place[name], p)
                for p in probabilities]
        value = result[name]
        output[name] = ([(p, low) for p, (low, _) in reversed(list(zip(probabilities, ends)))]
                        + [(0.0, value)]
                        + [(p, high) for p, (_, high) in zip(probabilities, ends)])
    return output


def central_difference(function, values, x, k):
    """d function(x, *values) / d values[k] by a central difference."""
    value = values[k]
    step = 6e-6 * max(abs(value), 1e-8)
    up, down = list(values), list(values)
    up[k], down[k] = value + step, value - step
    return (np.asarray(function(x, *up), dtype=float)
            - np.asarray(function(x, *down), dtype=float)) / (2 * step)


def _derivatives(data, values, x):
    """d f / d p of a data set's model at x, one column per parameter."""
    if data.jac is not None:
        return np.asarray(data.jac(x, *values), dtype=float).reshape(-1, len(values))
    return np.stack([central_difference(data.function, values, x, k)
                     for k in range(len(values))], axis=-1)


def band(result, x, sigma, prediction, data_set):
    context = result._context
    data = context.data_sets[data_set]
    given = x is not None
    x = data.x if x is None else np.asarray(x, dtype=float)
    index = [result.names.index(name) for name in data.names]
    values = [float(result.values[i]) for i in index]
    jacobian = _derivatives(data, values, x)
    covariance = result.covariance[np.ix_(index, index)]
    variance = np.einsum("ij,jk,ik->i", jacobian, covariance, jacobian)
    if prediction:
        data_variance = 1.0 / data.weights ** 2
        if not context.absolute_sigma:
            data_variance = data_variance * result.chi_square / result.degrees_of_freedom
        variance = variance + (np.mean(data_variance) if given else data_variance)
    return float(sigma) * np.sqrt(variance)
