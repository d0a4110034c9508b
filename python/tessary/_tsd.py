# SPDX-License-Identifier: GPL-3.0-or-later
"""TSD files of versions 1 and 2: the header as the program reads it, and the complete blocks
by the program's one definition (a block counts only when all its lines are there)."""

import io
import math
import re

import numpy as np

from . import _text
from ._errors import RecordingError

MAGIC = b"Time Series Data Text Format Ver."
VERSION_POSITION = 33
MAX_LINE = 65536
CHANNEL_ROWS = 129
MAX_STATED_BURSTS = 32767
MEMO_BYTES = 160
_FLT_MAX = float(np.finfo(np.float32).max)


class _Lines:
    """Lines of a text file with their byte offsets; CR LF, LF and a lone CR end a line."""

    def __init__(self, file):
        file.seek(0)
        self._text = io.TextIOWrapper(file, encoding="latin-1", newline="")
        self.offset = 0

    def detach(self):
        self._text.detach()

    def next(self):
        """(text, ended, too_long) of the next line, or None at the end of the file."""
        raw = self._text.readline(MAX_LINE + 16)
        if not raw:
            return None
        self.offset += len(raw)
        if raw.endswith("\r\n"):
            text, ended = raw[:-2], True
        elif raw.endswith(("\r", "\n")):
            text, ended = raw[:-1], True
        else:
            text, ended = raw, False
        too_long = len(text) > MAX_LINE
        while too_long and not ended:
            # Skip the rest of a line longer than any this program writes.
            raw = self._text.readline(MAX_LINE + 16)
            if not raw:
                break
            self.offset += len(raw)
            ended = raw.endswith(("\r", "\n"))
        return text.encode("latin-1"), ended, too_long


def _strip_quotes(text):
    if text.startswith(b"'"):
        text = text[1:]
    if text.endswith(b"'"):
        text = text[:-1]
    return text


def _split_list(text):
    """At most 129 items; the text after them is dropped."""
    return text.split(b",")[:CHANNEL_ROWS]


_NOT_FINITE = {b"NAN": math.nan, b"INF": math.inf, b"-INF": -math.inf}
_INTEGER = re.compile(rb"-?[0-9]+")
_REAL = re.compile(rb"(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?")


class _Header:
    """Reads the header lines; a line that does not convert raises a RecordingError."""

    def __init__(self, path, lines):
        self.path = path
        self.lines = lines
        self.pending = None

    def at_end(self):
        if self.pending is None:
            self.pending = self.lines.next()
        return self.pending is None

    def next(self):
        line = self.pending if self.pending is not None else self.lines.next()
        self.pending = None
        if line is None:
            return b""
        if line[2]:
            raise RecordingError(self.path, f"a header line is longer than {MAX_LINE} bytes")
        return line[0]

    def fail(self, reason):
        raise RecordingError(self.path, reason)

    def integer(self, text):
        t = text.lstrip(b" \t")
        if t.startswith(b"+"):
            t = t[1:]
        if not _INTEGER.fullmatch(t) or not -(2**31) <= int(t) < 2**31:
            self.fail(f"{text!r} is not a valid integer value")
        return int(t)

    def small(self, text, field):
        value = self.integer(text)
        if not -32768 <= value <= 32767:
            self.fail(f"the {field} {value} is out of range (-32768 to 32767)")
        return value

    def real(self, text):
        """Blanks around, a sign, digits with an optional point and exponent; or the writer's
        own NAN, INF and -INF for a coefficient that is no finite number."""
        t = text.strip(b" \t")
        if t in _NOT_FINITE:
            return _NOT_FINITE[t]
        negative = t.startswith(b"-")
        if negative or t.startswith(b"+"):
            t = t[1:]
        if not _REAL.fullmatch(t):
            self.fail(f"{text!r} is not a valid floating point value")
        value = float(t)
        digit = re.search(rb"[1-9]", t)
        exponent = re.search(rb"[eE]", t)
        nonzero_mantissa = digit is not None and (
            exponent is None or digit.start() < exponent.start())
        if math.isinf(value) or (value == 0.0 and nonzero_mantissa):
            # Out of the range of a double: the program takes a nonzero mantissa as too large.
            value = math.inf if nonzero_mantissa else 0.0
        if abs(value) > _FLT_MAX:
            self.fail(f"{text!r} is out of the range of a single-precision value")
        return float(np.float32(-value if negative else value))


def read_header(path, file):
    """The header fields and the channel table of a TSD file."""
    lines = _Lines(file)
    try:
        return _read_header(path, _Header(path, lines))
    finally:
        lines.detach()


def _read_header(path, lines):
    first = lines.next()
    if MAGIC not in first:
        raise RecordingError(path, "not a recording (neither SDF nor TSD)")
    digit = first[VERSION_POSITION : VERSION_POSITION + 1]
    if not digit.isdigit():
        raise RecordingError(path, f"the version character {digit!r} is not a digit")
    version = int(digit)
    h = {"Version": version, "StartTime": 0.0}
    memo = _strip_quotes(lines.next())[: MEMO_BYTES + 1]
    while not lines.at_end():
        line = lines.next()
        start = _text.parse_date_time(line)
        if start is not None:
            h["StartTime"] = start
            break
        memo = (memo + b"\r" + _strip_quotes(line))[: MEMO_BYTES + 1]
    h["Memo"] = _text.cut_to_bytes(memo, MEMO_BYTES)

    if version == 1:
        h["SInterval"] = lines.integer(lines.next())
        h.update(_SITUnit=1, Iteration=1, BInterval=0, _BITUnit=2, ChNum=0, BurstValueNum=0)
    elif version == 2:
        h["SInterval"], h["_SITUnit"] = _interval(lines, "sampling interval")
        h["Iteration"] = lines.small(lines.next(), "number of bursts")
        h["BInterval"], h["_BITUnit"] = _interval(lines, "burst interval")
        counts = _split_list(lines.next())
        if len(counts) < 2:
            lines.fail("the channel-count line has no second item")
        ch_num = lines.small(counts[0], "channel count")
        value_num = lines.small(counts[1], "per-burst value count")
        if ch_num < 0 or value_num < 0 or ch_num + value_num > CHANNEL_ROWS:
            lines.fail(f"{ch_num} channels and {value_num} per-burst values do not fit the table")
        h["ChNum"], h["BurstValueNum"] = ch_num, value_num
    else:
        raise RecordingError(path, f"version {version} is neither version 1 nor 2")

    h["DataNum"] = lines.integer(lines.next())
    if h["DataNum"] < 0:
        lines.fail(f"the number of data {h['DataNum']} is negative")
    positions = [b""] * CHANNEL_ROWS

    def take(line):
        items = _split_list(line)
        positions[: len(items)] = items
        return len(items)

    coefficients = lines.next()
    # An empty line lists no item: the writer's line for a table without rows.
    count = take(coefficients) if coefficients else 0
    # A version-2 table of per-burst values only lists exactly those: it has no channel.
    values_only = version == 2 and 0 < h["BurstValueNum"] == count
    if h["ChNum"] == 0 and not values_only:
        if count > CHANNEL_ROWS - h["BurstValueNum"]:
            lines.fail(f"{count} channels do not fit the table")
        h["ChNum"] = count
    rows = h["ChNum"] + h["BurstValueNum"]
    if count < rows:
        lines.fail(f"the coefficient line lists {count} values for {rows} rows")
    a = [lines.real(positions[row]) for row in range(rows)]
    take(lines.next())
    b = [lines.real(positions[row]) for row in range(rows)]
    take(lines.next())
    items = [_text.cut_to_bytes(_strip_quotes(positions[row]), 16) for row in range(rows)]
    take(lines.next())
    units = [_text.cut_to_bytes(_strip_quotes(positions[row]), 8) for row in range(rows)]

    reason = _text.normalise_burst_interval(h)
    if reason:
        lines.fail(f"the intervals cannot be normalised: {reason}")
    if (h["DataNum"] * h["ChNum"] + h["BurstValueNum"]) * 2 > 2**31 - 1:
        lines.fail(f"a burst of {h['DataNum']} data in {h['ChNum']} channels is too large")
    return h, list(zip(items, units, a, b))


def _interval(lines, what):
    line = lines.next()
    space = line.find(b" ")
    value = lines.integer(line[:space] if space >= 0 else b"")
    unit = _text.find_time_unit(line)
    if unit == _text.NO_UNIT:
        lines.fail(f"the {what} {line!r} names none of the time units")
    return value, unit


_VALUE = rb"[0-9+\-.eE=NAIFnaif]+"


def _value_line(count):
    if count <= 0:
        return re.compile(rb"")
    return re.compile(_VALUE + rb"(?:," + _VALUE + rb"){%d}" % (count - 1))


def index_blocks(path, file, h):
    """Where each complete block begins, and where the last one ends."""
    lines = _Lines(file)
    try:
        return _index(lines, h)
    finally:
        lines.detach()


def _index(lines, h):
    version = h["Version"]
    blocks = []
    end_of_complete = 0

    def next_line():
        before = lines.offset
        line = lines.next()
        if line is None or line[2]:
            return None
        return before, line[0], line[1], lines.offset

    for _ in range(2):
        line = next_line()
        if line is None or not line[2]:
            return blocks, end_of_complete
    while True:
        line = next_line()
        if line is None or not line[2]:
            return blocks, end_of_complete
        if _text.parse_date_time(line[1]) is not None:
            break
    for _ in range(6 if version == 1 else 9):
        line = next_line()
        if line is None or not line[2]:
            return blocks, end_of_complete
    end_of_complete = line[3]

    limit = h["Iteration"] if h["Iteration"] > 0 else MAX_STATED_BURSTS
    if version == 1:
        limit = min(limit, 1)
    channels = _value_line(h["ChNum"])
    burst_values = _value_line(h["BurstValueNum"]) if h["BurstValueNum"] > 0 else None

    def value_line(shape):
        line = next_line()
        return line is not None and line[2] and shape.fullmatch(line[1]) is not None

    while len(blocks) < limit:
        # A block begins where the last one ended, with its "No." line in version 2; a
        # version-1 block of no data has no line and is complete even at the end of the file.
        start = lines.offset
        if version != 1:
            line = next_line()
            if line is None or not line[2] or line[1] != b"No.%d" % (len(blocks) + 1):
                break
        if not all(value_line(channels) for _ in range(h["DataNum"])):
            break
        if burst_values is not None and not value_line(burst_values):
            break
        blocks.append(start)
        end_of_complete = lines.offset
    return blocks, end_of_complete


def _number(field):
    """A value as the writer spells it; "=" (a missing sample) is NaN."""
    if field == b"=":
        return math.nan
    text = field[1:] if field.startswith(b"+") else field
    if not text or text[:1] == b"+":
        raise ValueError(field)
    return float(text)


class TsdBlocks:
    """Reads complete blocks of a TSD file, one at a time."""

    def __init__(self, path, h, blocks, end_of_complete):
        self._path = path
        self._h = h
        self._starts = blocks
        self._end = end_of_complete
        self._channels = _value_line(h["ChNum"])
        self._burst_values = _value_line(h["BurstValueNum"])

    def block(self, k):
        """The values of block k in file order, as float64."""
        start = self._starts[k]
        end = self._starts[k + 1] if k + 1 < len(self._starts) else self._end
        with open(self._path, "rb") as file:
            file.seek(start)
            data = file.read(end - start)
        lines = data.splitlines()
        h = self._h
        first = 0
        if h["Version"] != 1:
            if not lines or lines[0] != b"No.%d" % (k + 1):
                raise RecordingError(self._path, f"burst {k + 1} no longer begins with No.{k + 1}")
            first = 1
        counts = [h["ChNum"]] * h["DataNum"]
        if h["BurstValueNum"] > 0:
            counts.append(h["BurstValueNum"])
        if len(lines) != first + len(counts):
            raise RecordingError(self._path, f"burst {k + 1} has changed since the file was opened")
        values = np.empty(h["DataNum"] * h["ChNum"] + h["BurstValueNum"], dtype=np.float64)
        at = 0
        shapes = [self._channels] * h["DataNum"] + [self._burst_values] * (h["BurstValueNum"] > 0)
        for number, (line, count, shape) in enumerate(
            zip(lines[first:], counts, shapes), start=first + 1
        ):
            try:
                if shape.fullmatch(line) is None:
                    raise ValueError(line)
                if count > 0:
                    values[at : at + count] = [_number(field) for field in line.split(b",")]
            except ValueError:
                raise RecordingError(
                    self._path,
                    f"burst {k + 1} line {number}: {line[:80]!r} is not a list of {count} values",
                ) from None
            at += count
        return values
