"""Writing quiz folders: the files, the note of their source, the font, and the guard
against replacing a quiz that another table built."""

import os
import shutil

import quizart
import quizorigin
from quiz_lessons import INDEX_FILE, LESSON_ID
from quiz_rows import LIST_FILE, counted

FONT_FILE = "nsecthck.ttf"
DEFAULT_FONT = quizart.FONT_DIR + "DejaVuSans.ttf"


def stale_pictures(out_dir, keep):
    """Pictures left in a quiz folder by an earlier list."""
    if not os.path.isfile(os.path.join(out_dir, LIST_FILE)):
        return []   # not a quiz folder: leave its files alone
    return sorted(f for f in os.listdir(out_dir)
                  if f.endswith(".bmp") and f not in keep
                  and os.path.isfile(os.path.join(out_dir, f)))


def write_quiz(out_dir, files, log, source):
    """Writes one quiz folder built from the CSV file at `source`: its files,
    the note of where it came from, DejaVu Sans as the font unless the folder
    has one, and no pictures of molecules it no longer lists."""
    os.makedirs(out_dir, exist_ok=True)
    for f in stale_pictures(out_dir, files):
        os.remove(os.path.join(out_dir, f))
        log(f"removed {os.path.join(out_dir, f)} (no molecule of that name now)")
    files = dict(files)
    files[quizorigin.ORIGIN_FILE] = quizorigin.origin_bytes(out_dir, source)
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    font = os.path.join(out_dir, FONT_FILE)
    if not os.path.exists(font):
        if os.path.lexists(font):
            os.remove(font)     # a link to a font that is gone
        shutil.copyfile(DEFAULT_FONT, font)


def dropped_lessons(lessons_dir, lessons):
    """The quiz folders of lessons that the index of an earlier build lists
    but `lessons` does not."""
    index = os.path.join(lessons_dir, INDEX_FILE)
    if not os.path.isfile(index):
        return []
    with open(index, encoding="utf-8") as f:
        earlier = [line.split("\t")[0] for line in f.read().splitlines()[1:]]
    current = {lesson for lesson, _ in lessons}
    return [os.path.join(lessons_dir, lesson) for lesson in earlier
            if lesson not in current and LESSON_ID.match(lesson)
            and os.path.isfile(os.path.join(lessons_dir, lesson, LIST_FILE))]


def write_lessons(lessons_dir, lessons, folders, log, source):
    """Writes every lesson folder and the index, and removes the folders of
    lessons that an earlier build listed but this one does not."""
    for folder in dropped_lessons(lessons_dir, lessons):
        shutil.rmtree(folder)
        log(f"removed {folder} (no longer a lesson)")
    for lesson, _ in lessons:
        write_quiz(os.path.join(lessons_dir, lesson), folders[lesson], log, source)
    with open(os.path.join(lessons_dir, INDEX_FILE), "wb") as f:
        f.write(folders[INDEX_FILE])


# -------------------------------------------------------------- replacing --

def replacement(folder, csv_path, replace):
    """(error, note) about the quiz `folder` holds before the build: an error
    when the CSV file at csv_path did not make it and `replace` is off;
    otherwise the note (what the build replaces, whether that took
    --replace). (None, None) when the folder holds no quiz."""
    quiz = quizorigin.existing_quiz(folder)
    if quiz is None:
        return None, None
    count = counted(quiz.count, "molecule")
    if quizorigin.same_source(quiz, csv_path):
        return None, (f"{count}, built from the same CSV file", False)
    origin = (f"built from {os.path.relpath(quiz.source)}" if quiz.source
              else "with no record of the CSV file it came from")
    if replace:
        return None, (f"{count}, {origin}", True)
    return (f"{folder} holds a quiz of {count} {origin}, not from {csv_path}; run again "
            "with --replace to replace it, or write to another folder"), None


def replacements(folders, csv_path, replace):
    """The refusals and the notes of replacement() for each folder, as
    (errors, {folder: note})."""
    errors, notes = [], {}
    for folder in folders:
        error, note = replacement(folder, csv_path, replace)
        if error:
            errors.append(error)
        elif note:
            notes[folder] = note
    return errors, notes


def log_replaced(notes, log, always=()):
    """Says which quizzes the build replaces: those in `always`, and any
    other that needed --replace."""
    for folder, (note, needed_replace) in notes.items():
        if needed_replace or folder in always:
            log(f"replacing the quiz in {folder}: {note}")


