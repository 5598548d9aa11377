"""The exception of the varo package."""


class VaroError(RuntimeError):
    """A failure reported by the Varo library, with its return code and message."""

    def __init__(self, code, message):
        super().__init__(f"Varo error {code}: {message}" if message else f"Varo error {code}")
        self.code = code
        self.message = message
