"""The installer's main job on a demonstration machine (scripts/demo runs it):
a fresh Wine prefix with Sentravault Solution 8.20 build 23 installed and
running, the patch package in C:\\patch, qvrpatch.exe run, and what changed.

  demo.py --build BUILD --build32 BUILD32 --installer EXE --out FOLDER
          [--windows-arch win64|win32] [--windows VERSION] [--interactive]

BUILD and BUILD32 are the x86_64 and i686 build trees whose fixtures stand in
for the product's 64-bit and 32-bit files.
"""

import argparse
import hashlib
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import qvrwine as q  # noqa: E402

CAPTION = "Sentravault Solution - Keyminder"


def say(text=""):
    print(text, flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--build32", required=True)
    parser.add_argument("--installer", required=True)
    parser.add_argument("--windows-arch", default="win64", choices=["win64", "win32"])
    parser.add_argument("--windows", default="win7")
    parser.add_argument("--out", required=True)
    parser.add_argument("--interactive", action="store_true")
    options = parser.parse_args()
    display = os.environ.get("QVR_WINE_DISPLAY") if options.interactive else None
    if options.interactive and not display:
        say("demo: --interactive needs a virtual display (scripts/demo starts one with tests/wine/answer-boxes)")
        return 2

    out = os.path.abspath(options.out)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    say("== A fresh %s-bit machine reporting Windows %s: %s (%s)" % (
        "64" if options.windows_arch == "win64" else "32", options.windows, os.path.join(out, "wineprefix"),
        q.wine_version()))
    builds = {"x86_64": options.build, "i686": options.build32}
    m = q.Machine.fresh(os.path.join(out, "wineprefix"), builds, display=display, arch=options.windows_arch)
    try:
        return demonstrate(m, options, out)
    finally:
        m.stop()


def demonstrate(m, options, out):
    m.set_windows_version(options.windows)
    m.install_product("8.20.23")
    key = m.key32(q.PRODUCT_KEY)
    if m.is64:
        say("Sentravault Solution 8.20.23 installed (32-bit product on 64-bit Windows):")
        say("  HKLM\\%s  Version = 8.20.23, InstallPath = %s" % (key, m.install_dir))
        say("  HKLM\\%s  InstallPath = %s" % (q.PRODUCT_KEY, q.INSTALL_DIR_64))
    else:
        say("Sentravault Solution 8.20.23 installed (32-bit Windows):")
        say("  HKLM\\%s  Version = 8.20.23, InstallPath = %s" % (key, m.install_dir))
    say("  HKLM\\%s  SVTInstall = 1" % m.key32(q.POLICY_KEY))
    with open(options.installer, "rb") as shipped:
        digest = hashlib.sha256(shipped.read()).hexdigest()
    say("Installer: %s, %d bytes, SHA-256 %s" % (options.installer, os.path.getsize(options.installer), digest))
    installer = m.lay_out_package(options.installer)
    say("Patch package: %s with 820\\ (%s) and 821\\ (%s)" % (
        installer, ", ".join(q.PACKAGE_LIBRARIES["820"]), ", ".join(q.PACKAGE_LIBRARIES["821"])))
    before = {path: version for path, version, _ in m.libraries()}
    products = [folder + q.PRODUCT_PROGRAM for folder, _ in m.program_folders()]
    pids = {}
    for path in products:
        pids[path] = m.launch(path)
        say("Product running: %s (host process %d)" % (path, pids[path]))

    say()
    started = time.monotonic()
    if options.interactive:
        say("== Running %s on a virtual display, answering No to the restart" % installer)
        # The restart question is the box with two buttons; any other box has OK alone.
        code, boxes = m.run_answering(installer, [], CAPTION,
                                      lambda box: "n" if "|" in box.buttons else "Return", shots=out)
        for box in boxes:
            say("Box %d: %s [%s], answered %s%s" % (box.number, box.text, box.buttons.replace("&", ""), box.key,
                                                     ", screenshot " + box.shot if box.shot else ""))
    else:
        say("== Running %s /s" % installer)
        code, _ = m.run(installer, ["/s"])
    say("Exit code %d after %.1f s" % (code, time.monotonic() - started))
    still = {path: m.running(path) for path in products}
    m.stop()

    say()
    say("== Patch log (%spatchlog.txt, UTF-16LE)" % q.PACKAGE_DIR)
    log = m.patch_log()
    for line in (log or b"").decode("utf-16").splitlines():
        say("  " + line)
    say()
    say("== Patch record: HKLM\\%s" % m.key32(q.RECORD_KEY))
    record = m.patch_record()
    if record is None:
        say("  none")
    for name, value in (record or {}).items():
        say("  %s = %s" % (name, value))
    say()
    libraries = m.libraries()
    width = max(len(path) for path, _, _ in libraries)
    say("== Libraries%s  before      after       .bak" % (" " * (width - len("Libraries"))))
    for path, version, bak in libraries:
        say("  %-*s  %-11s %-11s %s" % (width, path, before[path], version or "missing", bak or "none"))
    say()
    for path in products:
        pid = pids[path]
        say("== Product process %s: %s; %s" % (
            path, "stopped (host process %d ended)" % pid if pid not in still[path] else
            "not stopped (host process %d runs)" % pid,
            "running again" if [p for p in still[path] if p != pid] else "not started again"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
