# SPDX-License-Identifier: GPL-3.0-or-later
import io

import numpy as np

from . import _sdf, _text, _tsd


def _detect(first):
    """TSD when the first line holds the TSD text, else SDF (whose reader names a file of
    neither)."""
    line = first.split(b"\r", 1)[0].split(b"\n", 1)[0]
    return "TSD" if _tsd.MAGIC in line else "SDF"


class Recording:
    """A recording opened for reading; see tessary.open."""

    def __init__(self, path):
        self.path = str(path)
        with io.open(path, "rb") as file:
            self.format = _detect(file.read(_sdf.MAGIC_AREA))
            file.seek(0)
            if self.format == "SDF":
                h, table, layout = _sdf.read_header(self.path, file)
                self._blocks = _sdf.SdfBlocks(self.path, layout)
                self._missing = layout["missing"]
                self.bursts = layout["bursts"]
            else:
                h, table = _tsd.read_header(self.path, file)
                starts, end = _tsd.index_blocks(self.path, file, h)
                self._blocks = _tsd.TsdBlocks(self.path, h, starts, end)
                self._missing = None
                self.bursts = len(starts)
        if self.format == "SDF":
            # An SDF memo field is padded with spaces; they are no part of the text. A TSD memo
            # line holds exactly its text.
            h["Memo"] = h["Memo"].rstrip(b" ")
        self._ch_num = h["ChNum"]
        self._data_num = h["DataNum"]
        self._step = h["SInterval"] * _text.unit_seconds(h["_SITUnit"])
        self.header = {
            "Format": self.format,
            "Version": h["Version"],
            "Memo": _text.decode(h["Memo"]),
            "ChNum": h["ChNum"],
            "BurstValueNum": h["BurstValueNum"],
            "DataNum": h["DataNum"],
            "SInterval": h["SInterval"],
            "SITUnit": _text.unit_name(h["_SITUnit"]),
            "Iteration": h["Iteration"],
            "BInterval": h["BInterval"],
            "BITUnit": _text.unit_name(h["_BITUnit"]),
            "StartTime": h["StartTime"],
        }
        self.channels = [
            {"item": _text.decode(item), "unit": _text.decode(unit), "a": a, "b": b}
            for item, unit, a, b in table
        ]
        stored = self.format == "SDF"
        self._a = np.array([row["a"] if stored else 1.0 for row in self.channels], dtype=np.float64)
        self._b = np.array([row["b"] if stored else 0.0 for row in self.channels], dtype=np.float64)

    def __repr__(self):
        return f"<tessary.Recording {self.path!r}: {self.format}, {self.bursts} bursts>"

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        """Releases the file; the arrays that raw() gave stay usable only until then."""
        if self.format == "SDF":
            self._blocks.close()

    def _block(self, k):
        k = int(k)
        if not 0 <= k < self.bursts:
            raise IndexError(
                f"{self.path}: burst {k} is not one of the {self.bursts} complete bursts")
        return self._blocks.block(k)

    def raw(self, k):
        """The stored samples of burst k (0-based), shape (DataNum, ChNum): int16 as stored in
        an SDF file (read-only, mapped from the file), float64 as read from a TSD file (NaN
        for "=")."""
        block = self._block(k)
        return block[: self._data_num * self._ch_num].reshape(self._data_num, self._ch_num)

    def values(self, k):
        """Engineering values A·x + B of burst k as float64, shape (DataNum, ChNum), NaN for
        missing samples."""
        raw = self.raw(k)
        if self._missing is None:
            return np.array(raw)
        return self._engineering(raw, self._a[: self._ch_num], self._b[: self._ch_num])

    def burst_values(self, k):
        """The per-burst values of burst k as engineering values (float64, NaN when missing);
        an empty array when the recording has none."""
        values = self._block(k)[self._data_num * self._ch_num :]
        if self._missing is None:
            return np.array(values)
        return self._engineering(values, self._a[self._ch_num :], self._b[self._ch_num :])

    def _engineering(self, raw, a, b):
        out = raw.astype(np.float64)
        if out.ndim == 2 and out.shape[1] > 0:
            # Whole rows in runs of about 8192 values, each scaled by one tiled row of A and B:
            # a ufunc over rows of ChNum values would pay its overhead every ChNum values.
            rows, width = out.shape
            run = max(1, 8192 // width)
            whole = rows - rows % run
            runs = out[:whole].reshape(-1, run * width)
            runs *= np.tile(a, run)
            runs += np.tile(b, run)
            out[whole:] *= a
            out[whole:] += b
        else:
            out *= a
            out += b
        missing = raw == self._missing
        if missing.any():
            out[missing] = np.nan
        return out

    def time(self):
        """Seconds from the burst's start for each row."""
        return np.arange(self._data_num, dtype=np.float64) * self._step


def open(path):
    """Opens a recording (SDF of any layout, TSD of version 1 or 2). A file that is not one, or
    whose header is damaged, raises RecordingError naming the file; an unreadable file
    raises OSError."""
    return Recording(path)
