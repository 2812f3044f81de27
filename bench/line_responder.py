"""The far end of the round-trip benchmark: answers every 6 bytes it reads
from the pty PATH with one 32-byte line (31 bytes and LF), until killed.

    python3 line_responder.py PATH
"""
import os
import sys
import termios
import tty


def main():
    fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    termios.tcflush(fd, termios.TCIOFLUSH)
    reply = b"x" * 31 + b"\n"
    pending = 0
    while True:
        data = os.read(fd, 4096)
        if not data:
            return
        pending += len(data)
        while pending >= 6:
            pending -= 6
            os.write(fd, reply)


if __name__ == "__main__":
    main()
