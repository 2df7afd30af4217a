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



def shared_chain(depth, fan_out=2):
    """Arrays that each refer to the next one fan_out times: fan_out^depth nodes expanded."""
    objects = [bytes([0xA0 | fan_out]) + bytes([i + 1]) * fan_out for i in range(depth)]
    objects.append(b"\x54leaf")
    out = b"bplist00"
    offsets = []
    for obj in objects:
        offsets.append(len(out))
        out += obj
    table = len(out)
    out += bytes(offsets)
    return out + bytes(6) + bytes([1, 1]) + len(objects).to_bytes(8, "big") + bytes(8) + \
        table.to_bytes(8, "big")


put("fuzz_plist", "shared-chain.bin", shared_chain(30))
put("fuzz_plist", "regression-shared-chain-40", shared_chain(40))
put("fuzz_plist", "chain-description", b"bplc" + bytes([0x10]) * 40)
put("fuzz_plist", "chain-description-cycles", b"bplc" + bytes([0x10, 0x98, 0xA1, 0x2F]) * 10)
put("fuzz_plist", "integer-overflow.xml", b"<plist><dict><key>FUNCTION</key><dict><key>M</key>"
    b"<integer>18446744073709551615</integer><key>N</key><integer>-18446744073709551615"
    b"</integer></dict></dict></plist>")

put("fuzz_handoff", "utf8", b"75746638:TVgtUjc0NDAwIFNlcmllcw==")
put("fuzz_handoff", "empty", b"75746638:")
put("fuzz_handoff", "bad", b"7574663g:AA==")
