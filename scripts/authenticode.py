"""What scripts/sign and scripts/release-verify need to know about a signed
program: its architecture, what its Authenticode signature says (read from
osslsigncode's verify report) and how the program without its signature
compares with the build.

  authenticode.py machine PROGRAM
  authenticode.py describe SIGNED UNSIGNED
  authenticode.py verify SIGNED --ca FILE [--tsa-ca FILE] [--signer TEXT]
  authenticode.py compare STRIPPED BUILD

Each prints what it found; verify and compare exit 1 when the check fails.
"""

import argparse
import hashlib
import os
import subprocess
import sys

MACHINES = {0x14C: "i686", 0x8664: "x86_64"}


def pe_layout(data):
    """(machine, offset of the PE checksum, offset of the certificate-table
    directory entry) of a PE image; ValueError for anything else."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise ValueError("not a Windows program")
    at = int.from_bytes(data[0x3C:0x40], "little")
    if data[at:at + 4] != b"PE\0\0":
        raise ValueError("not a Windows program")
    optional = at + 24
    magic = int.from_bytes(data[optional:optional + 2], "little")
    if magic not in (0x10B, 0x20B):
        raise ValueError("unknown optional header 0x%x" % magic)
    machine = int.from_bytes(data[at + 4:at + 6], "little")
    directories = optional + (96 if magic == 0x10B else 112)
    return MACHINES.get(machine, "machine 0x%x" % machine), optional + 64, directories + 4 * 8


def pe_checksum(data, checksum_at):
    """The checksum Windows computes (ImageHlp's CheckSumMappedFile): 16-bit
    one's-complement sum of the file with the checksum field taken as zero,
    plus the file's length."""
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for i in range(0, len(padded), 2):
        if checksum_at <= i < checksum_at + 4:
            continue
        total += padded[i] | padded[i + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def read(path):
    with open(path, "rb") as f:
        return f.read()


def osslsigncode_verify(program, ca=None, tsa_ca=None):
    command = ["osslsigncode", "verify", "-in", program]
    if ca:
        command += ["-CAfile", ca]
    if tsa_ca:
        command += ["-TSA-CAfile", tsa_ca]
    run = subprocess.run(command, capture_output=True, text=True, errors="replace")
    return run.returncode, run.stdout + run.stderr


def parse_report(text):
    """The primary signature's facts from osslsigncode's verify report."""
    facts = {"signer": None, "issuer": None, "digest": None, "timestamp": None, "timestamp_ok": None,
             "signature_ok": None, "problems": []}
    # The first certificate listed after this heading is the signer's.
    signer_listed = False
    for line in text.splitlines():
        s = line.strip()
        if s.startswith("Signature Index:") and not s.startswith("Signature Index: 0"):
            break  # a nested signature: the primary one is what we describe
        if s == "Signer's certificate:":
            signer_listed = True
        elif signer_listed and s.startswith("Subject:") and facts["signer"] is None:
            facts["signer"] = s.split(":", 1)[1].strip()
        elif signer_listed and s.startswith("Issuer :") and facts["issuer"] is None:
            facts["issuer"] = s.split(":", 1)[1].strip()
        elif s.startswith("Message digest algorithm  :"):
            facts["digest"] = s.split(":", 1)[1].strip()
        elif s.startswith("Timestamp time:"):
            facts["timestamp"] = s.split(":", 1)[1].strip()
        elif s.startswith("Timestamp Server Signature verification:"):
            facts["timestamp_ok"] = s.endswith(": ok")
        elif s.startswith("Signature verification:"):
            facts["signature_ok"] = s.endswith(": ok")
        if "MISMATCH" in s or s.startswith(("Error:", "No signature found", "Failed signing", "Failed timestamp",
                                            "Unrecognized file type", "Warning:")):
            facts["problems"].append(" ".join(s.split()))
    return facts


def signer_of(facts):
    if not facts["signer"]:
        return "none readable"
    return "%s (issued by %s), %s" % (facts["signer"], facts["issuer"], facts["digest"])


def describe(options):
    signed, unsigned = read(options.signed), read(options.unsigned)
    # Read without trust: the vendor's chain need not be on this machine.
    facts = parse_report(osslsigncode_verify(options.signed)[1])
    print(options.signed)
    print("  sha256     %s" % hashlib.sha256(signed).hexdigest())
    print("  size       %d bytes (%d unsigned: the signature adds %d)" % (len(signed), len(unsigned),
                                                                          len(signed) - len(unsigned)))
    print("  signer     %s" % signer_of(facts))
    print("  timestamp  %s" % (facts["timestamp"] or "none"))
    return 0 if facts["signer"] else 1


def verify(options):
    code, report = osslsigncode_verify(options.signed, options.ca, options.tsa_ca or options.ca)
    facts = parse_report(report)
    failures = []
    if code != 0 or not facts["signature_ok"]:
        failures.append("the signature does not verify against %s" % options.ca)
    # osslsigncode still succeeds when only the timestamp fails to verify; a
    # receiver told "timestamped" must be able to rely on it.
    if facts["timestamp"] and not facts["timestamp_ok"]:
        failures.append("the timestamp does not verify against %s" % (options.tsa_ca or options.ca))
    if options.signer and options.signer not in (facts["signer"] or ""):
        failures.append("the signer is not %s" % options.signer)
    print("  signer     %s" % signer_of(facts))
    if facts["timestamp"]:
        print("  timestamp  %s, %s" % (facts["timestamp"], "verified" if facts["timestamp_ok"] else "NOT verified"))
    elif facts["signer"]:
        print("  timestamp  none")
    for failure in failures:
        print("  FAILED: %s" % failure)
    if failures:
        for problem in facts["problems"]:
            print("    osslsigncode: %s" % problem)
    else:
        print("  signature  verified against %s" % options.ca)
    return 1 if failures else 0


def compare(options):
    """Byte for byte; the first difference is named by its offset. The
    signature's removal writes the PE checksum of what remains, so changed
    content changes the checksum too: the first difference outside it is the
    one named. A difference in the checksum alone means the build's own
    checksum is wrong."""
    stripped, build = read(options.stripped), read(options.build)
    if stripped == build:
        print("  content    %d bytes, sha256 %s: the same as %s" % (len(build), hashlib.sha256(build).hexdigest(),
                                                                  options.build))
        return 0
    try:
        checksum = range(pe_layout(build)[1], pe_layout(build)[1] + 4)
    except ValueError:
        checksum = range(0)
    common = min(len(stripped), len(build))
    differing = [i for i in range(common) if stripped[i] != build[i]]
    outside = [i for i in differing if i not in checksum]
    offset = outside[0] if outside else differing[0] if differing else common
    what = "the signed program without its signature differs from %s first at byte offset %d (0x%x)" % (
        options.build, offset, offset)
    if offset < common:
        what += ": 0x%02x, the build has 0x%02x" % (stripped[offset], build[offset])
    else:
        what += ": %d bytes against the build's %d" % (len(stripped), len(build))
    if offset in checksum:
        right = pe_checksum(build, checksum.start) == int.from_bytes(build[checksum.start:checksum.stop], "little")
        what += " (the PE checksum field; the build's own checksum is %s)" % ("right" if right else "wrong")
    print("  FAILED: " + what)
    return 1


def machine(options):
    try:
        print(pe_layout(read(options.program))[0])
    except (ValueError, OSError) as error:
        print("%s: %s" % (options.program, error), file=sys.stderr)
        return 1
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("machine")
    p.add_argument("program")
    p.set_defaults(run=machine)
    p = commands.add_parser("describe")
    p.add_argument("signed")
    p.add_argument("unsigned")
    p.set_defaults(run=describe)
    p = commands.add_parser("verify")
    p.add_argument("signed")
    p.add_argument("--ca", required=True)
    p.add_argument("--tsa-ca")
    p.add_argument("--signer")
    p.set_defaults(run=verify)
    p = commands.add_parser("compare")
    p.add_argument("stripped")
    p.add_argument("build")
    p.set_defaults(run=compare)
    options = parser.parse_args()
    for name in ("program", "signed", "unsigned", "stripped", "build"):
        path = getattr(options, name, None)
        if path is not None and not os.path.isfile(path):
            print("%s: no such file" % path, file=sys.stderr)
            return 1
    return options.run(options)


if __name__ == "__main__":
    sys.exit(main())
