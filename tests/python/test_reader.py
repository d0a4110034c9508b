# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python reader against the program: headers as `tessary-cli info` reads them, values as
`tessary-cli export` writes them, and the same complete bursts of every cut-off file."""

import math
import os
import random

import h5py
import numpy as np
import pytest
import tessary

from conftest import info, run_cli, sdf_bytes


def tsd_blocks(path):
    """The value lines of a TSD file's blocks, parsed here from its text: "=" is NaN."""
    with open(path, "rb") as file:
        lines = file.read().split(b"\r\n")
    blocks = []
    for line in lines:
        if line.startswith(b"No."):
            blocks.append([])
        elif blocks and line:
            blocks[-1].append([math.nan if f == b"=" else float(f) for f in line.split(b",")])
    return blocks


def same_values(a, b):
    """Equal to the seven significant digits a TSD file holds, missing in the same places."""
    assert a.shape == b.shape
    assert np.array_equal(np.isnan(a), np.isnan(b))
    return np.allclose(a[~np.isnan(a)], b[~np.isnan(b)], rtol=1e-6, atol=0)


@pytest.mark.parametrize("kind", ["sdf", "tsd"])
def test_the_header_and_channels_are_those_the_program_reads(recordings, kind):
    path = recordings[kind]
    rec = tessary.open(path)
    expected = info(path)
    for key in ("ChNum", "BurstValueNum", "DataNum", "SInterval", "SITUnit", "Iteration",
                "BInterval", "BITUnit", "StartTime"):
        assert rec.header[key] == expected[key], key
    assert rec.header["Memo"] == expected["Memo"].rstrip(" ") == "python reader"
    assert rec.header["Format"] == kind.upper()
    assert [(c["item"], c["unit"]) for c in rec.channels] == [
        (c["Item"], c["Unit"]) for c in expected["Channels"]
    ]
    assert [np.float32(c["a"]) for c in rec.channels] == [np.float32(0.00123), np.float32(2.5)]
    assert rec.bursts == 3


@pytest.mark.parametrize("kind", ["sdf", "tsd"])
def test_values_are_those_of_the_export_to_tsd_and_time_those_of_the_csv(recordings, kind,
                                                                         tmp_path):
    path = recordings[kind]
    run_cli("export", path, "-o", tmp_path / "out.tsd", cwd=tmp_path)
    run_cli("export", path, "-o", tmp_path / "out.csv", cwd=tmp_path)
    exported = tsd_blocks(tmp_path / "out.tsd")
    rec = tessary.open(path)
    assert len(exported) == rec.bursts
    for k in range(rec.bursts):
        values = rec.values(k)
        assert values.dtype == np.float64 and values.shape == (400, 2)
        assert same_values(values, np.array(exported[k]))
    assert len(np.unique(rec.values(1)[:, 1])) > 100, "the sine takes many values"
    csv = np.loadtxt(tmp_path / "out.csv", delimiter=",", skiprows=1, usecols=1, max_rows=400)
    assert np.allclose(rec.time(), csv, rtol=0, atol=1e-12)
    assert rec.time()[1] == pytest.approx(1e-5)


def test_raw_gives_the_stored_samples_of_an_sdf_and_the_values_of_a_tsd(recordings):
    rec = tessary.open(recordings["sdf"])
    with open(recordings["sdf"], "rb") as file:
        stored = np.frombuffer(file.read()[512:], dtype="<i2").reshape(3, 400, 2)
    for k in range(3):
        raw = rec.raw(k)
        assert raw.dtype == np.int16 and np.array_equal(raw, stored[k])
        assert not raw.flags.writeable
    assert isinstance(rec.raw(0).base, np.ndarray), "a view of the file's memory map"
    tsd = tessary.open(recordings["tsd"])
    assert np.array_equal(tsd.raw(2), tsd.values(2), equal_nan=True)
    assert tsd.burst_values(0).shape == (0,)
    with pytest.raises(IndexError, match="burst 3 is not one of the 3 complete bursts"):
        rec.raw(3)


def test_old_layouts_are_read_as_stored_with_32767_missing(tmp_path):
    rows = [(b"x", b"V", 0.5, 1.0), (b"y", b"mV", 1.0, 0.0), (b"n", b"", 2.0, -1.0)]
    blocks = [[3, 32767, 4, 5, 7], [32767, 1, 2, 3, 8]]
    for version in (1, 2, 3, 4):
        path = tmp_path / f"v{version}.sdf"
        path.write_bytes(sdf_bytes(version=version, ch_num=2, value_num=1, data_num=2,
                                   iteration=2, s_interval=1500, s_unit=0, rows=rows,
                                   blocks=blocks))
        rec = tessary.open(path)
        assert rec.bursts == 2
        assert np.array_equal(rec.raw(1), [[32767, 1], [2, 3]])
        missing = 32767 if version < 4 else None
        expected = np.array([[2.5, 32767.0], [3.0, 5.0]])
        if missing:
            expected[0, 1] = np.nan
        assert np.array_equal(rec.values(0), expected, equal_nan=True), version
        assert rec.burst_values(1).tolist() == [15.0]
        # Layout 1 counts its intervals in milliseconds.
        assert (rec.header["SInterval"], rec.header["SITUnit"]) == (
            (1500, "msec") if version == 1 else (1500, "usec"))
        assert rec.time()[1] == pytest.approx(1.5 if version == 1 else 0.0015)
        run_cli("export", path, "-o", tmp_path / f"v{version}.tsd", cwd=tmp_path)
        exported = tsd_blocks(tmp_path / f"v{version}.tsd")
        assert same_values(rec.values(0), np.array(exported[0][:2]))


def test_per_burst_values_of_both_formats(tmp_path):
    rows = [(b"x", b"V", 1.0, 0.0), (b"first", b"s", 0.5, 0.0), (b"second", b"s", 1.0, 10.0)]
    path = tmp_path / "values.sdf"
    path.write_bytes(sdf_bytes(ch_num=1, value_num=2, data_num=3, iteration=2, rows=rows,
                               blocks=[[1, 2, 3, 40, -32768], [4, 5, 6, 50, 7]]))
    run_cli("export", path, "-o", tmp_path / "values.tsd", cwd=tmp_path)
    for name in ("values.sdf", "values.tsd"):
        rec = tessary.open(tmp_path / name)
        assert np.array_equal(rec.burst_values(0), [20.0, np.nan], equal_nan=True)
        assert rec.burst_values(1).tolist() == [25.0, 17.0]
        assert rec.values(1)[:, 0].tolist() == [4.0, 5.0, 6.0]
        assert len(rec.channels) == 3


def cut_points(size, starts, rng):
    """Lengths to cut a file to: around every block's start and a sample of the rest."""
    points = {size}
    for start in starts:
        points.update(p for p in range(start - 3, start + 4) if 0 < p <= size)
    points.update(rng.sample(range(starts[0], size), 25))
    return sorted(points)


@pytest.mark.parametrize("kind", ["sdf", "tsd"])
def test_a_cut_off_recording_holds_the_bursts_the_program_counts(recordings, kind, tmp_path):
    data = open(recordings[kind], "rb").read()
    if kind == "sdf":
        starts = [512 + k * 1600 for k in range(3)]
    else:
        starts = [data.index(b"\r\nNo.%d\r\n" % (k + 1)) + 2 for k in range(3)]
    path = tmp_path / f"cut.{kind}"
    rng = random.Random(17)
    for cut in cut_points(len(data), starts, rng):
        path.write_bytes(data[:cut])
        out = tmp_path / "cut.h5"
        result = run_cli("export", path, "-o", out, "--yes", cwd=tmp_path, check=False)
        assert result.returncode == 0, result.stderr
        with h5py.File(out) as h5:
            expected = int(h5.attrs["bursts"])
            rec = tessary.open(path)
            assert rec.bursts == expected, f"cut at {cut}"
            if expected:
                assert np.array_equal(rec.raw(expected - 1), h5["samples"][expected - 1],
                                      equal_nan=True)


def test_a_file_larger_than_memory_opens_without_reading_its_blocks(tmp_path):
    path = tmp_path / "large.sdf"
    bursts = 256
    with open(path, "wb") as file:
        file.write(sdf_bytes(ch_num=4, data_num=1 << 20, iteration=bursts,
                             rows=[(b"c", b"V", 1.0, 0.0)] * 4))
        file.truncate(512 + bursts * (8 << 20))  # 2 GiB, sparse
    rec = tessary.open(path)
    assert rec.bursts == bursts
    assert not rec.raw(bursts - 1)[-1].any()
    # A file cut after it was opened is an error, not a fault of the process.
    os.truncate(path, 512 + 3 * (8 << 20))
    with pytest.raises(tessary.RecordingError, match="cut inside burst 4"):
        rec.raw(3)
    rec.close()


def damaged_files(tmp_path, recordings):
    good_sdf = open(recordings["sdf"], "rb").read()
    good_tsd = open(recordings["tsd"], "rb").read()
    huge = sdf_bytes(ch_num=128, data_num=2**30, iteration=1)
    return {
        "empty.sdf": b"",
        "garbage.sdf": bytes(range(256)) * 4,
        "short.sdf": good_sdf[:230],
        "table.sdf": good_sdf[:300],
        "version9.sdf": good_sdf[:40] + b"9" + good_sdf[41:],
        "letter.sdf": good_sdf[:40] + b"x" + good_sdf[41:],
        "rows.sdf": sdf_bytes(ch_num=100, value_num=30),
        "negative.sdf": sdf_bytes(data_num=-5),
        "unit.sdf": sdf_bytes(s_unit=9),
        "huge.sdf": huge,
        "magic.tsd": b"Time Series Data Text Format Ver.",
        "version3.tsd": good_tsd.replace(b"Ver.2", b"Ver.3", 1),
        "count.tsd": good_tsd.replace(b"\r\n2,0\r\n", b"\r\n2,x\r\n", 1),
        "longline.tsd": good_tsd[:40] + b"x" * 70000 + good_tsd[40:],
        "unitless.tsd": good_tsd.replace(b"10 usec", b"10 ticks", 1),
    }


def test_a_damaged_file_is_an_error_naming_it(recordings, tmp_path):
    for name, data in damaged_files(tmp_path, recordings).items():
        path = tmp_path / name
        path.write_bytes(data)
        with pytest.raises(tessary.RecordingError) as error:
            tessary.open(path)
        assert str(error.value).startswith(str(path) + ": "), name
        result = run_cli("export", path, "-o", tmp_path / "x.h5", "--yes", cwd=tmp_path,
                         check=False)
        assert result.returncode == 1, f"{name}: the program refuses it too"


@pytest.mark.parametrize("kind", ["sdf", "tsd"])
def test_any_damage_to_a_header_is_read_as_the_program_reads_it(recordings, kind, tmp_path):
    data = bytearray(open(recordings[kind], "rb").read())
    header = 512 if kind == "sdf" else data.index(b"No.1")
    rng = random.Random(1 if kind == "sdf" else 2)
    path = tmp_path / f"damaged.{kind}"
    for case in range(60):
        damaged = bytearray(data)
        for _ in range(rng.randint(1, 3)):
            damaged[rng.randrange(header)] = rng.choice(b"0123456789,-. \r\n\x00\xff")
        path.write_bytes(damaged)
        result = run_cli("export", path, "-o", tmp_path / "x.h5", "--yes", cwd=tmp_path,
                         check=False)
        try:
            rec = tessary.open(path)
        except tessary.RecordingError:
            assert result.returncode == 1, f"case {case}: the program reads it"
            continue
        assert result.returncode == 0, f"case {case}: {result.stderr}"
        with h5py.File(tmp_path / "x.h5") as h5:
            assert rec.bursts == int(h5.attrs["bursts"]), f"case {case}"
            assert rec.header["DataNum"] == int(h5.attrs["samples_per_burst"])
