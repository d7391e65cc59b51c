"""Lessons: the lessons file, each molecule's lesson, the mixed quiz and the index."""

import re

from quiz_rows import MAX_MOLECULES, BuildError, csv_records

LESSON_ID = re.compile(r"[a-z][a-z0-9-]{0,23}\Z")
MAX_TOPIC_LENGTH = 40
MIXED_TOPIC = "Mixed practice"
INDEX_FILE = "index.tsv"
INDEX_HEADER = "lesson\ttopic\tmolecules\n"
LESSON_SIZE = (6, 15)   # what a class gets through in one sitting


def read_lessons(path):
    """The lessons file's (id, topic) pairs, in teaching order."""
    with csv_records(path) as reader:
        if "lesson" not in reader.fieldnames or "topic" not in reader.fieldnames:
            raise BuildError([f"{path}: the header row needs the columns lesson, topic"])
        lessons, errors, seen = [], [], set()
        for record in reader:
            lesson = (record.get("lesson") or "").strip()
            topic = (record.get("topic") or "").strip()
            if not lesson and not topic:
                continue
            where = f"{path}: line {reader.line_num}"
            if not LESSON_ID.match(lesson):
                errors.append(f'{where}: lesson "{lesson}" must be 1 to 24 of a-z, 0-9 '
                              "and -, starting with a letter (it is typed as "
                              "molvane LESSON)")
            elif lesson in seen:
                errors.append(f'{where}: lesson "{lesson}" is listed twice')
            if not topic or len(topic) > MAX_TOPIC_LENGTH or not topic.isprintable():
                errors.append(f"{where}: the topic must be 1 to {MAX_TOPIC_LENGTH} "
                              "printable characters")
            seen.add(lesson)
            lessons.append((lesson, topic))
    if not lessons and not errors:
        errors.append(f"{path} lists no lessons")
    if errors:
        raise BuildError(errors)
    return lessons


def split_lessons(molecules, lessons):
    """Each lesson's molecules in CSV order, and the problems with the split."""
    members = {lesson: [] for lesson, _ in lessons}
    errors, warnings = [], []
    for m in molecules:
        if m.lesson in members:
            members[m.lesson].append(m)
        elif m.lesson:
            errors.append(f'line {m.row}: "{m.name}": lesson "{m.lesson}" is not in the '
                          "lessons file")
        else:
            errors.append(f'line {m.row}: "{m.name}" belongs to no lesson (the lesson '
                          "column is empty)")
    low, high = LESSON_SIZE
    for lesson, _ in lessons:
        count = len(members[lesson])
        if count == 0:
            errors.append(f'lesson "{lesson}" has no molecules')
        elif count > MAX_MOLECULES:
            errors.append(f'lesson "{lesson}" has {count} molecules; a quiz holds at most '
                          f"{MAX_MOLECULES}")
        elif not low <= count <= high:
            warnings.append(f'lesson "{lesson}" has {count} molecules; {low} to {high} '
                            "fit one sitting")
    return members, errors, warnings


def mixed_selection(members, lessons, size):
    """The mixed quiz: the first molecule of each lesson in teaching order,
    then the second of each, and so on, until `size` are chosen."""
    chosen = []
    for depth in range(max(len(m) for m in members.values())):
        for lesson, _ in lessons:
            if depth < len(members[lesson]) and len(chosen) < size:
                chosen.append(members[lesson][depth])
    return chosen


def index_text(lessons, members):
    return INDEX_HEADER + "".join(f"{lesson}\t{topic}\t{len(members[lesson])}\n"
                                  for lesson, topic in lessons)


def topic_line(topic, count):
    return f"{topic} \u00b7 {count} molecule{'' if count == 1 else 's'}"


