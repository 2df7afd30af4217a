#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers into fuzz/corpus/<fuzzer>/."""
import os
import plistlib

here = os.path.dirname(os.path.abspath(__file__))


def put(fuzzer, name, data):
    folder = os.path.join(here, "corpus", fuzzer)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


ini = b"[FUNCTION]\nFUNCTION_NUM=2\nFUNCTION1=::Tool:Tool.app\n[PRINTER]\nPRINTER1=MX-R74400 Series\nTEXT=a\\nb\n"
bodies = {
    "crlf": ini.replace(b"\n", b"\r\n"),
    "cr": ini.replace(b"\n", b"\r"),
    "lf": ini,
    "mixed": b"A=1\r\nB=2\rC=3\nD=4\r\n",
    "bom": b"\xef\xbb\xbfA=1\r\nB=2\r\n",
    "nofinal": b"[S]\r\nK=v",
    "nul": b"A=1\x00hidden\r\nB=\x002\r\n",
    "empty": b"",
}
for length in range(1021, 1027):
    bodies["long%d" % length] = b"K=" + b"x" * (length - 2) + b"\r\nL=after\r\n"
for name, body in bodies.items():
    put("fuzz_ini", name, b"K\x01S\x01" + body)
    put("fuzz_ini", name + "-text", b"TEXT\x01PRINTER\x01" + body)
    put("fuzz_relpath", name, body.split(b"\r")[0][:300])

for path in [b"::Tool:Tool.app", b"::Tool:Plugin:PrinterPlugin:SGTA.plugin", b":::::x", b"a:b",
             b"::Tool:..:Tool", b"Contents", b":Contents:Info.plist", b"::Tool/../Tool"]:
    put("fuzz_relpath", path.decode().replace(":", "_").replace("/", "-") or "empty", path)

strings = b"00000000=Title\r\n00010004=Help\\nnot found\r\n0001000=seven\r\n0000=000=x\r\n"
fonts = b"00000000=12,1,0,1\r\n00999999=10,0,0,0\r\n"
put("fuzz_localize", "basic", strings + b"\x02" + b"00020000=Version %@\r\n" + b"\x02" + fonts)
put("fuzz_localize", "longline", strings + b"\x02\x02" + b"x" * 1030 + b"\r\n" + fonts)
put("fuzz_localize", "lf", strings.replace(b"\r\n", b"\n") + b"\x02\x02" + fonts)

setting = {"MODEL": ["MX-R74400 Series", "MX-R54400 Series"],
           "INITIAL": {"MX-R74400 Series": "R74", "MX-R54400 Series": "../x"},
           "FUNCTION": {"MX-R74400 Series": 127, "MX-R54400 Series": 4294967296},
           "IsWorldWideOnly": False}
put("fuzz_plist", "setting.xml", plistlib.dumps(setting, fmt=plistlib.FMT_XML))
put("fuzz_plist", "setting.bin", plistlib.dumps(setting, fmt=plistlib.FMT_BINARY))
put("fuzz_plist", "info.xml", plistlib.dumps({"CFBundleVersion": "1.10", "CFBundleExecutable": "x"}))
put("fuzz_plist", "array-root.xml", plistlib.dumps(["a", 1]))
put("fuzz_plist", "deep.xml", b"<plist><array>" * 300 + b"</array></plist>" * 300)
put("fuzz_plist", "entities.xml", b'<?xml version="1.0"?><!DOCTYPE plist [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;">]><plist><dict><key>MODEL</key><array><string>&b;&b;&amp;&lt;</string></array></dict></plist>')
put("fuzz_plist", "truncated.bin", plistlib.dumps(setting, fmt=plistlib.FMT_BINARY)[:40])

put("fuzz_handoff", "utf8", b"75746638:TVgtUjc0NDAwIFNlcmllcw==")
put("fuzz_handoff", "empty", b"75746638:")
put("fuzz_handoff", "bad", b"7574663g:AA==")
