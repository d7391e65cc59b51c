"""Where a built site stores its quiz files: each content once.

A quiz of the catalogue (quizzes/index.json) has its own files, in quizzes/ID/, and may
have a version in other naming styles, each in quizzes/ID.STYLE/ (no quiz ID holds a
dot). The page fetches a file that several versions list (the same hash) from one URL,
in the folder of the first version that lists it (site/catalogue.js does the same), so
the site stores it there and only there: a style's folder holds only what differs from
the versions before it, such as its list and its home screen.
"""

import gzip
import os
import shutil



def packed(content):
    """content (bytes) as a gzip file, the same for the same content."""
    return gzip.compress(content, 9, mtime=0)


def version_folder(quiz_id, style=None):
    """The folder below quizzes/ of a quiz's own files (style None) or of its version in
    naming style `style`."""
    return quiz_id if style is None else quiz_id + "." + style


def versions(quiz):
    """[(folder, {name: hash})] of a catalogue record: its own files, then each style's."""
    found = [(version_folder(quiz["id"]), quiz.get("files") or {})]
    for style, version in (quiz.get("styles") or {}).items():
        found.append((version_folder(quiz["id"], style), version.get("files") or {}))
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


def store_file(source, target):
    """Copies the file at source to target, with its gzip copy target.gz beside it."""
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)
    with open(target, "rb") as plain, open(target + ".gz", "wb") as packed_copy:
        packed_copy.write(packed(plain.read()))


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


def drop_unplaced(site, before, after):
    """Deletes the files that places `before` stored and places `after` no longer do, with
    their gzip copies, and the folders that leaves empty."""
    gone = set(before.values()) - set(after.values())
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
