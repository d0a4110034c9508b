# SPDX-License-Identifier: GPL-3.0-or-later
"""Headers at the edges of what the program writes and reads, TSD above all: each read here as
`tessary-cli info` reads it, or refused by both."""

import math

import numpy as np
import pytest
import tessary

from conftest import info, run_cli, sdf_bytes

HEADER_KEYS = ("Version", "Memo", "ChNum", "BurstValueNum", "DataNum", "SInterval", "SITUnit",
               "Iteration", "BInterval", "BITUnit", "StartTime")


def tsd(*lines, ended=True):
    return b"\r\n".join(lines) + (b"\r\n" if ended else b"")


def version2(start=b"2000/01/01 00:00:00 000", sampling=b"1 msec", bursts=b"1",
             interval=b"1 sec", counts=b"1,0", data_num=b"2", a=b"1", b=b"0", items=b"x",
             units=b"V", memo=b"memo"):
    return [b"Time Series Data Text Format Ver.2", memo, start, sampling, bursts, interval,
            counts, data_num, a, b, items, units]


def finite_or_none(x):
    return x if math.isfinite(x) else None


def read_as_the_program_does(path):
    """The recording, after checking that its header, channels and complete bursts are those
    the program reads."""
    expected = info(path)
    rec = tessary.open(path)
    expected["Version"] = expected["version"]
    if rec.format == "SDF":
        expected["Memo"] = expected["Memo"].rstrip(" ")  # the padding of the memo field
    for key in HEADER_KEYS:
        assert rec.header[key] == expected[key], key
    assert [(c["item"], c["unit"], finite_or_none(c["a"]), finite_or_none(c["b"]))
            for c in rec.channels] == [(c["Item"], c["Unit"], c["A"], c["B"])
                                       for c in expected["Channels"]]
    assert rec.bursts == expected["CompleteBursts"]
    return rec


NINE_AM = 0.375
# Each a header the program reads, with what it must read there.
READ = {
    # Years as the start-time line spells them before year 1 and after 9999.
    "year -5": (version2(start=b"-0005/06/15 12:00:00 000"), {"StartTime": -695620.5}),
    "year -1": (version2(start=b"-001/11/21 09:00:00 000"), {"StartTime": -694000 - NINE_AM}),
    "year 0": (version2(start=b"0000/02/29 00:00:00 000"), {"StartTime": -693900.0}),
    "year 10000": (version2(start=b"10000/01/05 09:00:00 000"), {"StartTime": 2958470 + NINE_AM}),
    "year -9999": (version2(start=b"-9999/01/01"), {}),
    "year 99999": (version2(start=b"99999/12/31 23:59:59 999"), {}),
    # Years no writer spells are memo lines, and the next date is the start.
    "year -10000": (version2(memo=b"m", start=b"-10000/01/01\r\n2000/01/01"),
                    {"Memo": "m\r-10000/01/01", "StartTime": 36526.0}),
    "year 100000": (version2(memo=b"m", start=b"100000/01/01\r\n2000/01/01"),
                    {"Memo": "m\r100000/01/01", "StartTime": 36526.0}),
    # A single burst sampled in years has no larger unit to normalise its interval into.
    "years": (version2(sampling=b"1 yr", interval=b"0 sec"), {"BInterval": 0, "BITUnit": "sec"}),
    # No rows at all: empty lists, and each burst its No. line and empty lines.
    "no rows": (version2(bursts=b"2", counts=b"0,0", a=b"", b=b"", items=b"", units=b"")
                + [b"No.1", b"", b"", b"No.2", b"", b""], {"ChNum": 0, "bursts": 2}),
    "129 channels": (version2(counts=b"129,0", a=b",".join([b"1"] * 129),
                              b=b",".join([b"0"] * 129), items=b",".join([b"c"] * 129),
                              units=b",".join([b"V"] * 129)), {"ChNum": 129}),
    # A version-1 burst of no data has no line, so it is complete at the end of the header.
    "version 1 without data": ([b"Time Series Data Text Format Ver.1", b"memo", b"2000/01/01",
                                b"10", b"0", b"1,2", b"0,0", b"a,b", b"V,V"],
                               {"ChNum": 2, "DataNum": 0, "bursts": 1}),
    "memo ending in spaces": (version2(memo=b"two  "), {"Memo": "two  "}),
}


@pytest.mark.parametrize("case", READ)
def test_headers_at_the_edges_of_the_writer_read_as_the_program_reads_them(case, tmp_path):
    lines, expected = READ[case]
    path = tmp_path / "edge.tsd"
    path.write_bytes(tsd(*lines))
    rec = read_as_the_program_does(path)
    for key, value in expected.items():
        assert (rec.bursts if key == "bursts" else rec.header[key]) == value, key


def test_coefficients_that_are_no_finite_number_and_a_table_of_per_burst_values_only(tmp_path):
    path = tmp_path / "values.tsd"
    path.write_bytes(tsd(*version2(counts=b"0,2", a=b"NAN,INF", b=b"-INF,2.5", items=b"v1,v2",
                                   units=b"V,s"), b"No.1", b"", b"", b"=,-1.5"))
    rec = read_as_the_program_does(path)
    (first, second) = rec.channels
    assert math.isnan(first["a"]) and first["b"] == -math.inf
    assert (second["a"], second["b"]) == (math.inf, 2.5)
    assert rec.values(0).shape == (2, 0)
    assert np.array_equal(rec.burst_values(0), [np.nan, -1.5], equal_nan=True)


@pytest.mark.parametrize("a", [b"+INF", b"nan", b"-NAN", b"INFINITY"])
def test_other_spellings_of_no_finite_number_are_refused_by_both(a, tmp_path):
    path = tmp_path / "spelling.tsd"
    path.write_bytes(tsd(*version2(a=a)))
    with pytest.raises(tessary.RecordingError, match="not a valid floating point value"):
        tessary.open(path)
    assert run_cli("info", path, cwd=tmp_path, check=False).returncode == 1


def test_what_the_writer_writes_for_a_damaged_recording_reads_back(tmp_path):
    """An SDF holding what a damaged recording can hold, written as TSD by the program."""
    rows = [(b"v1", b"V", math.nan, -math.inf), (b"v2", b"s", math.inf, 2.5)]
    for start in (-695620.5, -694000.0, 2958470.5):
        source = tmp_path / "damaged.sdf"
        source.write_bytes(sdf_bytes(ch_num=0, value_num=2, data_num=3, iteration=1, s_unit=8,
                                     b_interval=0, start=start, rows=rows, blocks=[[4, 5]]))
        run_cli("export", source, "-o", tmp_path / "damaged.tsd", "--yes", cwd=tmp_path)
        for path in (source, tmp_path / "damaged.tsd"):
            rec = read_as_the_program_does(path)
            assert rec.header["StartTime"] == start
            assert (rec.header["ChNum"], rec.header["BurstValueNum"], rec.bursts) == (0, 2, 1)
            assert (rec.header["SITUnit"], rec.header["BInterval"]) == ("yr", 0)
            assert np.array_equal(rec.burst_values(0), [np.nan, np.inf], equal_nan=True)


def test_an_sdf_table_of_129_channels(tmp_path):
    path = tmp_path / "wide.sdf"
    path.write_bytes(sdf_bytes(ch_num=129, data_num=2, blocks=[range(258)]))
    rec = read_as_the_program_does(path)
    assert rec.values(0).shape == (2, 129) and rec.values(0)[1, 128] == 257
