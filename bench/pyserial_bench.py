"""The pyserial peer: the measurements of bench_octave.m, made the same way
on the same cable, and the round trip of bench_roundtrip.m.

    python3 pyserial_bench.py A B CALLS BATCH BULK_BYTES CHUNK RELAY_PID
    python3 pyserial_bench.py --roundtrip PORT CALLS BATCH

The relay (socat) is stopped while a batch of writes is timed, as in
bench_octave.m.

Prints "pyserial write1_us X", "pyserial read1_us X", "pyserial line32_us X"
(read_until of a 32-byte line already waiting), "pyserial bulk_MBps X": the
fastest batch and the best of 8 bulk transfers, as summarize.py takes the
Octave implementations' figures; with --roundtrip, "pyserial rtt_us X": the
fastest batch of write("*IDN?\\n") and read_until of the 32-byte reply.
"""
import fcntl
import os
import select
import signal
import sys
import termios
import time

import serial


def open_raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    settings = termios.tcgetattr(fd)
    settings[0] = settings[1] = settings[3] = 0  # iflag, oflag, lflag: raw
    settings[2] = (settings[2] & ~termios.CSIZE) | termios.CS8 | termios.CREAD
    settings[6][termios.VMIN] = 1
    settings[6][termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW, settings)
    termios.tcflush(fd, termios.TCIOFLUSH)
    return fd


def transfer(fd, count, feeding, lines=False):
    # pyserial sets VMIN 0, so a read no longer waits: poll first.
    ready = select.poll()
    ready.register(fd, select.POLLOUT if feeding else select.POLLIN)
    pattern = (b"x" * 31 + b"\n") * 128 if lines else b"x" * 4096
    moved = 0
    while count > 0:
        if not ready.poll(5000):
            sys.exit("transfer timed out")
        chunk = min(count, 4096 - moved % 32)
        if feeding:
            done = os.write(fd, pattern[moved % 32:moved % 32 + chunk])
        else:
            done = len(os.read(fd, chunk))
        count -= done
        moved += done


def wait_for(fd, count):
    give_up = time.monotonic() + 5
    buf = bytearray(4)
    while True:
        fcntl.ioctl(fd, termios.FIONREAD, buf)
        if int.from_bytes(buf, sys.byteorder) >= count:
            return
        if time.monotonic() > give_up:
            sys.exit("bytes did not arrive")
        time.sleep(0.001)


def main():
    a, b = sys.argv[1], sys.argv[2]
    calls, batch, bulk, chunk, relay = (int(x) for x in sys.argv[3:8])
    fa, fb = open_raw(a), open_raw(b)
    pa = serial.Serial(a, 115200, timeout=5)
    pb = serial.Serial(b, 115200, timeout=5)
    byte = b"x"
    clock = time.perf_counter

    times = []
    for _ in range(calls // batch):
        os.kill(relay, signal.SIGSTOP)
        start = clock()
        for _ in range(batch):
            n = pa.write(byte)
        times.append((clock() - start) / batch)
        os.kill(relay, signal.SIGCONT)
        transfer(fb, batch, False)
    assert n == 1
    print(f"pyserial write1_us {min(times) * 1e6:.3f}")

    times = []
    for _ in range(calls // batch):
        transfer(fa, batch, True)
        wait_for(fb, batch)
        start = clock()
        for _ in range(batch):
            data = pb.read(1)
        times.append((clock() - start) / batch)
    assert data == byte
    print(f"pyserial read1_us {min(times) * 1e6:.3f}")

    lines = min(batch, 100)  # 3200 bytes, within a pty's queue
    times = []
    for _ in range(calls // batch):
        transfer(fa, lines * 32, True, True)
        wait_for(fb, lines * 32)
        start = clock()
        for _ in range(lines):
            data = pb.read_until(b"\n")
        times.append((clock() - start) / lines)
    assert data == b"x" * 31 + b"\n"
    print(f"pyserial line32_us {min(times) * 1e6:.3f}")

    payload = bytes(i % 251 for i in range(bulk))
    rates = []
    for _ in range(8):
        got = bytearray()
        start = clock()
        for first in range(0, bulk, chunk):
            pa.write(payload[first:first + chunk])
            got += pb.read(chunk)
        rates.append(bulk / (clock() - start) / 1e6)
        assert got == payload, "the bulk transfer did not arrive intact"
    print(f"pyserial bulk_MBps {max(rates):.2f}")
    pa.close()
    pb.close()
    os.close(fa)
    os.close(fb)


def roundtrip(port, calls, batch):
    pb = serial.Serial(port, 115200, timeout=1)
    times = []
    for _ in range(max(1, calls // batch)):
        start = time.perf_counter()
        for _ in range(batch):
            pb.write(b"*IDN?\n")
            reply = pb.read_until(b"\n")
        times.append((time.perf_counter() - start) / batch)
        assert len(reply) == 32, "the reply did not come whole"
    print(f"pyserial rtt_us {min(times) * 1e6:.3f}")
    pb.close()


if __name__ == "__main__":
    if sys.argv[1] == "--roundtrip":
        roundtrip(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        main()
