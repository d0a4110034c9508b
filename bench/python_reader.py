# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python reader on a 2 GiB SDF recording (4 channels, 256 bursts of 1 048 576 scans):
the time to open it, and the rate at which one burst of 1 000 000+ scans becomes engineering
values with the file in the page cache. Each is set against what numpy does by itself in the
same run: mapping the file with np.memmap, and reading the same burst with np.fromfile and
converting it to float64. Medians; the file goes to $TMPDIR (or /tmp) and is deleted.

Run by `make bench` with the system's Python:
    PYTHONPATH=python /usr/bin/python3 bench/python_reader.py
"""

import os
import statistics
import struct
import tempfile
import time

import numpy as np
import tessary

CHANNELS = 4
SCANS = 1 << 20
BURSTS = 256
HEADER = 512


def write_recording(path):
    head = b"Standard Burst-Interval Data Format Ver.4".ljust(50, b" ") + b"bench".ljust(160, b" ")
    head += struct.pack("<hhiiBhiBd", CHANNELS, 0, SCANS, 10, 0, BURSTS, 20, 2, 45000.5)
    head += b" " * 18
    rows = b"".join(b"Ch.%d" % (c + 1) + b" " * 12 + b"mV".ljust(8, b" ")
                    + struct.pack("<ff", 0.001 * (c + 1), -1.5) for c in range(CHANNELS))
    with open(path, "wb") as file:
        file.write(head + rows.ljust(256, b" "))
        rng = np.random.default_rng(1)
        burst = rng.integers(-4000, 4000, size=SCANS * CHANNELS, dtype=np.int16)
        burst[::9973] = -32768  # some missing samples
        for _ in range(BURSTS):
            file.write(burst.astype("<i2").tobytes())


def median_ms(work, rounds):
    times = []
    for i in range(rounds):
        start = time.perf_counter()
        work(i)
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


def main():
    print("load average before: %.2f %.2f %.2f" % os.getloadavg())
    folder = tempfile.mkdtemp(prefix="bench-python-", dir=os.environ.get("TMPDIR"))
    path = os.path.join(folder, "run.sdf")
    try:
        write_recording(path)
        size = os.path.getsize(path)
        opened = median_ms(lambda i: tessary.open(path).close(), 21)
        mapped = median_ms(lambda i: np.memmap(path, dtype="<i2", mode="r", offset=HEADER,
                                               shape=(BURSTS, SCANS * CHANNELS)), 21)

        rec = tessary.open(path)
        with open(path, "rb") as file:  # the bursts measured, into the page cache
            for k in range(40):
                file.seek(HEADER + k * SCANS * CHANNELS * 2)
                file.read(SCANS * CHANNELS * 2)
        values = median_ms(lambda i: rec.values(i), 20)
        a = np.array([c["a"] for c in rec.channels])

        def numpy_only(i):
            raw = np.fromfile(path, dtype="<i2", count=SCANS * CHANNELS,
                              offset=HEADER + (20 + i) * SCANS * CHANNELS * 2)
            raw.astype(np.float64)

        baseline = median_ms(numpy_only, 20)
        assert np.allclose(rec.values(3)[5], rec.raw(3)[5] * a - 1.5, equal_nan=True)
        samples = SCANS * CHANNELS
        print(f"file {size / 2**30:.2f} GiB, {BURSTS} bursts of {SCANS} x {CHANNELS}; medians")
        print(f"open:     tessary.open {opened:7.2f} ms (target < 50 ms);"
              f" np.memmap {mapped:.2f} ms")
        print(f"values:   rec.values(k) {values:6.1f} ms ="
              f" {samples / values / 1e3:6.1f} M samples/s (target >= 100)")
        print(f"baseline: np.fromfile + astype(float64) {baseline:6.1f} ms ="
              f" {samples / baseline / 1e3:6.1f} M samples/s")
    finally:
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)
    print("load average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
