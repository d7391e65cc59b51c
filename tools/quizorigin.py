"""Which quiz a data folder holds, and which CSV file the builder made it from.

Every quiz folder the builder writes gets a small file, ORIGIN_FILE, holding
the path of its CSV relative to the folder. The program and molvane-check
read only their own files, and the installed tree takes only the list and
the pictures, so the record stays with the source folder. A rebuild from
the same CSV file (edited or not) may replace the quiz; any other quiz in
the folder is kept unless the teacher asks for it to be replaced.
"""

import collections
import os

LIST_FILE = "Molecule List.txt"
ORIGIN_FILE = ".built-from"
ORIGIN_COMMENT = ("# The CSV file tools/build_quiz.py built this quiz from, "
                  "relative to this folder.\n")

# count: the names in its list; source: the real path of its CSV, or None
# when the folder does not say (a quiz made by hand or by an older builder).
Quiz = collections.namedtuple("Quiz", "count source")


def existing_quiz(folder):
    """The quiz in `folder`, or None when the folder holds none."""
    list_path = os.path.join(folder, LIST_FILE)
    if not os.path.isfile(list_path):
        return None
    return Quiz(listed_names(list_path), recorded_source(folder))


def listed_names(list_path):
    """How many names a list file holds after its count line (blank lines at the end aside)."""
    with open(list_path, "rb") as f:
        names = f.read().split(b"\n")[1:]
    while names and not names[-1].strip():
        names.pop()
    return len(names)


def recorded_source(folder):
    """The real path of the CSV that the folder's origin file names, or None."""
    try:
        with open(os.path.join(folder, ORIGIN_FILE), encoding="utf-8",
                  errors="surrogateescape") as f:
            lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    except OSError:
        return None
    if not lines or not lines[0]:
        return None
    return os.path.realpath(os.path.join(folder, lines[0]))


def origin_bytes(folder, csv_path):
    """The origin file for a quiz in `folder` built from `csv_path`."""
    relative = os.path.relpath(os.path.realpath(csv_path), os.path.realpath(folder))
    return (ORIGIN_COMMENT + relative.replace(os.sep, "/") + "\n").encode("utf-8",
                                                                          "surrogateescape")


def same_source(quiz, csv_path):
    """Whether `quiz` was built from the CSV file at csv_path."""
    return quiz.source is not None and quiz.source == os.path.realpath(csv_path)
