#!/usr/bin/env python3
"""The credits and licences of what the game ships, from one table (packaging/credits.toml).

  credits.py html --place site --out credits.html [--npm DIR]      the site's page
  credits.py text --place archive --out CREDITS.txt [--npm DIR]    the portable archive's file
  credits.py check [--site DIR] [--archive TAR.GZ] [--deb FILE.deb] [--npm DIR]

`check` lists every file each given place ships (the site's folder with the members of
nadilka.data, the archive's members, the .deb's files) and fails for a file no row of the table
lists, for a row that lists no file, and for a part whose notices and licence texts the place's
credits (credits.html, CREDITS.txt, the package's copyright file) do not carry in full.
"""
import argparse
import functools
import html
import io
import os
import re
import subprocess
import sys
import tarfile
import tomllib
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
TABLE = os.path.join(HERE, "credits.toml")
PLACES = ("site", "archive", "deb")
# Whoever offers the source of the copyleft parts, and where to write.
OFFERER = "Vorlanix a BRIMEL"
CONTACT = "nadilka@brimel-studio.cz"


class Table:
    def __init__(self, path, npm):
        with open(path, "rb") as f:
            data = tomllib.load(f)
        self.parts = data["parts"]
        self.rows = {place: data.get(place, []) for place in PLACES}
        self.npm = npm
        for place, rows in self.rows.items():
            for row in rows:
                for name in row["parts"]:
                    if name not in self.parts:
                        raise SystemExit(f"credits.toml: a {place} row names the unknown part {name!r}")

    def parts_of(self, place):
        """The place's parts in the table's order, each with the patterns of the files holding it."""
        files = {}
        for row in self.rows[place]:
            for name in row["parts"]:
                files.setdefault(name, []).extend(row["files"])
        return [(name, files[name]) for name in self.parts if name in files]

    def path(self, p):
        if p.startswith("{npm}/"):
            if not self.npm:
                raise SystemExit(f"credits.toml: {p} needs --npm (the web build's node_modules)")
            return os.path.join(self.npm, p[len("{npm}/"):])
        return p if os.path.isabs(p) else os.path.join(SOURCE, p)

    def copyright(self, name):
        out = []
        for c in self.parts[name].get("copyright", []):
            out.extend([c] if isinstance(c, str) else dep5_stanza(self.path(c["dep5"]), c["files"])["Copyright"])
        return out

    def texts(self, name):
        out = []
        for t in self.parts[name]["texts"]:
            if "file" in t:
                with open(self.path(t["file"]), encoding="utf-8") as f:
                    text = f.read()
                if "from" in t:
                    at = text.find(t["from"])
                    if at < 0:
                        raise SystemExit(f"credits.toml: {t['file']} has no {t['from']!r}")
                    text = text[at:]
            elif "files" in t:
                text = dep5_stanza(self.path(t["dep5"]), t["files"])["License"]
            else:
                text = dep5_licence(self.path(t["dep5"]), t["license"])
            out.append(text.strip("\n") + "\n")
        return out


# Debian's machine-readable copyright files (DEP-5): paragraphs of fields, continuation lines
# indented, " ." an empty line.
def dep5_paragraphs(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        blocks = re.split(r"\n[ \t]*\n", f.read())
    paragraphs = []
    for block in blocks:
        fields, key = {}, None
        for line in block.splitlines():
            if line.startswith((" ", "\t")) and key:
                fields[key].append("" if line.strip() == "." else line[1:])
            elif ":" in line:
                key, value = line.split(":", 1)
                fields[key] = [value.strip()] if value.strip() else []
        if fields:
            paragraphs.append(fields)
    return paragraphs


def dep5_stanza(path, files):
    """The Files stanza for `files`: its Copyright lines and its License text (the name's line dropped)."""
    for p in dep5_paragraphs(path):
        if "Files" in p and files in " ".join(p["Files"]).split():
            lic = p.get("License", [])
            return {"Copyright": [c.strip() for c in p.get("Copyright", []) if c.strip()],
                    "License": "\n".join(lic[1:])}
    raise SystemExit(f"{path} has no Files stanza for {files}")


def dep5_licence(path, name):
    for p in dep5_paragraphs(path):
        if "Files" not in p and p.get("License") and p["License"][0] == name and len(p["License"]) > 1:
            return "\n".join(p["License"][1:])
    raise SystemExit(f"{path} has no License paragraph {name}")


def pattern_re(pattern):
    out = ""
    for token in re.split(r"(\*\*|\*|\?)", pattern):
        out += {"**": ".*", "*": "[^/]*", "?": "[^/]"}.get(token, re.escape(token))
    return re.compile(out + r"\Z")


# What each place ships: its files' paths, each with a way to read its bytes.
def site_files(site):
    files = {}
    for folder, _, names in os.walk(site):
        for n in names:
            full = os.path.join(folder, n)
            files[os.path.relpath(full, site)] = lambda full=full: read_bytes(full)
    # nadilka.data is a bundle: its members, as the loader in nadilka.js lists them, stand for it.
    if "nadilka.data" in files:
        with open(os.path.join(site, "nadilka.js"), encoding="utf-8") as f:
            members = re.findall(r'"filename"\s*:\s*"([^"]+)"\s*,\s*"start"\s*:\s*(\d+)\s*,\s*"end"\s*:\s*(\d+)',
                                 f.read())
        if not members:
            raise SystemExit("nadilka.js lists no members of nadilka.data")
        data = functools.cache(files.pop("nadilka.data"))
        for name, start, end in members:
            files["nadilka.data/" + name.lstrip("/")] = lambda a=int(start), b=int(end): data()[a:b]
    return files


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def tar_files(tar, strip):
    return {strip(m.name): lambda m=m: tar.extractfile(m).read()
            for m in tar.getmembers() if m.isfile() or m.issym() or m.islnk()}


def archive_top(name):
    return name.split("/", 1)[1] if "/" in name else name


def deb_tar(deb):
    data = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], check=True, capture_output=True).stdout
    return tarfile.open(fileobj=io.BytesIO(data))


# The credits as a player reads them.
def html_page(table):
    parts = table.parts_of("site")
    e = html.escape
    out = ["""<!doctype html>
<html lang="cs">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Nadílka: autoři a licence · credits and licences</title>
<link rel="icon" href="icon-192.png">
<style>
  html { background: #000; color: #d1cfcd; font: 14px/1.45 "Liberation Sans", Arial, sans-serif; }
  body { max-width: 52em; margin: 0 auto; padding: 8px 12px 40px; }
  a { color: #cdca35; }
  h1 { font-size: 20px; } h2 { font-size: 16px; margin-top: 1.6em; border-bottom: 1px solid #383635; }
  .en { color: #9a9896; }
  table { border-collapse: collapse; width: 100%; }
  th, td { text-align: left; vertical-align: top; padding: 4px 6px; border-bottom: 1px solid #383635; }
  td { overflow-wrap: anywhere; }
  code { font-size: 12px; }
  pre { white-space: pre-wrap; font-size: 12px; background: #1b1a19; padding: 8px; border: 1px solid #383635; }
  summary { cursor: pointer; color: #cdca35; }
</style>
</head>
<body>
<p><a href="./">← Zpět ke hře <span class="en">· back to the game</span></a></p>
<h1>Autoři a licence <span class="en">· credits and licences</span></h1>
<p>Nadílka © 2026 Vorlanix a BRIMEL. Kód hry, obrázky, hudební aranže a texty jsou pod licencí MIT.
Tato stránka hry šíří i díla jiných autorů; tady jsou všechna, s licencemi, pod kterými je šíříme, a jejich plnými texty.</p>
<p class="en" lang="en">Nadílka © 2026 Vorlanix a BRIMEL. The game's code, pictures, music arrangements and texts are
under the MIT licence. This site also passes on the work of others: here is all of it, with the licences
under which we pass it on and their full texts.</p>
<table>
<tr><th>Součást <span class="en">· part</span></th><th>Soubory na tomto webu <span class="en">· files on this site</span></th><th>Licence</th></tr>
"""]
    for name, files in parts:
        p = table.parts[name]
        out.append(f'<tr><td><a href="#{e(name)}">{e(p["name"])}</a></td><td>'
                   + ", ".join(f"<code>{e(f)}</code>" for f in files) + f"</td><td>{e(p['licence'])}</td></tr>\n")
    out.append("</table>\n")
    copyleft = [(n, table.parts[n]) for n, _ in parts if "source_cs" in table.parts[n]]
    if copyleft:
        out.append('<h2 id="source">Zdrojový kód <span class="en">· source code</span></h2>\n')
        for n, p in copyleft:
            out.append(f"<p><b>{e(p['name'])}</b> ({e(p['licence'])}): {e(p['source_cs'])}</p>\n"
                       f'<p class="en" lang="en">{e(p["source_en"])}</p>\n')
        names = ", ".join(p["name"] for _, p in copyleft)
        out.append(f"<p>{e(offer_cs(names))}</p>\n<p class=\"en\" lang=\"en\">{e(offer_en(names))}</p>\n")
    for name, files in parts:
        p = table.parts[name]
        out.append(f'<h2 id="{e(name)}">{e(p["name"])}</h2>\n<p>{e(p["about_cs"])}</p>\n'
                   f'<p class="en" lang="en">{e(p["about_en"])}</p>\n<p>Licence: {e(p["licence"])}</p>\n')
        out.append("<pre>" + e("\n".join(table.copyright(name))) + "</pre>\n")
        for text in table.texts(name):
            first = next((line.strip() for line in text.splitlines() if line.strip()), "")
            out.append(f"<details><summary>Plné znění <span class=\"en\">· full text</span>: {e(first[:70])}</summary>"
                       f"<pre>{e(text)}</pre></details>\n")
    out.append("</body>\n</html>\n")
    return "".join(out)


def offer_cs(names):
    return (f"Písemná nabídka: po dobu nejméně tří let od chvíle, kdy jste tento web načetli, pošle {OFFERER} "
            f"komukoli, kdo napíše na {CONTACT}, úplný strojově čitelný zdrojový kód těchto částí ({names}), "
            "za nejvýše náklady na jeho fyzické předání, na médiu obvyklém pro výměnu software.")


def offer_en(names):
    return (f"Written offer: for at least three years from when you received this, {OFFERER} will give anyone "
            f"who writes to {CONTACT} the complete machine-readable source code of these parts ({names}), for a "
            "charge no more than the cost of physically performing the source distribution, on a medium "
            "customarily used for software interchange.")


def text_file(table, place):
    parts = table.parts_of(place)
    rule = "=" * 78
    out = [f"""Nadílka: credits and licences
{rule}

Nadílka (c) 2026 Vorlanix a BRIMEL. The game's code, pictures, music arrangements and texts are
under the MIT licence (LICENSE). This archive also passes on the work of others: here is all of
it, with the licences under which we pass it on and their full texts.

"""]
    for name, files in parts:
        p = table.parts[name]
        out.append(f"  {p['name']}: {p['licence']}\n      {', '.join(files)}\n")
    copyleft = [(n, table.parts[n]) for n, _ in parts if "source_en" in table.parts[n]]
    if copyleft:
        out.append(f"\nSource code\n{rule}\n\n")
        for _, p in copyleft:
            out.append(f"{p['name']} ({p['licence']}): {p['source_en']}\n\n")
        out.append(offer_en(", ".join(p["name"] for _, p in copyleft)) + "\n")
    for name, _ in parts:
        p = table.parts[name]
        out.append(f"\n\n{p['name']}\n{rule}\n\n{p['about_en']}\nLicence: {p['licence']}\n\n")
        out.append("\n".join(table.copyright(name)) + "\n")
        for text in table.texts(name):
            out.append("\n" + text)
    return "".join(out)


# The check.
class Text(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.chunks = []

    def handle_data(self, data):
        self.chunks.append(data)


def normal(text):
    """Text with its layout gone: DEP-5's "." lines, indents and line breaks are all one blank."""
    return " ".join(w for w in text.split() if w != ".")


def check_place(table, place, files, doc, doc_name):
    problems = []
    rows = table.rows[place]
    compiled = [[(pat, pattern_re(pat)) for pat in row["files"]] for row in rows]
    used = set()
    for f in sorted(files):
        hits = [(i, pat) for i, row in enumerate(compiled) for pat, rx in row if rx.match(f)]
        if not hits:
            problems.append(f"{place}: {f} is in no row of credits.toml")
        used.update(hits)
        # Others' files said to be passed on unchanged are byte for byte those they come from
        # (a changed font, for one, could not keep its reserved name under the OFL).
        for i in {i for i, _ in hits}:
            if "unchanged_from" in rows[i]:
                origin = os.path.join(table.path(rows[i]["unchanged_from"]), os.path.basename(f))
                if not os.path.exists(origin) or read_bytes(origin) != files[f]():
                    problems.append(f"{place}: {f} is not the unchanged {origin}")
    for i, row in enumerate(compiled):
        for pat, _ in row:
            if (i, pat) not in used:
                problems.append(f"{place}: credits.toml lists {pat}, which the {place} does not hold")
    if doc is None:
        return problems + [f"{place}: no {doc_name}"]
    body = normal(doc)
    for name, _ in table.parts_of(place):
        p = table.parts[name]
        # The package's copyright file names licences in Debian's way and lists no part names;
        # its stanzas carry the notices and the texts all the same.
        needed = [] if place == "deb" else [p["name"], p["licence"]]
        # A notice counts with or without its leading "Copyright (c)", which DEP-5 has as the field's name.
        needed += [re.sub(r"^copyright\s*(\(c\)|©)?\s*", "", c, flags=re.I) for c in table.copyright(name)]
        needed += table.texts(name)
        for n in needed:
            if normal(n) not in body:
                problems.append(f"{place}: {doc_name} lacks {name}'s {n.strip().splitlines()[0][:60]!r}")
    return problems


def check(args, table):
    problems, counts = [], []
    if args.site:
        if not os.path.exists(os.path.join(args.site, "nadilka.js")):
            raise SystemExit(f"no site in {args.site}: build it with scripts/web --build")
        files = site_files(args.site)
        doc = None
        credits = os.path.join(args.site, "credits.html")
        if os.path.exists(credits):
            parser = Text()
            with open(credits, encoding="utf-8") as f:
                parser.feed(f.read())
            doc = "".join(parser.chunks)
        problems += check_place(table, "site", files, doc, "credits.html")
        # A player finds the page from the game's page, and it is there offline too.
        with open(os.path.join(args.site, "index.html"), encoding="utf-8") as f:
            if not re.search(r'<a [^>]*href="credits\.html"', f.read()):
                problems.append("site: index.html has no link to credits.html")
        with open(os.path.join(args.site, "sw.js"), encoding="utf-8") as f:
            if '"credits.html"' not in f.read():
                problems.append("site: the service worker does not cache credits.html")
        counts.append(f"site {len(files)}")
    if args.archive:
        with tarfile.open(args.archive) as tar:
            files = tar_files(tar, archive_top)
            top = tar.getmembers()[0].name.split("/")[0]
            licence = read_member(tar, f"{top}/LICENSE")
            problems += check_place(table, "archive", files, read_member(tar, f"{top}/CREDITS.txt"), "CREDITS.txt")
        with open(os.path.join(SOURCE, "LICENSE"), encoding="utf-8") as f:
            if licence != f.read():
                problems.append("archive: LICENSE is not the game's LICENSE")
        counts.append(f"archive {len(files)}")
    if args.deb:
        with deb_tar(args.deb) as tar:
            files = tar_files(tar, lambda n: n.removeprefix("./"))
            doc = read_member(tar, "./usr/share/doc/nadilka/copyright")
            problems += check_place(table, "deb", files, doc, "copyright")
        counts.append(f"deb {len(files)}")
    for p in problems:
        print("FAIL: " + p, file=sys.stderr)
    if not counts:
        raise SystemExit("check: give --site, --archive or --deb")
    print(f"credits: every file listed with its licence ({', '.join(counts)} files)"
          if not problems else f"credits: {len(problems)} problem(s)")
    return 1 if problems else 0


def read_member(tar, name):
    try:
        return tar.extractfile(name).read().decode("utf-8")
    except KeyError:
        return None


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("what", choices=("html", "text", "check"))
    ap.add_argument("--place", choices=PLACES)
    ap.add_argument("--out")
    ap.add_argument("--npm", help="the web build's node_modules")
    ap.add_argument("--site")
    ap.add_argument("--archive")
    ap.add_argument("--deb")
    ap.add_argument("--table", default=TABLE)
    args = ap.parse_args()
    table = Table(args.table, args.npm)
    if args.what == "check":
        return check(args, table)
    if not args.out or not args.place:
        ap.error(f"{args.what} needs --place and --out")
    text = html_page(table) if args.what == "html" else text_file(table, args.place)
    tmp = args.out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
