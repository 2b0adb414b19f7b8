#!/usr/bin/env python3
"""An interrupted table leaves nothing behind: the real program, writing a
long table with GPX and RTZ files, is held (nobody reads its standard output)
once its scratch files exist, then sent SIGINT or SIGTERM. It must end by
that signal, remove every scratch and temporary file, and leave the earlier
route files as they were.
usage: interrupt_test.py <program>"""
import os, signal, subprocess, sys, tempfile, time

program = sys.argv[1]
failures = []
for sig in (signal.SIGINT, signal.SIGTERM):
    with tempfile.TemporaryDirectory(prefix="sailings-interrupt-") as work:
        for name in ("k.gpx", "k.rtz"):
            with open(os.path.join(work, name), "w") as f:
                f.write("earlier " + name)
        run = subprocess.Popen([program, "table", "1", "2", "3", "4", "--points", "100000",
                                "--gpx", "k.gpx", "--rtz", "k.rtz"], cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while time.time() < deadline and not any(n.endswith(".part") for n in os.listdir(work)):
            time.sleep(0.02)
        if not any(n.endswith(".part") for n in os.listdir(work)):
            failures.append(f"{sig.name}: no scratch file appeared")
        time.sleep(0.3)  # its standard output fills and holds it mid-table
        run.send_signal(sig)
        try:
            status = run.wait(timeout=30)
        except subprocess.TimeoutExpired:
            run.kill()
            status = run.wait()
        run.stdout.close()
        if status != -sig:
            failures.append(f"{sig.name}: ended with status {status}, not by the signal")
        left = sorted(set(os.listdir(work)) - {"k.gpx", "k.rtz"})
        if left:
            failures.append(f"{sig.name}: left behind {left}")
        for name in ("k.gpx", "k.rtz"):
            with open(os.path.join(work, name)) as f:
                if f.read() != "earlier " + name:
                    failures.append(f"{sig.name}: {name} changed")
for f in failures:
    print("FAIL: " + f)
print(f"interrupted runs: {0 if failures else 2} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
