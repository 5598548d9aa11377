"""Times varo.fit_many on 1 and 2 jobs against loops of
scipy.optimize.curve_fit (the same model written in NumPy) and of lmfit
(GaussianModel() + LinearModel()) on 10000 spectra of 200 points, each a
gaussian on a sloped baseline, and writes the section "Python: many spectra
with varo.fit_many" of a report in place of an earlier one (appended when
there is none).

fit_many finds each spectrum's start values itself (model.guess, inside the
timing); SciPy and lmfit start from the same guesses, converted to lmfit's
parameters and made outside the timing. Each fitter's own defaults otherwise,
every one with sigma given and its covariance scaled by the residual variance.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/many_bench.py [--report bench/RESULTS.md]
"""
import argparse
import os
import platform
import statistics
import time
import warnings
from pathlib import Path

import lmfit
import numpy as np
import scipy
from scipy.optimize import curve_fit

import varo
from varo.models import Gaussian, Linear

SPECTRA = 10000
POINTS = 200
NOISE = 0.1
RUNS = 3
HEADING = "## Python: many spectra with varo.fit_many"
TARGETS = {"SciPy": 50.0, "lmfit": 100.0}
SCALING_TARGET = 1.8
SQRT_2PI = np.sqrt(2 * np.pi)


def gauss_line(x, height, centre, width, intercept, slope):
    return height * np.exp(-0.5 * ((x - centre) / width) ** 2) + intercept + slope * x


def spectra_make(count):
    """x, count spectra and their truths (height, centre, width, intercept,
    slope), seeded."""
    rng = np.random.default_rng(20261207)
    truth = np.column_stack([rng.uniform(2, 8, count), rng.uniform(3, 7, count),
                             rng.uniform(0.3, 1.0, count), rng.uniform(-1, 1, count),
                             rng.uniform(-0.2, 0.2, count)])
    x = np.linspace(0.0, 10.0, POINTS)
    clean = np.array([gauss_line(x, *p) for p in truth])
    return x, clean + rng.normal(0, NOISE, clean.shape), truth


def within(values, errors, truth):
    """Per spectrum: whether every parameter lies within 3 standard errors of
    its truth, and whether the centre does."""
    inside = np.abs(values - truth) <= 3 * errors
    return inside.all(axis=1), inside[:, 1]


def varo_run(x, Y, truth, jobs):
    model = Gaussian() + Linear()
    times = []
    for _ in range(RUNS):
        begin = time.perf_counter()
        result = varo.fit_many(model, x, Y, sigma=NOISE, jobs=jobs)
        times.append(time.perf_counter() - begin)
    return statistics.median(times), result.success, *within(result.values, result.errors,
                                                              truth)


def scipy_run(x, Y, truth, starts):
    sigma = np.full(POINTS, NOISE)
    values = np.full(truth.shape, np.nan)
    errors = np.full(truth.shape, np.nan)
    converged = np.zeros(len(Y), dtype=bool)
    begin = time.perf_counter()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        for k, (y, start) in enumerate(zip(Y, starts)):
            try:
                values[k], pcov = curve_fit(gauss_line, x, y, start, sigma=sigma)
            except RuntimeError:
                continue
            errors[k], converged[k] = np.sqrt(np.diag(pcov)), True
    seconds = time.perf_counter() - begin
    return seconds, converged, *within(values, errors, truth)


LMFIT_NAMES = ["amplitude", "center", "sigma", "intercept", "slope"]


def lmfit_run(x, Y, truth, starts):
    """lmfit's gaussian has the area as its amplitude: the truth and starts are
    converted."""
    model = lmfit.models.GaussianModel() + lmfit.models.LinearModel()
    weights = np.full(POINTS, 1 / NOISE)
    area = lambda p: np.column_stack([p[:, 0] * p[:, 2] * SQRT_2PI, p[:, 1:]])
    truth, starts = area(truth), area(np.asarray(starts))
    values = np.full(truth.shape, np.nan)
    errors = np.full(truth.shape, np.nan)
    converged = np.zeros(len(Y), dtype=bool)
    begin = time.perf_counter()
    for k, (y, start) in enumerate(zip(Y, starts)):
        result = model.fit(y, model.make_params(**dict(zip(LMFIT_NAMES, start))), x=x,
                           weights=weights)
        values[k] = [result.params[name].value for name in LMFIT_NAMES]
        errors[k] = [result.params[name].stderr or np.nan for name in LMFIT_NAMES]
        converged[k] = result.success and result.errorbars
    seconds = time.perf_counter() - begin
    return seconds, converged, *within(values, errors, truth)


def row(name, jobs, outcome):
    seconds, converged, all_within, centre_within = outcome
    count = converged.size
    return (f"| {name} | {jobs} | {seconds:.2f} | {count / seconds:.0f} | "
            f"{1e6 * seconds * jobs / count:.0f} | {converged.sum()} | "
            f"{100 * all_within.mean():.1f} % | {100 * centre_within.mean():.1f} % |")


def verdict(text, ratio, target):
    return f"- {text}: {ratio:.1f} times (target at least {target:g}): " + (
        "**met**." if ratio >= target else "**missed**.")


def section(count):
    load = " ".join(Path("/proc/loadavg").read_text().split()[:3])
    x, Y, truth = spectra_make(count)
    model = Gaussian() + Linear()
    starts = [list(model.guess(x, y).values()) for y in Y]
    one, two = varo_run(x, Y, truth, 1), varo_run(x, Y, truth, 2)
    peers = {"SciPy": scipy_run(x, Y, truth, starts), "lmfit": lmfit_run(x, Y, truth, starts)}
    lines = [
        HEADING, "",
        f"{count} spectra of {POINTS} points, each a gaussian (height 2 to 8, centre 3 to 7, "
        "width 0.3 to 1) on a sloped baseline with normal noise of standard deviation "
        f"{NOISE} (given as sigma), fitted from automatic start values (`model.guess`; "
        "`fit_many` makes them inside its timing, SciPy and lmfit get the same ones). "
        f"varo.fit_many with `Gaussian() + Linear()` (median of {RUNS} runs), "
        "a loop of `scipy.optimize.curve_fit` with the model in NumPy (numerical "
        "derivatives, method lm), and a loop of lmfit with `GaussianModel() + "
        "LinearModel()`; each with its default tolerances and its covariance scaled by "
        "the residual variance. \"within 3 SE\": the truth lies within 3 of the fit's "
        "standard errors, for all five parameters and for the centre.",
        "",
        f"Machine: {os.cpu_count()} cores, load average {load} at the start (it may be "
        f"shared), {time.strftime('%Y-%m-%d', time.gmtime())}; Python "
        f"{platform.python_version()}, NumPy {np.__version__}, SciPy {scipy.__version__}, "
        f"lmfit {lmfit.__version__}.",
        "",
        "| Fitter | jobs | wall time (s) | spectra per second | µs per spectrum and job "
        "| converged | all within 3 SE | centre within 3 SE |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
        row("varo.fit_many", 1, one), row("varo.fit_many", 2, two),
        row("scipy.optimize.curve_fit loop", 1, peers["SciPy"]),
        row("lmfit loop", 1, peers["lmfit"]),
        "", "Targets, same run:",
    ]
    for name, target in TARGETS.items():
        lines.append(verdict(f"fit_many on 2 jobs against the {name} loop",
                             peers[name][0] / two[0], target))
    lines.append(verdict("fit_many from 1 job to 2", one[0] / two[0], SCALING_TARGET))
    return "\n".join(lines) + "\n"


def report_write(path, text):
    """Puts text in place of the section of the same heading, up to the next
    section, or at the end."""
    lines = Path(path).read_text(encoding="utf-8").splitlines(keepends=True) \
        if Path(path).exists() else []
    start = next((i for i, line in enumerate(lines) if line.rstrip("\n") == HEADING), None)
    if start is None:
        before, after = lines, []
    else:
        end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("## ")),
                   len(lines))
        before, after = lines[:start], lines[end:]
    while before and not before[-1].strip():
        before.pop()
    block = ("\n" if before else "") + text + ("\n" if after else "")
    Path(path).write_text("".join(before) + block + "".join(after), encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--report", help="report whose section to write (default: print)")
    parser.add_argument("--spectra", type=int, default=SPECTRA, help="number of spectra")
    arguments = parser.parse_args()
    text = section(arguments.spectra)
    if arguments.report:
        report_write(arguments.report, text)
    else:
        print(text, end="")


if __name__ == "__main__":
    main()
