#!/usr/bin/env python3
"""Checks the release in dist/ against the trees the tests ran.

For each zip: exactly the three files at the top level; the exe is the architecture the zip is
for, byte for byte the exe the tests ran (recorded by scripts/test.sh) or, where the tests could
not run it, the exe of its build tree; stripped; within the size budget; its version resource
reads the project version; it imports only DLLs that ship with Windows; the guide and the
licence are the repository's texts with CR LF line ends. The version file holds exactly
major.minor.revision of the project version.

Usage: scripts/check_release.py   (from anywhere; prints one line per check, exits 1 on a failure)
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIST = os.path.join(ROOT, "dist")
EXE = "QuendixInternetLookup.exe"
SIZE_BUDGET = 600 * 1024
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


def check_exe(zip_name, tree, machine_expected, exe, version):
    built = os.path.join(ROOT, "build", tree, "bin", EXE)
    record = os.path.join(ROOT, "build", tree, "tested-exe.sha256")
    digest = hashlib.sha256(exe).hexdigest()
    if os.path.exists(record):
        with open(record) as f:
            tested = f.read().split()[0]
        check(digest == tested, f"{zip_name}: exe is the one the {tree} tests ran ({digest[:16]}...)")
    else:
        print(f"NOTE  {zip_name}: the tests did not run the {tree} exe on this machine; "
              "compared with the built exe only")
        with open(built, "rb") as f:
            check(hashlib.sha256(f.read()).hexdigest() == digest,
                  f"{zip_name}: exe is build/{tree}/bin/{EXE}")

    machine, symtab, symbols, sections = pe_headers(exe)
    check(machine == machine_expected, f"{zip_name}: exe machine type 0x{machine:04X}")
    debug = [s for s in sections if s.startswith((".debug", "/"))]
    check(symtab == 0 and symbols == 0 and not debug,
          f"{zip_name}: exe stripped (symbols {symbols}, debug sections {debug})")
    check(len(exe) <= SIZE_BUDGET, f"{zip_name}: exe size {len(exe)} bytes "
          f"({len(exe) / 1024:.0f} KiB, budget {SIZE_BUDGET // 1024} KiB)")

    try:
        fixed, product, ftext, ptext = version_resource(exe)
    except ValueError as e:
        check(False, f"{zip_name}: version resource: {e}")
    else:
        dotted = ".".join(map(str, version))
        check(fixed == version and product == version and ftext == dotted and ptext == dotted,
              f"{zip_name}: version resource {'.'.join(map(str, fixed))} / "
              f"{'.'.join(map(str, product))} / {ftext} / {ptext}, expected {dotted}")

    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, EXE)
        with open(path, "wb") as f:
            f.write(exe)
        run = subprocess.run([os.path.join(ROOT, "scripts", "check-imports.sh"), path],
                             capture_output=True, text=True)
        check(run.returncode == 0,
              f"{zip_name}: exe imports only Windows DLLs: {run.stdout.strip()} {run.stderr.strip()}")


def main():
    version = project_version()
    expected_txt = f"{version[0]}.{version[1]}.{version[3]}".encode()
    with open(os.path.join(DIST, "QuendixInternetLookup.txt"), "rb") as f:
        txt = f.read()
    check(txt == expected_txt, f"QuendixInternetLookup.txt holds {txt!r}, expected {expected_txt!r}")

    texts = {"ReadMe.txt": with_crlf(os.path.join(ROOT, "docs", "ReadMe.txt")),
             "License.txt": with_crlf(os.path.join(ROOT, "LICENSE"))}
    for zip_name, tree, machine in ZIPS:
        with zipfile.ZipFile(os.path.join(DIST, zip_name)) as z:
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

    if failures:
        print(f"{len(failures)} release check(s) failed")
        return 1
    print("release checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
