"""Shared helpers of the package's tests: the reference data and exact
derivatives of model functions."""
import re
from pathlib import Path

import numpy as np

DATA_DIR = Path(__file__).resolve().parents[2] / "data"


def nist_read(name):
    """A reference problem: x, y and the second start values."""
    lines = (DATA_DIR / "nist" / f"{name}.dat").read_text().splitlines()
    starts = [float(m.group(2)) for line in lines
              if (m := re.match(r"\s*b\d+\s*=\s*(\S+)\s+(\S+)", line))]
    first = next(i for i, line in enumerate(lines) if line.split()[:2] == ["Data:", "y"])
    table = np.loadtxt(lines[first + 1:])
    return table[:, 1], table[:, 0], np.array(starts)


def gauss_demo_read():
    table = np.loadtxt(DATA_DIR / "GaussDemo.dat")
    return table[:, 0], table[:, 1]


def complex_step_jacobian(f):
    """jac(x, *p) of f by complex steps: derivatives exact to rounding, so that
    two fitters given it see the same Jacobian."""
    step = 1e-30

    def jacobian(x, *params):
        base = np.asarray(params, dtype=complex)
        columns = []
        for k in range(base.size):
            shifted = base.copy()
            shifted[k] += 1j * step
            columns.append(np.imag(f(np.asarray(x, dtype=complex), *shifted)) / step)
        return np.stack(columns, axis=1)

    return jacobian


def gauss4(x, *p):
    """Four gaussian terms, each (amplitude, mean, variance). Trial steps may
    make a variance small enough that a term overflows; the fit rejects them."""
    with np.errstate(over="ignore", invalid="ignore"):
        return sum(p[k] * np.exp(-(x - p[k + 1]) ** 2 / (2 * p[k + 2])) for k in range(0, 12, 3))


# The gaussian sample's start values: amplitude 50, means 350..600, variance 60^2.
GAUSS_DEMO_START = [v for mean in (350, 400, 500, 600) for v in (50, mean, 3600)]
