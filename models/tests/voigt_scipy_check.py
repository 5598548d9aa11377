"""The Voigt profile and the Voigt term against scipy.special.voigt_profile, to
1e-10 relative, for gamma/sigma from 1e-3 to 1e3 and x from the centre far into
the tails. Usage: voigt_scipy_check.py <voigt_values_print program>"""
import subprocess
import sys

import numpy as np
from scipy.special import voigt_profile

TOLERANCE = 1e-10


def main():
    rows = []
    for sigma in (0.5, 3.0):
        for ratio in np.logspace(-3, 3, 25):
            gamma = ratio * sigma
            for multiple in (0, 0.1, 0.5, 1, 2, 5, 20, 100):
                rows.append((multiple * (sigma + gamma), sigma, gamma))
    rows = np.array(rows)
    text = "".join("%r %r %r\n" % tuple(row) for row in rows)
    run = subprocess.run([sys.argv[1]], input=text, capture_output=True, text=True, check=True)
    ours = np.loadtxt(run.stdout.splitlines())
    x, sigma, gamma = rows.T
    profile = voigt_profile(x, sigma, gamma)
    term = profile / voigt_profile(0, sigma, gamma)
    failed = 0
    for name, column, reference in (("profile", 0, profile), ("term", 1, term)):
        error = np.abs(ours[:, column] - reference) / np.abs(reference)
        worst = int(np.argmax(error))
        print("%s: largest relative difference %.2e at x=%g sigma=%g gamma=%g"
              % (name, error[worst], *rows[worst]))
        failed += int(np.sum(error > TOLERANCE))
    if failed:
        print("%d values differ by more than %g" % (failed, TOLERANCE))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
