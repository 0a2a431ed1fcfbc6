#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/ from the shipped data and the tests' inputs.

Deterministic: running it again gives the same files. Run from anywhere:
    python3 fuzz/make_corpus.py
"""
import hashlib
import random
import re
import shutil
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
OUT = ROOT / "fuzz" / "corpus"


def literals(path):
    """The C++ string literals of a test file that look like markup, unescaped to bytes."""
    text = path.read_text(encoding="utf-8", errors="replace")
    found = []
    for raw in re.findall(r'"((?:[^"\\\n]|\\.)*)"', text):
        if "<" not in raw and "###" not in raw:
            continue
        data = bytearray()
        i = 0
        while i < len(raw):
            c = raw[i]
            if c != "\\":
                data += c.encode("utf-8")
                i += 1
                continue
            n = raw[i + 1]
            if n == "x":
                m = re.match(r"[0-9A-Fa-f]{1,2}", raw[i + 2:])
                data.append(int(m.group(0), 16))
                i += 2 + len(m.group(0))
                continue
            data += {"n": b"\n", "t": b"\t", "r": b"\r", "0": b"\0"}.get(n, n.encode())
            i += 2
        found.append(bytes(data))
    return found


def header(flags=0x09, line_size=80, spacing=0x02, doc=0x1F, repeat=0, trim=0x000F, rules=()):
    """The engine target's header; `rules` are 6-byte tuples."""
    out = bytes([flags, line_size, spacing, doc, repeat, trim & 0xFF, trim >> 8, len(rules)])
    for r in rules:
        out += bytes(r)
    return out


PIECES = [b"<", b">", b"<<", b">>", b"<table>", b"<td>", b"</td>", b"<TD><img src=a></TD>",
          b"<td>\t<br>\n</td>", b"<!--", b"-->", b"<!-- c -->", b"<!--~", b"~-->",
          b"<!--~ own ~-->", b"<pre>", b"</PRE>", b"<script>", b"</script", b"</script>",
          b"<style>", b"</style>", b"<textarea>", b"</textarea>", b'"', b"'", b"###",
          b"### x\n", b"###<PRE>:1\n", b"###<!--:2", b"<%", b"%>", b"<% a %>", b"word",
          b"Wort\xC4\xD6", b"\xC4\x8D", b"x", b" ", b"  ", b"\n", b"\n\n", b"\t", b"\r",
          b"<b>", b"</b>", b"<B >", b"<br/>", b"<p>", b"</p>", b"<div>", b"</div>",
          b'<a href="x>y">', b"</a>", b"<h1>", b"</h2>", b"<!DOCTYPE html>", b"<td", b"<!",
          b"=", b"/", b"<%=", b"<TEXTAREA>", b"\r\n"]

# Rules: tag index, flags, indents, line breaks, comment length, comment texts.
RULES = [
    (3, 0x1E, 0x10, 0x12, 30, 0x09),   # <TABLE> counted comments, content indent
    (2, 0x10, 0x01, 0x22, 40, 0x00),   # <TD> self indent
    (0, 0x01, 0x00, 0x00, 0, 0x00),    # <B> as text
    (9, 0x21 | 0x80, 0, 0x11, 0, 0),   # <H1> with </H> as text
    (6, 0x01, 0x00, 0x11, 0, 0),       # <PRE> as text
    (13, 0x06, 0x11, 0x11, 20, 0x52),  # <!-- with comments
    (26, 0x80, 0xEE, 0xEE, 255, 0xFF), # "<" with extremes, raw
    (5, 0x40, 0x11, 0x11, 40, 0),      # <DIV> open and close swapped
]


# Inputs the fuzzers found; the faults they showed are pinned by tests/*/fuzz_regressions_test.cpp.
ENGINE_FINDINGS = {
    # Repeated to 16 KiB (not 128 KiB): quadratic work still shows, and a run stays fast.
    "found_comment_length_int_min": "07189de0f00f0f033609a100110000060111fe000d0611111430523c623e",
    "found_cell_of_unterminated_names": "0950021ff00f0002031e10121e090210ffffffff3c7464ffffff6378",
    "found_cell_of_unterminated_names_2": "0950021ff00f0002031e10121ede090122001028023c74647e",
    "found_unclosed_own_comment_openers": "0100dafff00520203c212d2d7e3e",
    # A hundred cells of 102 lines each: 10,200 lines, most of them empty, from 500 bytes.
    "found_empty_lines_around_tags":
        "07189de0000f0f033609a1ff001100003c2f68313e000d061111" + "14523c623e" * 100,
}
INI_FINDINGS = {
    "found_section_ending_in_cr": "000d5c616161",
    "found_trim_key_of_a_cr": "5b5452494d544147535d0a0d3d",
}


def engine_corpus():
    seeds = {name: bytes.fromhex(data) for name, data in ENGINE_FINDINGS.items()}
    pages = sorted((ROOT / "data" / "preview").glob("*.htm"))
    for page in pages:
        body = page.read_bytes()
        seeds[f"page_{page.stem}_default"] = header(spacing=0x22) + body
        seeds[f"page_{page.stem}_html5"] = header(flags=0x1A, spacing=0x42, line_size=60) + body
        seeds[f"page_{page.stem}_documented"] = header(flags=0x35, spacing=0x64) + body
        seeds[f"page_{page.stem}_rules"] = header(flags=0x0D, line_size=40, spacing=0x24,
                                                  rules=RULES, trim=0xFFFF) + body
    snippets = []
    for test in sorted((ROOT / "tests" / "engine").glob("*_test.cpp")):
        snippets += literals(test)
    snippets = sorted(set(s for s in snippets if 2 <= len(s) <= 400))
    for s in snippets:
        # Named and varied by content, so that new test inputs leave the other seeds alone.
        digest = hashlib.sha1(s).hexdigest()[:10]
        i = int(digest, 16)
        seeds[f"snippet_{digest}"] = header(flags=[0x09, 0x1A, 0x07, 0x5D, 0x8B][i % 5],
                                            line_size=[80, 20, 5, 240][i % 4],
                                            spacing=(i >> 2) % 4 << 5 | 2,
                                            rules=RULES[i % len(RULES):][:3], trim=0x0F0F) + s
    rng = random.Random(20261206)
    for i in range(24):
        doc = b"".join(rng.choice(PIECES) for _ in range(rng.randrange(10, 160)))
        seeds[f"malformed_{i:02d}"] = header(flags=rng.randrange(256), line_size=rng.randrange(120),
                                             spacing=rng.randrange(128), doc=rng.randrange(256),
                                             trim=rng.randrange(65536),
                                             rules=rng.sample(RULES, rng.randrange(4))) + doc
    # Repeated documents: unclosed tags and blocks, many cells, a long word.
    for i, doc in enumerate([b"<td><b>x", b"<!--", b"<td> <td>", b"<pre>a\n", b"<<<<a",
                             b"x" * 300 + b" "]):
        seeds[f"repeated_{i}"] = header(repeat=0xF0 | (i % 2), rules=RULES[:2]) + doc
    return seeds


def ini_corpus():
    seeds = {name: bytes.fromhex(data) for name, data in INI_FINDINGS.items()}
    for path in sorted((ROOT / "data").glob("**/*.ini")):
        name = "_".join(path.relative_to(ROOT / "data").with_suffix("").parts)
        seeds[name] = path.read_bytes()
    for test in sorted((ROOT / "tests").glob("*/*_test.cpp")):
        text = test.read_text(encoding="utf-8", errors="replace")
        for raw in re.findall(r'"((?:[^"\\\n]|\\.)*\[[A-Za-z_<]+[^"]*)"', text):
            data = raw.encode().decode("unicode_escape").encode("latin-1")
            seeds[f"{test.stem}_{hashlib.sha1(data).hexdigest()[:10]}"] = data
    seeds["edits"] = (b"; c\r\n[OPTIONS]\r\nLineSize=80\r\n\r\n[<B>]\r\nTagOpen=<B>\r\n\0"
                      b"\x00\x01[<B>]\x01\x05value\x01\x00\x03\x7f\x00\x00\x10")
    seeds["odd_lines"] = b"\xEF\xBB\xBF[a]\rb=1\r\r\n[ a ]\n  k = v  \n=x\n;k=y\n[b\r]\nk\r=1\n"
    seeds["long_names"] = (b"[<ABCDEFGHIJKLMNOPQRSTUV>]\nTagOpen=<ABCDEFGHIJKLMNOPQRSTUVWXYZ>\n"
                           b"StartComment=0123456789012345678901234567890123456789\n"
                           b"[<ABCDEFGHIJKLMNOPQRSTUW>]\nCommentSymbol=\t-*\n")
    return seeds


def command_line_corpus():
    seeds = {}
    test = ROOT / "tests" / "app" / "command_line_test.cpp"
    text = test.read_text()
    for group in re.findall(r"\{\{([^{}]*)\}, C::", text):
        args = [a.encode() for a in re.findall(r'"([^"]*)"', group)]
        if re.search(r"\bpage\b", re.sub(r'"[^"]*"', "", group)):
            args.append(b"page.htm")  # the test's absolute path of the page
        data = b"\0".join(args)
        seeds[f"test_{hashlib.sha1(data).hexdigest()[:10]}"] = data
    for j, args in enumerate([[b"big.htm"], [b"-CTA", b"sub/inner.asp"], [b"-t", b"link.htm"],
                              [b"-F", b"fifo.htm"], [b"-F", b"elsewhere/../page.htm"],
                              [b"-ab", b"space page.htm"], [b"Mixed.HTML"], [b"-C", b"noext"],
                              [b"-F", b"dangling.htm"], [b"-T", b"dir.htm"],
                              [b"-FB", b"./sub/deeper/deep.cfm"], [b"-F", b"/"]]):
        seeds[f"extra_{j:02d}"] = b"\0".join(args)
    return seeds


def editor_text_corpus():
    """Files as the editor loads them: pieces of the preview pages, the tests' markup, and
    bytes that test the encodings and line ends."""
    seeds = {}
    for page in sorted((ROOT / "data" / "preview").glob("*.htm")):
        body = page.read_bytes()
        for at in range(0, len(body), 3000):
            seeds[f"page_{page.stem}_{at:05d}"] = body[at:at + 3000]
    for test in sorted((ROOT / "tests" / "editor").glob("*_test.cpp")):
        for s in literals(test):
            if 2 <= len(s) <= 400:
                seeds[f"snippet_{hashlib.sha1(s).hexdigest()[:10]}"] = s
    seeds["every_byte"] = bytes(range(256))
    seeds["line_ends"] = b"a\r\nb\rc\nd\r\r\ne\n\rf"
    seeds["utf8"] = "<p title=\"\u00e9\u20ac\">\U0001F600 \u00fc</p>\r\n".encode()
    seeds["windows_1252"] = b"<p>\x80 \x81 \x8d \x8f \x90 \x9d \xe9\xfc</p>"
    seeds["open_comment"] = b"<a href=\"x\">t</a><!-- open <b>\"q\"\r\n"
    return seeds


def editor_ops_corpus():
    """Switches, position, selection length and a search text ahead of an editor text."""
    seeds = {}

    def op(flags, position, length, find, text):
        return (bytes([flags, position & 0xFF, position >> 8, length & 0xFF, length >> 8,
                       len(find)]) + find + text)

    page = (ROOT / "data" / "preview" / "sample_html5.htm").read_bytes()[:2500]
    seeds["page_find_td"] = op(0x00, 40, 30, b"<td", page)
    seeds["page_whole_word"] = op(0x03, 200, 10, b"body", page)
    seeds["page_compress"] = op(0x0C, 300, 400, b"</", page)
    seeds["comment_widen"] = op(0x0C, 12, 5, b"--",
                                b"<p>\r\n  <!-- a <b> -->\r\n  <b>x</b> text\r\n</p>\r\n")
    seeds["trim_selection"] = op(0x50, 3, 20, b"a",
                                 b"<td>  <a href=x>  link  </a>  </td>\r\n<td> b </td>")
    seeds["case_and_words"] = op(0x02, 0, 0, b"word", b"Word words WORD word_ w\xc3\xa9rd word")
    rng = random.Random(20261207)
    for i in range(16):
        doc = b"".join(rng.choice(PIECES) for _ in range(rng.randrange(5, 80)))
        find = rng.choice(PIECES)[:15]
        seeds[f"malformed_{i:02d}"] = op(rng.randrange(256), rng.randrange(len(doc) + 1),
                                         rng.randrange(len(doc) + 1), find, doc)
    return seeds


def write(target, seeds):
    directory = OUT / target
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    seen = set()
    for name, data in sorted(seeds.items()):
        digest = hashlib.sha1(data).hexdigest()
        if digest in seen:
            continue
        seen.add(digest)
        (directory / name).write_bytes(data)
    return len(seen), sum(len(d) for d in seeds.values())


if __name__ == "__main__":
    for target, seeds in [("fuzz_engine", engine_corpus()), ("fuzz_ini", ini_corpus()),
                          ("fuzz_command_line", command_line_corpus()),
                          ("fuzz_editor_text", editor_text_corpus()),
                          ("fuzz_editor_ops", editor_ops_corpus())]:
        count, size = write(target, seeds)
        print(f"{target}: {count} files, {size} bytes")
