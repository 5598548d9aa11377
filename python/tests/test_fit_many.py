"""varo.fit_many: every spectrum gets exactly model.fit's result, on one
thread or several; bad rows get statuses of their own among good ones; an
exception of the progress function and Ctrl-C stop the batch."""
import _thread
import threading

import numpy as np
import pytest

import varo
from varo.models import Expression, Gaussian, Linear

MODEL = Gaussian() + Linear()
X = np.linspace(0.0, 10.0, 200)
FIELDS = ["values", "errors", "covariance", "chi_square", "degrees_of_freedom", "iterations",
          "nfev", "njev", "status", "at_limit"]


def spectra(shape, seed=4):
    """Gaussians on lines with random heights, positions, widths and noise."""
    rng = np.random.default_rng(seed)
    count = int(np.prod(shape))
    truth = np.column_stack([rng.uniform(2, 8, count), rng.uniform(3, 7, count),
                             rng.uniform(0.3, 1.0, count), rng.uniform(-1, 1, count),
                             rng.uniform(-0.2, 0.2, count)])
    rows = np.array([MODEL.eval(p, X) for p in truth])
    sigma = rng.uniform(0.05, 0.2, rows.shape)
    noisy = rows + sigma * rng.normal(size=rows.shape)
    return noisy.reshape(shape + (X.size,)), sigma.reshape(shape + (X.size,)), truth


def assert_row_is_model_fit(many, index, expected):
    for name in FIELDS:
        np.testing.assert_array_equal(getattr(many, name)[index], getattr(expected, name),
                                      err_msg=name)
    assert many.message[index] == expected.message
    for name, (value, error) in expected.derived.items():
        assert (many.derived[name][0][index], many.derived[name][1][index]) == (value, error)


@pytest.mark.parametrize("jobs", [1, 3])
@pytest.mark.parametrize("starts", ["guessed", "per row"])
def test_every_row_is_bit_for_bit_model_fit(jobs, starts):
    Y, sigma, truth = spectra((3, 4))
    p0 = None if starts == "guessed" else (truth * 1.1).reshape(3, 4, -1)
    many = varo.fit_many(MODEL, X, Y, p0=p0, sigma=sigma, jobs=jobs)
    assert many.values.shape == (3, 4, 5) and many.status.shape == (3, 4)
    assert np.all(many.status == 0)
    for index in np.ndindex(3, 4):
        expected = MODEL.fit(X, Y[index], None if p0 is None else p0[index], sigma=sigma[index])
        assert_row_is_model_fit(many, index, expected)


def test_bad_rows_get_statuses_of_their_own_among_good_rows():
    Y, _, _ = spectra((4,))
    with_nan = Y[0].copy()
    with_nan[17] = np.nan
    parabola = (X - 5) ** 2  # a gaussian on a line never gets there
    bad = np.vstack([Y[0], with_nan, Y[1], np.zeros(X.size), Y[2], parabola, Y[3]])
    many = varo.fit_many(MODEL, X, bad, jobs=2, max_iterations=50)
    assert list(many.status) == [0, varo.STATUS_NOT_FINITE, 0, 15, 0, 9, 0]
    assert "point 18" in many.message[1] and np.isnan(many.values[1]).all()
    assert "standard errors are not available" in many.message[3]
    assert many.iterations[5] == 51 and np.all(np.isfinite(many.values[5]))
    assert np.isnan(many.errors[5]).all()
    good = varo.fit_many(MODEL, X, Y, max_iterations=50)
    np.testing.assert_array_equal(many.values[[0, 2, 4, 6]], good.values)
    omitted = varo.fit_many(MODEL, X, bad[:2], nan_policy="omit")
    assert list(omitted.status) == [0, 0]


@pytest.mark.parametrize("arguments, error, words", [
    ({"Y": np.zeros((2, 7))}, ValueError, "points of x"),
    ({"sigma": np.ones((3, X.size))}, ValueError, "sigma must"),
    ({"sigma": 0.0}, ValueError, "positive"),
    ({"p0": np.ones((2, 4))}, ValueError, "p0 must"),
    ({"p0": {"Mean1": np.nan}}, ValueError, "start value of Mean1"),
    ({"bounds": {"Width": (0, 1)}}, ValueError, "no parameter named 'Width'"),
    ({"jobs": 0}, ValueError, "jobs"),
    ({"progress": "bar"}, ValueError, "progress"),
    ({"gtol": 1e-8}, TypeError, "gtol"),
    ({"model": lambda x, a: a * x}, TypeError, "varo.fit"),
], ids=["points", "sigma shape", "sigma zero", "p0 shape", "nan start", "unknown name", "jobs",
        "progress", "keyword", "python function"])
def test_bad_arguments_raise_before_any_fit(arguments, error, words):
    call = {"model": MODEL, "x": X, "Y": np.zeros((2, X.size))} | arguments
    with pytest.raises(error, match=words):
        varo.fit_many(call.pop("model"), call.pop("x"), call.pop("Y"), **call)


# A slow batch: a formula's derivatives are numerical, and 20000 fits of it
# take seconds, so that a stop after the first tenth of a second shows.
SLOW_MODEL = Expression("a*exp(-((x-m)/w)^2)+c")


def slow_batch():
    x = np.linspace(-5, 5, 100)
    row = SLOW_MODEL.eval([3.0, 0.2, 1.1, 0.5], x)
    return x, np.tile(row, (20000, 1)) + np.random.default_rng(2).normal(0, 0.05, (20000, x.size))


def test_an_exception_of_the_progress_function_stops_the_batch_and_is_raised_again():
    x, Y = slow_batch()
    calls = []
    failure = RuntimeError("the progress bar broke")

    def progress(done, total):
        calls.append((done, total))
        raise failure

    with pytest.raises(RuntimeError) as raised:
        varo.fit_many(SLOW_MODEL, x, Y, p0=[3, 0, 1, 0], jobs=2, progress=progress)
    assert raised.value is failure
    assert len(calls) == 1 and 0 < calls[0][0] < len(Y) and calls[0][1] == len(Y)


def test_ctrl_c_stops_the_batch_and_returns_the_rows_done():
    x, Y = slow_batch()
    timer = threading.Timer(0.3, _thread.interrupt_main)
    timer.start()
    try:
        with pytest.warns(RuntimeWarning, match="Ctrl-C"):
            many = varo.fit_many(SLOW_MODEL, x, Y, p0=[3, 0, 1, 0], jobs=2)
    finally:
        timer.cancel()
    assert many.interrupted
    done = many.status != varo.STATUS_NOT_FITTED
    assert 0 < done.sum() < len(Y)
    assert np.all(many.status[done] == 0) and np.isnan(many.values[~done]).all()
    index = np.flatnonzero(done)[-1]
    assert_row_is_model_fit(many, index, SLOW_MODEL.fit(x, Y[index], [3, 0, 1, 0]))
