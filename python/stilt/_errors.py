"""The exception of a run or a model the engine refuses."""


class StiltError(Exception):
    """A refused input or a failed run: `status` is the engine's status code (42 to 46 the reader
    refused the input, 21 to 35 the load-transfer curves could not be built, 41 a file could not
    be opened, ...) and `message` the lines that say which record, which line and what was
    wrong. A run that failed after it started keeps what it gave in `results`."""

    def __init__(self, status, message, results=None):
        self.status = status
        self.message = list(message)
        self.results = results
        text = "\n".join(self.message) if self.message else "no message"
        super().__init__(f"status {status}: {text}")

    def __reduce__(self):
        # Comes back whole from a worker process or a cluster.
        return (StiltError, (self.status, self.message, self.results))
