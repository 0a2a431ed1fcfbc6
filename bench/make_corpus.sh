#!/usr/bin/env bash
# Builds the benchmark inputs in bench/corpus/ (git-ignored). Deterministic: the same
# toolchain documentation and the same script give the same bytes.
#
#   bench/make_corpus.sh            build what is missing
#   bench/make_corpus.sh --force    rebuild everything
#
# Files:
#   real20.htm          ~20 MB of real HTML pages (the Rust documentation installed with
#                       rustc, every n-th page in sorted path order), concatenated
#   synthetic20.htm     ~20 MB of generated HTML 4 style markup (fixed seed)
#   shape-NAME-1x.htm   one stress shape at its base size
#   shape-NAME-10x.htm  the same shape with ten times the count or size
#   MANIFEST.txt        where real20.htm came from, and the size of every file
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${TESSEL_BENCH_CORPUS:-$here/corpus}"
force=0
[[ "${1:-}" == "--force" ]] && force=1

mkdir -p "$out"
if [[ $force == 0 && -f "$out/.complete" ]]; then
  echo "corpus: $out is complete (use --force to rebuild)"
  exit 0
fi
rm -f "$out/.complete"

command -v python3 >/dev/null || { echo "make_corpus.sh: python3 is needed" >&2; exit 1; }

docs=""
if [[ -n "${TESSEL_BENCH_HTML_DIR:-}" ]]; then
  docs="$TESSEL_BENCH_HTML_DIR"
elif command -v rustc >/dev/null; then
  docs="$(rustc --print sysroot)/share/doc/rust/html"
fi
if [[ -z "$docs" || ! -d "$docs" ]]; then
  echo "make_corpus.sh: no directory of real HTML pages found; install the Rust documentation" >&2
  echo "  (rustup component add rust-docs) or set TESSEL_BENCH_HTML_DIR" >&2
  exit 1
fi

python3 - "$out" "$docs" "$force" <<'PY'
import os, random, sys

out, docs, force = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
MB = 1_000_000
manifest = []

def want(name):
    return force or not os.path.exists(os.path.join(out, name))

def write(name, chunks):
    path = os.path.join(out, name)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        for c in chunks:
            f.write(c if isinstance(c, bytes) else c.encode("utf-8"))
    os.replace(tmp, path)
    print(f"corpus: {name:34s} {os.path.getsize(path) / MB:8.2f} MB")

# ---------------------------------------------------------------------------------------
# (a) real pages. The pages are grouped by their top directory (std, core, book, reference,
# ...); rounds then take one page from each group in turn, every n-th page of a large group
# so that the picks spread over it, until 20 MB are collected. Everything is in byte-wise
# sorted path order, so the set depends only on the documentation installed.
ROUNDS = 250

def real_pages():
    groups = {}
    for root, dirs, files in os.walk(docs):
        dirs.sort()
        for fn in files:
            if fn.endswith(".html"):
                rel = os.path.relpath(os.path.join(root, fn), docs)
                groups.setdefault(rel.split(os.sep)[0], []).append(rel)
    for pages in groups.values():
        pages.sort(key=lambda p: p.encode("utf-8"))
    names = sorted(groups, key=lambda g: g.encode("utf-8"))
    target = 20 * MB
    picked, size = [], 0
    for rnd in range(ROUNDS):
        for g in names:
            pages = groups[g]
            k = rnd * max(1, len(pages) // ROUNDS)
            if k >= len(pages) or size >= target:
                continue
            picked.append(pages[k])
            size += os.path.getsize(os.path.join(docs, pages[k]))
    total = sum(len(p) for p in groups.values())
    return total, len(names), picked

if want("real20.htm"):
    total, ngroups, picked = real_pages()
    def chunks():
        for p in picked:
            with open(os.path.join(docs, p), "rb") as f:
                yield f.read()
    write("real20.htm", chunks())
    with open(os.path.join(out, "real20.sources.txt"), "w") as f:
        f.write(f"# {docs}\n# {total} pages in {ngroups} groups; {len(picked)} pages taken\n")
        for p in picked:
            f.write(p + "\n")

# ---------------------------------------------------------------------------------------
# (b) synthetic HTML 4 style markup.
WORDS = ("the quick brown fox jumps over lazy dog lorem ipsum dolor sit amet consectetur "
         "adipiscing elit sed do eiusmod tempor incididunt ut labore et dolore magna aliqua "
         "enim ad minim veniam quis nostrud exercitation ullamco laboris nisi aliquip ex ea "
         "commodo consequat duis aute irure in reprehenderit voluptate velit esse cillum "
         "fugiat nulla pariatur excepteur sint occaecat cupidatat non proident sunt culpa "
         "qui officia deserunt mollit anim id est laborum Gr\u00fc\u00dfe caf\u00e9 na\u00efve").split()

def synthetic(target):
    r = random.Random(20240601)
    def words(lo, hi):
        return " ".join(r.choice(WORDS) for _ in range(r.randint(lo, hi)))
    def case(tag):
        k = r.random()
        return tag.upper() if k < 0.5 else tag.lower() if k < 0.9 else tag.capitalize()
    def ws():
        return r.choice(["", " ", "  ", "\t", "\n", "\n\n", " \n\t ", "\r\n"])
    def inline_text():
        parts = []
        for _ in range(r.randint(3, 9)):
            k = r.random()
            w = words(1, 6)
            if k < 0.45:
                parts.append(w)
            elif k < 0.55:
                parts.append(f"<{case('b')}>{w}</{case('b')}>")
            elif k < 0.62:
                parts.append(f"<{case('i')}>{w}</{case('i')}>")
            elif k < 0.72:
                parts.append(f'<{case("a")} HREF="page{r.randint(1, 999)}.htm#s{r.randint(1, 50)}">{w}</{case("a")}>')
            elif k < 0.78:
                parts.append(f'<{case("font")} face="Arial,Helvetica" size={r.randint(1, 5)} color="#{r.randint(0, 0xFFFFFF):06x}">{w}</{case("font")}>')
            elif k < 0.83:
                parts.append(f'<span class="c{r.randint(1, 20)}">{w}</span>')
            elif k < 0.87:
                parts.append("<BR>")
            elif k < 0.91:
                parts.append(f'<IMG SRC="img/p{r.randint(1, 300)}.gif" WIDTH={r.randint(8, 400)} HEIGHT={r.randint(8, 300)} ALT="{words(1, 3)}" BORDER=0>')
            elif k < 0.94:
                parts.append(f"{w} &amp; {r.choice(['&nbsp;', '&lt;', '&gt;', '&quot;', '&copy;'])}")
            elif k < 0.97:
                parts.append(f'"{w}"')
            else:
                parts.append(f"<{case('code')}>{w}</{case('code')}>")
        return (ws() or " ").join(parts)
    def paragraph():
        return f"{ws()}<{case('p')}{r.choice(['', ' ALIGN=left', ' class=body'])}>{ws()}{inline_text()}{ws()}{'</p>' if r.random() < 0.6 else ''}\n"
    def heading():
        n = r.randint(1, 4)
        return f"\n<H{n}>{words(2, 7)}</H{n}>\n"
    def table():
        rows, cols = r.randint(2, 12), r.randint(2, 7)
        s = [f'{ws()}<{case("table")} BORDER={r.randint(0, 2)} CELLPADDING={r.randint(0, 6)} CELLSPACING=0 WIDTH="{r.randint(40, 100)}%">\n']
        for _ in range(rows):
            s.append(f"  <{case('tr')}{r.choice(['', ' VALIGN=top', ' BGCOLOR=#eeeeee'])}>\n")
            for _ in range(cols):
                k = r.random()
                if k < 0.15:
                    cell = f'<IMG SRC="spacer.gif" WIDTH=1 HEIGHT=1>'
                elif k < 0.22:
                    cell = "&nbsp;"
                elif k < 0.30:
                    cell = f"<{case('b')}>{words(1, 3)}</{case('b')}>"
                else:
                    cell = inline_text() if r.random() < 0.3 else words(1, 5)
                close = f"</{case('td')}>" if r.random() < 0.85 else ""
                s.append(f"    <{case('td')}{r.choice(['', ' ALIGN=right', ' NOWRAP', ' COLSPAN=2'])}>{ws()}{cell}{ws()}{close}\n")
            s.append(f"  </{case('tr')}>\n" if r.random() < 0.9 else "\n")
        s.append(f"</{case('table')}>\n")
        return "".join(s)
    def form():
        s = [f'<FORM ACTION="/cgi-bin/f{r.randint(1, 99)}.pl" METHOD={r.choice(["POST", "GET"])}>\n']
        for _ in range(r.randint(2, 8)):
            k = r.random()
            if k < 0.4:
                s.append(f'{words(1, 3)}: <INPUT TYPE={r.choice(["text", "password", "checkbox", "radio"])} NAME="f{r.randint(1, 99)}" SIZE={r.randint(5, 40)} VALUE="{words(0, 2)}"><BR>\n')
            elif k < 0.7:
                s.append(f'<SELECT NAME="s{r.randint(1, 99)}">\n')
                for _ in range(r.randint(2, 10)):
                    s.append(f'  <OPTION VALUE="{r.randint(1, 999)}"{" SELECTED" if r.random() < 0.1 else ""}>{words(1, 3)}\n')
                s.append("</SELECT>\n")
            else:
                s.append(f'<TEXTAREA NAME="t{r.randint(1, 99)}" ROWS=4 COLS=40>\n{words(3, 20)}\n  {words(2, 8)}\n</TEXTAREA>\n')
        s.append('<INPUT TYPE=submit VALUE="Send"> <INPUT TYPE=reset>\n</FORM>\n')
        return "".join(s)
    def lists():
        tag = r.choice(["ul", "ol"])
        s = [f"<{case(tag)}>\n"]
        for _ in range(r.randint(2, 12)):
            s.append(f"{ws()}<{case('li')}>{inline_text() if r.random() < 0.4 else words(2, 9)}{'</li>' if r.random() < 0.3 else ''}\n")
        s.append(f"</{case(tag)}>\n")
        if r.random() < 0.3:
            s.append("<DL>\n")
            for _ in range(r.randint(1, 5)):
                s.append(f"<DT>{words(1, 3)}<DD>{words(3, 15)}\n")
            s.append("</DL>\n")
        return "".join(s)
    def comment():
        k = r.random()
        if k < 0.6:
            return f"<!-- {words(2, 10)} -->\n"
        if k < 0.9:
            return f"<!--\n  {words(3, 10)}\n  {words(3, 10)}\n-->\n"
        return "<!-- ================================================= -->\n"
    def script():
        return (f'<SCRIPT LANGUAGE="JavaScript">\n<!--\nfunction f{r.randint(1, 9999)}(a, b) {{\n'
                f'  if (a < b && b > 0) {{ document.write("<b>" + a + "</b>"); }}\n'
                f'  var s = "{words(2, 6)}";\n  return a + b;\n}}\n// -->\n</SCRIPT>\n')
    def pre():
        lines = "\n".join(f"  {words(1, 8)}   {r.randint(0, 99999)}  <b>x</b> &lt;{r.randint(1, 9)}&gt;"
                          for _ in range(r.randint(2, 12)))
        return f"<{case('pre')}>\n{lines}\n</{case('pre')}>\n"
    def style():
        return "<STYLE TYPE=\"text/css\">\n<!--\n  BODY { font-family: Arial; }\n  .c1 { color: #336699 }\n-->\n</STYLE>\n"
    def page():
        s = [f'<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n<{case("html")}>\n<HEAD>\n'
             f'<TITLE>{words(2, 6)}</TITLE>\n<META NAME="keywords" CONTENT="{words(3, 8)}">\n']
        if r.random() < 0.5:
            s.append(style())
        if r.random() < 0.5:
            s.append(script())
        s.append(f'</HEAD>\n<BODY BGCOLOR="#ffffff" TEXT="#000000" LINK="#0000cc">\n')
        for _ in range(r.randint(15, 60)):
            k = r.random()
            if k < 0.30:
                s.append(paragraph())
            elif k < 0.40:
                s.append(heading())
            elif k < 0.55:
                s.append(table())
            elif k < 0.62:
                s.append(form())
            elif k < 0.72:
                s.append(lists())
            elif k < 0.80:
                s.append(comment())
            elif k < 0.84:
                s.append(script())
            elif k < 0.89:
                s.append(pre())
            elif k < 0.93:
                s.append(f"<{case('center')}><HR SIZE=1 NOSHADE></{case('center')}>\n")
            elif k < 0.96:
                s.append(f"<{case('div')} ALIGN=center>\n{paragraph()}</{case('div')}>\n")
            else:
                s.append(f"<BLOCKQUOTE>{inline_text()}</BLOCKQUOTE>\n")
        s.append("</BODY>\n</HTML>\n\n")
        return "".join(s)
    size = 0
    while size < target:
        p = page().encode("utf-8")
        size += len(p)
        yield p

if want("synthetic20.htm"):
    write("synthetic20.htm", synthetic(20 * MB))

# ---------------------------------------------------------------------------------------
# (c) stress shapes. Each takes the multiplier m (1 or 10) and yields its text.
def repeat(unit_fn, n, head="", tail=""):
    yield head
    batch = []
    for i in range(n):
        batch.append(unit_fn(i))
        if len(batch) >= 10000:
            yield "".join(batch)
            batch = []
    yield "".join(batch)
    yield tail

def filler(nbytes, seed):
    r = random.Random(seed)
    size = 0
    while size < nbytes:
        line = " ".join(r.choice(WORDS) for _ in range(r.randint(4, 14))) + "\n"
        size += len(line)
        yield line

_pre_body = []
def pre_body():
    """10 MB of text lines, with tags, entities and lines starting with "###" among them."""
    if not _pre_body:
        _pre_body.append("".join(
            l if i % 7 else "### " + l.replace("lorem", "<b>lorem</b>") + "&lt;x&gt;\n"
            for i, l in enumerate(filler(10 * MB, 7))))
    return _pre_body[0]

def run_of(text, nbytes):
    full, rest = divmod(nbytes, len(text))
    block = text * max(1, (1 << 20) // len(text))
    done = 0
    while done + len(block) <= full * len(text):
        yield block
        done += len(block)
    yield text * ((full * len(text) - done) // len(text)) + text[:rest]

SHAPES = {
    # 100,000 comments.
    "comments": lambda m: repeat(lambda i: f"<!-- comment {i} -->\n", 100_000 * m, "<HTML><BODY>\n", "</BODY></HTML>\n"),
    # 100,000 cells holding no text.
    "empty-cells": lambda m: repeat(lambda i: ("<TR>" if i % 10 == 0 else "") + "<td><img src=a.gif></td>\n",
                                    100_000 * m, "<TABLE>\n", "</TABLE>\n"),
    # 100,000 lines starting with "###" (each its own token line: an unknown tag follows).
    "hash-lines": lambda m: repeat(lambda i: f"### heading {i} ###<hr>\n", 100_000 * m),
    # One line without a space: 10 MB.
    "long-word": lambda m: ["<P>", *run_of("abcdefghijklmnopqrstuvwxyz0123456789", 10 * MB * m), "</P>\n"],
    # One long line of words that wraps: 10 MB, as large as the line without a space, so that
    # both sizes are past the caches and the ratio shows the work, not the cache size.
    "long-words": lambda m: ["<P>", *run_of("lorem ipsum dolor sit amet, consectetur adipiscing elit ", 10 * MB * m), "</P>\n"],
    # An unclosed "<" near the start, then lots of text and tags.
    "unclosed-lt": lambda m: repeat(lambda i: f"<P>paragraph {i} with <B>bold</B> and <A HREF=\"x{i}.htm\">a link</A> text\n",
                                    50_000 * m, "<HTML><BODY>\n<P>if a < b and c <d then\n<a href=\"unterminated\n"),
    # 200,000 nested DIVs, never closed.
    "nested-div": lambda m: repeat(lambda i: "<div>\n", 200_000 * m, "<HTML><BODY>\n"),
    # One PRE block of 10 MB (with tags, entities and "###" lines inside).
    "pre-block": lambda m: ["<HTML><BODY>\n<PRE>\n", *([pre_body()] * m), "</PRE>\n</BODY></HTML>\n"],
    # 100,000 counted tags (TABLE counts in the documented style), one after another.
    "counters": lambda m: repeat(lambda i: "<TABLE><TR><TD>x</TD></TR></TABLE>\n", 100_000 * m),
    # 100,000 counted tags nested: all opened, then all closed.
    "counters-nested": lambda m: [*repeat(lambda i: "<TABLE>\n", 100_000 * m), *repeat(lambda i: "</TABLE>\n", 100_000 * m)],
    # Many "<td" with neither ">" nor a closing tag.
    "td-no-gt": lambda m: repeat(lambda i: f"<td class=c{i % 10} x\n", 300_000 * m, "<TABLE><TR>\n"),
    # Many text cells that are never closed.
    "td-unclosed": lambda m: repeat(lambda i: f"<td>cell {i}\n", 100_000 * m, "<TABLE><TR>\n"),
    # Many text-less cells that are never closed, and one "</td>" at the very end.
    "td-tags-late-close": lambda m: repeat(lambda i: "<td><img src=a.gif>\n" if i % 2 else "<td> <br>x\n",
                                           100_000 * m, "<TABLE><TR>\n", "</td></TABLE>\n"),
    # Many "<!--~" without an end.
    "owncomment-noend": lambda m: repeat(lambda i: f"<!--~ note {i}\n", 300_000 * m, "<HTML><BODY>\n"),
    # Many "<!--~" each ended by a plain "-->" (user comments that merely look like ours).
    "owncomment-plain-end": lambda m: repeat(lambda i: f"<!--~ note {i} -->\n", 100_000 * m),
    # Many "<" with no ">" anywhere.
    "lt-no-gt": lambda m: repeat(lambda i: f"a < b <c d{i} <\n", 200_000 * m),
    # Many "<" with no ">", followed by a single ">" at the very end.
    "lt-late-gt": lambda m: repeat(lambda i: f"<x{i} a=1\n", 500_000 * m, "", ">\n"),
    # One line full of quotes for the wrapper (run with BreakExcluder '"').
    "quotes-line": lambda m: ["<P>", *run_of('"a b" c "d e f" g" h "" i """ ', 10 * MB * m), "</P>\n"],
    # One line that opens a quote at the start and never closes it (BreakExcluder '"').
    "quote-unbalanced": lambda m: ["<P>\"", *run_of("open quote keeps every space protected ", 10 * MB * m), "</P>\n"],
    # A running text line made of inline tags (one huge token line with many tags).
    "inline-tags": lambda m: ["<P>", *repeat(lambda i: "<B>x</B> <I>y</I> ", 100_000 * m), "</P>\n"],
    # 100,000 distinct unknown tag names (past any per-run cache of names).
    "distinct-tags": lambda m: repeat(lambda i: f"<x{i}>t\n", 100_000 * m),
    # An unterminated comment near the start, then lots of markup.
    "comment-noend": lambda m: repeat(lambda i: f"<P>text {i} <B>b</B></P>\n", 400_000 * m, "<HTML><BODY>\n<!-- never ends\n"),
    # Many closing tags without opening tags, and closing cells.
    "closing-only": lambda m: repeat(lambda i: "</DIV></TD></TR></TABLE>\n", 100_000 * m),
}

for name, make in SHAPES.items():
    for m, label in ((1, "1x"), (10, "10x")):
        fn = f"shape-{name}-{label}.htm"
        if want(fn):
            write(fn, make(m))

with open(os.path.join(out, "MANIFEST.txt"), "w") as f:
    f.write(f"# real HTML from: {docs}\n")
    for fn in sorted(os.listdir(out)):
        if fn.endswith(".htm"):
            f.write(f"{os.path.getsize(os.path.join(out, fn)):>12} {fn}\n")
PY

touch "$out/.complete"
echo "corpus: done ($out)"
