#!/usr/bin/env python3
"""Checks the release in dist/ against the trees the tests ran.

For each zip: exactly the three files at the top level; the exe is the architecture the zip is
for, byte for byte the exe whose tests passed (recorded by scripts/test.sh); stripped; within the
size budget; its version resource reads the project version; its download link names the
published 32-bit zip; it imports only DLLs that ship with Windows; no path of this source or
build folder is in it; the guide and the licence are the
repository's texts with CR LF line ends. Each zip is byte for byte what scripts/release_zip.py
writes of those files: entries in name order, all with the release time (SOURCE_DATE_EPOCH, else
the commit's time), fixed modes, no extra fields. The version file holds exactly
major.minor.revision of the project version. dist/SHA256SUMS lists every other file in dist/,
in sha256sum's format, with its right sum.

Where the 32-bit tests could not run (no record for build/win32), there must be neither the
32-bit zip nor the version file; the built 32-bit exe is checked as far as it can be without
running it (architecture, stripped, size, version resource, download link, imports).

Usage: scripts/check_release.py   (from anywhere; prints one line per check, exits 1 on a failure)
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ left in scripts/
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import release_zip  # noqa: E402  (beside this script)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIST = os.path.join(ROOT, "dist")
EXE = "QuendixInternetLookup.exe"
# The size budget of each architecture's exe, in bytes.
SIZE_BUDGET = {0x014C: 524288, 0x8664: 430000}
# zip name, build tree, PE machine type
ZIPS = [("QuendixInternetLookup.zip", "win32", 0x014C),
        ("QuendixInternetLookup-x64.zip", "win64", 0x8664)]

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)
    return ok


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        m = re.search(r"project\(\s*QuendixInternetLookup\s+VERSION\s+(\d+)\.(\d+)\.(\d+)\.(\d+)",
                      f.read())
    if not m:
        sys.exit("no four-part project version in CMakeLists.txt")
    return tuple(int(n) for n in m.groups())


def with_crlf(path):
    with open(path, "rb") as f:
        return f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def pe_headers(exe):
    """(machine, symbol table pointer, symbol count, section names) of a PE image."""
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    machine, sections, _, symtab, symbols, optional = struct.unpack_from("<HHIIIH", exe, pe + 4)
    table = pe + 24 + optional
    names = [exe[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("latin-1")
             for i in range(sections)]
    return machine, symtab, symbols, names


def version_resource(exe):
    """(file version, product version, FileVersion text, ProductVersion text) of the exe."""
    at = exe.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0 or exe.find(struct.pack("<I", 0xFEEF04BD), at + 4) >= 0:
        raise ValueError("not exactly one fixed version record")
    fms, fls, pms, pls = struct.unpack_from("<IIII", exe, at + 8)
    unpack = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    def text(key):
        k = exe.find((key + "\0").encode("utf-16-le"), at)
        if k < 0:
            return None
        i = k + 2 * (len(key) + 1)
        while exe[i:i + 2] == b"\0\0":  # padding to the next 32-bit boundary
            i += 2
        end = i
        while exe[end:end + 2] != b"\0\0":
            end += 2
        return exe[i:end].decode("utf-16-le")

    return unpack(fms, fls), unpack(pms, pls), text("FileVersion"), text("ProductVersion")


def tested_record(tree):
    """The sum recorded for the exe whose tests passed in `tree`, or None."""
    record = os.path.join(ROOT, "build", tree, "tested-exe.sha256")
    if not os.path.exists(record):
        return None
    with open(record) as f:
        return f.read().split()[0]


def check_exe(zip_name, tree, machine_expected, exe, version):
    digest = hashlib.sha256(exe).hexdigest()
    tested = tested_record(tree)
    check(digest == tested, f"{zip_name}: exe is the one whose {tree} tests passed "
          f"({digest[:16]}..., recorded {tested[:16] + '...' if tested else 'nothing'})")
    check_image(zip_name, machine_expected, exe, version)


def check_image(zip_name, machine_expected, exe, version):
    machine, symtab, symbols, sections = pe_headers(exe)
    check(machine == machine_expected, f"{zip_name}: exe machine type 0x{machine:04X}")
    debug = [s for s in sections if s.startswith((".debug", "/"))]
    check(symtab == 0 and symbols == 0 and not debug,
          f"{zip_name}: exe stripped (symbols {symbols}, debug sections {debug})")
    budget = SIZE_BUDGET[machine_expected]
    check(len(exe) <= budget, f"{zip_name}: exe size {len(exe)} bytes (budget {budget})")

    try:
        fixed, product, ftext, ptext = version_resource(exe)
    except ValueError as e:
        check(False, f"{zip_name}: version resource: {e}")
    else:
        dotted = ".".join(map(str, version))
        check(fixed == version and product == version and ftext == dotted and ptext == dotted,
              f"{zip_name}: version resource {'.'.join(map(str, fixed))} / "
              f"{'.'.join(map(str, product))} / {ftext} / {ptext}, expected {dotted}")

    # The manifest names the program with the same version and the exe's own architecture,
    # which Windows compares with the image before it starts it.
    m = re.search(rb'<assemblyIdentity type="win32" name="Quendix\.InternetLookup" '
                  rb'version="([^"]*)" processorArchitecture="([^"]*)"', exe)
    arch = {0x014C: b"x86", 0x8664: b"amd64"}.get(machine_expected)
    check(m is not None and m.group(1) == ".".join(map(str, version)).encode() and
          m.group(2) == arch,
          f"{zip_name}: manifest identity {m.groups() if m else None}, "
          f"expected version {'.'.join(map(str, version))} for {arch}")

    check_download_link(zip_name, exe)

    # Built in another folder it must be the same bytes: no folder of this build is named in it.
    paths = [os.path.realpath(ROOT), os.path.realpath(os.path.join(ROOT, "build"))]
    found = [p for p in paths if p.encode() in exe or p.encode("utf-16-le") in exe]
    check(not found, f"{zip_name}: exe names no build folder (found {found})")

    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, EXE)
        with open(path, "wb") as f:
            f.write(exe)
        run = subprocess.run([os.path.join(ROOT, "scripts", "check-imports.sh"), path],
                             capture_output=True, text=True)
        check(run.returncode == 0,
              f"{zip_name}: exe imports only Windows DLLs: {run.stdout.strip()} {run.stderr.strip()}")


def check_download_link(label, exe):
    """The exe's download link (About window, update message) names the published zip, the
    32-bit one, which both exes offer, and no other."""
    own = ZIPS[0][0]
    others = [z for z, _, _ in ZIPS[1:]]
    names = {z: (b"/files/" + z.encode()) in exe for z in [own] + others}
    check(names[own] and not any(names[z] for z in others),
          f"{label}: download link names /files/{own} and no other zip "
          f"(found {[z for z, found in names.items() if found]})")


def check_sums():
    """dist/SHA256SUMS: one `<sum>  <name>` line for each other file in dist/, sums right."""
    sums_path = os.path.join(DIST, "SHA256SUMS")
    if not check(os.path.isfile(sums_path), "dist/SHA256SUMS made"):
        return
    files = sorted(f for f in os.listdir(DIST) if f != "SHA256SUMS")
    listed = {}
    with open(sums_path, "rb") as f:
        lines = f.read().decode("ascii", "replace").split("\n")
    if lines[-1] == "":
        lines.pop()
    else:
        check(False, "dist/SHA256SUMS ends with a line break")
    bad, twice = [], []
    for line in lines:
        m = re.fullmatch(r"([0-9a-f]{64})  ([^/\\\r]+)", line)
        if m is None:
            bad.append(line)
        elif m.group(2) in listed:
            twice.append(m.group(2))
        else:
            listed[m.group(2)] = m.group(1)
    check(not bad and not twice, f"dist/SHA256SUMS in sha256sum's format, each file once "
          f"(other lines {bad}, listed twice {twice})")
    check(sorted(listed) == files,
          f"dist/SHA256SUMS lists every other file in dist/: {sorted(listed)}, dist/ holds {files}")
    for name, digest in listed.items():
        path = os.path.join(DIST, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                actual = hashlib.sha256(f.read()).hexdigest()
            check(actual == digest, f"dist/SHA256SUMS: {name} {digest[:16]}... "
                  f"(the file's is {actual[:16]}...)")


def main():
    version = project_version()
    version_file = os.path.join(DIST, "QuendixInternetLookup.txt")
    untested_32 = tested_record("win32") is None
    if untested_32:
        print("NOTE  the 32-bit exe went untested on this machine: no 32-bit zip, no version file")
        check(not os.path.exists(version_file), "no QuendixInternetLookup.txt without the 32-bit zip")
        with open(os.path.join(ROOT, "build", "win32", "bin", EXE), "rb") as f:
            check_image(f"build/win32/bin/{EXE}", 0x014C, f.read(), version)
    else:
        expected_txt = f"{version[0]}.{version[1]}.{version[3]}".encode()
        with open(version_file, "rb") as f:
            txt = f.read()
        check(txt == expected_txt,
              f"QuendixInternetLookup.txt holds {txt!r}, expected {expected_txt!r}")

    epoch, how = release_zip.source_date_epoch()
    stamp = time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(epoch))
    print(f"NOTE  zip entry time {stamp} ({how})")

    texts = {"ReadMe.txt": with_crlf(os.path.join(ROOT, "docs", "ReadMe.txt")),
             "License.txt": with_crlf(os.path.join(ROOT, "LICENSE"))}
    for zip_name, tree, machine in ZIPS:
        path = os.path.join(DIST, zip_name)
        if tree == "win32" and untested_32:
            check(not os.path.exists(path), f"no {zip_name} from an untested exe")
            continue
        if not check(os.path.exists(path), f"{zip_name} made"):
            continue
        with zipfile.ZipFile(path) as z:
            names = sorted(z.namelist())
            check(names == sorted([EXE, *texts]), f"{zip_name}: holds {names}")
            for name, expected in texts.items():
                if name in names:
                    data = z.read(name)
                    check(data == expected and data.isascii() and
                          data.count(b"\n") == data.count(b"\r\n") > 0,
                          f"{zip_name}: {name} is the repository's text, ASCII, CR LF")
            if EXE in names:
                check_exe(zip_name, tree, machine, z.read(EXE), version)
            entries = [(i.filename, z.read(i)) for i in z.infolist()]
        with open(path, "rb") as f:
            made = f.read()
        check(made == release_zip.zip_bytes(entries, epoch),
              f"{zip_name}: exactly as scripts/release_zip.py writes it (entries in name order, "
              f"time {stamp}, fixed modes, no extra fields)")

    check_sums()

    if failures:
        print(f"{len(failures)} release check(s) failed")
        return 1
    print("release checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
