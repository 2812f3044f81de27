"""Instructions per loop iteration in Octave, and where brindlecast's cost
more than the floor's, from callgrind runs of octave_cg_loop.m.

    python3 callgrind_octave.py FOLDER SMALL LARGE

FOLDER holds IMPL-OP-N.out for IMPL brindlecast, floor and (when
instrument-control is there) srl, OP write and read, N SMALL and LARGE; a
per-iteration figure is the difference between the LARGE and SMALL runs over
LARGE - SMALL iterations, so Octave's start, opening and closing drop out.
An iteration is the whole of one pass of the loop: the interpreter's work,
the call and the system call's user-space side.
"""
import os
import sys
from collections import defaultdict

from callgrind_summary import parse

SHOWN = 14


def per_call(folder, impl, op, small, large):
    costs = []
    for n in (small, large):
        _, self_cost, _ = parse(os.path.join(folder, f"{impl}-{op}-{n}.out"))
        by_function = defaultdict(int)
        for (ob, fn), cost in self_cost.items():
            by_function[(os.path.basename(ob or "?"), fn)] += cost
        costs.append(by_function)
    calls = large - small
    return {key: (costs[1].get(key, 0) - costs[0].get(key, 0)) / calls
            for key in set(costs[0]) | set(costs[1])}


def main():
    folder, small, large = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    print("Instructions per loop iteration in Octave (callgrind)")
    for op in ("write", "read"):
        ours = per_call(folder, "brindlecast", op, small, large)
        floor = per_call(folder, "floor", op, small, large)
        total_ours, total_floor = sum(ours.values()), sum(floor.values())
        print(f"\n1-byte {op}: brindlecast {total_ours:.0f}, floor {total_floor:.0f}, "
              f"difference {total_ours - total_floor:+.0f} ({total_ours / total_floor:.3f}x)")
        if os.path.exists(os.path.join(folder, f"srl-{op}-{large}.out")):
            srl = sum(per_call(folder, "srl", op, small, large).values())
            print(f"  srl_{op} {srl:.0f}: floor / srl {total_floor / srl:.2f}x, "
                  f"brindlecast / srl {total_ours / srl:.2f}x")
        print("  where the difference is (self instructions per call; object, function):")
        keys = set(ours) | set(floor)
        ranked = sorted(keys, key=lambda k: -abs(ours.get(k, 0) - floor.get(k, 0)))
        for key in ranked[:SHOWN]:
            delta = ours.get(key, 0) - floor.get(key, 0)
            name = key[1] if len(key[1]) <= 90 else key[1][:87] + "..."
            print(f"  {delta:+7.0f}  {key[0]}  {name}")


if __name__ == "__main__":
    main()
