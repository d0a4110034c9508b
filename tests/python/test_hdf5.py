# SPDX-License-Identifier: GPL-3.0-or-later
"""The HDF5 export, read with h5py as a user without Tessary reads it."""

import h5py
import numpy as np
import pytest
import tessary

from conftest import info, run_cli, sdf_bytes


def export(path, out, *options):
    run_cli("export", path, "-o", out, "--yes", *options, cwd=out.parent)
    return h5py.File(out, "r")


def engineering(f, k):
    # The line the README gives, word for word.
    s = f["samples"]; v = np.where(s[k] == s.attrs["missing"], np.nan, s[k] * s.attrs["scale"] + s.attrs["offset"])
    return v


@pytest.mark.parametrize("kind", ["sdf", "tsd"])
def test_the_layout_holds_the_header_the_channel_table_and_every_burst(recordings, kind, tmp_path):
    path = recordings[kind]
    expected = info(path)
    rec = tessary.open(path)
    with export(path, tmp_path / "run.h5") as f:
        a = dict(f.attrs)
        assert (a["format"], a["version"]) == ((kind.upper(), 4) if kind == "sdf" else ("TSD", 2))
        assert a["memo"] == "python reader"
        assert a["start_time_days"] == expected["StartTime"]
        text = expected["StartTimeText"]  # yyyy/mm/dd hh:nn:ss zzz
        assert a["start_time"] == f"{text[:4]}-{text[5:7]}-{text[8:10]}T{text[11:19]}.{text[20:]}"
        assert (a["sampling_interval"], a["sampling_interval_unit"]) == (10, "usec")
        assert a["sampling_interval_s"] == pytest.approx(1e-5)
        assert (a["burst_interval"], a["burst_interval_unit"]) == (0, "sec")
        assert a["burst_interval_s"] == 0
        assert (a["bursts"], a["stated_bursts"], a["samples_per_burst"]) == (3, 3, 400)
        assert (a["channels"], a["burst_value_count"]) == (2, 0)
        assert "burst_values" not in f

        table = f["channels"]
        assert list(table["item"].asstr()[:]) == ["Pressure", "Temp"]
        assert list(table["unit"].asstr()[:]) == ["kPa", "degC"]
        assert table["a"].dtype == np.float32
        assert list(table["a"][:]) == [np.float32(0.00123), np.float32(2.5)]
        assert list(table["b"][:]) == [np.float32(-0.5), np.float32(100)]

        s = f["samples"]
        assert s.shape == (3, 400, 2)
        assert s.dtype == (np.int16 if kind == "sdf" else np.float64)
        assert s.chunks == (1, 400, 2), "one chunk per burst"
        for k in range(3):
            assert np.array_equal(s[k], rec.raw(k), equal_nan=True)
            assert np.array_equal(engineering(f, k), rec.values(k), equal_nan=True)
        if kind == "sdf":
            assert list(s.attrs["scale"]) == [np.float32(0.00123), 2.5]
            assert s.attrs["missing"] == -32768
        else:
            assert list(s.attrs["scale"]) == [1, 1] and list(s.attrs["offset"]) == [0, 0]
            assert np.isnan(s.attrs["missing"])


def test_missing_samples_and_per_burst_values_of_every_layout(tmp_path):
    rows = [(b"x", b"V", 0.5, 1.0), (b"y", b"mV", 1.0, 0.0), (b"n", b"", 2.0, -1.0)]
    for version, mark in ((2, 32767), (4, -32768)):
        path = tmp_path / f"v{version}.sdf"
        path.write_bytes(sdf_bytes(version=version, ch_num=2, value_num=1, data_num=2,
                                   iteration=2, rows=rows,
                                   blocks=[[3, mark, 4, 5, 7], [mark, 1, 2, 3, mark]]))
        rec = tessary.open(path)
        with export(path, tmp_path / f"v{version}.h5") as f:
            s = f["samples"]
            assert s.attrs["missing"] == mark
            assert np.array_equal(s[0], [[3, mark], [4, 5]]), "stored as recorded"
            assert np.array_equal(engineering(f, 0), [[2.5, np.nan], [3, 5]], equal_nan=True)
            values = f["burst_values"]
            assert values.shape == (2, 1) and values.attrs["missing"] == mark
            assert values[:, 0].tolist() == [7, mark]
            assert list(values.attrs["scale"]) == [2.0] and list(values.attrs["offset"]) == [-1.0]
            assert rec.burst_values(0).tolist() == [13.0]
            assert np.isnan(rec.burst_values(1)[0])
            assert list(f["channels/item"].asstr()[:]) == ["x", "y", "n"]


def test_long_bursts_are_chunked_in_parts_and_compression_keeps_chunks_small(tmp_path):
    steps = 300000  # 2.4 MB a burst in 4 channels
    rng = np.random.default_rng(5)
    blocks = [rng.integers(-2000, 2000, size=steps * 4, dtype=np.int16) for _ in range(2)]
    path = tmp_path / "long.sdf"
    path.write_bytes(sdf_bytes(ch_num=4, data_num=steps, iteration=2,
                               rows=[(b"c", b"V", 1.0, 0.0)] * 4)
                     + b"".join(block.astype("<i2").tobytes() for block in blocks))
    with export(path, tmp_path / "plain.h5") as f:
        s = f["samples"]
        assert s.compression is None
        assert s.chunks[0] == 1 and s.chunks[1] < steps, "a long burst in several chunks"
        assert np.prod(s.chunks) * 2 <= 1 << 20
        assert np.array_equal(s[1], blocks[1].reshape(steps, 4))
        assert np.array_equal(s[0, 123456:123460, 2], blocks[0].reshape(steps, 4)[123456:123460, 2])
    with export(path, tmp_path / "small.h5", "--compress") as f:
        s = f["samples"]
        assert s.compression == "gzip" and s.shuffle
        assert s.chunks[0] == 1 and np.prod(s.chunks) * 2 <= 64 << 10
        assert np.array_equal(s[0], blocks[0].reshape(steps, 4))
        assert np.array_equal(s[1], blocks[1].reshape(steps, 4))
    assert (tmp_path / "small.h5").stat().st_size < (tmp_path / "plain.h5").stat().st_size


def test_a_recording_without_complete_bursts_gives_empty_datasets(tmp_path):
    path = tmp_path / "empty.sdf"
    path.write_bytes(sdf_bytes(ch_num=2, data_num=10, iteration=5, blocks=[[1] * 19]))
    with export(path, tmp_path / "empty.h5") as f:
        assert f["samples"].shape == (0, 10, 2)
        assert (f.attrs["bursts"], f.attrs["stated_bursts"]) == (0, 5)
    assert tessary.open(path).bursts == 0
