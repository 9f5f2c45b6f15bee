#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/. The update packages
# come from mkupdate, so they are the format as the package writer makes it.
# usage: fuzz/make_seeds.sh [MKUPDATE]   (default: build/default/bin/mkupdate)
set -euo pipefail
cd "$(dirname "$0")"
MKUPDATE=${1:-../build/default/bin/mkupdate}
C=corpus

seed() { mkdir -p "$C/$1"; printf '%b' "$3" >"$C/$1/$2"; }

# Pages: a text address, an anchor, an area, a script that hides one, a page cut by a NUL byte,
# a declared charset, two addresses in one tag, and an anchor that never closes.
seed scan_page text.html '<p>write to kim@example.com today</p>\r\n'
seed scan_page anchor.html '<a href="mailto:lee@example.org">Lee &amp; co</a> and <A HREF=x>park@ex.kr</A>'
seed scan_page area.html '<map><area shape=rect href="mailto:map@example.com" alt=x></map>'
seed scan_page script.html '<script>var a="hid@den.net";</script>seen@here.net<SCRIPT>open@end.io'
seed scan_page nul.html 'one@a.bc\0two@d.ef'
seed scan_page charset.html '<meta charset="utf-8"><b>han@\xed\x95\x9c.kr</b>'
seed scan_page twotag.html '<a title="x@y.z" href="mailto:q@r.s">name</a><img alt=a@b.c>'
seed scan_page open.html '<a href=mailto:u@v.w>no close <ar href=t@u.v'

# default.cfg: the factory record, one with bytes after it, one cut short, one with a bad length.
python3 - "$C/settings_file" <<'PY'
import os, struct, sys
d = sys.argv[1]; os.makedirs(d, exist_ok=True)
def s(b): return struct.pack('<i', len(b)) + b
names = [("<img src='VelmorantDefaultImg%d.gif' border=0>" % n).encode() for n in (1, 2, 3)]
rec = struct.pack('<4i', 4, 0, 0, 0) + s(b'c:\\home') + b''.join(s(n) for n in names) + struct.pack('<4i', 1, 0, 0, 0)
open(d + '/factory.cfg', 'wb').write(rec)
open(d + '/trailing.cfg', 'wb').write(rec + b'\x01\x02')
open(d + '/short.cfg', 'wb').write(rec[:40])
open(d + '/badlength.cfg', 'wb').write(struct.pack('<4i', 0, 1, 1, 0) + struct.pack('<i', 2048))
PY

# login.cfg: no password, a password record of one block, a file that ends early, empty.
python3 - "$C/login_file" <<'PY'
import os, struct, sys
d = sys.argv[1]; os.makedirs(d, exist_ok=True)
def s(b): return struct.pack('<i', len(b)) + b
open(d + '/nopassword.cfg', 'wb').write(struct.pack('<i', 0) + s(b'kim') + s(b'/home/kim/out'))
open(d + '/password.cfg', 'wb').write(struct.pack('<i', 1) + s(b'lee') + s(bytes(range(0x30, 0x38))) + s(b'/o'))
open(d + '/short.cfg', 'wb').write(struct.pack('<i', 1) + s(b'park'))
open(d + '/empty.cfg', 'wb').write(b'')
PY

# Service answers: a success line, error lines, two lines.
code=0123456789abcdef0123456789ABCDEF
seed service_answer success.txt "1234567SEC $code 41 \r\n"
seed service_answer error.txt 'er04\r\n'
seed service_answer other.txt 'er9'
seed service_answer twolines.txt 'ok\n\n'

# Version lines.
seed version_line plain.txt '82 86400 http://127.0.0.1:8080/autoupcab.tmp\r\n'
seed version_line signs.txt '  -12 +7 url with spaces'
seed version_line huge.txt '99999999999999999999 -99999999999999999999'
seed version_line short.txt '3'

# Update packages, written by mkupdate.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'program v2' >"$work/kdv.exe"
printf 'idn data' >"$work/idn.dat"
printf '' >"$work/empty.bin"
mkdir -p "$C/install_package"
printf 'md ae:\\new\nwrite ae:\\new\\kdv.exe kdv.exe\ndel ae:\\orvex.exe\nrd ae:\\data\n' >"$work/folders.list"
printf 'md id:\\cache\nwrite id:\\cache\\idn.dat idn.dat\nwrite ae:\\empty.bin empty.bin\n' >"$work/idn.list"
printf 'write ae:\\orvex.exe kdv.exe\n' >"$work/replace.list"
# The target reads an odd first byte as "stored package follows", an even one as "decompressed
# data follows" (which it stores itself); each package is kept in both forms.
for list in folders idn replace; do
    "$MKUPDATE" --version 82 "$work/$list.list" "$work/$list.tmp" >/dev/null
    python3 - "$work/$list.tmp" "$C/install_package/$list" <<'PY'
import sys, zlib
package = open(sys.argv[1], 'rb').read()
open(sys.argv[2] + '.stored', 'wb').write(b'\x01' + package)
open(sys.argv[2] + '.plain', 'wb').write(b'\x00' + zlib.decompress(package[8:]))
PY
done

# Paths the installer must refuse or keep inside their folder, as mkupdate would never write them.
python3 - "$C/install_package/hostile.plain" <<'PY'
import struct, sys
text = (b'md id:\\\nrd ae:\\\nmd ae:\\.\\x\ndel ae:\\..\\keep.txt\n'
        b'write id:\\a/../../b 1\nwrite ae:\\x\\.. 1\nwrite ae:\\\x81\\.. 1\nen')
open(sys.argv[1], 'wb').write(b'\x00' + struct.pack('<3I', 0, 0, len(text)) + text + b'xyz')
PY

# Code images: a mode byte, the start column and row offset (little-endian), then the code.
seed code_image digits.bin '\x00\x0a\x00\x00\x00\x09\x00\x00\x001234'
seed code_image mixed.bin '\x00\x0d\x00\x00\x00\x08\x00\x00\x0012a4567'
seed code_image short.bin '\x00\x08\x00\x00\x00\x0d\x00\x00\x009'
seed code_image edges.bin '\x01\xf0\xff\xff\xff\x30\x00\x00\x008888'
