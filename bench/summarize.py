"""Prints the benchmark's tables from the lines the runners wrote.

    python3 summarize.py RESULTS [TIMEOUTS [READER]]

RESULTS has one line per measurement, either "REP IMPL METRIC VALUE" or, for
the Octave implementations' batches and bulk rounds, "REP IMPL METRIC ROUND
VALUE". METRIC is write1_us, read1_us, count_us, line32_us or rtt_us (per
call, lower is better) or bulk_MBps (higher is better). An Octave implementation's figure in a
repetition is its fastest batch (each the mean of a batch of calls) and its
best bulk round: on this shared virtual machine the slower ones measure
other work and the pty's slow spells, which come and go within a
repetition. raw C and pyserial report their figures, taken the same way. The
table shows the median of the figures over the
repetitions; ratios are taken within each repetition only.

TIMEOUTS, if given, has a line "TIMEOUT ELAPSED" (seconds) per read on a
silent line; each time-out's reads are judged on how far past it they
returned (the time-out rounded up to whole milliseconds, as the module
waits).

READER, if given, has bench_reader.m's lines: the streams with and without
InputBufferSize, the idle CPU, and 1-byte reads of held bytes against the
floor (each figure the fastest batch, as above).
"""
import math
import statistics
import sys
from collections import defaultdict

ROWS = [
    ("raw_c", "raw C write()/read()"),
    ("floor", "floor: minimal MEX (floor_mex)"),
    ("brindlecast", "brindlecast"),
    ("brindlecast_rt1", "brindlecast, port with ReadTimeout 1"),
    ("serialport", "instrument-control serialport write/read"),
    ("srl", "instrument-control srl_write/srl_read"),
    ("pyserial", "pyserial"),
]
METRICS = [("write1_us", "1-byte write, us"), ("read1_us", "1-byte read, us"),
           ("bulk_MBps", "4 MiB in 4096 B, MB/s"), ("count_us", "comcount, us"),
           ("line32_us", "32-byte line, us"), ("rtt_us", "query + line reply, us")]


def at_most(limit):
    return lambda r: r <= limit


def at_least(limit):
    return lambda r: r >= limit


# label, metric, numerator, denominator, target test, target text. Time
# ratios put brindlecast's time over the other's (the peer's over
# brindlecast's for "times faster"); rate ratios brindlecast's rate over the
# other's.
RATIOS = [
    ("write1 brindlecast / floor", "write1_us", "brindlecast", "floor", at_most(1.1), "<= 1.10"),
    ("read1  brindlecast / floor", "read1_us", "brindlecast", "floor", at_most(1.1), "<= 1.10"),
    ("read1  ReadTimeout 1 / floor", "read1_us", "brindlecast_rt1", "floor", at_most(1.1),
     "<= 1.10"),
    ("count  brindlecast / floor", "count_us", "brindlecast", "floor", at_most(1.1), "<= 1.10"),
    ("write1 serialport / brindlecast", "write1_us", "serialport", "brindlecast", at_least(3),
     ">= 3"),
    ("read1  serialport / brindlecast", "read1_us", "serialport", "brindlecast", at_least(3),
     ">= 3"),
    ("write1 brindlecast / srl_write", "write1_us", "brindlecast", "srl", at_most(1.3), "<= 1.30"),
    ("read1  brindlecast / srl_read", "read1_us", "brindlecast", "srl", at_most(1.3), "<= 1.30"),
    ("bulk   brindlecast / floor", "bulk_MBps", "brindlecast", "floor", at_least(0.95),
     ">= 0.95"),
    ("bulk   brindlecast / serialport", "bulk_MBps", "brindlecast", "serialport",
     lambda r: r > 1, "> 1"),
    ("bulk   brindlecast / srl", "bulk_MBps", "brindlecast", "srl", lambda r: r > 1, "> 1"),
    ("write1 serialport / floor", "write1_us", "serialport", "floor", None, ""),
    ("read1  serialport / floor", "read1_us", "serialport", "floor", None, ""),
    ("write1 floor / srl_write", "write1_us", "floor", "srl", None, ""),
    ("read1  floor / srl_read", "read1_us", "floor", "srl", None, ""),
    ("write1 brindlecast / pyserial", "write1_us", "brindlecast", "pyserial", None, ""),
    ("read1  brindlecast / pyserial", "read1_us", "brindlecast", "pyserial", None, ""),
    ("bulk   brindlecast / pyserial", "bulk_MBps", "brindlecast", "pyserial", None, ""),
    ("write1 floor / raw C", "write1_us", "floor", "raw_c", None, ""),
    ("read1  floor / raw C", "read1_us", "floor", "raw_c", None, ""),
    ("bulk   floor / raw C", "bulk_MBps", "floor", "raw_c", None, ""),
    ("read1  ReadTimeout 1 / brindlecast", "read1_us", "brindlecast_rt1", "brindlecast", None,
     ""),
    ("line32 brindlecast / floor", "line32_us", "brindlecast", "floor", at_most(1.2), "<= 1.20"),
    ("line32 pyserial / brindlecast", "line32_us", "pyserial", "brindlecast", at_least(3),
     ">= 3"),
    ("line32 serialport / brindlecast", "line32_us", "serialport", "brindlecast", at_least(3),
     ">= 3"),
    ("rtt    pyserial / brindlecast", "rtt_us", "pyserial", "brindlecast", None, ""),
]


def timeouts(path):
    """The time-out table: per time-out, how many reads returned before it
    and the median and largest overshoot past it, in ms."""
    elapsed = {}
    with open(path) as lines:
        for line in lines:
            fields = line.split()
            if len(fields) == 2:
                fields.insert(0, "comread")
            if len(fields) == 3:
                elapsed.setdefault((fields[0], float(fields[1])), []).append(float(fields[2]))
    if not elapsed:
        return
    print()
    print("comread of 1 byte and comreadline of up to 64 on a silent line (monotonic clock;"
          " overshoot = time taken - time-out)")
    print(f"{'':12}{'ReadTimeout, s':>14}{'reads':>7}{'early':>7}{'median overshoot, ms':>22}"
          f"{'largest, ms':>13}  target (never early, median < 2, largest < 10)")
    for (mode, timeout), times in sorted(elapsed.items()):
        due = math.ceil(timeout * 1000 - 1e-9) / 1000
        over = [(t - due) * 1000 for t in times]
        early = sum(1 for o in over if o < 0)
        middle, largest = statistics.median(over), max(over)
        met = early == 0 and middle < 2 and largest < 10
        print(f"{mode:12}{timeout:14g}{len(times):7d}{early:7d}{middle:22.3f}{largest:13.3f}  "
              f"{'yes' if met else 'NO'}")


def reader(path):
    """The port's reader: bytes lost by a script that reads once a second,
    an idle reader's CPU, and comread of held bytes against the floor."""
    streams, cpu, batches, waits = [], {}, defaultdict(list), []
    with open(path) as lines:
        for line in lines:
            fields = line.split()
            if len(fields) == 6 and fields[0] == "stream":
                streams.append((fields[1], *map(int, fields[2:])))
            elif len(fields) == 3 and fields[0] == "idle_cpu":
                cpu[fields[1]] = float(fields[2])
            elif len(fields) == 4 and fields[1] == "read1_us":
                batches[fields[0]].append(float(fields[3]))
            elif len(fields) == 3 and fields[0] == "timeout":
                waits.append((float(fields[1]), float(fields[2])))
    if not (streams or cpu or batches):
        return
    print()
    print("The port's reader: a far end streams 92160 bytes/s (921600 baud) for 5 s and drops"
          " what the line does not take;")
    print("the script reads all there is once a second")
    print(f"{'':22}{'generated':>11}{'dropped':>10}{'received':>10}{'lost':>10}{'intact':>8}"
          "  target (with InputBufferSize: 0 lost, intact)")
    for label, generated, dropped, received, intact in streams:
        lost = generated - received
        verdict = ""
        if label != "none":
            verdict = "yes" if lost == 0 and intact else "NO"
        print(f"{label:22}{generated:11d}{dropped:10d}{received:10d}{lost:10d}"
              f"{'yes' if intact else 'no':>8}  {verdict}")
    if "reader" in cpu and "none" in cpu:
        cost = cpu["reader"] - cpu["none"]
        print(f"idle reader: {cost:.3f} % of one core (the process over 5 s of pause: "
              f"{cpu['reader']:.3f} % with it, {cpu['none']:.3f} % without)  target < 1  "
              f"{'yes' if cost < 1 else 'NO'}")
    best = {impl: min(times) for impl, times in batches.items()}
    if "brindlecast_held" in best and "floor" in best:
        ratio = best["brindlecast_held"] / best["floor"]
        device = f", brindlecast from the device {best['brindlecast']:.2f} us" \
            if "brindlecast" in best else ""
        print(f"1-byte comread of a held byte {best['brindlecast_held']:.2f} us, floor "
              f"{best['floor']:.2f} us{device} (fastest of {len(batches['floor'])} batches); "
              f"held / floor {ratio:.2f}  target <= 1.10  {'yes' if ratio <= 1.1 else 'NO'}")
    if waits:
        over = [(elapsed - math.ceil(timeout * 1000 - 1e-9) / 1000) * 1000
                for timeout, elapsed in waits]
        early = sum(1 for o in over if o < 0)
        middle = statistics.median(over)
        print(f"comread with ReadTimeout {waits[0][0]:g} s beside the reader: {len(over)} reads,"
              f" {early} early, median overshoot {middle:.3f} ms, largest {max(over):.3f} ms"
              f"  target (never early, median < 0.5)  {'yes' if early == 0 and middle < 0.5 else 'NO'}")


def main():
    figure = defaultdict(dict)  # (impl, metric) -> {rep: value}
    rounds = defaultdict(dict)  # (impl, metric, rep) -> {round: value}
    with open(sys.argv[1]) as results:
        for line in results:
            fields = line.split()
            if len(fields) == 4:
                figure[(fields[1], fields[2])][int(fields[0])] = float(fields[3])
            elif len(fields) == 5:
                rounds[(fields[1], fields[2], int(fields[0]))][int(fields[3])] = float(fields[4])
    for (impl, metric, rep), values in rounds.items():
        best = max if metric.endswith("MBps") else min
        figure[(impl, metric)][rep] = best(values.values())
    reps = sorted({rep for values in figure.values() for rep in values})
    if not reps:
        if len(sys.argv) > 3:
            reader(sys.argv[3])
        return

    print(f"Medians over {len(reps)} repetitions, a fresh socat pair each (MB = 10^6 bytes)")
    print(f"{'':44}" + "".join(f"{label:>23}" for _, label in METRICS))
    for impl, label in ROWS:
        if not any((impl, m) in figure for m, _ in METRICS):
            continue
        cells = []
        for metric, _ in METRICS:
            got = list(figure.get((impl, metric), {}).values())
            cells.append(f"{statistics.median(got):23.2f}" if got else f"{'-':>23}")
        print(f"{label:44}" + "".join(cells))

    print()
    print("Ratios within each repetition; a target is judged on the median of them")
    print(f"{'':34}" + "".join(f"{'rep' + str(r):>7}" for r in reps)
          + f"{'median':>8}  {'target':8} met")
    for label, metric, top, bottom, test, target in RATIOS:
        a, b = figure.get((top, metric), {}), figure.get((bottom, metric), {})
        per_rep = {rep: a[rep] / b[rep] for rep in reps if rep in a and rep in b}
        if not per_rep:
            continue
        middle = statistics.median(per_rep.values())
        cells = "".join(f"{per_rep[r]:7.2f}" if r in per_rep else f"{'-':>7}" for r in reps)
        verdict = ""
        if test is not None:
            held = sum(1 for v in per_rep.values() if test(v))
            verdict = f"{'yes' if test(middle) else 'NO '} ({held} of {len(per_rep)})"
        print(f"{label:34}{cells}{middle:8.2f}  {target:8} {verdict}")

    if len(sys.argv) > 2:
        timeouts(sys.argv[2])
    if len(sys.argv) > 3:
        reader(sys.argv[3])


if __name__ == "__main__":
    main()
