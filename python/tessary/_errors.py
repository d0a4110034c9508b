# SPDX-License-Identifier: GPL-3.0-or-later
class RecordingError(ValueError):
    """A file that is not a recording this package reads, or one whose contents are damaged.
    The message begins with the file's path."""

    def __init__(self, path, reason):
        super().__init__(f"{path}: {reason}")
        self.path = path
        self.reason = reason
