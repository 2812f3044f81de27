#!/usr/bin/env python3
"""A real Ctrl-C in an interactive Octave ends a comread that would wait forever.

Octave runs on a pseudo-terminal, as a user's session does, with the module
from MODULE_FOLDER (default build/octave) across a socat cable. Two bytes
arrive, a comread of 10 with ReadTimeout Inf waits for the rest, and
`kill -INT` goes to Octave. The prompt must come back within 0.2 s, the rest
of the interrupted line must not run, the two bytes must come back from the
next read, and the port must go on working. Ends with one line
"sigint: N passed, M failed".
"""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
sys.dont_write_bytecode = True  # nothing left in the source tree
from octave_session import Session  # noqa: E402

PROMPT = "bc-prompt> "
PROMPT_LIMIT = 0.2  # seconds from SIGINT to the prompt
START_LIMIT = 120.0  # a loaded machine may take long to start Octave


def main():
    root = ROOT
    module_folder = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                                    os.path.join(root, "build", "octave"))
    results = []
    # Stopped by timeout(1): clean up as after a failure.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    def check(name, ok, detail=""):
        results.append(ok)
        print(("ok      " if ok else "FAILED  ") + name + (f" ({detail})" if detail else ""))

    work = tempfile.mkdtemp()
    a, b = os.path.join(work, "a"), os.path.join(work, "b")
    cable = subprocess.Popen(["socat", f"pty,raw,echo=0,link={a}", f"pty,raw,echo=0,link={b}"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    session = None
    far = None
    try:
        for _ in range(1000):
            if os.path.exists(a) and os.path.exists(b):
                break
            time.sleep(0.01)
        far = os.open(b, os.O_RDWR | os.O_NOCTTY)
        # From inside build/: brindlecast.m (help text only) in the root
        # folder would shadow the module.
        session = Session(module_folder, os.path.join(root, "build"), PROMPT)
        session.send(f'more off; PS1 ("{PROMPT}");')
        if session.wait_for(PROMPT, START_LIMIT) is None:
            raise RuntimeError("no prompt from octave-cli: " + session.seen[-500:])
        opened = session.run(f'a = brindlecast ("comopen", struct ("PortName", "{a}", '
                             f'"BaudRate", 115200, "ReadTimeout", Inf)); printf ("<%s>\\n", "opened");')
        if opened is None or "<opened>" not in opened:
            raise RuntimeError(f"comopen failed: {opened!r}")

        os.write(far, bytes([7, 250]))
        session.send('printf ("<%s>\\n", "reading"); [r, n] = brindlecast ("comread", a, 10); '
                     'printf ("<%s>\\n", "after");')
        started = session.wait_for("<reading>", 10.0) is not None
        # Let the read take the two bytes in and settle into its wait.
        waiting = started and session.wait_for(PROMPT, 0.5) is None
        check("comread of 10 with ReadTimeout Inf still waits after 2 bytes", waiting,
              "" if waiting else repr(session.seen[-200:]))
        if not waiting:
            raise RuntimeError("the read was not waiting; no interrupt sent")

        sent = time.monotonic()
        os.kill(session.proc.pid, signal.SIGINT)
        shown = session.wait_for(PROMPT, 10.0)
        delay = time.monotonic() - sent
        check(f"SIGINT to prompt within {PROMPT_LIMIT} s", shown is not None and
              delay <= PROMPT_LIMIT, f"{delay:.3f} s")
        if shown is None:
            raise RuntimeError("no prompt after SIGINT: the read went on waiting")
        check("the rest of the interrupted line did not run", "<after>" not in shown,
              repr(shown))

        kept = session.run('brindlecast ("comset", a, struct ("ReadTimeout", 0.5)); '
                           '[r, n] = brindlecast ("comread", a, 10); '
                           'printf ("<%s %d>\\n", mat2str (r), n);')
        check("the 2 bytes come back from the next comread", kept is not None and
              "<[7 250] 2>" in kept, repr(kept))

        os.write(far, bytes([42]))
        later = session.run('printf ("<%d>\\n", brindlecast ("comread", a, 1)); '
                            'brindlecast ("comwrite", a, uint8 (5), 1);')
        echoed = select.select([far], [], [], 5.0)[0] and os.read(far, 16)
        check("the port works after the interrupt", later is not None and "<42>" in later and
              echoed == bytes([5]), f"{later!r}, {echoed!r}")
        session.run('brindlecast ("comclose", a);')
    except Exception as error:  # a broken set-up counts as a failure
        check("the run went through", False, str(error))
    finally:
        if session:
            session.close()
        if far is not None:
            os.close(far)
        cable.terminate()
        cable.wait()
        for path in (a, b):
            if os.path.lexists(path):
                os.unlink(path)
        os.rmdir(work)
    passed = sum(results)
    print(f"sigint: {passed} passed, {len(results) - passed} failed")
    return 0 if results and all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
