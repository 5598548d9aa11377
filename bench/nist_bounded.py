"""Bounded versions of the nonlinear regression reference problems, and their
constrained minima by scipy.optimize.least_squares(method='trf') with every
tolerance at 1e-15.

Two kinds of bounds per problem, both from the second start:
  inside   every parameter starts on one of its limits, the certified value
           lies in the middle of its box;
  on-limit one limit (of the parameter that starts farthest from its certified
           value, relatively) lies half-way between the start and the
           certified value, the other parameters are free: the constrained
           minimum lies on that limit.

Writes one line per fit (problem, kind, trf's sum of squares, evaluations and
time, then lower:upper per parameter) to the reference file that the bounded
fit test and the benchmark read. Usage: nist_bounded.py [reference file]
"""
import sys
import time
from pathlib import Path

import numpy as np
from scipy.optimize import least_squares

ROOT = Path(__file__).resolve().parent.parent
DATA = ROOT / "data" / "nist"
REFERENCE = ROOT / "bench" / "nist_bounded.txt"

# The problems, each with its model f(b, x) written for complex numbers too,
# so that the Jacobian comes exact by the complex step.
MODELS = {
    "Misra1a": lambda b, x: b[0] * (1 - np.exp(-b[1] * x)),
    "Chwirut2": lambda b, x: np.exp(-b[0] * x) / (b[1] + b[2] * x),
    "Chwirut1": lambda b, x: np.exp(-b[0] * x) / (b[1] + b[2] * x),
    "Lanczos3": lambda b, x: b[0] * np.exp(-b[1] * x) + b[2] * np.exp(-b[3] * x)
    + b[4] * np.exp(-b[5] * x),
    "Gauss1": lambda b, x: b[0] * np.exp(-b[1] * x) + b[2] * np.exp(-((x - b[3]) / b[4]) ** 2)
    + b[5] * np.exp(-((x - b[6]) / b[7]) ** 2),
    "Gauss2": lambda b, x: b[0] * np.exp(-b[1] * x) + b[2] * np.exp(-((x - b[3]) / b[4]) ** 2)
    + b[5] * np.exp(-((x - b[6]) / b[7]) ** 2),
    "DanWood": lambda b, x: b[0] * x ** b[1],
    "Misra1b": lambda b, x: b[0] * (1 - (1 + b[1] * x / 2) ** -2),
    "Kirby2": lambda b, x: (b[0] + b[1] * x + b[2] * x ** 2) / (1 + b[3] * x + b[4] * x ** 2),
    "Hahn1": lambda b, x: (b[0] + b[1] * x + b[2] * x ** 2 + b[3] * x ** 3)
    / (1 + b[4] * x + b[5] * x ** 2 + b[6] * x ** 3),
    "Misra1c": lambda b, x: b[0] * (1 - (1 + 2 * b[1] * x) ** -0.5),
    "Misra1d": lambda b, x: b[0] * b[1] * x / (1 + b[1] * x),
    "Roszman1": lambda b, x: b[0] - b[1] * x - np.arctan(b[2] / (x - b[3])) / np.pi,
    "Thurber": lambda b, x: (b[0] + b[1] * x + b[2] * x ** 2 + b[3] * x ** 3)
    / (1 + b[4] * x + b[5] * x ** 2 + b[6] * x ** 3),
    "Rat42": lambda b, x: b[0] / (1 + np.exp(b[1] - b[2] * x)),
    "Eckerle4": lambda b, x: b[0] / b[1] * np.exp(-0.5 * ((x - b[2]) / b[1]) ** 2),
}


def problem_read(name):
    """Second start, certified values, x and y of one problem."""
    start, certified, xs, ys = [], [], [], []
    in_data = False
    for line in (DATA / f"{name}.dat").read_text().splitlines():
        fields = line.split()
        if in_data and len(fields) >= 2:
            ys.append(float(fields[0]))
            xs.append(float(fields[1]))
        elif len(fields) >= 6 and fields[0].startswith("b") and fields[1] == "=":
            start.append(float(fields[3]))
            certified.append(float(fields[4]))
        elif fields[:2] == ["Data:", "y"]:
            in_data = True
    return np.array(start), np.array(certified), np.array(xs), np.array(ys)


def bounds_make(kind, start, certified):
    """Lower and upper limits of every parameter for one kind of bounds."""
    if kind == "inside":
        span = np.where(certified != start, np.abs(certified - start), 0.5 * np.abs(start))
        lower = np.where(start <= certified, start, start - 2 * span)
        upper = np.where(start <= certified, start + 2 * span, start)
        return lower, upper
    lower, upper = np.full(start.size, -np.inf), np.full(start.size, np.inf)
    j = int(np.argmax(np.abs(start - certified) / np.abs(certified)))
    middle = 0.5 * (start[j] + certified[j])
    if start[j] < certified[j]:
        upper[j] = middle
    else:
        lower[j] = middle
    return lower, upper


def residuals_function(name, x, y):
    model = MODELS[name]

    def residuals(b):
        return y - model(b, x)

    def jacobian(b):
        step = 1e-30
        columns = []
        for j in range(b.size):
            shifted = b.astype(complex)
            shifted[j] += 1j * step
            columns.append(-model(shifted, x).imag / step)
        return np.column_stack(columns)

    return residuals, jacobian


def reference_fit(name, kind):
    start, certified, x, y = problem_read(name)
    lower, upper = bounds_make(kind, start, certified)
    residuals, jacobian = residuals_function(name, x, y)
    began = time.perf_counter()
    result = least_squares(residuals, start, jac=jacobian, bounds=(lower, upper), method="trf",
                           ftol=1e-15, xtol=1e-15, gtol=1e-15, max_nfev=10000)
    milliseconds = 1e3 * (time.perf_counter() - began)
    ssr = float(np.sum(result.fun ** 2))
    return ssr, result.nfev, result.njev or 0, milliseconds, lower, upper


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else REFERENCE
    lines = ["# problem kind trf_ssr trf_nfev trf_njev trf_ms lower:upper per parameter"]
    for name in MODELS:
        for kind in ("inside", "on-limit"):
            ssr, nfev, njev, ms, lower, upper = reference_fit(name, kind)
            limits = " ".join(f"{lo!r}:{hi!r}" for lo, hi in zip(lower, upper))
            lines.append(f"{name} {kind} {ssr!r} {nfev} {njev} {ms:.3f} {limits}")
    target.write_text("\n".join(lines) + "\n")
    print(f"Wrote {target}")


if __name__ == "__main__":
    main()
