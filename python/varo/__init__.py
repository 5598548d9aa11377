"""Weighted nonlinear least-squares fitting with the Varo library.

curve_fit(f, xdata, ydata, p0, ...) is a drop-in for scipy.optimize.curve_fit
and returns (popt, pcov); fit(...) takes the same arguments and returns a
FitResult; Problem fits several data sets at once, each with its own model
function, with parameters shared between them by name. varo.models holds the
built-in models (peaks, decays, baselines, formulas), fitted in C++ without
Python code per evaluation; fit_many fits one of them to every spectrum of an
image or a cube on every core.
"""
from ._errors import OptimizeWarning, VaroError
from ._problem import FitResult, Problem
from ._curve_fit import curve_fit, fit
from ._model_result import ModelResult
from ._batch import (STATUS_EXCEPTION, STATUS_NO_POINTS, STATUS_NOT_FINITE, STATUS_NOT_FITTED,
                     STATUS_SETTING_REFUSED, STATUS_SIGMA_NOT_POSITIVE, ManyResult, fit_many)
from . import models

__all__ = ["OptimizeWarning", "VaroError", "FitResult", "Problem", "curve_fit", "fit",
           "ModelResult", "ManyResult", "fit_many", "models", "STATUS_EXCEPTION",
           "STATUS_NO_POINTS", "STATUS_NOT_FINITE", "STATUS_NOT_FITTED",
           "STATUS_SETTING_REFUSED", "STATUS_SIGMA_NOT_POSITIVE"]
