"""The exception of the varo package."""


class VaroError(RuntimeError):
    """A failure reported by the Varo library, with its return code and message."""

    def __init__(self, code, message):
        super().__init__(f"Varo error {code}: {message}" if message else f"Varo error {code}")
        self.code = code
        self.message = message


class OptimizeWarning(UserWarning):
    """A result that may not be trusted, as SciPy's OptimizeWarning: for
    instance a covariance that could not be estimated."""
