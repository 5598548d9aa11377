"""Global analysis with varo.Problem, bounds and fixed parameters, and fits on
several threads."""
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from scipy.optimize import curve_fit as scipy_curve_fit

import varo
from conftest import complex_step_jacobian

TIGHT = {"tolerance": 1e-14}


def decay(t, amplitude, rate):
    return amplitude * np.exp(-rate * t)


def two_decays():
    """Two noisy decays with one rate and different amplitudes and lengths."""
    rng = np.random.default_rng(7)
    t1, t2 = np.linspace(0, 4, 40), np.linspace(0, 6, 55)
    y1 = decay(t1, 5.0, 0.8) + rng.normal(0, 0.05, t1.size)
    y2 = decay(t2, 2.0, 0.8) + rng.normal(0, 0.05, t2.size)
    return t1, y1, t2, y2


def test_shared_parameter_fits_both_data_sets_as_one():
    t1, y1, t2, y2 = two_decays()
    problem = varo.Problem()
    problem.add(decay, t1, y1, params=["a1", "rate"], jac=complex_step_jacobian(decay))
    problem.add(decay, t2, y2, params=["a2", "rate"], jac=complex_step_jacobian(decay))
    problem.param("a1", 1.0).param("a2", 1.0).param("rate", 0.5, bounds=(0, 10))
    result = problem.fit(**TIGHT)

    # The same fit as one stacked curve: data set 1 then data set 2.
    def stacked(t, a1, a2, rate):
        return np.concatenate([decay(t[:t1.size], a1, rate), decay(t[t1.size:], a2, rate)])

    expected, expected_cov = scipy_curve_fit(
        stacked, np.concatenate([t1, t2]), np.concatenate([y1, y2]), [1.0, 1.0, 0.5],
        jac=complex_step_jacobian(stacked), ftol=1e-15, xtol=1e-15, gtol=1e-15)
    order = [result.names.index(name) for name in ("a1", "a2", "rate")]
    np.testing.assert_allclose(result.values[order], expected, rtol=1e-6)
    np.testing.assert_allclose(result.covariance[np.ix_(order, order)], expected_cov, rtol=1e-6)
    assert result.degrees_of_freedom == t1.size + t2.size - 3
    assert result.success and result.nfev >= 2 and result.njev >= 1


def test_bound_holds_and_the_rest_fits_as_with_the_parameter_fixed_there():
    t1, y1, _, _ = two_decays()
    bounded = varo.fit(decay, t1, y1, [1.0, 0.5], bounds=([0, 0], [4.0, 10]), **TIGHT)
    assert bounded.values[0] == 4.0
    fixed = varo.Problem().add(decay, t1, y1).param("amplitude", 4.0, fixed=True)
    reference = fixed.param("rate", 0.5).fit(**TIGHT)
    np.testing.assert_allclose(bounded["rate"], reference["rate"], rtol=1e-8)
    assert reference.errors[0] == 0.0 and reference.errors[1] > 0.0


def test_fixed_parameter_keeps_its_value_in_every_data_set():
    t1, y1, t2, y2 = two_decays()
    seen = set()

    def recording(t, amplitude, rate):
        seen.add(rate)
        return decay(t, amplitude, rate)

    problem = varo.Problem()
    problem.add(recording, t1, y1, params=["a1", "rate"])
    problem.add(recording, t2, y2, params=["a2", "rate"])
    result = problem.param("rate", 0.75, fixed=True).fit()
    assert result["rate"] == 0.75 and seen == {0.75}
    assert result.success and result["a1"] > result["a2"] > 0


def test_fits_on_two_threads_give_the_results_of_one_thread():
    t1, y1, t2, y2 = two_decays()
    jobs = [(t1, y1), (t2, y2)] * 4
    alone = [varo.curve_fit(decay, t, y, [1.0, 1.0]) for t, y in jobs]
    with ThreadPoolExecutor(max_workers=2) as pool:
        together = list(pool.map(lambda job: varo.curve_fit(decay, *job, [1.0, 1.0]), jobs))
    for (popt, pcov), (expected, expected_cov) in zip(together, alone):
        np.testing.assert_array_equal(popt, expected)
        np.testing.assert_array_equal(pcov, expected_cov)
