"""The molecule bank: content/bank.tsv, one row per structure with a stable ID and its
name in each naming style, and content/lessons.tsv, the lessons by level.

bank.tsv has a header line and tab-separated columns
    id  smiles  class  lesson  uk  iupac  us  [check]
An ID is a positive whole number. Once a build has shipped it, it always means the same
structure and is never given to another one (content/shipped.tsv keeps them).
lessons.tsv has the columns  lesson  level  topic, in teaching order.
"""

import collections
import csv

from bank_levels import LEVELS  # noqa: F401 (the levels are part of the table)
from naming_styles import STYLES
from quiz_lessons import LESSON_ID, MAX_TOPIC_LENGTH
from quiz_rows import TRUST, BuildError, Row

BANK_COLUMNS = ("id", "smiles", "class", "lesson") + STYLES
LESSONS_COLUMNS = ("lesson", "level", "topic")

Entry = collections.namedtuple("Entry", "line id smiles klass lesson names trusted")
Lesson = collections.namedtuple("Lesson", "id level topic")


def tsv_rows(path, columns):
    """(line number, {column: value}) for each non-blank row of the tab-separated file
    at `path`, whose header must start with `columns`."""
    try:
        with open(path, newline="", encoding="utf-8") as f:
            reader = csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE)
            header = next(reader, [])
            if tuple(header[:len(columns)]) != columns:
                raise BuildError([f"{path}: the header must be {' '.join(columns)}"])
            for record in reader:
                if any(field.strip() for field in record):
                    padded = record + [""] * (len(header) - len(record))
                    yield reader.line_num, dict(zip(header, padded)), len(record) > len(header)
    except OSError as e:
        raise BuildError([f"cannot read {path}: {e.strerror}"])
    except UnicodeDecodeError:
        raise BuildError([f"{path} is not UTF-8 text"])


def read_bank(path):
    """The bank's entries, and a line for each row that cannot be read."""
    entries, errors, seen = [], [], {}
    for line, record, extra in tsv_rows(path, BANK_COLUMNS):
        where = f"{path}: line {line}"
        if extra:
            errors.append(f"{where} has more fields than the header")
            continue
        text = record["id"].strip()
        if not text.isdigit() or text.startswith("0"):
            errors.append(f'{where}: the id "{text}" must be a positive whole number')
            continue
        number = int(text)
        if number in seen:
            errors.append(f"{where}: id {number} is also on line {seen[number]}")
        seen.setdefault(number, line)
        check = record.get("check", "").strip()
        if check not in ("", TRUST):
            errors.append(f'{where}: the check column holds "{check}"; leave it empty or '
                          f"write {TRUST}")
        entries.append(Entry(line, number, record["smiles"].strip(), record["class"].strip(),
                             record["lesson"].strip(),
                             {style: record[style] for style in STYLES}, check == TRUST))
    return entries, errors


def read_bank_lessons(path):
    """The lessons in teaching order; a BuildError lists every bad row."""
    lessons, errors, seen = [], [], set()
    for line, record, _ in tsv_rows(path, LESSONS_COLUMNS):
        where = f"{path}: line {line}"
        lesson, level, topic = (record[c].strip() for c in LESSONS_COLUMNS)
        if not LESSON_ID.match(lesson):
            errors.append(f'{where}: lesson "{lesson}" must be 1 to 24 of a-z, 0-9 and -, '
                          "starting with a letter")
        elif lesson in seen:
            errors.append(f'{where}: lesson "{lesson}" is listed twice')
        if level not in LEVELS:
            errors.append(f'{where}: level "{level}" is not one of {", ".join(LEVELS)}')
        if not topic or len(topic) > MAX_TOPIC_LENGTH or not topic.isprintable():
            errors.append(f"{where}: the topic must be 1 to {MAX_TOPIC_LENGTH} printable "
                          "characters")
        seen.add(lesson)
        lessons.append(Lesson(lesson, level, topic))
    if not lessons and not errors:
        errors.append(f"{path} lists no lessons")
    if errors:
        raise BuildError(errors)
    # Teaching order within the order of the levels.
    return sorted(lessons, key=lambda lesson: list(LEVELS).index(lesson.level))


def style_rows(entries, style):
    """The entries as the builder's rows, named in `style`."""
    return [Row(e.line, e.names[style], e.smiles, e.klass, e.lesson, e.trusted)
            for e in entries]
