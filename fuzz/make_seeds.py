#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

The answers are the ones the unit and end-to-end tests use: the worked example, the 600-byte
answer, the service's notices and pages that are no answer. Targets that read their input through FuzzedDataProvider take
their choices from the end of the input, so those seeds carry the choice bytes last.
Run it again only when a seed should change; the files it writes are committed.
"""
import os
import shutil
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def field(tag, value):
    return bytes([tag]) + value.encode("cp1252")


WORKED = b"N0CALL" + b"".join(field(t, v) for t, v in [
    (0xB8, "JANE"), (0xB9, "Q"), (0xBA, "SAMPLE"), (0xBC, "12 ELM ST"), (0xBF, "ANYTOWN"),
    (0xC0, "IL"), (0xC1, "60000"), (0xC6, "LAKE"), (0xD1, "United States"), (0xB6, "E"),
    (0xCA, "EN52"), (0xC8, "42.25"), (0xC9, "88.1"), (0xD0, "BUREAU"), (0xC3, "01/15/2005"),
    (0xC4, "01/15/2015"), (0xB7, "X"), (0xD3, "Y"), (0xC7, "-6"), (0xC5, "11/02/2008"),
    (0xBB, "IGNORED")])


def long_answer():
    """The worked example with its address grown until the whole answer is 600 bytes."""
    address_length = 600 - (len(WORKED) - len(b"12 ELM ST"))
    address = ""
    i = 1
    while len(address) < address_length:
        address += str(1000 + i) + " LONG ROAD "
        i += 1
    address = address[:address_length - 1] + "Z"
    answer = WORKED.replace(b"12 ELM ST", address.encode("ascii"))
    assert len(answer) == 600
    return answer


OTHER = (b"Q3TEST" + field(0xB8, "ROBIN") + field(0xB9, "P") + field(0xBA, "PLACEHOLDER") +
         field(0xBC, "99 PINE ST") + field(0xC8, " -33.5 ") + field(0xC9, "-3.5\r\n") +
         field(0xD0, "BUREAU \r\n  ") + field(0xCF, "a|b@example.org") + b"\x00" +
         field(0xB6, "T"))

# The reply line of the worked example, as the logger receives it.
WORKED_REPLY = (b"N0CALL|JANE|SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|"
                b"42.25|88.1|||BUREAU|")

CACHE_HEADER = b"QuendixLookup cache 1\n"


def crc_hex(data):
    return b"%08x" % zlib.crc32(data)


def cache_record(stamp, key, reply, extended):
    """One record of the kept-answers file: its checked line, then the key and the two lines."""
    data = key + reply + extended
    rest = b"%d %d %d %d " % (stamp, len(key), len(reply), len(extended)) + crc_hex(data)
    return crc_hex(rest) + b" " + rest + b"\n" + data + b"\n"


def fdp_string(value):
    """`value` as ConsumeRandomLengthString gives it back whole: backslashes doubled, then "\\ "."""
    return value.replace(b"\\", b"\\\\") + b"\\ "


def cache_input(callsign, reply, extended, file, now, days, max_entries, max_bytes, found):
    """An input of the answer_cache target. The choices are taken from the end, each integer least
    significant byte first: the time (8 bytes, offset by 2^63), the days (2 bytes, offset by 1),
    the most entries (1 byte), the most bytes (2 bytes) and whether the answer was found (1 byte),
    so they stand here in the opposite order."""
    tail = (bytes([1 if found else 0]) + max_bytes.to_bytes(2, "little") + bytes([max_entries]) +
            (days + 1).to_bytes(2, "little") + (now + 2**63).to_bytes(8, "little"))
    return fdp_string(callsign) + fdp_string(reply) + fdp_string(extended) + file + tail


THREE_ANSWERS = CACHE_HEADER + b"".join([
    cache_record(1000, b"N0CALL", WORKED_REPLY, b"|01/15/2005|01/15/2015|Y||-6|11/02/2008"),
    cache_record(2000, b"K1ABC/P", b"K1ABC/P|a\\b|\r\n\x00\xe9|", b""),
    cache_record(3000, b"Q3TEST", b"", b"")])

SEEDS = {
    "answer": {
        "worked_example": WORKED,
        "answer_600_bytes": long_answer(),
        "not_found": b"NOT FOUND",
        "error": b"ERROR",
        "breaks_and_bars": OTHER,
        "empty": b"",
        "error_and_not_found": b"ERROR: NOT FOUND",
        "sign_in_page": "<!DOCTYPE html><html><title>Anmeldung</title><p>Gr\u00fc\u00dfe "
                        "\u2013 bitte anmelden</p></html>".encode("utf-8"),
        "text_line": b"Service Unavailable\r\n",
        "plain_text_403": b"ERROR: Access Denied\r\n\r\nThe requested URL is blocked.\r\n",
        "json_error": b'{"status":"ERROR","message":"rate limit exceeded"}',
        "json_not_found": b'{"error":"NOT FOUND","code":404}',
        "accented_maintenance": "ATENCI\u00d3N: servicio en mantenimiento".encode("cp1252"),
        "gif": b"GIF89a\xc8\x00\x64\x00\xf7\x00\x00",
        "utf16_text": "ERROR: NOT FOUND".encode("utf-16-le"),
        "empty_fields_as_utf8": b"N0CALL" + field(0xC2, "") + field(0xB8, "JANE") +
                                field(0xC6, "") + field(0xBA, "SAMPLE"),
        "cut_after_address": WORKED[:30],
    },
    # Separator bytes first, then the field strings; the two coordinates come from the end.
    "record_lines": {
        "worked_example": WORKED,
        "breaks_and_bars": OTHER,
    },
    # The last byte chooses the code page (odd: single-byte), the rest is the password.
    "scramble": {
        "plain": b"secret\x01",
        "placeholder": bytes(b - 1 for b in b"Not Set") + b"\x01",
        "quoted": b"!abc!\x01",
        "latin1_on_utf8": "caf\u00e9".encode("cp1252") + b"\x00",
    },
    # The last byte chooses the base; user and password are cut by backslashes, then the callsign.
    "lookup_url": {
        "demo_account": b"demo\\ x\\ N0CALL\x00",
        "hostile_values": b"a&b=c\\ #\r\n\\ N0CALL&program=x %20\x01",
        "port_base": b"\xe9\\ \xff\\ K1ABC/P\x02",
    },
    "split_url": {
        "default_lookup": b"http://callbook.quendix.example/call?username=a&program=Logger32",
        "https_port_fragment": b"HTTPS://updates.example:8443/files/x.txt?a=1#top",
        "query_only": b"http://127.0.0.1:65535?x=1",
        "bad_port": b"http://host:65536/",
        "user_info": b"http://user@host/",
    },
    # The body first; our own version's three numbers come from the end, four bytes each with
    # the most significant last: major, then minor, then revision (here 1.2.4).
    "version": {
        "newer": b"1.2.5" + bytes([4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0]),
        "four_parts": b" 1.2.4.1\r\n" + bytes([4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0]),
        "largest": b"4294967295.0" + bytes(12),
        "too_large": b"4294967296" + bytes(12),
        "empty_part": b"1..2" + bytes(12),
    },
    # The last byte picks the separator (0 point, 1 comma, 2 none); the byte before it chooses
    # writing (odd: the eight bytes before it hold a double, least significant first) or
    # reading (even: the text).
    # The last byte chooses the program's text (odd) or a text of the input (even); for the
    # program's text the byte before it picks one (4: could not write, 7: not found). The values
    # (callsign, folder, system message) are cut by backslashes, a doubled one standing for one.
    "messages_fill": {
        "could_not_write": b"K1ABC\\ C:\\\\Logger32\\ Access is denied.\r\n" + bytes([4, 1]),
        "placeholder_in_value": b"<folder>K1<callsign>\\ x\\ y" + bytes([7, 1]),
        "free_text": b"<<callsign>>\\ der\\ \\ <system message>" + bytes([0]),
    },
    "number_text": {
        "read_latitude": b" -33.5 \x00\x00",
        "read_comma": b"42,25\x00\x01",
        "read_exponent": b"1.5E+20\x00\x02",
        "read_bad": b"1e\x00\x00",
        "write_longitude": bytes.fromhex("66666666660656c0") + b"\x01\x00",
        "write_tiny": bytes.fromhex("0100000000000000") + b"\x01\x01",
    },
    # The callsign, reply and extended line of the change, each ended by a backslash and a space,
    # then the file; the choices last (see cache_input).
    "answer_cache": {
        "found_replaces": cache_input(b"n0call", WORKED_REPLY, b"|ext|", THREE_ANSWERS, 3500, 1,
                                      8, 4096, True),
        "not_found_drops": cache_input(b"Q3TEST", b"", b"", THREE_ANSWERS, 3500, 1, 8, 4096,
                                       False),
        "torn_last_record": cache_input(b"K1ABC/P", b"r", b"e", THREE_ANSWERS[:-12], 3000, 1, 8,
                                        4096, True),
        "over_the_bounds": cache_input(b"NEW", b"r" * 100, b"e", THREE_ANSWERS, 3000, 30, 2, 300,
                                       True),
        "some_expired": cache_input(b"X1X", b"r", b"", THREE_ANSWERS, 88900, 1, 8,
                                    4096, True),
        "not_ours": cache_input(b"N0CALL", b"r", b"", b"[Settings]\r\nUserName=x\r\n", 0, 30,
                                8, 4096, True),
        "newer_version": cache_input(b"N0CALL", b"r", b"", b"QuendixLookup cache 2\nanything\n",
                                     3000, 30, 8, 4096, True),
        "from_the_future": cache_input(b"X1X", b"r", b"", THREE_ANSWERS, 1500, 1, 8, 4096, True),
    },
}


def main():
    for target, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
