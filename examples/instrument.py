"""A pretend instrument at the far end of a serial line, for
examples/serialport_style.m: answers LF-terminated commands until the line
closes or it is killed.

    *IDN?   QUENTAROX,Demo,0001,0.2 and LF
    CURV?   a definite-length block of 100 little-endian int16 samples and LF
    TEMP?   four big-endian uint16 temperatures in tenths of a degree

    python3 instrument.py PATH
"""
import math
import os
import struct
import sys
import termios
import tty


def answer(command):
    if command == b"*IDN?":
        return b"QUENTAROX,Demo,0001,0.2\n"
    if command == b"CURV?":
        samples = [round(1000 * math.sin(2 * math.pi * k / 100)) for k in range(100)]
        data = struct.pack("<100h", *samples)
        length = str(len(data)).encode()
        return b"#" + str(len(length)).encode() + length + data + b"\n"
    if command == b"TEMP?":
        return struct.pack(">4H", 215, 218, 220, 1003)
    return b""


def main():
    fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    termios.tcflush(fd, termios.TCIOFLUSH)
    pending = b""
    while True:
        data = os.read(fd, 4096)
        if not data:
            return
        pending += data
        while b"\n" in pending:
            command, pending = pending.split(b"\n", 1)
            os.write(fd, answer(command.strip()))


if __name__ == "__main__":
    main()
