#!/usr/bin/python3
"""Build the Molvane web site, or add a quiz to one that is built. Python 3 only.

    web_site.py build OUT_DIR --program DIR --icons DIR --page DIR
                (--bundled ROOT | --quiz DATA_DIR [--id ID] [--topic TOPIC]) [--font FILE]
    web_site.py add DATA_DIR SITE_DIR ID [TOPIC]

A site is a static folder:

    index.html, *.js, *.css      the page (from --page, the repository's site/) and the
                                 program (from --program)
    service_worker.js            the service worker, with this build's id and own files
    manifest.webmanifest, icons/ for installing the site as an app
    quizzes/index.json           the catalogue: the build id, the naming styles, the
                                 lessons' levels and every quiz, in order
    quizzes/ID/, quizzes/ID.STYLE/
                                 a quiz's files, in the desktop's data/ format, and
                                 those of its version in another naming style
    bank/                        with --bundled, the molecule bank for quizzes made in
                                 the browser (web_bank.py)
    index.wasm.gz, quizzes/.../NAME.gz
                                 gzip copies, which the page fetches and unpacks itself
                                 where it can: many hosts compress nothing

A file that several quizzes or versions share is stored once, in the folder of the
first that lists it, where the page fetches it from (site_places.py): a style's folder
holds only what differs, its list and its home screen, and its shared list, shared.json,
which names the files it shares with the quiz's own.

`build` writes OUT_DIR anew: with --bundled, the mixed quiz of ROOT/data and every lesson
of ROOT/lessons/index.tsv, in the default naming style (ROOT/lessons/uk/) and in each
other style whose folder ROOT/lessons/STYLE/ID/data exists; with --quiz, that one
folder, which index.html then opens straight into. `add` adds quiz ID to a built site,
or replaces it (and any versions it had), without touching the site's own files: a new
quiz goes last in the catalogue (the page lists quizzes of no level first).
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import sys
import tempfile

from lesson_levels import LEVELS
from naming_styles import DEFAULT_STYLE, DESCRIPTIONS, STYLES
from site_places import (drop_unplaced, packed, places, short_hash, site_path, split_version,
                         store_file, stored_sources, version_folder)
import web_bank

QUIZ_ID = re.compile(r"[a-z0-9-]{1,64}")
LIST_FILE = "Molecule List.txt"
FONT_FILE = "nsecthck.ttf"
# The files the program opens in ./data/ besides one picture per listed name.
FIXED_FILES = (LIST_FILE, FONT_FILE, "background.bmp", "correct.bmp", "incorrect.bmp",
               "last.bmp", "Homescreen.bmp")
MAX_MOLECULES = 500
PROGRAM_FILES = ("index.js", "index.wasm")
ICON_FILES = ("molvane-32.png", "molvane-192.png", "molvane-512.png")
PAGE_SUFFIXES = (".html", ".css", ".js", ".webmanifest")
WORKER = "service_worker.js"
CATALOGUE = os.path.join("quizzes", "index.json")
MIXED_ID, MIXED_TOPIC = "mixed", "Mixed practice"


class SiteError(Exception):
    """A problem with the input that stops the tool, in words for the user."""


def is_quiz_id(text):
    """Whether text is a quiz ID: lower-case letters, digits and hyphens, 1 to 64."""
    return QUIZ_ID.fullmatch(text) is not None


def id_from_folder(folder):
    """A quiz ID after a quiz folder's name, or its parent's for a folder called data:
    "My Quiz/data" gives "my-quiz"."""
    path = os.path.abspath(folder)
    name = os.path.basename(path)
    if name == "data":
        name = os.path.basename(os.path.dirname(path))
    words = re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")
    return words[:64].strip("-") or "quiz"


def default_topic(quiz_id):
    """A topic for a quiz that was given none: "carboxylic-acids" gives "Carboxylic acids"."""
    words = quiz_id.replace("-", " ").strip()
    return words[:1].upper() + words[1:] if words else quiz_id


# ---- A quiz folder as the program reads it ------------------------------------------

def _decimal_prefix(text):
    """The longest decimal number at the start of text after white space, or ""."""
    match = re.match(rb"[ \t\n\v\f\r]*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)", text)
    return match.group(1) if match else b""


def molecule_count(line):
    """The number of molecules a first line (bytes) announces, as the program reads it:
    the leading decimal number truncated toward zero, 0 without one, and the smallest
    32-bit integer for a value that does not fit in one."""
    number = _decimal_prefix(line)
    if not number:
        return 0
    value = float(number)
    if -2147483649.0 < value < 2147483648.0:
        return int(value)
    return -2147483648


def read_list(content):
    """The count and the names of a list file's bytes, as the program reads them: lines
    end at LF, a CR before the LF is dropped, and names past the end are empty. A count
    the program refuses (none, or above 500) gives no names."""
    parts = content.split(b"\n")
    lines = [part[:-1] if part.endswith(b"\r") else part for part in parts[:-1]]
    if parts[-1]:
        lines.append(parts[-1])  # the last line has no LF, so it keeps any CR
    count = molecule_count(lines[0]) if lines else 0
    if not 0 < count <= MAX_MOLECULES:
        return count, []
    names = lines[1:count + 1]
    return count, names + [b""] * (count - len(names))


def is_folder_path(name):
    """Whether name stays inside a folder: relative, no empty, "." or ".." part."""
    return all(part not in ("", ".", "..") for part in name.split("/")) and "\0" not in name


def wanted_files(folder):
    """The count and the names of the files the program may open in folder: the fixed
    files and one picture per listed name, whether they exist or not. A name that could
    reach outside the folder, or that is not UTF-8 text, is left out."""
    try:
        with open(os.path.join(folder, LIST_FILE), "rb") as listing:
            count, names = read_list(listing.read())
    except OSError:
        count, names = 0, []
    wanted = list(FIXED_FILES)
    for name in names:
        try:
            picture = name.decode("utf-8") + ".bmp"
        except UnicodeDecodeError:
            continue
        if is_folder_path(picture) and picture not in wanted:
            wanted.append(picture)
    return count, wanted


def present_files(folder, font=None):
    """The count, {name: path} of the files that the program may open and that folder
    holds (font, if given, stands for its nsecthck.ttf), and the names it lacks."""
    count, wanted = wanted_files(folder)
    paths, missing = {}, []
    for name in wanted:
        path = font if name == FONT_FILE and font else os.path.join(folder, *name.split("/"))
        if os.path.isfile(path):
            paths[name] = path
        else:
            missing.append(name)
    return count, paths, missing


def folder_entry(folder, font=None):
    """{molecules, files: {name: hash}} for the quiz folder: the files it holds of those
    the program may open (font, if given, as its nsecthck.ttf)."""
    count, paths, _ = present_files(folder, font)
    return {"molecules": count,
            "files": {name: short_hash(read_file(path)) for name, path in paths.items()}}


# ---- The catalogue -------------------------------------------------------------------

def read_catalogue(site):
    path = os.path.join(site, CATALOGUE)
    try:
        with open(path, encoding="utf-8") as source:
            catalogue = json.load(source)
    except FileNotFoundError:
        raise SiteError("%s is not a Molvane site: it has no %s" % (site, CATALOGUE))
    except (OSError, ValueError) as e:
        raise SiteError("cannot read %s: %s" % (path, e))
    if not isinstance(catalogue.get("quizzes"), list):
        raise SiteError("%s holds no list of quizzes" % path)
    return catalogue


def write_catalogue(site, catalogue):
    """Writes the catalogue whole or not at all: its other keys first, then one quiz a line."""
    head = "".join('%s:%s,' % (json.dumps(key), json.dumps(value, ensure_ascii=False,
                                                           separators=(",", ":")))
                   for key, value in catalogue.items() if key != "quizzes")
    lines = [json.dumps(quiz, ensure_ascii=False, separators=(",", ":"))
             for quiz in catalogue["quizzes"]]
    text = '{%s"quizzes":[\n%s\n]}\n' % (head, ",\n".join(lines))
    path = os.path.join(site, CATALOGUE)
    handle, temporary = tempfile.mkstemp(dir=os.path.dirname(path), prefix=".index-")
    with os.fdopen(handle, "w", encoding="utf-8") as target:
        target.write(text)
    os.chmod(temporary, 0o644)
    os.replace(temporary, path)


def new_catalogue(build_number):
    """A catalogue of no quizzes yet: the build, the naming styles (the default first)
    with their descriptions, and the lessons' levels in order with their headings."""
    styles = [DEFAULT_STYLE] + [style for style in STYLES if style != DEFAULT_STYLE]
    return {"build": build_number,
            "styles": [{"id": style, "description": DESCRIPTIONS[style]} for style in styles],
            "levels": [{"id": level, "heading": heading} for level, heading in LEVELS.items()],
            "quizzes": []}


def quiz_record(quiz_id, topic, level, entries):
    """The catalogue's record of a quiz, entries [(style, folder_entry)] its own files
    (style None) first, then its versions in other naming styles, gzip copies and all;
    and {hash: bytes} of its versions' shared lists (see site_places.py)."""
    record = {"id": quiz_id, "topic": topic}
    if level:
        record["level"] = level
    lists = {}
    for style, entry in entries:
        if style is None:
            record.update(entry)
            continue
        version, content = split_version(entries[0][1], entry)
        record.setdefault("styles", {})[style] = version
        if content is not None:
            lists[version["shared"]] = content
    record["gzip"] = True
    return record, lists


# ---- The site's own files ----------------------------------------------------------

def read_file(path):
    try:
        with open(path, "rb") as source:
            return source.read()
    except OSError as e:
        raise SiteError("cannot read %s: %s" % (path, e.strerror or e))


def set_meta(html, name, value):
    """html with the content of <meta name="NAME" content="..."> set to value."""
    pattern = re.compile(r'(<meta name="%s" content=")[^"]*(">)' % re.escape(name))
    if not pattern.search(html):
        raise SiteError('index.html has no <meta name="%s">' % name)
    escaped = value.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;")
    return pattern.sub(lambda m: m.group(1) + escaped + m.group(2), html, count=1)


def drop_absent_references(html, present):
    """html without the <link> and <script> lines of page files that are not present."""
    reference = re.compile(r'\s*<(?:link rel="(?:stylesheet|modulepreload)" href|'
                           r'script (?:type="module" )?src)="([^"/:]+)"[^\n]*')

    def keep(match):
        return match.group(0) if match.group(1) in present else ""
    return reference.sub(keep, html)


def own_files(program, icons, page, start):
    """{name: bytes} of the site's own files but the worker, index.html with start (the
    quiz it opens straight into, or "") and no build id yet; and the worker's source."""
    files = {}
    for name in PROGRAM_FILES:
        files[name] = read_file(os.path.join(program, name))
    files["index.wasm.gz"] = packed(files["index.wasm"])
    for name in ICON_FILES:
        files["icons/" + name] = read_file(os.path.join(icons, name))
    page_names = sorted(name for name in os.listdir(page)
                        if name.endswith(PAGE_SUFFIXES) and os.path.isfile(os.path.join(page, name)))
    for name in page_names:
        files[name] = read_file(os.path.join(page, name))
    if "index.html" not in files or WORKER not in files:
        raise SiteError("%s has no index.html or %s" % (page, WORKER))
    worker = files.pop(WORKER).decode("utf-8")
    html = files["index.html"].decode("utf-8")
    html = drop_absent_references(html, set(files))
    files["index.html"] = set_meta(html, "molvane-start", start).encode("utf-8")
    return files, worker


def build_id(files):
    """A hash over the names and contents of files."""
    digest = hashlib.sha256()
    for name in sorted(files):
        digest.update(name.encode("utf-8") + b"\0" + hashlib.sha256(files[name]).digest())
    return digest.hexdigest()[:16]


def stamp(files, worker):
    """Writes the build id into index.html and, with every own file's hash, into the
    worker, which joins files. Returns the build id."""
    build = build_id(files)
    html = files["index.html"].decode("utf-8")
    files["index.html"] = set_meta(html, "molvane-build", build).encode("utf-8")
    site = {"build": build, "files": {name: short_hash(files[name]) for name in sorted(files)}}
    pattern = re.compile(r"^var SITE = .*;$", re.MULTILINE)
    if not pattern.search(worker):
        raise SiteError("%s has no line `var SITE = ...;`" % WORKER)
    line = "var SITE = %s;" % json.dumps(site, separators=(",", ":"))
    files[WORKER] = pattern.sub(lambda m: line, worker, count=1).encode("utf-8")
    return build


def write_files(folder, files):
    for name, content in files.items():
        path = os.path.join(folder, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as target:
            target.write(content)


def clear_out_dir(out):
    """Empties out for a new site: refuses a folder that holds anything but a site."""
    if not os.path.exists(out):
        return
    if not os.path.isdir(out):
        raise SiteError("%s is not a folder" % out)
    entries = os.listdir(out)
    is_site = os.path.isfile(os.path.join(out, CATALOGUE)) or (
        "index.js" in entries and "index.wasm" in entries)
    if entries and not is_site:
        raise SiteError("%s holds other files than a Molvane site; give a new or empty folder"
                        % out)
    for entry in entries:
        path = os.path.join(out, entry)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)


# ---- Commands --------------------------------------------------------------------

def bundled_quizzes(root):
    """[(id, topic, level, [(style, folder)])]: the mixed quiz, then the lessons of
    lessons/index.tsv, each in the default naming style (style None) and in every other
    style that has its folder."""
    quizzes = [(MIXED_ID, MIXED_TOPIC, None, [(None, os.path.join(root, "data"))])]
    index = os.path.join(root, "lessons", "index.tsv")
    text = read_file(index).decode("utf-8")
    for number, line in enumerate(text.splitlines()[1:], start=2):
        if not line.strip():
            continue
        fields = line.split("\t")
        if len(fields) < 3 or not is_quiz_id(fields[0]):
            raise SiteError("%s:%d: not a lesson name, a level and a topic" % (index, number))
        folders = [(None, os.path.join(root, "lessons", DEFAULT_STYLE, fields[0], "data"))]
        for style in STYLES:
            folder = os.path.join(root, "lessons", style, fields[0], "data")
            if style != DEFAULT_STYLE and os.path.isdir(folder):
                folders.append((style, folder))
        quizzes.append((fields[0], fields[2], fields[1] if fields[1] in LEVELS else None, folders))
    return quizzes


def read_bank_files(root, records):
    """The bank's files for the site (web_bank.py), part of the build's own files; none
    for a tree without a bank."""
    if not os.path.isfile(os.path.join(root, "content", "bank.tsv")):
        return {}
    try:
        return web_bank.bank_files(root, records, MIXED_ID)
    except (OSError, KeyError, ValueError) as e:
        raise SiteError("cannot read the molecule bank of %s: %s" % (root, e))


def warn_missing(quiz_id, missing):
    for name in missing:
        print("warning: quiz %s has no %s; the quiz reports it when it needs it"
              % (quiz_id, name), file=sys.stderr)


def build(args):
    if args.bundled:
        quizzes = bundled_quizzes(args.bundled)
        start = ""
    else:
        folder = os.path.abspath(args.quiz)
        quiz_id = args.id or id_from_folder(folder)
        if not is_quiz_id(quiz_id):
            raise SiteError("%r is not a quiz ID (a-z, 0-9 and -, at most 64)" % quiz_id)
        quizzes = [(quiz_id, args.topic or default_topic(quiz_id), None, [(None, folder)])]
        start = quiz_id
    for _, _, _, folders in quizzes:
        for _, folder in folders:
            if not os.path.isdir(folder):
                raise SiteError("no quiz folder at %s" % folder)
    files, worker = own_files(args.program, args.icons, args.page, start)

    out = os.path.abspath(args.out)
    clear_out_dir(out)
    os.makedirs(os.path.join(out, "quizzes"), exist_ok=True)
    catalogue = new_catalogue(None)
    sources = {}
    for quiz_id, topic, level, folders in quizzes:
        entries = []
        for style, folder in folders:
            _, paths, missing = present_files(folder, args.font)
            warn_missing(version_folder(quiz_id, style), missing)
            entry = folder_entry(folder, args.font)
            for name, hash_ in entry["files"].items():
                sources.setdefault(hash_, paths[name])
            entries.append((style, entry))
        record, lists = quiz_record(quiz_id, topic, level, entries)
        catalogue["quizzes"].append(record)
        sources.update(lists)
    if args.bundled:
        files.update(read_bank_files(args.bundled, catalogue["quizzes"]))
    build_number = catalogue["build"] = stamp(files, worker)
    write_files(out, files)
    for hash_, place in places(catalogue["quizzes"]).items():
        store_file(sources[hash_], site_path(out, place))
    write_catalogue(out, catalogue)
    count = len(catalogue["quizzes"])
    print("Built %s: %d quiz%s, build %s" % (out, count, "" if count == 1 else "zes",
                                            build_number))
    return 0


def place_shared_files(site, quizzes, after, fresh, sources):
    """Before quiz folder `fresh` (a staged copy of the quiz of that ID, every file with
    its gzip copy) replaces the site's: stores in the other folders each file that
    places `after` newly put there, from sources {hash: path}, and drops from `fresh`
    what it does not store."""
    quiz_id = os.path.basename(fresh)
    for hash_, place in after.items():
        target = site_path(site, place)
        if place.split("/", 1)[0] == quiz_id or os.path.isfile(target):
            continue
        if hash_ in sources:
            store_file(sources[hash_], target)
        else:
            print("warning: the site holds no file for %s" % place, file=sys.stderr)
    kept = {place.split("/", 1)[1] for place in after.values()
            if place.split("/", 1)[0] == quiz_id}
    for folder, _, names in os.walk(fresh):
        for name in names:
            relative = os.path.relpath(os.path.join(folder, name), fresh).replace(os.sep, "/")
            if not (relative in kept or relative.endswith(".gz") and relative[:-3] in kept):
                os.remove(os.path.join(folder, name))


def refuse_bank_changes(quiz_id, record, pinned):
    """Refuses a new record for quiz quiz_id that holds another file under the name of one
    that the molecule bank fetches from the quiz's folder (pinned, {"FOLDER/NAME": hash}):
    quizzes made in the browser would show it in place of the bank's."""
    clashes = sorted(name for name, hash_ in record["files"].items()
                     if pinned.get(quiz_id + "/" + name, hash_) != hash_)
    if clashes:
        raise SiteError("the site's molecule bank uses quiz %s's %s, and the new folder has "
                        "other files of these names: add the quiz under another ID, or build "
                        "the site anew with scripts/web" % (quiz_id, ", ".join(clashes)))


def keep_bank_files(target, fresh, pinned):
    """Copies into the staged folder `fresh` each file (with its gzip copy) of the quiz
    folder `target` that the molecule bank fetches from there (pinned, see
    refuse_bank_changes) and that the new quiz does not list."""
    quiz_id = os.path.basename(fresh)
    for place in pinned:
        folder, _, name = place.partition("/")
        for stored in (name, name + ".gz"):
            source = os.path.join(target, *stored.split("/"))
            copy = os.path.join(fresh, *stored.split("/"))
            if folder == quiz_id and os.path.isfile(source) and not os.path.exists(copy):
                os.makedirs(os.path.dirname(copy), exist_ok=True)
                shutil.copyfile(source, copy)


def add(args):
    if not is_quiz_id(args.id):
        raise SiteError("%r is not a quiz ID: use a-z, 0-9 and -, at most 64 characters" % args.id)
    data = os.path.abspath(args.data_dir)
    site = os.path.abspath(args.site_dir)
    if not os.path.isdir(data):
        raise SiteError("no quiz folder at %s" % data)
    catalogue = read_catalogue(site)
    try:
        pinned = web_bank.bank_places(site)
    except (OSError, KeyError, ValueError) as e:
        raise SiteError("cannot read the molecule bank of %s: %s" % (site, e))
    quizzes = catalogue["quizzes"]
    old = next((quiz for quiz in quizzes if quiz.get("id") == args.id), None)
    topic = args.topic or (old or {}).get("topic") or default_topic(args.id)

    target = os.path.join(site, "quizzes", args.id)
    staging = tempfile.mkdtemp(dir=os.path.join(site, "quizzes"), prefix=".adding-")
    try:
        fresh = os.path.join(staging, args.id)
        _, paths, missing = present_files(data)
        warn_missing(args.id, missing)
        for name, path in paths.items():
            store_file(path, os.path.join(fresh, *name.split("/")))
        os.makedirs(fresh, exist_ok=True)
        level = (old or {}).get("level")
        record, _ = quiz_record(args.id, topic, level, [(None, folder_entry(fresh))])
        refuse_bank_changes(args.id, record, pinned)
        before = places(quizzes)
        sources = stored_sources(site, quizzes)
        for name, hash_ in record["files"].items():
            sources[hash_] = os.path.join(fresh, *name.split("/"))
        if old is None:
            quizzes.append(record)
        else:
            quizzes[quizzes.index(old)] = record
        after = places(quizzes)
        place_shared_files(site, quizzes, after, fresh, sources)
        keep_bank_files(target, fresh, pinned)
        if os.path.isdir(target):
            shutil.rmtree(target)
        os.replace(fresh, target)
    finally:
        shutil.rmtree(staging, ignore_errors=True)
    write_catalogue(site, catalogue)
    drop_unplaced(site, before, after, keep=pinned)
    count = record["molecules"]
    print("%s quiz %s (%s, %d molecule%s) in %s; its link: index.html?quiz=%s"
          % ("Replaced" if old else "Added", args.id, topic, count, "" if count == 1 else "s", site,
             args.id))
    return 0


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Build the Molvane web site or add a quiz to it.")
    commands = parser.add_subparsers(dest="command", required=True)
    make = commands.add_parser("build", help="write a whole site")
    make.add_argument("out", help="the folder to write the site into")
    make.add_argument("--program", required=True, help="the folder with index.js and index.wasm")
    make.add_argument("--icons", required=True, help="the folder with the app icons")
    make.add_argument("--page", required=True, help="the folder of the page's files")
    source = make.add_mutually_exclusive_group(required=True)
    source.add_argument("--bundled", metavar="ROOT", help="the repository: data/ and lessons/")
    source.add_argument("--quiz", metavar="DATA_DIR", help="a site of this one quiz")
    make.add_argument("--id", help="the ID of the --quiz quiz (default: after its folder)")
    make.add_argument("--topic", help="the topic of the --quiz quiz")
    make.add_argument("--font", help="the font every quiz of this build gets as nsecthck.ttf")
    more = commands.add_parser("add", help="add or replace a quiz in a built site")
    more.add_argument("data_dir", help="the quiz folder, in the desktop's data/ format")
    more.add_argument("site_dir", help="the built site")
    more.add_argument("id", help="the quiz's ID: a-z, 0-9 and -, at most 64 characters")
    more.add_argument("topic", nargs="?", help="what the list shows (default: from the ID)")
    return parser.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    try:
        return build(args) if args.command == "build" else add(args)
    except SiteError as e:
        print("error: %s" % e, file=sys.stderr)
        return 2
    except OSError as e:
        print("error: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
