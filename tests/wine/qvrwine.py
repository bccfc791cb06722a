"""A Windows machine under Wine with Sentravault Solution installed on it.

Shared by the installer's end-to-end tests (tests/wine/patch_e2e.py) and by
scripts/demo. A machine is a Wine prefix of its own: copied from a template
prefix that is made once per build tree, or made afresh. Its registry is
written while no Wine process runs (Wine reads the registry files when its
server starts and writes them back when it ends), so that setting a machine
up starts no Windows program; what the installer wrote is read the same way
once the machine's server has ended.
"""

import dataclasses
import fcntl
import os
import re
import shutil
import signal
import subprocess
import time

# A 64-bit prefix is a 64-bit Windows: wine64 starts its programs and hands a
# 32-bit one to the 32-bit loader by itself (WOW64). A 32-bit prefix
# (WINEARCH=win32) is a 32-bit Windows, started by the 32-bit loader.
WINES = {"win64": "/usr/lib/wine/wine64", "win32": "/usr/lib/wine/wine"}
WINE = WINES["win64"]
WINESERVER = "/usr/lib/wine/wineserver"

PRODUCT_KEY = r"Software\Dravonne\Sentravault Solution"
# The product counts as installed (release 7 and later) only where the common
# policy says so; the 32-bit product's installer writes its machine setting.
POLICY_KEY = r"Software\Dravonne\QVR Common\Sentravault Solution"
RECORD_KEY = PRODUCT_KEY + r"\Patch\8102"
EARLIER_RECORD_KEY = PRODUCT_KEY + r"\Patch\8100"

# The install folders on a 64-bit Windows: the 32-bit product's, and the
# 64-bit one. A 32-bit Windows has one Program Files, and the product one
# folder in it.
INSTALL_DIR = "C:\\Program Files (x86)\\Dravonne\\Sentravault Solution\\"
INSTALL_DIR_64 = "C:\\Program Files\\Dravonne\\Sentravault Solution\\"
INSTALL_DIR_WIN32 = "C:\\Program Files\\Dravonne\\Sentravault Solution\\"
PACKAGE_DIR = "C:\\patch\\"
PRODUCT_PROGRAM = "keyminder.exe"

HOOK = "qvrkmd_windows_hook.dll"
HOOK_64 = "qvrkmd_windows_hook_x64.dll"
INTERFACE = "qvrkmd_interface.dll"
INTERFACE_64 = "qvrkmd_interface_x64.dll"

# The libraries of an installation: (folder, file name).
INSTALLED_LIBRARIES = [
    (INSTALL_DIR_64, HOOK_64),
    (INSTALL_DIR, HOOK),
    (INSTALL_DIR_64, INTERFACE),
    (INSTALL_DIR, INTERFACE),
]
# The libraries of the patch package, by release folder.
PACKAGE_LIBRARIES = {
    "820": [HOOK_64, HOOK, INTERFACE_64, INTERFACE],
    "821": [HOOK_64, HOOK],
}
# A library of the package is 64-bit code when its name says so.
PACKAGE_ARCH = {HOOK_64: "x86_64", HOOK: "i686", INTERFACE_64: "x86_64", INTERFACE: "i686"}

# The fixture library's version for each release that the machines know:
# the installed release's libraries and the package's newer ones.
INSTALLED_LIBRARY_VERSION = {"8.20.23": "8.20.23.5", "8.21.6": "8.21.6.0"}
PACKAGE_LIBRARY_VERSION = {"820": "8.20.24.0", "821": "8.21.7.0"}

# The fixed block of a version resource starts with this signature.
VERSION_SIGNATURE = b"\xbd\x04\xef\xfe"
TEMPLATE_MARK = ".qvr-template"


def view32(key):
    """Where a 32-bit program's HKEY_LOCAL_MACHINE\\Software key lies on a
    64-bit Windows."""
    return "Software\\Wow6432Node\\" + key[len("Software\\") :]


class WineError(Exception):
    pass


def wine_version():
    return subprocess.run([WINE, "--version"], capture_output=True, text=True, check=True).stdout.strip()


def base_environment(display=None, arch="win64"):
    """The environment of every Wine process: quiet, no installer prompts,
    and no window system unless a (virtual) display is given."""
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX", "LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"):
        env.pop(name, None)
    env.update(WINEARCH=arch, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="C")
    if display:
        env["DISPLAY"] = display
    return env


def make_prefix(path, arch="win64"):
    """A new Wine prefix at path (about ten seconds): a 64-bit Windows, or a
    32-bit one for arch "win32"."""
    path = os.path.abspath(path)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    env = base_environment(arch=arch)
    env["WINEPREFIX"] = path
    subprocess.run([WINES[arch], "wineboot", "--init"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"], env=env)
    if not os.path.isfile(os.path.join(path, "system.reg")):
        raise WineError(f"wineboot made no prefix in {path}")


def template_prefix(folder, arch="win64"):
    """The template prefix of a 64-bit Windows in folder/template (of a 32-bit
    one in folder/template-win32), made on first use; parallel callers wait
    for the one that makes it. A template made by another Wine version, or
    left half-made, is made again."""
    folder = os.path.abspath(folder)
    os.makedirs(folder, exist_ok=True)
    template = os.path.join(folder, "template" if arch == "win64" else "template-" + arch)
    mark = os.path.join(template, TEMPLATE_MARK)
    version = wine_version()
    with open(template + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            with open(mark) as f:
                if f.read() == version:
                    return template
        except FileNotFoundError:
            pass
        make_prefix(template, arch)
        with open(mark, "w") as f:
            f.write(version)
    return template


# Wine's own program files are most of a prefix (some 650 MB) and no program
# writes them: the copy shares them with the template instead of copying.
SHARED_FOLDERS = {os.path.join("drive_c", "windows", name) for name in ("system32", "syswow64", "winsxs")}


def copy_prefix(template, path):
    shutil.rmtree(path, ignore_errors=True)

    def copy(src, dst):
        os.makedirs(dst)
        for entry in os.scandir(src):
            relative = os.path.relpath(entry.path, template)
            target = os.path.join(dst, entry.name)
            if entry.name in (TEMPLATE_MARK, "wineserver"):
                continue
            if relative in SHARED_FOLDERS:
                subprocess.run(["cp", "-al", entry.path, target], check=True)
            elif entry.is_symlink():
                os.symlink(os.readlink(entry.path), target)
            elif entry.is_dir():
                copy(entry.path, target)
            else:
                shutil.copy2(entry.path, target)

    copy(template, path)


def reg_escape(text):
    out = []
    for ch in text:
        if ch in '\\"':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append("\\x%04x" % ord(ch))
    return "".join(out)


def reg_unescape(text):
    out = []
    i = 0
    while i < len(text):
        ch = text[i]
        if ch != "\\" or i + 1 == len(text):
            out.append(ch)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt == "x":
            digits = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2 :]).group(0)
            out.append(chr(int(digits, 16)))
            i += 2 + len(digits)
            continue
        out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(nxt, nxt))
        i += 2
    return "".join(out)


def read_registry_file(path):
    """{key path in lower case: (key path, {value name: value})} of a Wine
    registry file; strings and dwords are decoded, other types kept as text."""
    keys = {}
    values = None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    pending = ""
    for line in lines:
        if pending:
            line = pending + line.lstrip()
            pending = ""
        if line.endswith("\\") and values is not None and not line.startswith("["):
            pending = line[:-1]
            continue
        if line.startswith("["):
            name = reg_unescape(line[1 : line.rindex("]")])
            values = {}
            keys[name.lower()] = (name, values)
            continue
        if values is None or not line.startswith(("\"", "@")):
            continue
        match = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
        if not match:
            continue
        name = "" if match.group(1) == "@" else reg_unescape(match.group(2))
        data = match.group(3)
        if data.startswith('"') and data.endswith('"'):
            values[name] = reg_unescape(data[1:-1])
        elif data.startswith("dword:"):
            values[name] = int(data[6:], 16)
        else:
            values[name] = data
    return keys


def file_version(path):
    """The file version of a program or library ("8.20.23.5"), read from the
    fixed block of its version resource; None when it has none."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except FileNotFoundError:
        return None
    at = data.find(VERSION_SIGNATURE)
    while at >= 0 and at % 4 != 0:
        at = data.find(VERSION_SIGNATURE, at + 1)
    if at < 0:
        return None
    ms = int.from_bytes(data[at + 8 : at + 12], "little")
    ls = int.from_bytes(data[at + 12 : at + 16], "little")
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def ere_escape(text):
    """text as a POSIX extended regular expression that matches it alone."""
    return "".join("\\" + ch if ch in ".[]()*+?{}|^$\\" else ch for ch in text)


def screenshot(window, png, env):
    """Saves an X window as a PNG (xwd, then netpbm); False without them."""
    if not all(shutil.which(tool) for tool in ("xwd", "xwdtopnm", "pnmtopng")):
        return False
    dump = subprocess.run(["xwd", "-silent", "-id", window], env=env, capture_output=True)
    pnm = subprocess.run(["xwdtopnm"], input=dump.stdout, capture_output=True)
    image = subprocess.run(["pnmtopng"], input=pnm.stdout, capture_output=True)
    if dump.returncode or pnm.returncode or image.returncode:
        return False
    os.makedirs(os.path.dirname(png), exist_ok=True)
    with open(png, "wb") as f:
        f.write(image.stdout)
    return True


@dataclasses.dataclass
class Box:
    """A message box as the user saw it, and the key that answered it."""

    number: int
    text: str
    buttons: str
    key: str = ""
    shot: str = ""


class Machine:
    """One Wine prefix with its own server; Windows paths ("C:\\...") name
    its files. arch "win64" is a 64-bit Windows, "win32" a 32-bit one.
    builds names the build trees whose fixtures the machine uses, by their
    code: {"x86_64": win64 tree, "i686": win32 tree}; the product's 32-bit
    files come from the i686 tree, its 64-bit files from the x86_64 one."""

    def __init__(self, prefix, builds, display=None, locale=None, arch="win64"):
        self.prefix = os.path.abspath(prefix)
        self.builds = {code: os.path.abspath(tree) for code, tree in builds.items()}
        self.display = display
        self.locale = locale
        self.arch = arch
        self.wine = WINES[arch]
        self.started = False
        self.system_keys = []
        self.user_keys = []
        if display:
            # No window manager runs on a virtual display: Wine draws the
            # windows' frames and captions itself, as Windows shows them.
            self.set_value("HKCU", "Software\\Wine\\X11 Driver", "Managed", "N")

    @classmethod
    def copied(cls, template, prefix, builds, **kwargs):
        copy_prefix(template, prefix)
        return cls(prefix, builds, **kwargs)

    @classmethod
    def fresh(cls, prefix, builds, **kwargs):
        make_prefix(prefix, kwargs.get("arch", "win64"))
        return cls(prefix, builds, **kwargs)

    # The product's layout on this Windows.

    @property
    def is64(self):
        return self.arch == "win64"

    @property
    def install_dir(self):
        """The 32-bit product's install folder."""
        return INSTALL_DIR if self.is64 else INSTALL_DIR_WIN32

    @property
    def install_dir_64(self):
        """The 64-bit install folder; None on a 32-bit Windows."""
        return INSTALL_DIR_64 if self.is64 else None

    def key32(self, key):
        """Where a 32-bit program's HKEY_LOCAL_MACHINE\\Software key lies."""
        return view32(key) if self.is64 else key

    def installed_libraries(self):
        """(folder, file name, code) of the libraries an installation has, in
        the order the installer replaces them."""
        if not self.is64:
            return [(self.install_dir, HOOK, "i686"), (self.install_dir, INTERFACE, "i686")]
        return [(INSTALL_DIR_64, HOOK_64, "x86_64"), (INSTALL_DIR, HOOK, "i686"), (INSTALL_DIR_64, INTERFACE, "x86_64"),
                (INSTALL_DIR, INTERFACE, "i686")]

    def program_folders(self):
        """(folder, code) where the product's keyminder.exe lies."""
        return [(self.install_dir, "i686")] + ([(INSTALL_DIR_64, "x86_64")] if self.is64 else [])

    # Files.

    def path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[2:]
        if drive != "c" or windows_path[1] != ":":
            raise WineError(f"not a path on C: {windows_path}")
        return os.path.join(self.prefix, "drive_c", *[p for p in rest.split("\\") if p])

    def exists(self, windows_path):
        return os.path.exists(self.path(windows_path))

    def read_bytes(self, windows_path):
        with open(self.path(windows_path), "rb") as f:
            return f.read()

    def version(self, windows_path):
        return file_version(self.path(windows_path))

    def put(self, source, windows_path):
        target = self.path(windows_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)

    def fixture(self, *parts, code="x86_64"):
        # Without an i686 tree (a machine that runs no 32-bit code) the
        # 32-bit product gets 64-bit stand-ins.
        tree = self.builds.get(code, self.builds.get("x86_64"))
        path = os.path.join(tree or "", "tests", "fixtures", *parts)
        if tree is None or not os.path.isfile(path):
            raise WineError(f"the {code} fixture {path} is missing: build the target qvr_fixtures of that tree")
        return path

    def library(self, version, code="x86_64"):
        return self.fixture(version, "library.dll", code=code)

    # Registry, written before the machine's first program starts.

    def set_value(self, hive, key, name, value):
        """Queues a value for HKEY_LOCAL_MACHINE ("HKLM") or HKEY_CURRENT_USER
        ("HKCU"): str as REG_SZ, int as REG_DWORD."""
        if self.started:
            raise WineError("the registry is written before the machine starts")
        {"HKLM": self.system_keys, "HKCU": self.user_keys}[hive].append((key, name, value))

    def _write_registry(self):
        stamp = int(time.time())
        for file_name, entries in (("system.reg", self.system_keys), ("user.reg", self.user_keys)):
            if not entries:
                continue
            lines = []
            for key, name, value in entries:
                data = "dword:%08x" % value if isinstance(value, int) else '"%s"' % reg_escape(value)
                lines.append("\n[%s] %d\n\"%s\"=%s\n" % (reg_escape(key), stamp, reg_escape(name), data))
            with open(os.path.join(self.prefix, file_name), "a", encoding="utf-8") as f:
                f.write("".join(lines))
            entries.clear()

    def registry(self, hive="HKLM"):
        """The registry as the machine's server last wrote it."""
        if self.started:
            raise WineError("the registry is read once the machine has stopped")
        return read_registry_file(os.path.join(self.prefix, {"HKLM": "system.reg", "HKCU": "user.reg"}[hive]))

    def set_windows_version(self, version):
        """What Wine reports as the Windows version: winxp, win2k, win7, ..."""
        self.set_value("HKCU", "Software\\Wine", "Version", version)

    # Programs.

    def environment(self):
        env = base_environment(self.display, self.arch)
        env["WINEPREFIX"] = self.prefix
        if self.locale:
            env["LANG"] = self.locale
            env["LOCPATH"] = os.path.join(self.builds["x86_64"], "locales")
        return env

    def _start(self):
        if not self.started:
            self._write_registry()
            self.started = True

    def launch(self, windows_path):
        """Starts a program and returns once it runs; its host process id."""
        self._start()
        before = set(self.processes())
        subprocess.Popen([self.wine, windows_path], env=self.environment(), stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            for pid, path in self.processes().items():
                if pid not in before and path.lower() == windows_path.lower():
                    return pid
            time.sleep(0.05)
        raise WineError(f"{windows_path} did not start")

    def serve(self):
        """Starts the machine's Wine server and keeps it until the machine
        stops. Two programs started at once on a machine whose server is not
        up both try to start one, and one of them fails (a fault of Wine's
        start, not of the programs)."""
        self._start()
        # Where a program runs already, so does the server: this one ends at
        # once, and that is as good.
        subprocess.run([WINESERVER, "-p"], env=self.environment(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def start_run(self, windows_path, args=(), overrides=None):
        """Starts a program and returns its subprocess.Popen at once; what
        Wine says on stderr is kept in the machine's folder
        (wine_host_failures reads it). overrides: WINEDLLOVERRIDES entries
        for this program ("version=n,b")."""
        self._start()
        env = self.environment()
        if overrides:
            env["WINEDLLOVERRIDES"] += ";" + overrides
        self.runs = getattr(self, "runs", 0) + 1
        stderr_path = os.path.join(self.prefix, "run-%d.stderr" % self.runs)
        # No pipes: a program that the run starts would hold them open.
        with open(stderr_path, "wb") as stderr:
            return subprocess.Popen([self.wine, windows_path, *args], env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=stderr)

    def wine_host_failures(self):
        """What Wine's own host side said of a failure in this machine's runs:
        its loader's "wine: ..." lines (a program it could not start) and the
        host C library's "Inconsistency detected by ld.so" (a host process
        that fell over on its way out). The installer writes nothing to
        stderr, so none of this is the installer's doing."""
        said = []
        for entry in sorted(os.scandir(self.prefix), key=lambda e: e.name):
            if not (entry.name.startswith("run-") and entry.name.endswith(".stderr")):
                continue
            with open(entry.path, encoding="utf-8", errors="replace") as f:
                said += ["%s: %s" % (entry.name, line.strip()) for line in f
                         if line.startswith("wine: ") or line.startswith("Inconsistency detected by ld.so")]
        return said

    def run(self, windows_path, args=(), timeout=60, overrides=None):
        """Runs a program to its end: (exit code, seconds)."""
        started = time.monotonic()
        program = self.start_run(windows_path, args, overrides)
        try:
            code = program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            raise
        return code, time.monotonic() - started

    def processes(self):
        """{host process id: Windows program path} of the programs running on
        this machine (Wine shows a program's path as its command line)."""
        found = {}
        for entry in os.scandir("/proc"):
            if not entry.name.isdigit():
                continue
            try:
                with open(os.path.join(entry.path, "environ"), "rb") as f:
                    environ = f.read().split(b"\0")
                if ("WINEPREFIX=" + self.prefix).encode() not in environ:
                    continue
                with open(os.path.join(entry.path, "cmdline"), "rb") as f:
                    cmdline = f.read().split(b"\0")[0].decode("utf-8", "replace")
            except (FileNotFoundError, ProcessLookupError, PermissionError):
                continue
            if re.match(r"^[A-Za-z]:\\", cmdline):
                found[int(entry.name)] = cmdline
        return found

    def running(self, windows_path):
        """Host process ids of the program at windows_path."""
        return sorted(pid for pid, path in self.processes().items() if path.lower() == windows_path.lower())

    def stop(self):
        """Ends every program of the machine and its server, which writes the
        registry back."""
        if not self.started:
            return
        env = self.environment()
        subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for pid in self.processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.started = False

    def remove(self):
        self.stop()
        shutil.rmtree(self.prefix, ignore_errors=True)

    # The product and the patch package.

    def install_product(self, version="8.20.23", library_version=None, registered=True, policy=True,
                        view64=True, libraries=None):
        """Installs the product as its installer does: on a 64-bit Windows the
        product key with Version and InstallPath in the 32-bit view,
        InstallPath of the 64-bit install folder in the 64-bit view, 32-bit
        libraries and keyminder.exe in the x86 folder, 64-bit ones in the
        64-bit folder; on a 32-bit Windows the key and the one folder with
        32-bit files. The policy setting that enables it goes with it.
        registered=False leaves the files without any registry entry,
        view64=False without the 64-bit view's InstallPath; libraries maps
        (folder, file) to a fixture version for a library that differs from
        the release's, or to None for one that is not there."""
        key = self.key32(PRODUCT_KEY)
        if registered:
            self.set_value("HKLM", key, "Version", version)
            self.set_value("HKLM", key, "InstallPath", self.install_dir)
            if view64 and self.is64:
                self.set_value("HKLM", PRODUCT_KEY, "InstallPath", INSTALL_DIR_64)
            if policy:
                self.set_value("HKLM", self.key32(POLICY_KEY), "SVTInstall", 1)
        release_version = library_version or INSTALLED_LIBRARY_VERSION[version]
        chosen = dict(libraries or {})
        for folder, name, code in self.installed_libraries():
            chosen_version = chosen.get((folder, name), release_version)
            if chosen_version is not None:
                self.put(self.library(chosen_version, code), folder + name)
        for folder, code in self.program_folders():
            self.put(self.fixture("sleeper.exe", code=code), folder + PRODUCT_PROGRAM)

    def record_earlier_patch(self):
        """The record of the patch that this one follows (number 8100)."""
        self.set_value("HKLM", self.key32(EARLIER_RECORD_KEY), "updated", HOOK)

    def start_product(self, folder=None):
        """Starts keyminder.exe from the folder (the 32-bit one unless
        given); its host process id."""
        return self.launch((folder or self.install_dir) + PRODUCT_PROGRAM)

    def lay_out_package(self, installer, folder=PACKAGE_DIR, leave_out=()):
        """The patch package: the installer, and 820\\ and 821\\ with the
        newer libraries; leave_out names files ("820\\qvrkmd_interface.dll")
        that the package lacks. Returns the installer's Windows path."""
        self.put(installer, folder + "qvrpatch.exe")
        for release, names in PACKAGE_LIBRARIES.items():
            for name in names:
                if release + "\\" + name not in leave_out:
                    self.put(self.library(PACKAGE_LIBRARY_VERSION[release], PACKAGE_ARCH[name]),
                             folder + release + "\\" + name)
        return folder + "qvrpatch.exe"

    def libraries(self):
        """[(Windows path, version or None, .bak version or None)] of the
        installed libraries, absent ones included."""
        return [(folder + name, self.version(folder + name), self.version(folder + name + ".bak"))
                for folder, name, _ in self.installed_libraries()]

    def patch_log(self, folder=PACKAGE_DIR):
        """patchlog.txt's bytes; None when there is none."""
        path = folder + "patchlog.txt"
        return self.read_bytes(path) if self.exists(path) else None

    def patch_record(self):
        """The values of the patch record in the 32-bit program's view; None
        without one."""
        entry = self.registry().get(self.key32(RECORD_KEY).lower())
        return None if entry is None else entry[1]

    # Message boxes on the machine's display.

    def read_box(self, caption):
        """(text, button labels joined by "|") of the box shown with that
        caption, read by a Windows program as the user sees it; None when no
        such box is shown."""
        out = "C:\\qvr-box.txt"
        if self.exists(out):
            os.remove(self.path(out))
        # A 32-bit Windows runs only the i686 tree's reader.
        reader = os.path.join(self.builds["x86_64" if self.is64 else "i686"], "tests", "box_text.exe")
        code, _ = self.run(reader, [caption, out], timeout=30)
        if code != 0:
            return None
        text, _, buttons = self.read_bytes(out).decode("utf-8").partition("\n")
        return text, buttons

    def run_answering(self, windows_path, args, caption, answer, shots=None, timeout=60):
        """Runs a program on the machine's display and answers each message
        box with that caption as it appears: answer(box) names the key
        (xdotool's names: y, n, Return) for a Box whose number, text and
        buttons are filled in. shots: a folder for a PNG of each box.
        Returns (exit code, [Box])."""
        if not self.display:
            raise WineError("the machine has no display")
        self._start()
        x = dict(os.environ, DISPLAY=self.display)
        program = subprocess.Popen([self.wine, windows_path, *args], env=self.environment(), stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        boxes = []
        keyed = {}  # window: (box, when its key was last given)
        deadline = time.monotonic() + timeout
        try:
            while program.poll() is None:
                if time.monotonic() > deadline:
                    raise WineError(f"{windows_path} still runs after {timeout} s")
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % ere_escape(caption)],
                                       env=x, capture_output=True, text=True).stdout.split()
                for window in found:
                    # A key given before the box had the focus is lost: a box
                    # still there a second later gets its key again.
                    if window in keyed and time.monotonic() - keyed[window][1] < 1:
                        continue
                    if window not in keyed:
                        text, buttons = self.read_box(caption) or ("", "")
                        box = Box(len(boxes) + 1, text, buttons)
                        if shots:
                            png = os.path.join(shots, "box-%d.png" % box.number)
                            box.shot = png if screenshot(window, png, x) else ""
                        box.key = answer(box)
                        boxes.append(box)
                        keyed[window] = (box, 0)
                    box = keyed[window][0]
                    subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", box.key],
                                   env=x, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    keyed[window] = (box, time.monotonic())
                time.sleep(0.05)
        finally:
            if program.poll() is None:
                program.kill()
        return program.wait(), boxes
