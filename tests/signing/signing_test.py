#!/usr/bin/env python3
"""The signed release: scripts/sign and scripts/release-verify with a
throwaway CA, code-signing certificate and time-stamp authority made here
with openssl (the authority answers on 127.0.0.1 and stops at the end), and
the signed i686 program run end to end under Wine.

  signing_test.py --report-dir DIR [--no-wine]

Expects the presets release32 and release64 built, and for the Wine runs the
fixtures of win64 and win32. Writes signing.xml and the Wine runs' reports in
GoogleTest's form to DIR; the exit status is non-zero when a test failed.
"""

import argparse
import hashlib
import http.server
import os
import shutil
import socket
import subprocess
import sys
import threading
import time
import traceback

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import patch_e2e  # noqa: E402

PRESETS = ("release32", "release64")
SIGNER = "Dravonne Test Code Signing"
# Spaces and shell characters: a password that is split or expanded on its
# way to osslsigncode does not open the file.
PASSWORD = "two words $HOME 'q' \"d\""

TSA_CONFIG = """[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {folder}/tsa-serial
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
"""


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


class Pki:
    """A CA that the receiver trusts and one that it does not; from the
    trusted one a code-signing certificate (in the PKCS#12 file a vendor is
    given) and a time-stamp authority's certificate."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder)
        for name in ("ca", "other-ca"):
            openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path(name + ".key"), "-out",
                    self.path(name + ".crt"), "-days", "2", "-subj", "/CN=Test " + name, "-addext",
                    "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self.ca, self.other_ca = self.path("ca.crt"), self.path("other-ca.crt")
        for name, subject, usage in (("signer", SIGNER, "codeSigning"), ("tsa", "Test TSA", "timeStamping")):
            with open(self.path(name + ".ext"), "w") as f:
                f.write("basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                        "extendedKeyUsage=critical,%s\n" % usage)
            openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path(name + ".key"), "-out",
                    self.path(name + ".csr"), "-subj", "/CN=" + subject)
            openssl("x509", "-req", "-in", self.path(name + ".csr"), "-CA", self.ca, "-CAkey", self.path("ca.key"),
                    "-CAcreateserial", "-days", "2", "-out", self.path(name + ".crt"), "-extfile",
                    self.path(name + ".ext"))
        self.pkcs12 = self.path("signer.p12")
        openssl("pkcs12", "-export", "-inkey", self.path("signer.key"), "-in", self.path("signer.crt"), "-certfile",
                self.ca, "-out", self.pkcs12, "-passout", "pass:" + PASSWORD)
        with open(self.path("ts.cnf"), "w") as f:
            f.write(TSA_CONFIG.format(folder=folder))
        with open(self.path("tsa-serial"), "w") as f:
            f.write("01\n")

    def path(self, name):
        return os.path.join(self.folder, name)


class TimestampAuthority:
    """RFC 3161 over HTTP on 127.0.0.1: each request answered by
    `openssl ts -reply`. Stopped on leaving the with block, also on a
    failure."""

    def __init__(self, pki):
        self.pki = pki
        self.requests = 0
        authority = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                authority.requests += 1
                reply = authority.reply(query)
                self.send_response(200 if reply else 500)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]

    def reply(self, query):
        answered = subprocess.run(
            ["openssl", "ts", "-reply", "-config", self.pki.path("ts.cnf"), "-queryfile", "/dev/stdin", "-signer",
             self.pki.path("tsa.crt"), "-inkey", self.pki.path("tsa.key"), "-out", "/dev/stdout"], input=query,
            capture_output=True)
        return answered.stdout if answered.returncode == 0 else b""

    def __enter__(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()


def unused_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Context:
    def __init__(self, work, pki, tsa):
        self.work, self.pki, self.tsa = work, pki, tsa
        self.failures = []
        self.env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
        self.env["QVR_SIGN_PASSWORD"] = PASSWORD
        self.builds = {p: read(os.path.join(ROOT, "build", p, "qvrpatch.exe")) for p in PRESETS}
        self.sizes = {}

    def expect(self, ok, message):
        if not ok:
            self.failures.append(message)
        return ok

    def run(self, *command, env=None):
        done = subprocess.run(list(command), cwd=ROOT, env=env or self.env, capture_output=True, text=True,
                              errors="replace")
        return done.returncode, done.stdout + done.stderr

    def tree(self, name, change=None):
        """A build folder holding copies of the two unsigned programs (the
        i686 one changed by change(data) when given), for scripts/sign."""
        folder = os.path.join(self.work, name)
        for preset in PRESETS:
            os.makedirs(os.path.join(folder, preset))
            data = self.builds[preset]
            write(os.path.join(folder, preset, "qvrpatch.exe"), change(data) if change and preset == "release32"
                  else data)
        return folder

    def sign(self, tree, *extra, env=None):
        return self.run("scripts/sign", "--pkcs12", self.pki.pkcs12, "--build", tree, *extra, env=env)

    def verify(self, *args):
        return self.run("scripts/release-verify", "--ca", self.pki.ca, *args)


def signed(tree, preset="release32"):
    return os.path.join(tree, preset, "signed", "qvrpatch.exe")


def flipped(data, offset):
    return data[:offset] + bytes([data[offset] ^ 0x55]) + data[offset + 1:]


TESTS = []


def test(function):
    TESTS.append(function)
    return function


@test
def SignedProgramsPassTheReceiversCheck(t):
    for case, options in (("plain", []), ("timestamped", ["--timestamp", t.tsa.url])):
        tree = t.tree(case)
        code, output = t.sign(tree, *options)
        t.expect(code == 0, "%s: scripts/sign failed:\n%s" % (case, output))
        for preset in PRESETS:
            t.expect(read(os.path.join(tree, preset, "qvrpatch.exe")) == t.builds[preset],
                     "%s: scripts/sign changed the unsigned %s" % (case, preset))
            if t.expect(os.path.isfile(signed(tree, preset)), "%s: no signed %s" % (case, preset)):
                data = read(signed(tree, preset))
                t.sizes["%s %s" % (preset, case)] = len(data) - len(t.builds[preset])
                t.expect(hashlib.sha256(data).hexdigest() in output, "%s: no SHA-256 of the signed %s in:\n%s"
                         % (case, preset, output))
        t.expect(output.count("signer     /CN=" + SIGNER) == 2 and
                 output.count("timestamp  none") == (2 if case == "plain" else 0),
                 "%s: signer or timestamp not said:\n%s" % (case, output))
        # The receiver's check removes the signature and compares with the
        # build: the byte-for-byte claim itself.
        code, output = t.verify("--signer", SIGNER, signed(tree, "release32"), signed(tree, "release64"))
        t.expect(code == 0 and output.count("the same as build/") == 2 and
                 output.count(", verified\n") == (0 if case == "plain" else 2),
                 "%s: the receiver's check says:\n%s" % (case, output))
    t.timestamped = tree


@test
def ReceiverRefuses(t):
    tree = t.tree("refused-base")
    t.sign(tree, "--timestamp", t.tsa.url)
    program = signed(tree)
    data = read(program)
    at = len(data) // 2  # in the program's code or data, far from its headers
    other = t.tree("not-the-build", change=lambda d: flipped(d, at))
    t.sign(other)

    def copy(name, change):
        path = os.path.join(t.work, name + ".exe")
        write(path, change(data))
        return path

    cases = [
        # case, program, options, what the check must say
        ("a byte changed after signing", copy("tampered", lambda d: flipped(d, at)), [],
         ["the signature does not verify", "first at byte offset %d " % at]),
        ("bytes appended to the signature", copy("appended", lambda d: d + b"\0" * 8), [],
         ["the signature does not verify"]),
        ("no signature", os.path.join(ROOT, "build", "release32", "qvrpatch.exe"), [],
         ["the signature does not verify"]),
        ("a CA the receiver does not trust", program, ["--ca", t.pki.other_ca], ["the signature does not verify"]),
        ("a time-stamp authority it does not trust", program, ["--tsa-ca", t.pki.other_ca],
         ["the timestamp does not verify"]),
        ("another signer than asked for", program, ["--signer", "Someone Else"], ["the signer is not Someone Else"]),
        ("signed right, but not the build", signed(other), [],
         ["signature  verified", "first at byte offset %d (0x%x): " % (at, at)]),
    ]
    for case, path, options, said in cases:
        code, output = t.verify(*options, path)
        t.expect(code != 0 and all(s in output for s in said),
                 "%s: exit %d, expected %r in:\n%s" % (case, code, said, output))


@test
def SigningRefuses(t):
    without_password = {k: v for k, v in t.env.items() if k != "QVR_SIGN_PASSWORD"}
    cases = [
        # case, options, environment, what it must say
        ("a wrong password", [], dict(t.env, QVR_SIGN_PASSWORD="wrong"), "signing"),
        ("no password variable", [], without_password, "QVR_SIGN_PASSWORD"),
        ("a time-stamp authority that does not answer", ["--timestamp", "http://127.0.0.1:%d/" % unused_port()],
         t.env, "signing"),
    ]
    for number, (case, options, env, said) in enumerate(cases):
        tree = t.tree("refused-%d" % number)
        # An earlier signed program must not pass for this run's.
        os.makedirs(os.path.dirname(signed(tree)))
        write(signed(tree), b"stale")
        code, output = t.sign(tree, *options, env=env)
        t.expect(code != 0 and said in output and not os.path.exists(signed(tree)),
                 "%s: exit %d, signed program left: %s, output:\n%s" % (case, code, os.path.exists(signed(tree)),
                                                                        output))


def run_unit_tests(options, work):
    results = []
    pki = Pki(os.path.join(work, "pki"))
    with TimestampAuthority(pki) as tsa:
        t = Context(work, pki, tsa)
        for function in TESTS:
            t.failures = []
            started = time.monotonic()
            try:
                function(t)
            except Exception:
                t.failures.append("exception:\n" + traceback.format_exc())
            results.append((function.__name__, t.failures, time.monotonic() - started))
            print("[%s] Signing.%s" % ("FAILED" if t.failures else "    OK", function.__name__))
            for failure in t.failures:
                print("  " + failure.replace("\n", "\n  "))
    print("the signature adds: " + ", ".join("%s %d bytes" % item for item in sorted(t.sizes.items())))
    patch_e2e.write_report(os.path.join(options.report_dir, "signing.xml"), "Signing", results)
    return getattr(t, "timestamped", None), sum(1 for _, f, _ in results if f)


def run_wine(options, program):
    """The signed i686 program under WOW64: a gate failure and a full patch."""
    failed = 0
    for suite, name in (("Gates", "Windows2000"), ("Patch", "Release821OnWindowsXP")):
        report = os.path.join(options.report_dir, "qvrpatch_e2e.i686-wow64.signed.%s.xml" % suite)
        code = subprocess.run([sys.executable, os.path.join(ROOT, "tests", "wine", "patch_e2e.py"), "--build",
                               os.path.join(ROOT, "build", "win64"), "--build32", os.path.join(ROOT, "build", "win32"),
                               "--installer", program, "--suite", suite, "--filter", "^%s$" % name, "--report",
                               report]).returncode
        failed += code not in (0, 77)
    return failed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--report-dir", required=True)
    parser.add_argument("--no-wine", action="store_true", help="leave out the Wine runs of the signed program")
    options = parser.parse_args()
    options.report_dir = os.path.abspath(options.report_dir)
    shutil.rmtree(options.report_dir, ignore_errors=True)
    work = os.path.join(ROOT, "build", "signing", "work")
    shutil.rmtree(work, ignore_errors=True)
    for preset in PRESETS:
        if not os.path.isfile(os.path.join(ROOT, "build", preset, "qvrpatch.exe")):
            print("build/%s/qvrpatch.exe is not built" % preset)
            return 1
    tree, failed = run_unit_tests(options, work)
    if not options.no_wine:
        if tree and os.path.isfile(signed(tree)):
            failed += run_wine(options, signed(tree))
        else:
            failed += 1
            print("no signed program to run under Wine")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
