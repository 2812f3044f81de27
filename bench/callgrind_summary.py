"""Instructions per call inside mexFunction, from the dumps that
callgrind_driver's phases leave (callgrind.out files, one per phase).

    python3 callgrind_summary.py MODULE_PATH CALLS DUMP...

For each phase: the total per call, the module's own instructions (the self
cost of every function in the module's object file: dispatch, lookup,
argument checks, the byte conversion, the device layer's wrappers) and what
the calls it makes out of the module cost (host functions, libc's system-call
wrappers, strcmp), each inclusive. Then, for the phases with 1 port, which
module functions the own instructions are in.
"""
import re
import sys
from collections import defaultdict

NAMED = re.compile(r"^\((\d+)\)(?: (.*))?$")


def parse(path):
    """Self cost per (object, function), and inclusive cost of calls made by
    functions of one object to functions of another: {(caller_obj, caller,
    callee_obj, callee): (calls, cost)}; plus the phase name."""
    names = {"ob": {}, "fn": {}}
    self_cost = defaultdict(int)
    calls_out = defaultdict(lambda: [0, 0])
    fn_object = {}
    ob = fn = cob = cfn = None
    pending_call = None
    phase = "?"

    def resolve(kind, text):
        m = NAMED.match(text)
        if not m:
            return text
        if m.group(2) is not None:
            names[kind][m.group(1)] = m.group(2)
        return names[kind][m.group(1)]

    with open(path, errors="replace") as dump:
        for line in dump:
            line = line.rstrip("\n")
            if line.startswith("desc: Trigger: Client Request: "):
                phase = line.split(": ", 2)[2].replace("Client Request: ", "")
            elif line.startswith("ob="):
                ob = resolve("ob", line[3:])
            elif line.startswith("fn="):
                fn = resolve("fn", line[3:])
                fn_object.setdefault(fn, ob)
                cob = None
            elif line.startswith("cob="):
                cob = resolve("ob", line[4:])
            elif line.startswith("cfn="):
                cfn = resolve("fn", line[4:])
            elif line.startswith("calls="):
                pending_call = int(line[6:].split()[0])
            elif line[:1].isdigit() or line[:1] in "+-*":
                parts = line.split()
                cost = int(parts[1]) if len(parts) > 1 else 0
                if pending_call is not None:
                    callee_ob = cob if cob is not None else fn_object.get(cfn, ob)
                    entry = calls_out[(ob, fn, callee_ob, cfn)]
                    entry[0] += pending_call
                    entry[1] += cost
                    pending_call = None
                    cob = None
                else:
                    self_cost[(ob, fn)] += cost
    return phase, self_cost, calls_out


def short(name):
    return re.sub(r"\(.*", "", name)


def main():
    module, calls = sys.argv[1], int(sys.argv[2])
    rows = []
    for path in sys.argv[3:]:
        phase, self_cost, calls_out = parse(path)
        if phase == "?":
            continue
        per_call = calls if phase.endswith("1") else calls // 10
        total = sum(self_cost.values())
        own = sum(c for (ob, _), c in self_cost.items() if ob and ob.endswith(module))
        outside = defaultdict(lambda: [0, 0])
        for (ob, _, cob, cfn), (n, cost) in calls_out.items():
            if ob and ob.endswith(module) and not (cob or "").endswith(module):
                outside[short(cfn)][0] += n
                outside[short(cfn)][1] += cost
        own_by_fn = {short(fn): c for (ob, fn), c in self_cost.items()
                     if ob and ob.endswith(module) and c}
        rows.append((phase, per_call, total, own, outside, own_by_fn))

    print("Instructions per call inside mexFunction (callgrind, test host, Release build)")
    print(f"{'phase':20}{'total':>9}{'module':>9}{'host+libc':>11}   calls out of the module: "
          "count per call x instructions each")
    for phase, n, total, own, outside, _ in rows:
        details = ", ".join(f"{name} {c / n:.0f}x{cost / c:.0f}"
                            for name, (c, cost) in sorted(outside.items(), key=lambda x: -x[1][1]))
        print(f"{phase:20}{total / n:9.0f}{own / n:9.0f}{(total - own) / n:11.0f}   {details}")
    print()
    print("The module's own instructions per call, by function")
    for phase, n, _, _, _, own_by_fn in rows:
        parts = ", ".join(f"{name} {c / n:.0f}"
                          for name, c in sorted(own_by_fn.items(), key=lambda x: -x[1]))
        print(f"{phase:20}{parts}")


if __name__ == "__main__":
    main()
