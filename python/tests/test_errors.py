"""Failures: bad arguments are refused before any fit, an exception of a model
function comes back unchanged, and a library failure raises VaroError."""
import numpy as np
import pytest

import varo

X = np.linspace(0, 4, 20)
Y = 3.0 * np.exp(-0.7 * X)


class Recorder:
    """A model function that counts its calls."""

    def __init__(self):
        self.calls = 0

    def __call__(self, x, a, k):
        self.calls += 1
        return a * np.exp(-k * x)


with_nan = Y.copy()
with_nan[3] = np.nan


@pytest.mark.parametrize("arguments, words", [
    ({"xdata": X[:-1]}, "points"),
    ({"ydata": with_nan}, "NaN"),
    ({"xdata": np.where(X > 2, np.inf, X)}, "NaN or infinite"),
    ({"sigma": np.ones(5)}, "sigma"),
    ({"sigma": np.zeros(X.size)}, "positive"),
    ({"p0": [1.0, 2.0, 3.0]}, "p0 has 3 values"),
    ({"p0": [1.0, np.nan]}, "p0"),
    ({"bounds": ([0, 2], [1, 3])}, "outside its bounds"),
    ({"method": "powell"}, "method"),
    ({"xdata": X[:1], "ydata": Y[:1]}, "cannot determine"),
], ids=["short x", "nan y", "inf x", "sigma length", "sigma zero", "p0 length", "nan p0",
        "p0 out of bounds", "unknown method", "too few points"])
def test_bad_argument_raises_value_error_before_any_fit(arguments, words):
    model = Recorder()
    call = {"f": model, "xdata": X, "ydata": Y, "p0": [1.0, 1.0]} | arguments
    with pytest.raises((ValueError, TypeError), match=words):
        varo.curve_fit(**call)
    assert model.calls == 0


def test_model_exception_stops_the_fit_and_is_raised_unchanged():
    error = ZeroDivisionError("from the model")
    calls = []

    def failing(x, a, k):
        calls.append((a, k))
        if len(calls) == 3:
            raise error
        return a * np.exp(-k * x)

    with pytest.raises(ZeroDivisionError) as raised:
        varo.curve_fit(failing, X, Y, [1.0, 1.0])
    assert raised.value is error and len(calls) == 3


def test_wrong_model_output_length_is_a_value_error():
    with pytest.raises(ValueError, match="returned 19 values for 20"):
        varo.curve_fit(lambda x, a: a * x[1:], X, Y, [1.0])


def test_library_failure_raises_varo_error_with_code_and_message():
    with pytest.raises(varo.VaroError) as raised:
        varo.curve_fit(Recorder(), X, Y + np.sin(7 * X), [100.0, 5.0], max_iterations=1)
    assert raised.value.code == 9 and "iterations" in raised.value.message
    result = varo.fit(Recorder(), X, Y + np.sin(7 * X), [100.0, 5.0], max_iterations=1)
    assert result.status == 9 and not result.success and result.message
