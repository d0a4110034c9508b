# SPDX-License-Identifier: GPL-3.0-or-later
"""Recordings made by the built tessary-cli on the simulated card, and helpers to run it."""

import json
import os
import struct
import subprocess

import pytest

CLI = os.environ.get("TESSARY_CLI", "")


def run_cli(*args, cwd, check=True):
    result = subprocess.run([CLI, *map(str, args)], cwd=cwd, capture_output=True,
                            encoding="utf-8", errors="replace",
                            stdin=subprocess.DEVNULL, timeout=120)
    if check and result.returncode != 0:
        raise AssertionError(f"tessary-cli {' '.join(map(str, args))}: {result.stderr}")
    return result


def info(path):
    return json.loads(run_cli("info", "--json", path, cwd=os.path.dirname(path)).stdout)


def write_apm(path, file_type, data_num=400, bursts=3):
    """Two channels at 10 µs with coefficients that need seven digits, as the window saves."""
    lines = ["[Parameters]", "Wait Time=0", f"Iteration={bursts}", "BurstInterval=0",
             "Burst Time Unit=0", "Sampling Interval=10", "Sampling Time Unit=2",
             f"Number Of Data={data_num}", "Number of Channels=1", "Memo=python reader",
             f"File Type={file_type}",
             "[Ch1]", "Item=Pressure", "Scale=kPa", "Coef A=0.00123", "Coef B=-0.5",
             "[Ch2]", "Item=Temp", "Scale=degC", "Coef A=2.5", "Coef B=100",
             "[File]", "Save Name=x"]
    with open(path, "w", newline="\r\n") as file:
        file.write("\n".join(lines) + "\n")


@pytest.fixture(scope="session")
def recordings(tmp_path_factory):
    """An SDF and a TSD recording of three bursts: channel 1 a ramp, channel 2 a sine."""
    if not CLI or not os.access(CLI, os.X_OK):
        pytest.fail("TESSARY_CLI must name the built tessary-cli")
    folder = tmp_path_factory.mktemp("recorded")
    with open(folder / "sim.ini", "w") as file:
        file.write("[Ch1]\nSignal=ramp\n[Ch2]\nSignal=sine\nAmplitude=9\nFrequency=500\n")
    made = {}
    for file_type, name in ((0, "run.sdf"), (1, "run.tsd")):
        write_apm(folder / "run.apm", file_type)
        run_cli("record", "run.apm", "-o", name, "--card-config", "sim.ini", cwd=folder)
        made[name.split(".")[1]] = str(folder / name)
    return made


def sdf_bytes(version=4, ch_num=1, value_num=0, data_num=4, iteration=1, s_interval=1,
              s_unit=1, b_interval=1, b_unit=2, start=45000.5, memo=b"memo", rows=None,
              blocks=()):
    """An SDF file of any layout, byte by byte as the layout tables spell it."""
    rows = rows or [(b"Ch.%d" % (i + 1), b"mV", 1.0, 0.0) for i in range(ch_num + value_num)]
    head = (b"Standard Burst-Interval Data Format Ver." + b"%d" % version).ljust(50, b" ")
    head += memo.ljust(160, b" ")
    if version == 1:
        head += struct.pack("<hhiihid", ch_num, value_num, data_num, s_interval, iteration,
                            b_interval, start) + b" " * 20
    else:
        head += struct.pack("<hhiiBhiBd", ch_num, value_num, data_num, s_interval, s_unit,
                            iteration, b_interval, b_unit, start) + b" " * 18
    table = b"".join(item.ljust(16, b" ") + unit.ljust(8, b" ") + struct.pack("<ff", a, b)
                     for item, unit, a, b in rows)
    if len(table) % 256:
        table += b" " * (256 - len(table) % 256)
    data = b""
    for values in blocks:
        block = struct.pack("<%dh" % len(values), *values)
        if version < 4 and len(block) % 256:
            block += b"\0" * (256 - len(block) % 256)
        data += block
    return head + table + data
