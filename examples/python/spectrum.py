"""Fits four gaussian peaks to the sample spectrum data/GaussDemo.dat with
varo and draws data, fit, the four terms and the residuals into a PNG.

    PYTHONPATH=build/release/python /usr/bin/python3 examples/python/spectrum.py [out.png]
"""
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import varo

ROOT = Path(__file__).resolve().parents[2]
TERMS = 4


def gaussian(x, amplitude, centre, width):
    return amplitude * np.exp(-0.5 * ((x - centre) / width) ** 2)


def spectrum(x, *params):
    """The sum of the gaussian terms, params (amplitude, centre, width) each."""
    return sum(gaussian(x, *params[3 * k:3 * k + 3]) for k in range(TERMS))


def main(output):
    x, y = np.loadtxt(ROOT / "data" / "GaussDemo.dat", unpack=True)
    start = [value for centre in (350, 400, 500, 600) for value in (50, centre, 60)]
    result = varo.fit(spectrum, x, y, start)
    print(f"{result.message} {result.iterations} iterations, {result.nfev} evaluations, "
          f"chi-square {result.chi_square:.4g} on {result.degrees_of_freedom} degrees of freedom")
    for k in range(TERMS):
        values = result.values[3 * k:3 * k + 3]
        errors = result.errors[3 * k:3 * k + 3]
        print(f"peak {k + 1}: " + ", ".join(
            f"{name} {v:.3f} +- {e:.3f}" for name, v, e in zip(("amplitude", "centre", "width"),
                                                               values, errors)))

    figure, (top, bottom) = plt.subplots(2, 1, figsize=(8, 6), sharex=True,
                                         gridspec_kw={"height_ratios": [3, 1]})
    fine = np.linspace(x.min(), x.max(), 1000)
    top.plot(x, y, ".", color="0.55", markersize=3, label="data")
    for k in range(TERMS):
        top.plot(fine, gaussian(fine, *result.values[3 * k:3 * k + 3]), "--", linewidth=1,
                 label=f"peak {k + 1}")
    top.plot(fine, spectrum(fine, *result.values), color="black", linewidth=1.5, label="fit")
    top.set_ylabel("signal")
    top.set_title("Four gaussian peaks fitted with varo")
    top.legend(loc="upper right", fontsize=8)
    residuals = y - spectrum(x, *result.values)
    bottom.axhline(0, color="black", linewidth=0.8)
    bottom.plot(x, residuals, ".", color="tab:red", markersize=3)
    bottom.set_xlabel("time")
    bottom.set_ylabel("residual")
    figure.tight_layout()
    figure.savefig(output, dpi=100)
    print(f"Wrote {output}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("spectrum.png"))
