# SPDX-License-Identifier: GPL-3.0-or-later
"""Texts, dates and time units as the program reads them from a recording's header."""

import numpy as np

# Name and length of each time unit, in the order files store them. The lengths are held in
# 80-bit extended precision, as the program computes intervals.
_UNIT_NAMES = ("usec", "msec", "sec", "min", "hr", "days", "wk", "mo", "yr")
_UNIT_SECONDS = tuple(
    np.longdouble(text)
    for text in ("0.000001", "0.001", "1", "60", "3600", "86400", "604800", "2592000", "31536000")
)
_UNIT_DAYS = tuple(seconds / np.longdouble(86400) for seconds in _UNIT_SECONDS)
NO_UNIT = 10  # what a TSD interval line without a unit name gives


def unit_name(unit):
    return _UNIT_NAMES[unit] if 0 <= unit < len(_UNIT_NAMES) else None


def unit_seconds(unit):
    """The length of a time unit in seconds as a float."""
    return float(_UNIT_SECONDS[unit])


def find_time_unit(text):
    """The first unit, in table order, whose name occurs in the text; NO_UNIT when none."""
    for index, name in enumerate(_UNIT_NAMES):
        if name.encode() in text:
            return index
    return NO_UNIT


def _is_lead_byte(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def cut_to_bytes(cp932, limit):
    """The longest prefix of at most `limit` bytes that does not end inside a character."""
    if len(cp932) <= limit:
        return cp932
    end = 0
    while end < limit:
        width = 2 if _is_lead_byte(cp932[end]) else 1
        if end + width > limit:
            break
        end += width
    return cp932[:end]


def decode(cp932):
    return cp932.decode("cp932", errors="replace")


def round_half_away(x):
    """Nearest integer, halves away from zero; None outside the 32-bit range."""
    r = np.trunc(x + np.longdouble(0.5)) if x >= 0 else np.trunc(x - np.longdouble(0.5))
    if not -(2**31) <= r <= 2**31 - 1:
        return None
    return int(r)


def normalise_burst_interval(header):
    """For a single burst whose interval is shorter than the burst, the burst interval
    becomes DataNum + 1 sampling intervals in the largest unit above the sampling unit in which
    it is within 0.1 % of a whole number, as the program does after reading a header. Returns
    the reason when the header cannot be normalised, else None."""
    if header["Iteration"] != 1:
        return None
    s_unit = header["_SITUnit"]
    b_unit = header["_BITUnit"]
    if not (0 <= s_unit < 9 and 0 <= b_unit < 9):
        return "a time unit is out of range (0 to 8)"
    s_interval = np.longdouble(header["SInterval"])
    data_num = np.longdouble(header["DataNum"])
    burst = s_interval * _UNIT_DAYS[s_unit] * data_num
    gap = np.longdouble(header["BInterval"]) * _UNIT_DAYS[b_unit]
    if gap >= burst:
        return None
    t = float(s_interval * _UNIT_SECONDS[s_unit] * (data_num + np.longdouble(1)))
    for v in range(s_unit + 1, 9):
        d = float(np.longdouble(t) / _UNIT_SECONDS[v])
        if d == 0.0:
            return None
        r = round_half_away(np.longdouble(d))
        if r is None:
            return "the burst interval is out of the 32-bit range"
        if abs(r - d) / d > 0.001:
            return None
        header["BInterval"] = r
        header["_BITUnit"] = v
    # Sampling in years leaves no larger unit to try: the interval stays.
    return None


# Dates: days since 1899-12-30 with the time of day as the fraction.
_UNIX_EPOCH_DAYS = 25569
# The years a start-time line can spell: the writer keeps within 3 million days of 1899.
_EARLIEST_YEAR = -9999
_LATEST_YEAR = 99999


def _days_from_civil(y, m, d):
    y -= m <= 2
    era = y // 400  # floor division, also for years before 1
    yoe = y - era * 400
    doy = (153 * (m + (-3 if m > 2 else 9)) + 2) // 5 + d - 1
    doe = yoe * 365 + yoe // 4 - yoe // 100 + doy
    return era * 146097 + doe - 719468


def _days_in_month(y, m):
    if m == 2 and ((y % 4 == 0 and y % 100 != 0) or y % 400 == 0):
        return 29
    return (31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31)[m - 1]


def _read_number(text, pos, max_digits):
    start = pos
    value = 0
    while pos < len(text) and 0x30 <= text[pos] <= 0x39 and pos - start < max_digits:
        value = value * 10 + text[pos] - 0x30
        pos += 1
    if pos == start or (pos < len(text) and 0x30 <= text[pos] <= 0x39):
        return None, pos
    return value, pos


def _skip_spaces(text, pos):
    while pos < len(text) and text[pos] in b" \t":
        pos += 1
    return pos


def _read_date(text, pos):
    """The year as the program writes it: "%04d", so "0000" and a minus sign before year 1 and
    five digits after 9999."""
    negative = pos < len(text) and text[pos] == 0x2D
    y, p = _read_number(text, pos + negative, 5)
    if y is None or p >= len(text) or text[p] != 0x2F:
        return None, pos
    y = -y if negative else y
    m, p = _read_number(text, p + 1, 2)
    if m is None or p >= len(text) or text[p] != 0x2F:
        return None, pos
    d, p = _read_number(text, p + 1, 2)
    if d is None or not (
        _EARLIEST_YEAR <= y <= _LATEST_YEAR and 1 <= m <= 12 and 1 <= d <= _days_in_month(y, m)
    ):
        return None, pos
    return float(_days_from_civil(y, m, d) + _UNIX_EPOCH_DAYS), p


def _read_time(text, pos):
    h, p = _read_number(text, pos, 2)
    if h is None or p >= len(text) or text[p] != 0x3A:
        return None, pos, False
    n, p = _read_number(text, p + 1, 2)
    if n is None:
        return None, pos, False
    s = 0
    had_seconds = False
    if p < len(text) and text[p] == 0x3A:
        s, p = _read_number(text, p + 1, 2)
        if s is None:
            return None, pos, False
        had_seconds = True
    if not (h < 24 and n < 60 and s < 60):
        return None, pos, False
    return ((h * 60 + n) * 60 + s) * 1000 / 86400000, p, had_seconds


def parse_date_time(line):
    """A line read as a date "y/m/d", a time of day "h:m[:s]" or a date and a time, text after
    the seconds ignored, spaces around allowed; None when it is none of them."""
    pos = _skip_spaces(line, 0)
    date, pos = _read_date(line, pos)
    if date is not None:
        pos = _skip_spaces(line, pos)
        if pos == len(line):
            return date
    else:
        date = 0.0
    time, pos, had_seconds = _read_time(line, pos)
    if time is None:
        return None
    if not had_seconds:
        pos = _skip_spaces(line, pos)
        if pos != len(line):
            return None
    return date - time if date < 0 else date + time
