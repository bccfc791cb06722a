"""The installer's main job on a demonstration machine (scripts/demo runs it):
a fresh Wine prefix with Sentravault Solution 8.20 build 23 installed and
running, the patch package in C:\\patch, qvrpatch.exe run, and what changed.

  demo.py --build BUILD --installer EXE --out FOLDER [--interactive]
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
    parser.add_argument("--installer", required=True)
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
    say("== A fresh Windows 7 machine: %s (%s)" % (os.path.join(out, "wineprefix"), q.wine_version()))
    m = q.Machine.fresh(os.path.join(out, "wineprefix"), options.build, display=display)
    try:
        return demonstrate(m, options, out)
    finally:
        m.stop()


def demonstrate(m, options, out):
    m.set_windows_version("win7")
    m.install_product("8.20.23")
    say("Sentravault Solution 8.20.23 installed (32-bit product on 64-bit Windows):")
    say("  HKLM\\%s  Version = 8.20.23, InstallPath = %s" % (q.view32(q.PRODUCT_KEY), q.INSTALL_DIR))
    say("  HKLM\\%s  InstallPath = %s" % (q.PRODUCT_KEY, q.INSTALL_DIR_64))
    say("  HKLM\\%s  SVTInstall = 1" % q.view32(q.POLICY_KEY))
    with open(options.installer, "rb") as shipped:
        digest = hashlib.sha256(shipped.read()).hexdigest()
    say("Installer: %s, %d bytes, SHA-256 %s" % (options.installer, os.path.getsize(options.installer), digest))
    installer = m.lay_out_package(options.installer)
    say("Patch package: %s with 820\\ (%s) and 821\\ (%s)" % (
        installer, ", ".join(q.PACKAGE_LIBRARIES["820"]), ", ".join(q.PACKAGE_LIBRARIES["821"])))
    before = {path: version for path, version, _ in m.libraries()}
    product = q.INSTALL_DIR + q.PRODUCT_PROGRAM
    pid = m.start_product()
    say("Product running: %s (host process %d)" % (product, pid))

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
    still = m.running(product)
    stopped = pid not in still
    m.stop()

    say()
    say("== Patch log (%spatchlog.txt, UTF-16LE)" % q.PACKAGE_DIR)
    log = m.patch_log()
    for line in (log or b"").decode("utf-16").splitlines():
        say("  " + line)
    say()
    say("== Patch record: HKLM\\%s" % q.view32(q.RECORD_KEY))
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
    say("== Product process: %s; %s" % (
        "stopped (host process %d ended)" % pid if stopped else "not stopped (host process %d runs)" % pid,
        "running again" if [p for p in still if p != pid] else "not started again"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
