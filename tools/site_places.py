"""Where a built site stores its quiz files: each content once.

A quiz of the catalogue (quizzes/index.json) has its own files, in quizzes/ID/, and may
have a version in other naming styles, each in quizzes/ID.STYLE/ (no quiz ID holds a
dot). The page fetches a file that several versions list (the same hash) from one URL,
in the folder of the first version that lists it (site/catalogue.js does the same), so
the site stores it there and only there: a style's folder holds only what differs from
the versions before it, such as its list and its home screen.

So that the catalogue, which every visit fetches, stays small, a version lists there
only the files that the quiz's own files do not hold; the others, such as its pictures
under this style's names, are in its shared list, SHARED_FILE in its folder, a JSON
object {name: hash} that the catalogue gives the hash of as "shared".
"""

import gzip
import hashlib
import json
import os



def packed(content):
    """content (bytes) as a gzip file, the same for the same content."""
    return gzip.compress(content, 9, mtime=0)


SHARED_FILE = "shared.json"


def version_folder(quiz_id, style=None):
    """The folder below quizzes/ of a quiz's own files (style None) or of its version in
    naming style `style`."""
    return quiz_id if style is None else quiz_id + "." + style


def split_version(own_files, files):
    """The catalogue's record of a version whose files are files ({name: hash}, with
    molecules) beside the quiz's own files: {molecules, files, shared} and the bytes of
    its shared list, or None when it shares nothing."""
    own = set(own_files["files"].values())
    shared = {name: hash_ for name, hash_ in files["files"].items() if hash_ in own}
    record = {"molecules": files["molecules"],
              "files": {name: hash_ for name, hash_ in files["files"].items()
                        if name not in shared}}
    if not shared:
        return record, None
    content = json.dumps(shared, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
    record["shared"] = short_hash(content)
    return record, content


def versions(quiz):
    """[(folder, {name: hash})] of a catalogue record: its own files, then each style's,
    its shared list included (the files that list names are the own files')."""
    found = [(version_folder(quiz["id"]), quiz.get("files") or {})]
    for style, version in (quiz.get("styles") or {}).items():
        files = dict(version.get("files") or {})
        if version.get("shared"):
            files[SHARED_FILE] = version["shared"]
        found.append((version_folder(quiz["id"], style), files))
    return found


def places(quizzes):
    """{hash: "FOLDER/NAME"} for the catalogue's records: where the site stores each file,
    the first place that lists it."""
    found = {}
    for quiz in quizzes:
        for folder, files in versions(quiz):
            for name, hash_ in files.items():
                found.setdefault(hash_, folder + "/" + name)
    return found


def site_path(site, place):
    """The path in the site of a place "FOLDER/NAME" below quizzes/."""
    return os.path.join(site, "quizzes", *place.split("/"))


def short_hash(content):
    """The first 16 hex digits of the SHA-256 of content (bytes)."""
    return hashlib.sha256(content).hexdigest()[:16]


def store_file(source, target):
    """Writes source (the path of a file, or bytes) to target, with its gzip copy
    target.gz beside it."""
    if isinstance(source, bytes):
        content = source
    else:
        with open(source, "rb") as plain:
            content = plain.read()
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, "wb") as copy:
        copy.write(content)
    with open(target + ".gz", "wb") as packed_copy:
        packed_copy.write(packed(content))


def stored_sources(site, quizzes):
    """{hash: path} of the files of the records that the site holds: at their place, or
    in any version's folder that lists them (sites of older builds stored every folder
    whole)."""
    found = {}
    for hash_, place in places(quizzes).items():
        if os.path.isfile(site_path(site, place)):
            found[hash_] = site_path(site, place)
    for quiz in quizzes:
        for folder, files in versions(quiz):
            for name, hash_ in files.items():
                path = site_path(site, folder + "/" + name)
                if hash_ not in found and os.path.isfile(path):
                    found[hash_] = path
    return found


def drop_unplaced(site, before, after, keep=()):
    """Deletes the files that places `before` stored and places `after` no longer do, but
    those at the places keep, with their gzip copies, and the folders that leaves empty."""
    gone = set(before.values()) - set(after.values()) - set(keep)
    folders = set()
    for place in gone:
        for path in (site_path(site, place), site_path(site, place) + ".gz"):
            if os.path.isfile(path):
                os.remove(path)
        folders.add(os.path.dirname(site_path(site, place)))
    quizzes = os.path.join(site, "quizzes")
    for folder in sorted(folders, key=len, reverse=True):
        while folder != quizzes and os.path.isdir(folder) and not os.listdir(folder):
            os.rmdir(folder)
            folder = os.path.dirname(folder)
