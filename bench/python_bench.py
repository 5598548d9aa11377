"""Times varo.curve_fit against scipy.optimize.curve_fit in one run on the
large four-gaussian problem of the benchmark harness (the same 10000 rows,
the same start values) and appends a section to a report.

    PYTHONPATH=<build>/python /usr/bin/python3 bench/python_bench.py [--report bench/RESULTS.md]
"""
import argparse
import platform
import statistics
import time

import numpy as np
import scipy
from scipy.optimize import curve_fit as scipy_curve_fit

import varo

ROWS = 10000
RUNS = 5


class Mt19937_64:
    """The standard 64-bit Mersenne Twister, as the harness draws its noise."""

    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = [seed & self.MASK]
        for i in range(1, 312):
            previous = self.state[-1]
            self.state.append((6364136223846793005 * (previous ^ (previous >> 62)) + i) & self.MASK)
        self.index = 312

    def _twist(self):
        state = self.state
        for i in range(312):
            x = (state[i] & 0xFFFFFFFF80000000) | (state[(i + 1) % 312] & 0x7FFFFFFF)
            state[i] = state[(i + 156) % 312] ^ (x >> 1) ^ (0xB5026F5AA96619E9 if x & 1 else 0)
        self.index = 0

    def next(self):
        if self.index >= 312:
            self._twist()
        x = self.state[self.index]
        self.index += 1
        x ^= (x >> 29) & 0x5555555555555555
        x ^= (x << 17) & 0x71D67FFFEDA60000
        x ^= (x << 37) & 0xFFF7EEE000000000
        return (x ^ (x >> 43)) & self.MASK


def gauss4(x, *p):
    """Four gaussian terms, each (amplitude, mean, variance)."""
    with np.errstate(over="ignore", invalid="ignore"):
        return sum(p[k] * np.exp(-(x - p[k + 1]) ** 2 / (2 * p[k + 2])) for k in range(0, 12, 3))


def gauss4_jacobian(x, *p):
    columns = []
    with np.errstate(over="ignore", invalid="ignore"):
        for k in range(0, 12, 3):
            offset = x - p[k + 1]
            term = np.exp(-offset ** 2 / (2 * p[k + 2]))
            columns += [term, p[k] * term * offset / p[k + 2],
                        p[k] * term * offset ** 2 / (2 * p[k + 2] ** 2)]
    return np.stack(columns, axis=1)


def large_problem():
    """The harness's large problem: the sample generator's four terms on
    100..900 with seeded normal noise of standard deviation 1."""
    true = [40, 340, 25 ** 2, 60, 420, 30 ** 2, 45, 510, 28 ** 2, 30, 610, 35 ** 2]
    generator = Mt19937_64(20261207)

    def uniform():
        return ((generator.next() >> 11) + 1.0) / 9007199254740992.0

    noise = []
    for _ in range(ROWS):
        u1, u2 = uniform(), uniform()
        noise.append(np.sqrt(-2.0 * np.log(u1)) * np.cos(2.0 * np.pi * u2))
    x = 100.0 + 800.0 * np.arange(ROWS) / (ROWS - 1)
    return x, gauss4(x, *true) + np.array(noise)


START = [v for mean in (350, 400, 500, 600) for v in (50, mean, 60.0 ** 2)]


class Counted:
    def __init__(self, function):
        self.function, self.calls = function, 0

    def __call__(self, *args):
        self.calls += 1
        return self.function(*args)


def run(fitter, x, y, analytic):
    """Median time of RUNS fits, and the last fit's result and call counts."""
    times = []
    for _ in range(RUNS):
        model = Counted(gauss4)
        jacobian = Counted(gauss4_jacobian) if analytic else None
        begin = time.perf_counter()
        popt = fitter(model, x, y, jacobian)
        times.append(time.perf_counter() - begin)
    norm = np.linalg.norm(y - gauss4(x, *popt))
    return norm, model.calls, jacobian.calls if jacobian else 0, statistics.median(times)


FITTERS = {
    "varo.curve_fit (damped)": lambda f, x, y, jac: varo.curve_fit(f, x, y, START, jac=jac)[0],
    "varo.curve_fit (eigen)":
        lambda f, x, y, jac: varo.curve_fit(f, x, y, START, jac=jac, method="eigen")[0],
    "scipy.optimize.curve_fit (lm)":
        lambda f, x, y, jac: scipy_curve_fit(f, x, y, START, jac=jac)[0],
}

LINE_ROWS = 100000
LINE_TRUE = [5.0, 0.3, 0.08, 1.0, 0.5]  # amplitude, centre, width, intercept, slope
LINE_START = [4.0, 0.28, 0.1, 0.8, 0.6]


def gauss_line(x, amplitude, centre, width, intercept, slope):
    return amplitude * np.exp(-0.5 * ((x - centre) / width) ** 2) + intercept + slope * x


def line_problem():
    """One gaussian on a sloped baseline, 100000 rows, seeded noise 0.1."""
    x = np.linspace(0.0, 1.0, LINE_ROWS)
    noise = np.random.default_rng(20261207).normal(0.0, 0.1, LINE_ROWS)
    return x, gauss_line(x, *LINE_TRUE) + noise


LINE_FITTERS = {
    "varo.curve_fit (damped)": lambda f, x, y: varo.curve_fit(f, x, y, LINE_START)[0],
    "scipy.optimize.curve_fit (lm)": lambda f, x, y: scipy_curve_fit(f, x, y, LINE_START)[0],
}

SPIKE_SCALE = 1.0  # the noise of the large problem


def spiked_problem():
    """The large problem with every hundredth point raised by 50 noise deviations."""
    x, y = large_problem()
    y = y.copy()
    y[::100] += 50.0
    return x, y


ROBUST_FITTERS = {
    "varo.curve_fit (damped)": lambda f, x, y, jac: varo.curve_fit(
        f, x, y, START, jac=jac, loss="soft_l1", f_scale=SPIKE_SCALE)[0],
    "scipy.optimize.curve_fit (trf)": lambda f, x, y, jac: scipy_curve_fit(
        f, x, y, START, jac=jac, method="trf", loss="soft_l1", f_scale=SPIKE_SCALE)[0],
}


def line_run(fitter, x, y):
    """As run, for the gaussian on a line with numerical derivatives."""
    times = []
    for _ in range(RUNS):
        model = Counted(gauss_line)
        begin = time.perf_counter()
        popt = fitter(model, x, y)
        times.append(time.perf_counter() - begin)
    return np.linalg.norm(y - gauss_line(x, *popt)), model.calls, 0, statistics.median(times)


def robust_run(fitter, x, y):
    """As run with the analytic Jacobian, the robust cost in place of the norm."""
    _, calls, jacobian_calls, seconds = run(fitter, x, y, True)
    z = ((y - gauss4(x, *fitter(gauss4, x, y, gauss4_jacobian))) / SPIKE_SCALE) ** 2
    return SPIKE_SCALE ** 2 * np.sum(np.sqrt(1 + z) - 1), calls, jacobian_calls, seconds


def table_rows(fitters, x, y, runner):
    """Rows of every fitter, and the median times by fitter name."""
    rows, times = [], {}
    for name, fitter in fitters.items():
        norm, calls, jacobian_calls, seconds = runner(fitter, x, y)
        times[name] = seconds
        rows.append(f"| {name} | {norm:.6e} | {calls} | {jacobian_calls} | {1000 * seconds:.1f} |")
    return rows, times


def verdict(name, varo_seconds, scipy_seconds):
    ratio = varo_seconds / scipy_seconds
    met = "**met**" if ratio <= 1.0 else "**missed**"
    return f"- {name}: varo / SciPy time {ratio:.2f} (target at most 1.0): {met}."


def section():
    x, y = large_problem()
    lines = [
        "",
        "## Python: varo.curve_fit and scipy.optimize.curve_fit",
        "",
        f"The large four-gaussian problem ({ROWS} rows, the same data and start values as the "
        "rows above), fitted in one Python process with each package's default settings "
        "(varo: forward differences when no Jacobian is given, as SciPy); "
        "the model function is vectorised, so a model call evaluates all rows. Times are the "
        f"median of {RUNS} fits, including the Python calls. Python {platform.python_version()}, "
        f"NumPy {np.__version__}, SciPy {scipy.__version__}.",
        "",
        "| Fitter | derivatives | residual norm | model calls | Jacobian calls | median time (ms) |",
        "|---|---|---:|---:|---:|---:|",
    ]
    numerical = {}
    for analytic in (False, True):
        for name, fitter in FITTERS.items():
            norm, calls, jacobian_calls, seconds = run(fitter, x, y, analytic)
            kind = "analytic" if analytic else "numerical"
            if not analytic:
                numerical[name] = seconds
            lines.append(f"| {name} | {kind} | {norm:.6e} | {calls} | {jacobian_calls} | "
                         f"{1000 * seconds:.1f} |")
    lx, ly = line_problem()
    line_rows, line_times = table_rows(LINE_FITTERS, lx, ly, line_run)
    sx, sy = spiked_problem()
    robust_rows, _ = table_rows(ROBUST_FITTERS, sx, sy, robust_run)
    lines += [
        "",
        f"One gaussian on a sloped baseline, {LINE_ROWS} rows, numerical derivatives:",
        "",
        "| Fitter | residual norm | model calls | Jacobian calls | median time (ms) |",
        "|---|---:|---:|---:|---:|",
        *line_rows,
        "",
        "Robust fit, loss soft_l1 with f_scale 1 (the noise), of the large problem with every "
        "hundredth point raised by 50 (1 % spikes), analytic Jacobian, each package's default "
        "tolerances; the cost is the robust cost 1/2 f_scale^2 sum rho at the values reached:",
        "",
        "| Fitter | robust cost | model calls | Jacobian calls | median time (ms) |",
        "|---|---:|---:|---:|---:|",
        *robust_rows,
        "",
        "Targets of numerical derivatives, same run:",
        verdict(f"four gaussians, {ROWS} rows", numerical["varo.curve_fit (damped)"],
                numerical["scipy.optimize.curve_fit (lm)"]),
        verdict(f"gaussian on a line, {LINE_ROWS} rows", line_times["varo.curve_fit (damped)"],
                line_times["scipy.optimize.curve_fit (lm)"]),
    ]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--report", help="report to append the section to (default: print)")
    arguments = parser.parse_args()
    text = section()
    if arguments.report:
        with open(arguments.report, "a", encoding="utf-8") as report:
            report.write(text)
    else:
        print(text, end="")


if __name__ == "__main__":
    main()
