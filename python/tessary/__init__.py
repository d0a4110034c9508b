# SPDX-License-Identifier: GPL-3.0-or-later
"""Tessary recordings (SDF and TSD files) as numpy arrays.

    import tessary
    rec = tessary.open("run.sdf")
    rec.header["DataNum"], rec.channels[0]["unit"], rec.bursts
    v = rec.values(0)   # burst 0: float64 (DataNum, ChNum), NaN where a sample is missing
    t = rec.time()      # seconds from the burst's start

A recording's bursts are its complete ones, by the same definition as the program's: whole
blocks by the file's length (SDF), whole "No." blocks with all their lines (TSD), no more
than the header states when it states a number.
"""

from ._errors import RecordingError
from ._recording import Recording, open

__all__ = ["open", "Recording", "RecordingError"]
