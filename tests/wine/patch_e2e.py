#!/usr/bin/env python3
"""qvrpatch.exe end to end: the real installer run under Wine on a machine of
its own with the product installed, then its traces checked: the exact bytes
of patchlog.txt, the patch record in the registry, each library and its
.bak, and the product process.

  patch_e2e.py --build DIR --installer EXE --suite NAME [--report FILE]

writes a JUnit report in GoogleTest's form. The Display suite needs a virtual
display (QVR_WINE_DISPLAY, given by answer-boxes) and exits 77 without one.
"""

import argparse
import os
import re
import subprocess
import sys
import time
import traceback
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qvrwine as q  # noqa: E402

CAPTION = "Sentravault Solution - Keyminder"
DESCRIPTION = (
    "Add exception protection to avoid application that is hooked by our hook crashing in unpredictable case.")

ENGLISH = {
    1120: "This oprating system does not match requirements.",
    1121: "Failed to update file %s",
    1122: "%s will be terminated. Do you save your change?",
    1130: "This patch does not apply to this version of Sentravault Solution - Keyminder.",
    1160: "The installation of the patch has completed. Please restart system to enable changes.",
    1170: "This patch has already been installed on this computer.",
    1180: "Sentravault Solution - Keyminder is not installed on this computer.",
    1200: "An unknown exception occurred, the patch installation failed.",
}
GERMAN = {
    1160: "Der Patch wurde installiert. Bitte starten Sie das System neu, damit die ?nderungen wirksam werden.",
    1200: "Eine unbekannte Ausnahme ist aufgetreten, die Installation des Patchs ist fehlgeschlagen.",
}
JAPANESE = {
    1130: "このパッチは、このバージョンの Sentravault Solution - Keyminder には適用されません。",
    1160: "パッチのインストールが完了しました。変更を有効にするには、システムを再起動してください。",
}
CHINESE_PRC = {
    1121: "文件%s更新失败。",
    1122: "程序%s将被终止，你保存了你的修改吗？",
    1200: "出现未知异常，安装补丁失败。",
}

HOOK_64 = q.INSTALL_DIR_64 + q.HOOK_64
HOOK = q.INSTALL_DIR + q.HOOK
INTERFACE_64 = q.INSTALL_DIR_64 + q.INTERFACE
INTERFACE = q.INSTALL_DIR + q.INTERFACE
PRODUCT = q.INSTALL_DIR + q.PRODUCT_PROGRAM
PRODUCT_64 = q.INSTALL_DIR_64 + q.PRODUCT_PROGRAM

OK, YES, NO = 1, 6, 7


def said(text, answer):
    """A message's line in the patch log."""
    return "%s User select: %d\r\n" % (text, answer)


def noted(text, path):
    """A line of text 1121 or 1122, which name a file."""
    return text.replace("%s", path, 1) + "\r\n"


def log_of(*lines):
    return b"\xff\xfe" + "".join(lines).encode("utf-16-le")


def unchanged(version="8.20.23.5"):
    """The installed libraries as the product left them: no .bak."""
    return [(version, None)] * 4


def replaced(old, new, count=4):
    """The first count libraries replaced (each with its .bak), the rest not."""
    return [(new, old)] * count + [(old, None)] * (4 - count)


TESTS = []


def test(suite, name):
    def register(function):
        TESTS.append((suite, name, function))
        return function

    return register


class Test:
    """One test's machines and its failed expectations; an expectation that
    fails lets the test go on, as a GoogleTest EXPECT does."""

    def __init__(self, options, suite, name):
        self.options = options
        self.name = "%s.%s" % (suite, name)
        self.failures = []
        self.machines = []

    def machine(self, windows="win7", locale=None):
        """A fresh machine that reports the given Windows version."""
        template = q.template_prefix(os.path.join(self.options.build, "wine-e2e"))
        folder = os.path.join(self.options.build, "wine-e2e", "machines", "%s.%d" % (self.name, len(self.machines)))
        m = q.Machine.copied(template, folder, self.options.build, locale=locale, display=self.options.display)
        m.set_windows_version(windows)
        self.machines.append(m)
        return m

    def package(self, m, leave_out=()):
        return m.lay_out_package(self.options.installer, leave_out=leave_out)

    def expect(self, ok, message):
        if not ok:
            self.failures.append(message)
        return ok

    def expect_equal(self, actual, expected, what):
        return self.expect(actual == expected, "%s:\n  actual   %r\n  expected %r" % (what, actual, expected))

    def run_silent(self, m, installer):
        code, _ = m.run(installer, ["/s"])
        self.expect_equal(code, 0, "the installer's exit code")

    def expect_log(self, m, expected, alternatives=()):
        """patchlog.txt holds exactly expected (or one of the alternatives)."""
        actual = m.patch_log()
        if actual == expected or actual in alternatives:
            return
        shown = actual.decode("utf-16-le", "replace") if actual else actual
        self.failures.append("patchlog.txt:\n  actual   %r\n  expected %r" % (shown, expected.decode("utf-16-le")))

    def expect_libraries(self, m, expected):
        """The four installed libraries as (version, .bak version)."""
        for (path, version, bak), want in zip(m.libraries(), expected):
            self.expect_equal((version, bak), want, "%s (version, .bak)" % path)

    def expect_record(self, m, present):
        """The patch record in the 32-bit view, and none in the 64-bit view."""
        want = {"description": DESCRIPTION, "updated": q.HOOK} if present else None
        self.expect_equal(m.patch_record(), want, "the patch record")
        registry = m.registry()
        self.expect((q.PRODUCT_KEY + r"\Patch").lower() not in registry, "a patch key in the 64-bit view")

    def expect_running(self, m, path, count=1, not_pid=None):
        """count copies of the program at path run (waiting a moment for a
        start), none of them the process not_pid."""
        deadline = time.monotonic() + 5
        while True:
            pids = m.running(path)
            if len(pids) == count or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        self.expect_equal(len(pids), count, "processes of %s" % path)
        if not_pid is not None:
            self.expect(not_pid not in pids, "%s still runs as the process it was before the run" % path)
        return pids

    def expect_untouched_process(self, m, pid):
        self.expect(pid in m.running(PRODUCT), "the product process %d was stopped" % pid)


# A full patch and a second run.


@test("Patch", "Release820WithTheProductRunningThenAgain")
def release_820_then_again(t):
    m = t.machine()
    m.install_product("8.20.23")
    installer = t.package(m)
    first = [m.start_product(q.INSTALL_DIR), m.start_product(q.INSTALL_DIR_64)]

    t.run_silent(m, installer)
    # Both instances are stopped, and nothing is started after a success.
    t.expect_running(m, PRODUCT, 0)
    t.expect_running(m, PRODUCT_64, 0)
    m.stop()
    stopped = [noted(ENGLISH[1122], PRODUCT), noted(ENGLISH[1122], PRODUCT_64)]
    done = said(ENGLISH[1160], NO)
    expected = log_of(stopped[0], stopped[1], done)
    t.expect_log(m, expected, [log_of(stopped[1], stopped[0], done)])
    t.expect_libraries(m, replaced("8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)
    first_log = m.patch_log()

    # The record does not stop a second run; the equal versions do, and the
    # product is started again.
    t.run_silent(m, installer)
    t.expect_running(m, PRODUCT, 1, not_pid=first[0])
    t.expect_running(m, PRODUCT_64, 0)
    m.stop()
    t.expect_equal(m.patch_log(), (first_log or b"") + said(ENGLISH[1170], OK).encode("utf-16-le"),
                   "patchlog.txt after the second run (appended, one byte-order mark)")
    t.expect_libraries(m, replaced("8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


@test("Patch", "Release821OnWindowsXP")
def release_821(t):
    m = t.machine(windows="winxp")
    m.install_product("8.21.6")
    installer = t.package(m)

    t.run_silent(m, installer)
    # No product ran: nothing logged about one, and none is started.
    t.expect_running(m, PRODUCT, 0)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1160], NO)))
    # Release 8.21 gets the hook libraries only.
    t.expect_libraries(m, replaced("8.21.6.0", "8.21.7.0", count=2))
    t.expect_record(m, True)


# The gates: each stops the run before anything is touched.

GATES = [
    # name, set-up, message
    ("NotRegistered", lambda m: m.install_product(registered=False), 1180),
    ("NotEnabledByThePolicy", lambda m: m.install_product(policy=False), 1180),
    ("EarlierPatchRecorded", lambda m: (m.install_product(), m.record_earlier_patch()), 1170),
    ("Windows2000", lambda m: (m.install_product(), m.set_windows_version("win2k")), 1120),
    ("Release820Build6", lambda m: m.install_product("8.20.6", library_version="8.20.23.5"), 1130),
]


def make_gate_test(setup, message):
    def run(t):
        m = t.machine()
        setup(m)
        installer = t.package(m)
        product = m.start_product()
        t.run_silent(m, installer)
        t.expect_untouched_process(m, product)
        t.expect_running(m, PRODUCT, 1)
        m.stop()
        t.expect_log(m, log_of(said(ENGLISH[message], OK)))
        t.expect_libraries(m, unchanged())
        t.expect_record(m, False)

    return run


for gate_name, gate_setup, gate_message in GATES:
    test("Gates", gate_name)(make_gate_test(gate_setup, gate_message))


# Failures in the patch procedure: the libraries go back as they were, and the
# product runs again.


@test("Failures", "SourceMissing")
def source_missing(t):
    m = t.machine()
    m.install_product()
    # The last library of the four is the one missing.
    installer = t.package(m, leave_out=["820\\" + q.INTERFACE])
    product = m.start_product()

    t.run_silent(m, installer)
    t.expect_running(m, PRODUCT, 1, not_pid=product)
    m.stop()
    t.expect_log(m, log_of(noted(ENGLISH[1122], PRODUCT), said(ENGLISH[1200], OK), noted(ENGLISH[1121], INTERFACE)))
    t.expect_libraries(m, unchanged())
    t.expect_record(m, False)


@test("Failures", "InstalledLibraryNewerThanThePatch")
def installed_newer(t):
    m = t.machine()
    # The 64-bit hook is replaced before the newer 32-bit hook is met.
    m.install_product(libraries={(q.INSTALL_DIR, q.HOOK): "8.21.6.0"})
    installer = t.package(m)

    t.run_silent(m, installer)
    t.expect_running(m, PRODUCT, 1)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1130], OK)))
    t.expect_libraries(m, [("8.20.23.5", None), ("8.21.6.0", None), ("8.20.23.5", None), ("8.20.23.5", None)])
    t.expect_record(m, False)


@test("Failures", "No64BitInstallFolder")
def no_64_bit_install_folder(t):
    m = t.machine()
    m.install_product(view64=False)
    installer = t.package(m)

    t.run_silent(m, installer)
    # The run ends before the first library without a word (no log at all),
    # and the product is started.
    t.expect_running(m, PRODUCT, 1)
    m.stop()
    t.expect_equal(m.patch_log(), None, "patchlog.txt")
    t.expect_libraries(m, unchanged())
    t.expect_record(m, False)


# The user's language picks the texts; the log lines of 1121 and 1122 fall back
# to English where the language's table has none.


@test("Languages", "GermanFailedCopy")
def german_failed_copy(t):
    m = t.machine(locale="de_DE.UTF-8")
    m.install_product()
    installer = t.package(m, leave_out=["820\\" + q.INTERFACE])
    m.start_product()

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(noted(ENGLISH[1122], PRODUCT), said(GERMAN[1200], OK), noted(ENGLISH[1121], INTERFACE)))
    t.expect_libraries(m, unchanged())


@test("Languages", "ChinesePrcFailedCopy")
def chinese_failed_copy(t):
    m = t.machine(locale="zh_CN.UTF-8")
    m.install_product()
    installer = t.package(m, leave_out=["820\\" + q.HOOK_64])

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(CHINESE_PRC[1200], OK), noted(CHINESE_PRC[1121], HOOK_64)))
    t.expect_libraries(m, unchanged())


@test("Languages", "JapanesePatch")
def japanese_patch(t):
    m = t.machine(locale="ja_JP.UTF-8")
    m.install_product()
    installer = t.package(m)

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(JAPANESE[1160], NO)))
    t.expect_libraries(m, replaced("8.20.23.5", "8.20.24.0"))


@test("Languages", "JapaneseWrongVersion")
def japanese_wrong_version(t):
    m = t.machine(locale="ja_JP.UTF-8")
    m.install_product("8.21.5", library_version="8.21.6.0")
    installer = t.package(m)

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(JAPANESE[1130], OK)))


# Message boxes for real, answered by key on a virtual display.

YES_NO = "&Yes|&No"


def make_display_test(setup, boxes, log_lines, libraries, record):
    """boxes: [(text, buttons, key)] in the order they are shown."""

    def run(t):
        m = t.machine()
        setup(m)
        installer = t.package(m)
        keys = [key for _, _, key in boxes]
        # A box beyond those expected is closed all the same, and fails below.
        code, shown = m.run_answering(installer, [], CAPTION,
                                      lambda box: keys[box.number - 1] if box.number <= len(keys) else "Return")
        t.expect_equal(code, 0, "the installer's exit code")
        t.expect_equal([(b.text, b.buttons, b.key) for b in shown], boxes, "the boxes shown (text, buttons, key)")
        m.stop()
        t.expect_log(m, log_of(*log_lines))
        t.expect_libraries(m, libraries)
        t.expect_record(m, record)

    return run


DISPLAY_TESTS = [
    ("AnswerYesToTheRestart", lambda m: m.install_product(), [(ENGLISH[1160], YES_NO, "y")],
     [said(ENGLISH[1160], YES)], replaced("8.20.23.5", "8.20.24.0"), True),
    ("AnswerNoToTheRestart", lambda m: m.install_product(), [(ENGLISH[1160], YES_NO, "n")],
     [said(ENGLISH[1160], NO)], replaced("8.20.23.5", "8.20.24.0"), True),
    ("NotInstalledOk", lambda m: m.install_product(registered=False), [(ENGLISH[1180], "OK", "Return")],
     [said(ENGLISH[1180], OK)], unchanged(), False),
]

for display_name, display_setup, display_boxes, display_log, display_libraries, display_record in DISPLAY_TESTS:
    test("Display", display_name)(
        make_display_test(display_setup, display_boxes, display_log, display_libraries, display_record))


# Running and reporting.


def run_test(options, suite, name, function):
    t = Test(options, suite, name)
    started = time.monotonic()
    try:
        function(t)
    except Exception:
        t.failures.append("exception:\n" + traceback.format_exc())
    finally:
        for m in t.machines:
            try:
                m.stop()
            except Exception:
                t.failures.append("could not stop the machine %s:\n%s" % (m.prefix, traceback.format_exc()))
    if t.failures:
        t.failures.append("the machine is kept in %s" % ", ".join(m.prefix for m in t.machines))
    else:
        for m in t.machines:
            m.remove()
    return t.failures, time.monotonic() - started


def write_report(path, suite, results, skipped_reason=None):
    cases = ET.Element("testsuite", name=suite, tests=str(len(results)),
                       failures=str(sum(1 for _, f, _ in results if f)), disabled="0", errors="0",
                       time="%.3f" % sum(s for _, _, s in results))
    for name, failures, seconds in results:
        result = "skipped" if skipped_reason else "completed"
        case = ET.SubElement(cases, "testcase", name=name, status="run", result=result, time="%.3f" % seconds,
                             classname=suite)
        if skipped_reason:
            ET.SubElement(case, "skipped", message=skipped_reason)
        for failure in failures:
            element = ET.SubElement(case, "failure", message=failure.split("\n")[0], type="")
            element.text = failure
    root = ET.Element("testsuites", tests=cases.get("tests"), failures=cases.get("failures"), disabled="0",
                      errors="0", time=cases.get("time"), name="AllTests")
    root.append(cases)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    ET.ElementTree(root).write(path, encoding="UTF-8", xml_declaration=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the win64 build tree")
    parser.add_argument("--installer", required=True, help="qvrpatch.exe")
    parser.add_argument("--suite", required=True, choices=sorted({s for s, _, _ in TESTS}))
    parser.add_argument("--filter", default="", help="run only the tests whose name matches this regular expression")
    parser.add_argument("--report", help="the JUnit report to write")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    options.display = os.environ.get("QVR_WINE_DISPLAY") if options.suite == "Display" else None

    chosen = [(n, f) for s, n, f in TESTS if s == options.suite and re.search(options.filter, n)]
    if options.suite == "Display" and not options.display:
        reason = "no virtual display (run it under tests/wine/answer-boxes)"
        print("skipped: " + reason)
        if options.report:
            write_report(options.report, options.suite, [(n, [], 0.0) for n, _ in chosen], reason)
        return 77

    results = []
    for name, function in chosen:
        failures, seconds = run_test(options, options.suite, name, function)
        results.append((name, failures, seconds))
        print("[%s] %s.%s (%.1f s)" % ("FAILED" if failures else "    OK", options.suite, name, seconds))
        for failure in failures:
            print("  " + failure.replace("\n", "\n  "))
        sys.stdout.flush()
    if options.report:
        write_report(options.report, options.suite, results)
    failed = sum(1 for _, f, _ in results if f)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
