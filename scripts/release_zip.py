#!/usr/bin/env python3
"""Writes a release zip that is the same bytes wherever and whenever it is made.

The zip holds the files named, in the order of their names, each compressed with deflate at
level 9 (Python's zlib), with nothing taken from the file system but the contents: every entry
has the same time, the release time below (in UTC; a zip stores no time zone), the mode 644
(755 for an .exe), a Unix origin, and no extra fields (no uid/gid, no access or creation
times), and the archive has no comment. CPack's zip took the entry times from the local time
zone, the owner's uid and gid from the files and the order from the directory listing, so two
builds of one commit differed.

The release time, in seconds since 1970 (UTC):
  1. SOURCE_DATE_EPOCH, when set (https://reproducible-builds.org/specs/source-date-epoch/);
  2. else, in a git checkout of this source, the time of its HEAD commit (`git log -1 --format=%ct`);
  3. else (a source archive, not a checkout) 1980-01-01 00:00:00 UTC, the earliest time a zip
     can hold. The exes do not depend on it; the zips match the published ones only with
     SOURCE_DATE_EPOCH set to the commit's time.
A time before 1980 is written as 1980-01-01 00:00:00, one after 2107 as 2107-12-31 23:59:58;
the zip format keeps even seconds only.

Usage:
  scripts/release_zip.py OUT.zip NAME=PATH...   write OUT.zip holding each PATH as NAME
  scripts/release_zip.py --epoch                print the release time and where it came from
scripts/check_release.py imports it to check that a released zip is exactly what it writes.
"""
import os
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
LATEST = 4354819198   # 2107-12-31 23:59:58 UTC
LEVEL = 9


def source_date_epoch(root=ROOT):
    """(seconds since 1970, where they came from) of the release made from `root`."""
    env = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if env:
        if not env.isdigit():
            sys.exit(f"SOURCE_DATE_EPOCH={env!r} is not a whole number of seconds")
        return int(env), "SOURCE_DATE_EPOCH"
    try:
        # Only this source's own checkout: not a repository that happens to hold an unpacked
        # source archive further down.
        top = subprocess.run(["git", "-C", root, "rev-parse", "--show-toplevel"],
                             capture_output=True, text=True)
        if top.returncode == 0 and os.path.realpath(top.stdout.strip()) == os.path.realpath(root):
            log = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                                 capture_output=True, text=True)
            if log.returncode == 0 and log.stdout.strip().isdigit():
                return int(log.stdout.strip()), "the time of the HEAD commit"
    except OSError:  # no git
        pass
    return EARLIEST, "no SOURCE_DATE_EPOCH and no git checkout: 1980-01-01 00:00:00 UTC"


def entry_time(epoch):
    """The DOS date and time fields of every entry, as zipfile takes them."""
    return time.gmtime(min(max(epoch, EARLIEST), LATEST))[:6]


def zip_bytes(entries, epoch):
    """The zip of `entries` ((name, bytes) pairs) made at `epoch`, as bytes."""
    import io
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        for name, data in sorted(entries, key=lambda e: e[0].encode()):
            info = zipfile.ZipInfo(name, date_time=entry_time(epoch))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix: the mode below is read as one
            mode = 0o755 if name.lower().endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            z.writestr(info, data, compresslevel=LEVEL)
    return out.getvalue()


def main(argv):
    if argv == ["--epoch"]:
        epoch, how = source_date_epoch()
        print(f"{epoch} ({time.strftime('%Y-%m-%d %H:%M:%S UTC', time.gmtime(epoch))}; {how})")
        return 0
    if len(argv) < 2 or any("=" not in a for a in argv[1:]):
        sys.exit(__doc__)
    entries = []
    for arg in argv[1:]:
        name, path = arg.split("=", 1)
        with open(path, "rb") as f:
            entries.append((name, f.read()))
    epoch, how = source_date_epoch()
    data = zip_bytes(entries, epoch)
    tmp = argv[0] + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, argv[0])
    print(f"{argv[0]}: {len(entries)} files, entry time "
          f"{time.strftime('%Y-%m-%d %H:%M:%S UTC', time.gmtime(epoch))} ({how})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
