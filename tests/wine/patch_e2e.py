#!/usr/bin/env python3
"""qvrpatch.exe end to end: the real installer run under Wine on a machine of
its own with the product installed, then its traces checked: the exact bytes
of patchlog.txt, the patch record in the registry, each library and its
.bak, and the product process.

  patch_e2e.py --build DIR [--build32 DIR] --installer EXE --suite NAME
               [--windows-arch win64|win32] [--windows VERSION] [--report FILE]

--build is the x86_64 build tree (its fixtures, locales and box reader),
--build32 the i686 one (the product's 32-bit files); the machine is a 64-bit
Windows unless --windows-arch win32 makes it a 32-bit one, reporting the
Windows version --windows (win7 unless given). Writes a JUnit report in
GoogleTest's form. The Display suite needs a virtual display
(QVR_WINE_DISPLAY, given by answer-boxes) and exits 77 without one; every
suite exits 77 where this machine cannot run a 32-bit program that it needs.
"""

import argparse
import os
import re
import signal
import stat
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

OK, YES, NO = 1, 6, 7


def product(m):
    """The 32-bit product's keyminder.exe."""
    return m.install_dir + q.PRODUCT_PROGRAM


def product_64(m):
    return q.INSTALL_DIR_64 + q.PRODUCT_PROGRAM


def first_library(m):
    """(package file, installed path) of the library the installer replaces
    first: the 64-bit hook on a 64-bit Windows, else the hook."""
    folder, name, _ = m.installed_libraries()[0]
    return (q.HOOK_64 if m.is64 else q.HOOK), folder + name


def last_library(m):
    folder, name, _ = m.installed_libraries()[-1]
    return q.INTERFACE, folder + name


def said(text, answer):
    """A message's line in the patch log."""
    return "%s User select: %d\r\n" % (text, answer)


def noted(text, path):
    """A line of text 1121 or 1122, which name a file."""
    return text.replace("%s", path, 1) + "\r\n"


def log_of(*lines):
    return b"\xff\xfe" + "".join(lines).encode("utf-16-le")


def unchanged(m, version="8.20.23.5"):
    """The installed libraries as the product left them: no .bak."""
    return [(version, None)] * len(m.installed_libraries())


def replaced(m, old, new, count=None):
    """The first count libraries replaced (each with its .bak; all unless
    given), the rest not."""
    total = len(m.installed_libraries())
    count = total if count is None else count
    return [(new, old)] * count + [(old, None)] * (total - count)


TESTS = []


def test(suite, name, windows64_only=False):
    """Registers a test; windows64_only leaves it out on a 32-bit Windows,
    where what it tests does not exist."""

    def register(function):
        function.windows64_only = windows64_only
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

    def machine(self, windows=None, locale=None):
        """A fresh machine of the suite's kind that reports the given Windows
        version (the suite's own unless given)."""
        o = self.options
        template = q.template_prefix(os.path.join(o.build, "wine-e2e"), o.windows_arch)
        folder = os.path.join(o.build, "wine-e2e", "machines", "%s.%s.%d" % (o.label, self.name, len(self.machines)))
        m = q.Machine.copied(template, folder, o.builds, locale=locale, display=o.display, arch=o.windows_arch)
        m.set_windows_version(windows or o.windows)
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
        if m.is64:
            registry = m.registry()
            self.expect((q.PRODUCT_KEY + r"\Patch").lower() not in registry, "a patch key in the 64-bit view")

    def expect_writable(self, m):
        """No library left read-only (Wine shows a file without its owner's
        write bit as read-only)."""
        for path, version, _ in m.libraries():
            if version is not None:
                mode = os.stat(m.path(path)).st_mode
                self.expect(mode & stat.S_IWUSR, "%s is read-only" % path)

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
        self.expect(pid in m.running(product(m)), "the product process %d was stopped" % pid)


# A full patch and a second run.


@test("Patch", "Release820WithTheProductRunningThenAgain")
def release_820_then_again(t):
    m = t.machine()
    m.install_product("8.20.23")
    installer = t.package(m)
    if m.is64:
        # The 32-bit product and the 64-bit one: a 32-bit installer cannot
        # read a 64-bit process's modules, and stops it all the same.
        first = [m.start_product(), m.start_product(q.INSTALL_DIR_64)]
        stopped = [noted(ENGLISH[1122], product(m)), noted(ENGLISH[1122], product_64(m))]
        expected = [log_of(stopped[0], stopped[1], said(ENGLISH[1160], NO)),
                    log_of(stopped[1], stopped[0], said(ENGLISH[1160], NO))]
    else:
        # One folder on a 32-bit Windows: the first match is the one stopped.
        first = [m.start_product(), m.start_product()]
        expected = [log_of(noted(ENGLISH[1122], product(m)), said(ENGLISH[1160], NO))]

    t.run_silent(m, installer)
    # Nothing is started after a success.
    t.expect_running(m, product(m), 0 if m.is64 else 1)
    if m.is64:
        t.expect_running(m, product_64(m), 0)
    m.stop()
    t.expect_log(m, expected[0], expected[1:])
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)
    first_log = m.patch_log()

    # The record does not stop a second run; the equal versions do, and the
    # product is started again (the machine's stop ended every program).
    t.run_silent(m, installer)
    t.expect_running(m, product(m), 1, not_pid=first[0])
    if m.is64:
        t.expect_running(m, product_64(m), 0)
    m.stop()
    t.expect_equal(m.patch_log(), (first_log or b"") + said(ENGLISH[1170], OK).encode("utf-16-le"),
                   "patchlog.txt after the second run (appended, one byte-order mark)")
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


@test("Patch", "Release821OnWindowsXP")
def release_821(t):
    m = t.machine(windows="winxp")
    m.install_product("8.21.6")
    installer = t.package(m)

    t.run_silent(m, installer)
    # No product ran: nothing logged about one, and none is started.
    t.expect_running(m, product(m), 0)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1160], NO)))
    # Release 8.21 gets the hook libraries only.
    t.expect_libraries(m, replaced(m, "8.21.6.0", "8.21.7.0", count=2 if m.is64 else 1))
    t.expect_record(m, True)


# The gates: each stops the run before anything is touched.

GATES = [
    # name, set-up, message
    ("NotRegistered", lambda m: m.install_product(registered=False), 1180),
    ("NotEnabledByThePolicy", lambda m: m.install_product(policy=False), 1180),
    ("EarlierPatchRecorded", lambda m: (m.install_product(), m.record_earlier_patch()), 1170),
    ("Windows2000", lambda m: (m.install_product(), m.set_windows_version("win2k")), 1120),
    # The manifest declares Windows 8 to 10, so these are told their own
    # version: 10 (and 11, which reports 10.0) is not one the patch is for.
    ("Windows10", lambda m: (m.install_product(), m.set_windows_version("win10")), 1120),
    ("Release820Build6", lambda m: m.install_product("8.20.6", library_version="8.20.23.5"), 1130),
]


def make_gate_test(setup, message):
    def run(t):
        m = t.machine()
        setup(m)
        installer = t.package(m)
        pid = m.start_product()
        t.run_silent(m, installer)
        t.expect_untouched_process(m, pid)
        t.expect_running(m, product(m), 1)
        m.stop()
        t.expect_log(m, log_of(said(ENGLISH[message], OK)))
        t.expect_libraries(m, unchanged(m))
        t.expect_record(m, False)

    return run


for gate_name, gate_setup, gate_message in GATES:
    test("Gates", gate_name)(make_gate_test(gate_setup, gate_message))


@test("Gates", "Windows81Patches")
def windows_81(t):
    m = t.machine(windows="win81")
    m.install_product()
    installer = t.package(m)
    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1160], NO)))
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


# Failures in the patch procedure: the libraries go back as they were, and the
# product runs again.


def make_broken_source_test(spoil):
    """The last library's source spoilt by spoil(host path): 1200 and the
    1121 line, every library as before, no record, the product running."""

    def run(t):
        m = t.machine()
        m.install_product()
        installer = t.package(m)
        name, target = last_library(m)
        spoil(m.path(q.PACKAGE_DIR + "820\\" + name))
        pid = m.start_product()

        t.run_silent(m, installer)
        t.expect_running(m, product(m), 1, not_pid=pid)
        m.stop()
        t.expect_log(m, log_of(noted(ENGLISH[1122], product(m)), said(ENGLISH[1200], OK),
                               noted(ENGLISH[1121], target)))
        t.expect_libraries(m, unchanged(m))
        t.expect_record(m, False)

    return run


def write_text(text):
    def spoil(path):
        with open(path, "w") as f:
            f.write(text)

    return spoil


BROKEN_SOURCES = [
    ("SourceMissing", os.remove),
    # A failed copy of the package, and an error page saved under the
    # library's name: neither has a version to compare, and neither loads.
    ("SourceEmpty", write_text("")),
    ("SourceAWebPage", write_text("<html><body><h1>404 Not Found</h1></body></html>\n")),
]

for broken_name, broken_spoil in BROKEN_SOURCES:
    test("Failures", broken_name)(make_broken_source_test(broken_spoil))


@test("Failures", "InstalledLibraryNewerThanThePatch")
def installed_newer(t):
    m = t.machine()
    # On a 64-bit Windows the 64-bit hook is replaced before the newer
    # 32-bit hook is met, and goes back.
    m.install_product(libraries={(m.install_dir, q.HOOK): "8.21.6.0"})
    installer = t.package(m)

    t.run_silent(m, installer)
    t.expect_running(m, product(m), 1)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1130], OK)))
    expected = unchanged(m)
    expected[1 if m.is64 else 0] = ("8.21.6.0", None)
    t.expect_libraries(m, expected)
    t.expect_record(m, False)


@test("Failures", "No64BitInstallFolder", windows64_only=True)
def no_64_bit_install_folder(t):
    m = t.machine()
    m.install_product(view64=False)
    installer = t.package(m)

    t.run_silent(m, installer)
    # The run ends before the first library without a word (no log at all),
    # and the product is started.
    t.expect_running(m, product(m), 1)
    m.stop()
    t.expect_equal(m.patch_log(), None, "patchlog.txt")
    t.expect_libraries(m, unchanged(m))
    t.expect_record(m, False)


@test("Failures", "ALibraryTheProductLackedGoesAgain")
def library_the_product_lacked(t):
    m = t.machine()
    # The first library is not there; the last one's source is missing.
    folder, name, _ = m.installed_libraries()[0]
    m.install_product(libraries={(folder, name): None})
    installer = t.package(m, leave_out=["820\\" + q.INTERFACE])

    t.run_silent(m, installer)
    m.stop()
    expected = unchanged(m)
    expected[0] = (None, None)
    t.expect_libraries(m, expected)
    t.expect_record(m, False)

    # So the next run with the whole package patches, rather than meeting a
    # library of its own and saying 1170.
    m.lay_out_package(t.options.installer)
    t.run_silent(m, installer)
    m.stop()
    expected = replaced(m, "8.20.23.5", "8.20.24.0")
    expected[0] = ("8.20.24.0", None)
    t.expect_libraries(m, expected)
    t.expect_record(m, True)


# The package as it may arrive: on read-only media, beside libraries of the
# same names as system ones.


def make_read_only(m, folder=q.PACKAGE_DIR):
    for root, _, files in os.walk(m.path(folder)):
        for name in files:
            path = os.path.join(root, name)
            os.chmod(path, os.stat(path).st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))


@test("Package", "OnReadOnlyMedia")
def read_only_package(t):
    m = t.machine()
    m.install_product()
    installer = t.package(m)
    make_read_only(m, q.PACKAGE_DIR + "820\\")

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(ENGLISH[1160], NO)))
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_writable(m)
    t.expect_record(m, True)


@test("Package", "OnReadOnlyMediaRolledBack")
def read_only_package_rolled_back(t):
    m = t.machine()
    m.install_product()
    installer = t.package(m, leave_out=["820\\" + q.INTERFACE])
    make_read_only(m, q.PACKAGE_DIR + "820\\")

    t.run_silent(m, installer)
    m.stop()
    t.expect_libraries(m, unchanged(m))
    t.expect_writable(m)
    t.expect_record(m, False)


@test("Package", "PlantedSystemLibrariesAreNotUsed")
def planted_libraries(t):
    """Copies of version.dll, psapi.dll and shlwapi.dll beside the installer,
    with Windows' search order (the program's folder first): the installer
    calls none of their functions, and psapi's is not even loaded. (Wine's
    own user32 and shell32 import version and shlwapi by name, so under these
    overrides Wine loads those two planted copies whatever the program does;
    on Windows user32 and shell32 are known libraries that do not.)"""
    m = t.machine()
    m.install_product()
    installer = t.package(m)
    names = ("version", "psapi", "shlwapi")
    for name in names:
        m.put(m.fixture("planted", name + ".dll", code=t.options.program_code), q.PACKAGE_DIR + name + ".dll")
    code, _ = m.run(installer, ["/s"], overrides=",".join(names) + "=n,b")
    t.expect_equal(code, 0, "the installer's exit code")
    m.stop()
    called = [name for name in names if m.exists(q.PACKAGE_DIR + name + ".dll.called")]
    t.expect_equal(called, [], "planted libraries whose functions the installer called")
    t.expect(not m.exists(q.PACKAGE_DIR + "psapi.dll.ran"), "the planted psapi.dll was loaded")
    t.expect_log(m, log_of(said(ENGLISH[1160], NO)))
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


# Runs at once: a deployment tool and a logon script start the patch
# together. One patches, the other meets the new libraries (1170); nothing is
# lost, whatever the order.

PAIRS = int(os.environ.get("QVR_E2E_PAIRS", "10"))


def run_pair(m, installer):
    """The two runs' exit codes."""
    m.serve()
    runs = [m.start_run(installer, ["/s"]) for _ in range(2)]
    return [run.wait(timeout=120) for run in runs]


def expect_one_patched(t, m, stopped):
    done, again = said(ENGLISH[1160], NO), said(ENGLISH[1170], OK)
    t.expect_log(m, log_of(*stopped, done, again), [log_of(*stopped, again, done)])
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


def make_pairs_test(with_product):
    def run(t):
        for _ in range(PAIRS):
            m = t.machine()
            m.install_product()
            installer = t.package(m)
            stopped = []
            if with_product:
                m.start_product()
                stopped = [noted(ENGLISH[1122], product(m))]
            codes = run_pair(m, installer)
            m.stop()
            failures = len(t.failures)
            t.expect_equal(codes, [0, 0], "the two runs' exit codes")
            expect_one_patched(t, m, stopped)
            if len(t.failures) == failures:
                m.remove()
                t.machines.remove(m)

    return run


test("Together", "PairsWithoutTheProductRunning")(make_pairs_test(False))
test("Together", "PairsWithTheProductRunning")(make_pairs_test(True))


@test("Together", "ARunKilledHoldingTheLockDoesNotStopTheNext")
def killed_run(t):
    m = t.machine()
    m.install_product()
    installer = t.package(m)
    pid = m.start_product()
    first = m.start_run(installer, ["/s"])
    # The product gone is the first run inside the lock, in its five-second
    # wait before it moves anything.
    deadline = time.monotonic() + 30
    while pid in m.running(product(m)) and time.monotonic() < deadline:
        time.sleep(0.05)
    t.expect(pid not in m.running(product(m)), "the first run did not stop the product")
    for host_pid in m.running(installer):
        os.kill(host_pid, signal.SIGKILL)
    first.wait(timeout=30)
    started = time.monotonic()
    t.run_silent(m, installer)
    t.expect(time.monotonic() - started < 30, "the second run waited %.0f s" % (time.monotonic() - started))
    m.stop()
    t.expect_log(m, log_of(noted(ENGLISH[1122], product(m)), said(ENGLISH[1160], NO)))
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))
    t.expect_record(m, True)


# The user's language picks the texts; the log lines of 1121 and 1122 fall back
# to English where the language's table has none.


@test("Languages", "GermanFailedCopy")
def german_failed_copy(t):
    m = t.machine(locale="de_DE.UTF-8")
    m.install_product()
    name, target = last_library(m)
    installer = t.package(m, leave_out=["820\\" + name])
    m.start_product()

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(noted(ENGLISH[1122], product(m)), said(GERMAN[1200], OK), noted(ENGLISH[1121], target)))
    t.expect_libraries(m, unchanged(m))


@test("Languages", "ChinesePrcFailedCopy")
def chinese_failed_copy(t):
    m = t.machine(locale="zh_CN.UTF-8")
    m.install_product()
    name, target = first_library(m)
    installer = t.package(m, leave_out=["820\\" + name])

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(CHINESE_PRC[1200], OK), noted(CHINESE_PRC[1121], target)))
    t.expect_libraries(m, unchanged(m))


@test("Languages", "JapanesePatch")
def japanese_patch(t):
    m = t.machine(locale="ja_JP.UTF-8")
    m.install_product()
    installer = t.package(m)

    t.run_silent(m, installer)
    m.stop()
    t.expect_log(m, log_of(said(JAPANESE[1160], NO)))
    t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0"))


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


def make_display_test(setup, boxes, log_lines, patched):
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
        t.expect_libraries(m, replaced(m, "8.20.23.5", "8.20.24.0") if patched else unchanged(m))
        t.expect_record(m, patched)

    return run


DISPLAY_TESTS = [
    ("AnswerYesToTheRestart", lambda m: m.install_product(), [(ENGLISH[1160], YES_NO, "y")],
     [said(ENGLISH[1160], YES)], True),
    ("AnswerNoToTheRestart", lambda m: m.install_product(), [(ENGLISH[1160], YES_NO, "n")],
     [said(ENGLISH[1160], NO)], True),
    ("NotInstalledOk", lambda m: m.install_product(registered=False), [(ENGLISH[1180], "OK", "Return")],
     [said(ENGLISH[1180], OK)], False),
]

for display_name, display_setup, display_boxes, display_log, display_patched in DISPLAY_TESTS:
    test("Display", display_name)(make_display_test(display_setup, display_boxes, display_log, display_patched))


# Running and reporting.


def run_test(options, suite, name, function):
    """Runs a test; one that failed where Wine's host side fell over (see
    Machine.wine_host_failures) runs once more on fresh machines, and says
    so."""
    failures, seconds = run_once(options, suite, name, function)
    wine_said = [line for m in failures.machines for line in m.wine_host_failures()] if failures else []
    if wine_said:
        print("  %s.%s: Wine's host side failed (%s); the test runs again" % (suite, name, "; ".join(wine_said)))
        failures, more = run_once(options, suite, name, function)
        seconds += more
    return list(failures), seconds


class Failures(list):
    """A test's failed expectations, with the machines it kept."""

    machines = ()


def run_once(options, suite, name, function):
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
    failures = Failures(t.failures)
    if t.failures:
        failures.append("the machine is kept in %s" % ", ".join(m.prefix for m in t.machines))
        failures.machines = t.machines
    else:
        for m in t.machines:
            m.remove()
    return failures, time.monotonic() - started


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


def program_code(path):
    """"i686" or "x86_64": the machine code of a Windows program (its PE
    header's machine field)."""
    with open(path, "rb") as f:
        head = f.read(4096)
    at = int.from_bytes(head[0x3C:0x40], "little")
    return {0x14C: "i686", 0x8664: "x86_64"}.get(int.from_bytes(head[at + 4:at + 6], "little"), "unknown")


def cannot_run_32_bit():
    """Why this machine cannot run a 32-bit Windows program; None when it can."""
    try:
        subprocess.run([q.WINES["win32"], "--version"], capture_output=True, check=True, timeout=30)
    except (OSError, subprocess.SubprocessError) as error:
        return "this machine runs no 32-bit program (%s): wine32 and a kernel that runs i386 code are needed" % error
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the x86_64 build tree (win64)")
    parser.add_argument("--build32", help="the i686 build tree (win32), for the product's 32-bit files")
    parser.add_argument("--installer", required=True, help="qvrpatch.exe")
    parser.add_argument("--suite", required=True, choices=sorted({s for s, _, _ in TESTS}))
    parser.add_argument("--windows-arch", default="win64", choices=["win64", "win32"],
                        help="a 64-bit Windows (WOW64 for a 32-bit installer) or a 32-bit one")
    parser.add_argument("--windows", default="win7", help="the Windows version the machines report")
    parser.add_argument("--filter", default="", help="run only the tests whose name matches this regular expression")
    parser.add_argument("--report", help="the JUnit report to write")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    options.builds = {"x86_64": options.build}
    if options.build32:
        options.builds["i686"] = os.path.abspath(options.build32)
    options.display = os.environ.get("QVR_WINE_DISPLAY") if options.suite == "Display" else None

    chosen = [(n, f) for s, n, f in TESTS if s == options.suite and re.search(options.filter, n) and
              not (f.windows64_only and options.windows_arch == "win32")]
    reason = None
    if not os.path.isfile(options.installer):
        print("the installer %s is not built" % options.installer)
        return 1
    options.program_code = program_code(options.installer)
    options.label = "%s-%s-%s" % (options.program_code, options.windows_arch, options.windows)
    if options.suite == "Display" and not options.display:
        reason = "no virtual display (run it under tests/wine/answer-boxes)"
    elif options.program_code == "i686" or options.windows_arch == "win32":
        reason = cannot_run_32_bit()
    elif cannot_run_32_bit():
        # The x86_64 installer still runs: the 32-bit product gets 64-bit
        # stand-ins.
        options.builds.pop("i686", None)
    if reason:
        print("skipped: " + reason)
        if options.report:
            write_report(options.report, options.suite, [(n, [], 0.0) for n, _ in chosen], reason)
        return 77

    results = []
    for name, function in chosen:
        failures, seconds = run_test(options, options.suite, name, function)
        results.append((name, failures, seconds))
        print("[%s] %s %s.%s (%.1f s)" % ("FAILED" if failures else "    OK", options.label, options.suite, name,
                                          seconds))
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
