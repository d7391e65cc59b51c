"""The molecule bank as the site offers it, for quizzes made in the browser. Python 3
standard library only, like web_site.py, which calls bank_files.

    bank/index.json       the styles, levels, lessons and molecules, and the URLs of the
                          files a quiz made of bank molecules needs; a sixth of its size
                          as bank/index.json.gz, which the page fetches where it can
    bank/home-STYLE.bmp   each style's home screen with no topic line (from
                          lessons/screens), on which the page draws the quiz's title;
                          with its gzip copy too

    {"styles": {"uk": "<description>", ...},
     "levels": [{"id": "first-steps", "heading": "First steps"}, ...],
     "lessons": [{"id": "alkanes", "level": "first-steps", "topic": "Alkanes"}, ...],
     "molecules": [{"id": 1, "lesson": "alkanes",
                    "names": {"uk": "butane", "iupac": "butane", "us": "butane"},
                    "picture": "quizzes/mixed/butane.bmp?v=<hash>"}, ...],
     "files": {"background.bmp": "<url>", ...},
     "home": {"uk": "bank/home-uk.bmp", ...},
     "gzip": true}

The data adds no copy of a picture or screen: each URL is the one the page fetches for
that file of a quiz of the catalogue (site/catalogue.js): a picture is its uk lesson's
file, screens and font the mixed quiz's, and a file that several quizzes share has the
URL in the folder of the first quiz that lists it. With "gzip", each such URL has a gzip
copy: the same URL with ".gz" before the "?".
"""

import csv
import gzip
import json
import os
import urllib.parse

from lesson_levels import LEVELS
from naming_styles import DESCRIPTIONS, STYLES
from site_places import places

INDEX = "bank/index.json"
LIST_STYLE = "uk"
SHARED_FILES = ("background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp", "nsecthck.ttf")


def home_file(style):
    """The site's path of style's home screen template."""
    return "bank/home-%s.bmp" % style


def file_url(folder, name, hash_):
    """The URL of a file of a folder below quizzes/, as site/catalogue.js fileUrl writes it."""
    parts = [urllib.parse.quote(part, safe="-_.!~*'()") for part in name.split("/")]
    return "quizzes/%s/%s?v=%s" % (folder, "/".join(parts), hash_)


def shared_urls(records):
    """{(quiz id, file name): URL} for the own files of the catalogue's records, each at
    the place where the site stores its content (site_places.py)."""
    placed = places(records)
    urls = {}
    for record in records:
        for name, hash_ in record["files"].items():
            folder, _, stored = placed[hash_].partition("/")
            urls[(record["id"], name)] = file_url(folder, stored, hash_)
    return urls


def read_tsv(path):
    """The rows of a tab-separated file with a header line, as dicts."""
    with open(path, encoding="utf-8", newline="") as source:
        return list(csv.DictReader(source, delimiter="\t", quoting=csv.QUOTE_NONE))


def bank_data(bank_rows, lesson_rows, records, mixed_id):
    """The bank's index (a dict) for the catalogue's records: the lessons the catalogue
    holds, in lesson_rows' order, and their molecules of bank_rows whose uk picture it
    holds, by ID."""
    urls = shared_urls(records)
    held = {record["id"] for record in records}
    lessons = [{"id": row["lesson"], "level": row["level"], "topic": row["topic"]}
               for row in lesson_rows if row["lesson"] in held]
    listed = {lesson["id"] for lesson in lessons}
    molecules = []
    for row in sorted(bank_rows, key=lambda row: int(row["id"])):
        picture = urls.get((row["lesson"], row[LIST_STYLE] + ".bmp"))
        if row["lesson"] in listed and picture is not None:
            molecules.append({"id": int(row["id"]), "lesson": row["lesson"],
                              "names": {style: row[style] for style in STYLES},
                              "picture": picture})
    return {
        "styles": {style: DESCRIPTIONS[style] for style in STYLES},
        "levels": [{"id": level, "heading": heading} for level, heading in LEVELS.items()],
        "lessons": lessons,
        "molecules": molecules,
        "files": {name: urls[(mixed_id, name)] for name in SHARED_FILES
                  if (mixed_id, name) in urls},
        "home": {style: home_file(style) for style in STYLES},
        "gzip": all(record.get("gzip") is True for record in records),
    }


def bank_places(site):
    """{"FOLDER/NAME": hash} of the quiz files below quizzes/ that the site's bank/index.json
    names (its pictures, screens and font); {} for a site without a bank."""
    path = os.path.join(site, INDEX)
    if not os.path.isfile(path):
        return {}
    with open(path, encoding="utf-8") as source:
        data = json.load(source)
    urls = [molecule["picture"] for molecule in data["molecules"]] + list(data["files"].values())
    pinned = {}
    for url in urls:
        path, _, query = url.partition("?")
        if path.startswith("quizzes/"):
            hash_ = urllib.parse.parse_qs(query).get("v", [""])[0]
            pinned[urllib.parse.unquote(path[len("quizzes/"):])] = hash_
    return pinned


def bank_files(root, records, mixed_id):
    """{site path: bytes} of the bank's files for a site of the bundled quizzes of the
    repository at root, whose catalogue holds records."""
    data = bank_data(read_tsv(os.path.join(root, "content", "bank.tsv")),
                     read_tsv(os.path.join(root, "lessons", "index.tsv")), records, mixed_id)
    lines = ",\n".join(json.dumps(molecule, ensure_ascii=False, separators=(",", ":"))
                       for molecule in data.pop("molecules"))
    head = json.dumps(data, ensure_ascii=False, separators=(",", ":"))
    index = (head[:-1] + ',"molecules":[\n' + lines + "\n]}\n").encode("utf-8")
    files = {INDEX: index, INDEX + ".gz": gzip.compress(index, 9, mtime=0)}
    for style in STYLES:
        path = os.path.join(root, "lessons", "screens", "home-%s.bmp" % style)
        with open(path, "rb") as source:
            files[home_file(style)] = source.read()
        files[home_file(style) + ".gz"] = gzip.compress(files[home_file(style)], 9, mtime=0)
    return files
