"""Weighted nonlinear least-squares fitting with the Varo library.

curve_fit(f, xdata, ydata, p0, ...) is a drop-in for scipy.optimize.curve_fit
and returns (popt, pcov); fit(...) takes the same arguments and returns a
FitResult; Problem fits several data sets at once, each with its own model
function, with parameters shared between them by name.
"""
from ._errors import OptimizeWarning, VaroError
from ._problem import FitResult, Problem
from ._curve_fit import curve_fit, fit

__all__ = ["OptimizeWarning", "VaroError", "FitResult", "Problem", "curve_fit", "fit"]
