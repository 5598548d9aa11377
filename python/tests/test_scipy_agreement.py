"""varo.curve_fit gives the values and covariance of scipy.optimize.curve_fit
on reference problems and on the gaussian sample. Both fitters get the same
exact Jacobian and tight tolerances, so the comparison measures the results
and not where each stops."""
import numpy as np
import pytest
from scipy.optimize import curve_fit as scipy_curve_fit

import varo
from conftest import GAUSS_DEMO_START, complex_step_jacobian, gauss4, gauss_demo_read, nist_read

NIST_MODELS = {
    "Misra1a": lambda x, b1, b2: b1 * (1 - np.exp(-b2 * x)),
    "Misra1b": lambda x, b1, b2: b1 * (1 - (1 + b2 * x / 2) ** -2),
    "Chwirut2": lambda x, b1, b2, b3: np.exp(-b1 * x) / (b2 + b3 * x),
    "DanWood": lambda x, b1, b2: b1 * x ** b2,
    "Kirby2": lambda x, b1, b2, b3, b4, b5: (b1 + b2 * x + b3 * x ** 2) / (1 + b4 * x + b5 * x ** 2),
    "Gauss1": lambda x, b1, b2, b3, b4, b5, b6, b7, b8: (
        b1 * np.exp(-b2 * x) + b3 * np.exp(-((x - b4) / b5) ** 2)
        + b6 * np.exp(-((x - b7) / b8) ** 2)),
    "Rat42": lambda x, b1, b2, b3: b1 / (1 + np.exp(b2 - b3 * x)),
    "Eckerle4": lambda x, b1, b2, b3: (b1 / b2) * np.exp(-0.5 * ((x - b3) / b2) ** 2),
}
RELATIVE = 1e-6
VARO_TIGHT = {"tolerance": 1e-14}
SCIPY_TIGHT = {"ftol": 1e-15, "xtol": 1e-15, "gtol": 1e-15}


def problems():
    for name, f in NIST_MODELS.items():
        x, y, starts = nist_read(name)
        yield pytest.param(f, x, y, starts, id=name)
    x, y = gauss_demo_read()
    yield pytest.param(gauss4, x, y, GAUSS_DEMO_START, id="GaussDemo")


@pytest.mark.parametrize("method", ["damped", "eigen"])
@pytest.mark.parametrize("f, x, y, p0", problems())
def test_values_and_covariance_agree(f, x, y, p0, method):
    jac = complex_step_jacobian(f)
    expected, expected_cov = scipy_curve_fit(f, x, y, p0, jac=jac, **SCIPY_TIGHT)
    popt, pcov = varo.curve_fit(f, x, y, p0, jac=jac, method=method, **VARO_TIGHT)
    np.testing.assert_allclose(popt, expected, rtol=RELATIVE)
    np.testing.assert_allclose(pcov, expected_cov, rtol=RELATIVE,
                               atol=RELATIVE * np.abs(expected_cov).max())


def test_sigma_and_absolute_sigma_agree():
    f = NIST_MODELS["Misra1a"]
    x, y, p0 = nist_read("Misra1a")
    sigma = 0.05 + 0.01 * np.arange(x.size)
    jac = complex_step_jacobian(f)
    for absolute in (False, True):
        expected = scipy_curve_fit(f, x, y, p0, sigma=sigma, absolute_sigma=absolute, jac=jac,
                                   **SCIPY_TIGHT)
        got = varo.curve_fit(f, x, y, p0, sigma=sigma, absolute_sigma=absolute, jac=jac,
                             **VARO_TIGHT)
        for value, reference in zip(got, expected):
            np.testing.assert_allclose(value, reference, rtol=RELATIVE)
