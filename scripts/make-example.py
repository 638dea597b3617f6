#!/usr/bin/env python3
"""Writes examples/cycles.txt: a UTF-16 (little-endian, with byte-order mark) table of
measurement cycles, one header line and four cycles of five steps. Split with H = 1
and N = 5, each output file collects one step of every cycle."""
import os

HEADER = "循环\t步骤\t温度(°C)\t压力(kPa)\t备注"
STEPS = ["升温", "保温", "加压", "保压", "冷却"]


def rows():
    yield HEADER
    for cycle in range(1, 5):
        for step, name in enumerate(STEPS, start=1):
            temperature = 20 + step * 15 + cycle
            pressure = 101.3 + (step - 1) * 12.5 + cycle * 0.4
            yield f"{cycle}\t{step}\t{temperature}\t{pressure:.1f}\t{name}"


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "cycles.txt")
    text = "".join(line + "\r\n" for line in rows())
    with open(out, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


if __name__ == "__main__":
    main()
