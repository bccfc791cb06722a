"""How long a silent run of qvrpatch.exe takes under Wine, next to the start
of a trivial program (scripts/bench runs it):

  bench.py --build BUILD --installer EXE [--runs N]

Each program is timed N times on a machine copied from the end-to-end tests'
template prefix, once with the machine's Wine server already running (as on a
Windows that is up) and once with the server started by the run itself.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import qvrwine as q  # noqa: E402


def timed(m, program, args, runs, warm, prepare=None):
    times = []
    if warm:
        # A server that stays up between the runs, with Wine's own services
        # started by a first, untimed run.
        m.run(program, args)
        subprocess.run([q.WINESERVER, "-p"], env=m.environment())
    for _ in range(runs):
        if prepare:
            prepare()
        if not warm:
            m.stop()
        started = time.monotonic()
        m.run(program, args)
        times.append(time.monotonic() - started)
    m.stop()
    return times


def show(name, times):
    print("  %-52s mean %6.3f s  min %6.3f s  max %6.3f s  (%d runs)" % (
        name, statistics.mean(times), min(times), max(times), len(times)), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--installer", required=True)
    parser.add_argument("--runs", type=int, default=10)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    template = q.template_prefix(os.path.join(build, "wine-e2e"))
    machines = os.path.join(build, "wine-e2e", "bench")
    trivial = os.path.join(build, "tests", "box_text.exe")  # without arguments it ends at once

    bare = q.Machine.copied(template, os.path.join(machines, "bare"), build)
    bare_installer = bare.lay_out_package(options.installer)
    installed = q.Machine.copied(template, os.path.join(machines, "installed"), build)
    installed.set_windows_version("win7")
    installed.install_product()
    installer = installed.lay_out_package(options.installer)
    original = installed.library(q.INSTALLED_LIBRARY_VERSION["8.20.23"])

    def reinstall():
        # Each run patches the release's libraries afresh.
        for folder, name in q.INSTALLED_LIBRARIES:
            installed.put(original, folder + name)
            if installed.exists(folder + name + ".bak"):
                os.remove(installed.path(folder + name + ".bak"))

    try:
        print("Wine %s, %d runs each" % (q.wine_version(), options.runs))
        for warm in (True, False):
            print("Wine server %s:" % ("already running" if warm else "started by each run"))
            show("trivial program (box_text.exe, ends at once)", timed(bare, trivial, [], options.runs, warm))
            show("qvrpatch.exe /s, product not installed (1180)",
                 timed(bare, bare_installer, ["/s"], options.runs, warm))
            show("qvrpatch.exe /s, full 8.20 patch, product not running",
                 timed(installed, installer, ["/s"], options.runs, warm, reinstall))
    finally:
        bare.remove()
        installed.remove()
    return 0


if __name__ == "__main__":
    sys.exit(main())
