#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Converts pages that real tools wrote (MHonArc archives, a Sphinx project) and hand-made legacy
pages (CP949, UTF-8 with a byte order mark), then checks that each written page is its source with
only the scanned occurrences replaced and the block inserted: byte for byte, as an HTML5 parser
sees it, and as a raw search for addresses sees it.

usage: realworld_test.py ORVEX_CLI CGIDATA_DIR   (exit 77: a tool is missing, the test is skipped)
"""

import base64
import collections
import importlib.util
import json
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SKIP = 77
KIT_FOLDER = "Velmorant"

# The raw search for exposed addresses: one pattern, run after "@" written as %40, &#64; or &#x40;
# is decoded (which keeps every line where it was).
ADDRESS = re.compile(rb"[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,}")
ENCODED_AT = re.compile(rb"%40|&#64;|&#[xX]40;")

BLOCK = re.compile(rb"<!--AntiSpam\d+.*?-->\r\n<script language=javascript>\r\nfunction AntiSpam\(UniqId\)"
                   rb".*?</script>\r\n<!--[^>]*-->\r\n", re.S)
LINK = re.compile(rb"<a href='javascript:AntiSpam\(\d+\)'>.*?</a>", re.S)
AREA_LINK = re.compile(rb"href='javascript:AntiSpam\(\d+\)'")
LINK_HREF = re.compile(r"javascript:AntiSpam\(\d+\)")
PLACEHOLDER = "orvexspan"

# ---------------------------------------------------------------------------------------------
# The sites, written at test time.

KOREAN_NAME = "=?UTF-8?B?" + base64.b64encode("김철수".encode()).decode() + "?="
MBOX = f"""From kim@example.co.kr Mon Jan  1 10:00:00 2024
From: {KOREAN_NAME} <kim@example.co.kr>
To: Lee <lee@example.com>
Cc: park@example.org, "Choi" <choi@example.net>
Subject: =?UTF-8?B?{base64.b64encode("회의 안내".encode()).decode()}?=
Date: Mon, 1 Jan 2024 10:00:00 +0900
Message-ID: <m1@example.co.kr>
MIME-Version: 1.0
Content-Type: text/plain; charset=UTF-8
Content-Transfer-Encoding: 8bit

안녕하세요. 다음 주 회의 안내입니다.
문의는 kim@x.co.kr입니다.

<a@b.com> wrote:
> 자료를 보내 주세요.

From lee@example.com Mon Jan  1 11:00:00 2024
From: Lee <lee@example.com>
To: Kim <kim@example.co.kr>
Subject: Re: meeting
Date: Mon, 1 Jan 2024 11:00:00 +0900
Message-ID: <m2@example.com>
In-Reply-To: <m1@example.co.kr>
References: <m1@example.co.kr>
MIME-Version: 1.0
Content-Type: text/plain; charset=UTF-8
Content-Transfer-Encoding: 8bit

Kim <kim@example.co.kr> wrote:
> 안녕하세요.
To: x <AET.X@POST.COM>
> quoted text here
See http://e.com/ for the agenda.

From x@example.com Mon Jan  1 12:00:00 2024
From: X <x@example.com>
To: y@example.com
Subject: forwarded
Date: Mon, 1 Jan 2024 12:00:00 +0900
Message-ID: <m3@example.com>
MIME-Version: 1.0
Content-Type: multipart/alternative; boundary="b1"

--b1
Content-Type: text/plain; charset=UTF-8

To: x <AET.X@POST.COM>
> quoted text here

--b1
Content-Type: text/html; charset=UTF-8
Content-Transfer-Encoding: 8bit

<html><body><p>To: x <AET.X@POST.COM><br>
&gt; quoted text here<br>
see <a href="http://e.com/">http://e.com/</a></p>
<p>Kim &lt;kim@example.co.kr&gt; wrote: 문의는 kim@x.co.kr입니다.</p></body></html>

--b1--

"""

# MHonArc's documented set-up for archives in UTF-8: raw bytes >= 0x80 beside addresses.
MHONARC_UTF8_RC = """<TextEncode>
utf-8; MHonArc::UTF8::to_utf8; MHonArc/UTF8.pm
</TextEncode>
<CharsetConverters override>
default; mhonarc::htmlize
</CharsetConverters>
"""

SPHINX_CONF = """project = 'Orvex Test'
author = 'Hong Gildong'
copyright = '2024, Hong Gildong (hong@example.kr)'
"""
# Uncloaked, docutils writes "@" as &#64; and keeps a %40 of the source.
SPHINX_DOCUTILS = "[html writers]\ncloak_email_addresses: no\n"
SPHINX_INDEX = """Contact
=======

Write to `the team <mailto:team@example.org>`_ or to sales@example.com.

Encoded: `Mr C <mailto:c%40d.com>`_.

.. toctree::

   other
"""
SPHINX_OTHER = """Other
=====

A link in angle brackets: <mailto:x@y.org>.
"""

LEGACY_CP949 = """<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=euc-kr">
<title>연락처 안내</title>
</head>
<body bgcolor="#ffffff">
<table width="600" border="0" cellpadding="2" cellspacing="0">
<tr><td width="120">담당자</td><td>홍길동(hong@example.co.kr) 님께 연락 주십시오</td></tr>
<tr><td>문의</td><td>문의는 kim@x.co.kr입니다.</td></tr>
<tr><td>영업</td><td>[sales@example.co.kr] 또는 메일:park@example.net, 똠방각하</td></tr>
<tr><td>메일</td><td><a href="mailto:lee@example.com">이메일 보내기</a></td></tr>
<tr><td>16진</td><td><a href="mailto:hex&#x40;example.com">hex</a>
<A HREF="mailto:HEX&#X40;EXAMPLE.NET">HEX</A></td></tr>
</table>
<img src="map.gif" width="20" height="10" usemap="#mail" border="0">
<map name="mail">
<area shape="rect" coords="0,0,10,10" href="mailto:area1@example.com" alt="하나">
<area shape=rect coords="10,0,20,10" href='mailto:area2@example.com' alt="둘">
</map>
</body>
</html>
"""
BOM_UTF8 = """\ufeff<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>BOM</title></head>
<body><p>문의는 kim@x.co.kr입니다.</p><p><a href="mailto:bom@example.com">메일 보내기</a></p></body>
</html>
"""


def make_sites(tmp):
    """Writes every site; returns {name: home folder}."""
    mbox = tmp / "list.mbox"
    mbox.write_bytes(MBOX.encode())
    rc = tmp / "utf8.mrc"
    rc.write_text(MHONARC_UTF8_RC, encoding="utf-8")
    sites = {}
    for name, extra in (("mhonarc", []), ("mhonarc-utf8", ["-rcfile", str(rc)])):
        home = tmp / name
        home.mkdir()
        run(["mhonarc", "-quiet", *extra, "-outdir", str(home), str(mbox)])
        sites[name] = home
    src = tmp / "sphinx-src"
    src.mkdir()
    for file, text in (("conf.py", SPHINX_CONF), ("docutils.conf", SPHINX_DOCUTILS), ("index.rst", SPHINX_INDEX),
                       ("other.rst", SPHINX_OTHER)):
        (src / file).write_text(text, encoding="utf-8")
    sites["sphinx"] = tmp / "sphinx"
    run([sys.executable, "-m", "sphinx", "-q", "-b", "html", "-d", str(tmp / "doctrees"), str(src),
         str(sites["sphinx"])])
    hand = tmp / "handmade"
    (hand / "old").mkdir(parents=True)
    (hand / "old" / "contact.htm").write_bytes(LEGACY_CP949.encode("cp949"))
    (hand / "bom.html").write_bytes(BOM_UTF8.encode())
    sites["handmade"] = hand
    return sites


def run(args, ok=(0,)):
    r = subprocess.run(args, capture_output=True, stdin=subprocess.DEVNULL)
    if r.returncode not in ok:
        raise SystemExit(f"FAIL: {' '.join(map(str, args))} exited {r.returncode}: {r.stderr.decode(errors='replace')}")
    return r


# ---------------------------------------------------------------------------------------------
# Helpers.

class Failures:
    def __init__(self):
        self.lines = []

    def __call__(self, check, page, message):
        self.lines.append(f"FAIL [{check}] {page}: {message}")


def excerpt(data, at, width=40):
    return repr(data[max(0, at - width // 2):at + width // 2])[1:]


def charset_of(page):
    """The page's declared charset (a browser's prescan, simplified); UTF-8 when it has none."""
    m = re.search(rb"charset=[\"']?([A-Za-z0-9_-]+)", page[:2048])
    return m.group(1).decode().lower() if m else "utf-8"


def header_offset(page):
    """Where the block belongs: after a UTF-8 byte order mark and a leading doctype (white space
    and comments allowed before it)."""
    start = 3 if page.startswith(b"\xef\xbb\xbf") else 0
    p = start
    while m := re.compile(rb"[ \t\r\n\f]+|<!--.*?-->", re.S).match(page, p):
        p = m.end()
    if page[p:p + 9].lower() == b"<!doctype" and (close := page.find(b">", p)) >= 0:
        return close + 1
    return start


def first_difference(a, b):
    n = min(len(a), len(b))
    return next((i for i in range(n) if a[i] != b[i]), n)


# ---------------------------------------------------------------------------------------------
# [bytes] The written page is the source with the spans replaced and the block inserted.

def align(src, out, entries, fail, page):
    """Returns (body, links, converted): the written page without its block, the [start, end) of
    each link in it, and which entries were converted; None when the bytes do not line up."""
    m = BLOCK.search(out)
    if m is None:
        fail("bytes", page, "no inserted block (marker comment + script block) found")
        return None
    body = out[:m.start()] + out[m.end():]
    links, converted, runs = [], [], []  # runs: (body offset, source offset) of each copied run
    p = q = 0
    for e in entries:
        start, end = e["start"], e["end"]
        piece = src[p:start]
        if body[q:q + len(piece)] != piece:
            i = first_difference(piece, body[q:q + len(piece)])
            fail("bytes", page, f"source byte {p + i} ({excerpt(src, p + i)}) differs in the written page "
                                f"({excerpt(body, q + i)})")
            return None
        runs.append((q, p))
        q += len(piece)
        link = (AREA_LINK if e["kind"] == "area" else LINK).match(body, q)
        if link:
            links.append((link.start(), link.end()))
            converted.append(True)
            q = link.end()
        elif body[q:q + end - start] == src[start:end]:
            converted.append(False)
            q += end - start
        else:
            fail("bytes", page, f"span [{start},{end}) {excerpt(src, start)} is neither kept nor a link: "
                                f"{excerpt(body, q)}")
            return None
        p = end
    tail = src[p:]
    if body[q:] != tail:
        i = first_difference(tail, body[q:])
        fail("bytes", page, f"source byte {p + i} ({excerpt(src, p + i)}) differs in the written page "
                            f"({excerpt(body, q + i)})")
        return None
    runs.append((q, p))
    # Map the block's place back into the source: it must lie in a copied run.
    at = next((s + m.start() - b for b, s in reversed(runs) if b <= m.start()), 0)
    if any(a < m.start() < b for a, b in links):
        fail("bytes", page, f"block inserted inside a replacement at byte {m.start()}")
    elif at != (want := header_offset(src)):
        fail("bytes", page, f"block inserted at source byte {at}, before {src[at:at + 20]!r}; expected at {want} "
                            f"(after BOM/doctype), before {src[want:want + 20]!r}")
    return body, links, converted


# ---------------------------------------------------------------------------------------------
# [tree] An HTML5 parser sees the same document outside the occurrences, in the same mode.

def parse(data, charset):
    import html5lib
    parser = html5lib.HTMLParser(tree=html5lib.getTreeBuilder("etree"), namespaceHTMLElements=False)
    doc = parser.parse(data, override_encoding=charset)
    return doc, parser.compatMode


def tokens(doc, written):
    """The tree as a flat list; in a written page each link element becomes the placeholder text
    and each area's link attribute a placeholder attribute, as in the source."""
    import html5lib
    out, skip = [], 0
    for t in html5lib.getTreeWalker("etree")(doc):
        kind = t["type"]
        attrs = {name: value for (_, name), value in t.get("data", {}).items()} if "Tag" in kind else {}
        if skip:
            skip += {"StartTag": 1, "EndTag": -1}.get(kind, 0)
            continue
        if written and LINK_HREF.fullmatch(attrs.get("href", "")):
            if t["name"] == "a" and kind == "StartTag":
                skip = 1
                kind, t = "Characters", {"data": PLACEHOLDER}
            else:
                del attrs["href"]
                attrs[PLACEHOLDER] = ""
        if kind in ("Characters", "SpaceCharacters"):
            if out and out[-1][0] == "text":
                out[-1] = ("text", out[-1][1] + t["data"])
            else:
                out.append(("text", t["data"]))
        elif "Tag" in kind:
            out.append((kind, t["name"], tuple(sorted(attrs.items()))))
        else:
            out.append((kind, t.get("data"), t.get("name"), t.get("publicId"), t.get("systemId")))
    return out


def check_tree(src, out, entries, aligned, fail, page):
    charset = charset_of(src)
    _, src_mode = parse(src, charset)
    _, out_mode = parse(out, charset)
    if src_mode != out_mode:
        fail("tree", page, f"document mode {src_mode!r} became {out_mode!r}")
    body, converted = (aligned[0], aligned[2]) if aligned else (BLOCK.sub(b"", out, count=1), [True] * len(entries))
    marked, p = [], 0
    for e, done in zip(entries, converted):
        if done:
            marked += [src[p:e["start"]], PLACEHOLDER.encode()]
            p = e["end"]
    a = tokens(parse(b"".join(marked) + src[p:], charset)[0], False)
    b = tokens(parse(body, charset)[0], True)
    if a != b:
        i = first_difference(a, b)
        fail("tree", page, f"parsed trees differ after {a[i - 1] if i else None!r}: source has "
                           f"{a[i] if i < len(a) else None!r}, written page {b[i] if i < len(b) else None!r}")


# ---------------------------------------------------------------------------------------------
# [report] The exposure report lists what a raw search of the written pages, and of the site's
# files that are not pages, finds.

def raw_exposures(page, data, protected):
    """(page, line, address) of each address the raw search finds in the written page."""
    text = ENCODED_AT.sub(b"@", data)
    found = [(m.start(), m.end(), m.group().decode()) for m in ADDRESS.finditer(text)]
    for address in protected:
        needle = address.encode()
        at = text.find(needle)
        while at >= 0:
            if not any(s <= at and at + len(needle) <= e for s, e, _ in found):
                found.append((at, at + len(needle), address))
            at = text.find(needle, at + 1)
    return collections.Counter((page, text.count(b"\n", 0, s) + 1, a) for s, _, a in found)


def check_report(report_path, written, protected, fail):
    listed = collections.Counter()
    for line in report_path.read_text(encoding="utf-8").splitlines():
        if line.strip():
            r = json.loads(line)
            listed[(r["page"], r["line"], r["address"])] += 1
    expected = collections.Counter()
    for page, data in written.items():
        expected += raw_exposures(page, data, protected)
    for page in sorted({k[0] for k in listed + expected}):
        missing = sorted((k[1], k[2]) for k in (expected - listed) if k[0] == page)
        extra = sorted((k[1], k[2]) for k in (listed - expected) if k[0] == page)
        if missing or extra:
            fail("report", page, f"not listed: {missing[:4]}{'...' if len(missing) > 4 else ''}; "
                                 f"listed but not found: {extra[:4]}{'...' if len(extra) > 4 else ''}")


# ---------------------------------------------------------------------------------------------
# [scan] Where the scan puts each occurrence on these pages.

ANCHOR_START = re.compile(rb"<[aA][ \t\r\n/>]")
ENCODED_MAILTO = re.compile(rb"<a\s[^>]*?href=[\"']mailto:([^\"'?@]+?)(?:%40|&#64;|&#[xX]40;)([^\"'?]+)[\"']", re.I)
ESCAPED_ADDRESS = re.compile(rb"&lt;([A-Za-z0-9._+-]+@[A-Za-z0-9.-]+)&gt;")
BEFORE_NON_ASCII = re.compile(rb"[A-Za-z0-9._+-]+@[A-Za-z0-9.-]+?(?=[\x80-\xff]|&#)")


def check_entries(src, entries, fail, page):
    by_start = {e["start"]: e for e in entries}
    reported = set()  # entries already failed: the targeted checks below do not repeat them
    for e in entries:
        span = src[e["start"]:e["end"]]
        if e["kind"] == "anchor" and not ANCHOR_START.match(span):
            fail("scan", page, f"anchor entry at {e['start']} is no anchor tag: {span[:30]!r}")
        elif e["kind"] != "text":
            continue
        elif re.search(rb"[&(\[\x80-\xff]", span) or span[-1:] in b".,;:!?)]":
            fail("scan", page, f"text address {span.decode(charset_of(src), 'replace')!r} keeps what surrounds it")
        elif span != e["address"].encode():
            fail("scan", page, f"text entry {e['address']!r} spans {span!r}")
        else:
            continue
        reported.add(e["start"])
    for m in ENCODED_MAILTO.finditer(src):
        e = by_start.get(m.start())
        want = (m.group(1) + b"@" + m.group(2)).decode()
        if not e or e["kind"] != "anchor" or e["address"] != want:
            fail("scan", page, f"{m.group()[:50]!r} is not an anchor entry for {want!r}: {e}")
    for m in list(ESCAPED_ADDRESS.finditer(src)) + list(BEFORE_NON_ASCII.finditer(src)):
        g = 1 if m.re is ESCAPED_ADDRESS else 0
        e = by_start.get(m.start(g))
        if m.start(g) in reported:
            continue
        if not e or e["end"] != m.end(g) or e["address"] != m.group(g).decode():
            fail("scan", page, f"{excerpt(src, m.start(g))} is not the text entry {m.group(g).decode()!r}: {e}")
    unrelated = src.find(b"http://e.com/")
    for e in entries:
        if e["start"] <= unrelated < e["end"]:
            fail("scan", page, f"entry {e['address']!r} [{e['start']},{e['end']}) swallows the link http://e.com/")


# ---------------------------------------------------------------------------------------------

def check_site(name, home, cli, cgidata, tmp, fail, notes):
    scan = run([cli, "scan", "--json", "--home", str(home)])
    entries = collections.defaultdict(list)
    for line in scan.stdout.decode().splitlines():
        e = json.loads(line)
        entries[e["page"]].append(e)
    out, report = tmp / f"{name}-out", tmp / f"{name}-report.jsonl"
    base = [cli, "convert", "--home", str(home), "--out", str(out), "--kind", "php", "--cgidata", cgidata]
    r = run(base + ["--report", str(report)], ok=(0, 1, 2))
    with_report = not (r.returncode == 2 and b"--report" in r.stderr)
    if not with_report:
        shutil.rmtree(out, ignore_errors=True)
        r = run(base, ok=(0, 1))
        notes.add("SKIP [report] orvex-cli convert does not take --report yet")
    if r.returncode != 0:
        fail("convert", name, f"exited {r.returncode}: {r.stderr.decode(errors='replace')[:200]}")
    pages = {p.relative_to(out).as_posix() for p in out.rglob("*") if p.suffix.lower() in (".htm", ".html")
             and p.relative_to(out).parts[0] != KIT_FOLDER}
    if pages != set(entries):
        fail("convert", name, f"written pages {sorted(pages)} are not the pages with addresses {sorted(entries)}")
    written, protected = {}, set()
    for rel in sorted(pages & set(entries)):
        page = f"{name}/{rel}"
        src, data = (home / rel).read_bytes(), (out / rel).read_bytes()
        written[rel] = data
        aligned = align(src, data, entries[rel], fail, page)
        converted = aligned[2] if aligned else [True] * len(entries[rel])
        protected |= {e["address"] for e, done in zip(entries[rel], converted) if done}
        check_tree(src, data, entries[rel], aligned, fail, page)
        check_entries(src, entries[rel], fail, page)
    # The site's files that are not pages go on the server as they are: searched the same way.
    for f in sorted(home.rglob("*")):
        if f.is_file() and f.suffix not in (".html", ".HTML", ".htm", ".HTM"):
            written[f.relative_to(home).as_posix()] = f.read_bytes()
    if with_report and not report.is_file():
        fail("report", name, "convert took --report but wrote no report")
    elif with_report:
        check_report(report, written, protected, lambda check, page, msg: fail(check, f"{name}/{page}", msg))
    return sum(map(len, entries.values())), len(written)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    cli, cgidata = sys.argv[1], sys.argv[2]
    missing = [tool for tool, found in (("mhonarc", shutil.which("mhonarc")),
                                        ("sphinx (python3-sphinx)", importlib.util.find_spec("sphinx")),
                                        ("html5lib (python3-html5lib)", importlib.util.find_spec("html5lib")))
               if not found]
    if missing:
        print(f"SKIP: not installed for {sys.executable}: {', '.join(missing)} (./dev deps installs them)")
        return SKIP
    fail, notes = Failures(), set()
    with tempfile.TemporaryDirectory(prefix="orvex-realworld-") as t:
        tmp = Path(t)
        for name, home in make_sites(tmp).items():
            n, w = check_site(name, home, cli, cgidata, tmp, fail, notes)
            print(f"{name}: {n} occurrences, {w} pages written")
    for line in sorted(notes) + fail.lines:
        print(line)
    return 1 if fail.lines else 0


if __name__ == "__main__":
    sys.exit(main())
