# SPDX-License-Identifier: GPL-3.0-or-later
"""SDF files of layouts 1 to 4: the header as the program reads it, and the blocks."""

import os
import struct

import numpy as np

from . import _text
from ._errors import RecordingError

MAGIC = b"Standard Burst-Interval Data Format Ver."
MAGIC_AREA = 210
FIXED_HEADER = 256
ROW_BYTES = 32
CHANNEL_ROWS = 129
MAX_STATED_BURSTS = 32767
OLD_MISSING = 32767
MISSING = -32768


def _trim_right(field):
    """Trailing spaces and control characters are padding."""
    end = len(field)
    while end > 0 and field[end - 1] <= 0x20:
        end -= 1
    return field[:end]


def read_header(path, file):
    """The header fields and the channel table of an SDF file, and where its blocks lie."""
    fixed = file.read(FIXED_HEADER)
    head = fixed[:MAGIC_AREA].split(b"\0", 1)[0]
    if not head.startswith(MAGIC):
        raise RecordingError(path, "not a recording (neither SDF nor TSD)")
    digit = head[40:41]
    if not digit.isdigit():
        raise RecordingError(path, f"the layout character {digit!r} is not a digit")
    version = int(digit)
    if not 1 <= version <= 4:
        raise RecordingError(path, f"layout {version} is none of the layouts 1 to 4")
    if len(fixed) < FIXED_HEADER:
        raise RecordingError(path, f"the file ends at byte {len(fixed)} inside its header")

    h = {"Version": version, "Memo": fixed[50:210].split(b"\0", 1)[0]}
    ch_num, value_num, data_num, h["SInterval"] = struct.unpack_from("<hhii", fixed, 210)
    rows = ch_num + value_num
    if ch_num < 0 or value_num < 0 or rows > CHANNEL_ROWS:
        raise RecordingError(
            path, f"{ch_num} channels and {value_num} per-burst values do not fit the table"
        )
    if data_num < 0:
        raise RecordingError(path, f"the number of data {data_num} is negative")
    h["ChNum"], h["BurstValueNum"], h["DataNum"] = ch_num, value_num, data_num
    if version == 1:
        # Intervals in milliseconds, without unit bytes.
        h["Iteration"], h["BInterval"], h["StartTime"] = struct.unpack_from("<hid", fixed, 222)
        h["_SITUnit"] = h["_BITUnit"] = 1
    else:
        (h["_SITUnit"], h["Iteration"], h["BInterval"], h["_BITUnit"], h["StartTime"]) = (
            struct.unpack_from("<BhiBd", fixed, 222)
        )
        for key, field in (("_SITUnit", "sampling"), ("_BITUnit", "burst interval")):
            if h[key] > 8:
                raise RecordingError(path, f"the {field} unit {h[key]} is out of range (0 to 8)")

    table = file.read(rows * ROW_BYTES)
    if len(table) < rows * ROW_BYTES:
        raise RecordingError(
            path, f"the file ends at byte {FIXED_HEADER + len(table)} inside its header"
        )
    channels = []
    for row in range(rows):
        names = table[row * ROW_BYTES : row * ROW_BYTES + 24].split(b"\0", 1)[0]
        a, b = struct.unpack_from("<ff", table, row * ROW_BYTES + 24)
        channels.append((_trim_right(names[:16]), _trim_right(names[16:]), a, b))

    reason = _text.normalise_burst_interval(h)
    if reason:
        raise RecordingError(path, f"the intervals cannot be normalised: {reason}")
    block_values = data_num * ch_num + value_num
    if block_values * 2 > 2**31 - 1:
        raise RecordingError(path, f"a burst of {data_num} data in {ch_num} channels is too large")

    header_bytes = (1 + rows // 8 + (rows % 8 > 0)) * 256
    if version < 4:
        stride = (block_values // 128 + (block_values % 128 > 0)) * 256
    else:
        stride = block_values * 2
    after = os.fstat(file.fileno()).st_size - header_bytes
    present = 0
    if after > 0 and block_values > 0:
        # The last block of an old layout needs only its values, not its padding.
        present = after // stride + (after % stride >= block_values * 2)
    limit = h["Iteration"] if h["Iteration"] > 0 else MAX_STATED_BURSTS
    layout = {
        "header_bytes": header_bytes,
        "block_values": block_values,
        "stride": stride,
        "bursts": min(present, limit),
        "missing": OLD_MISSING if version < 4 else MISSING,
    }
    return h, channels, layout


class SdfBlocks:
    """The complete blocks of an SDF file as a read-only memory map: nothing is read until a
    burst is used, so a file larger than memory opens at once."""

    def __init__(self, path, layout):
        self._path = path
        self._layout = layout
        self._blocks = None
        bursts = layout["bursts"]
        values = layout["block_values"]
        if bursts > 0:
            size = (bursts - 1) * layout["stride"] + values * 2
            mapped = np.memmap(path, dtype=np.uint8, mode="r", offset=layout["header_bytes"],
                               shape=(size,))
            self._blocks = np.ndarray((bursts, values), dtype="<i2", buffer=mapped,
                                      strides=(layout["stride"], 2))
            self._file = open(path, "rb")  # to check that the file still holds the block

    def block(self, k):
        """The stored values of block k in file order."""
        end = self._layout["header_bytes"] + k * self._layout["stride"]
        end += self._layout["block_values"] * 2
        if os.fstat(self._file.fileno()).st_size < end:
            # Reading a mapped page beyond the file's end would end the process.
            raise RecordingError(self._path, f"the file has been cut inside burst {k + 1}")
        return self._blocks[k]

    def close(self):
        if self._blocks is not None:
            self._file.close()
            self._blocks = None
