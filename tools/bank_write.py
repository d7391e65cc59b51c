"""Writing the bank's lessons for the desktop and the site.

    LESSONS/index.tsv                     lesson, level, topic, molecules, desktop styles
    LESSONS/pictures/ID.bmp               each molecule's picture, once
    LESSONS/screens/*.bmp                 the four screens every quiz shares, and each
                                          style's home screen with no topic line
    LESSONS/STYLE/LESSON/data/            a quiz folder: its list, its home screen, and
                                          links to the pictures and screens it shows

Each data folder is an ordinary quiz folder: `cd LESSONS/us/alcohols && molvane` plays
it. Its font, nsecthck.ttf, links to LESSONS/screens/nsecthck.ttf, DejaVu Sans unless a
font is there already.
"""

import os
import shutil

import quizart
import quizorigin
import rle8
from naming_styles import NAMING_RULES, STYLES
from quiz_lessons import topic_line
from quiz_render import list_file_text
from quiz_write import DEFAULT_FONT, FONT_FILE, dropped_lessons

INDEX_FILE = "index.tsv"
INDEX_HEADER = "lesson\tlevel\ttopic\tmolecules\tstyles\n"
PICTURES, SCREENS = "pictures", "screens"
# From LESSONS/STYLE/LESSON/data back to LESSONS.
UP = os.path.join(os.pardir, os.pardir, os.pardir)


def home_template_name(style):
    """The file in LESSONS/screens of the home screen of style with no topic line, on
    which the site draws the title of a quiz made in the browser."""
    return f"home-{style}.bmp"


def index_text(bank):
    """The index: each lesson's level, topic, size and the styles the desktop plays."""
    return INDEX_HEADER + "".join(
        f"{lesson.id}\t{lesson.level}\t{lesson.topic}\t{len(bank.members[lesson.id])}\t"
        f"{' '.join(bank.desktop_styles[lesson.id])}\n" for lesson in bank.lessons)


def link(target, path):
    """Makes `path` a symbolic link to `target`."""
    os.symlink(target, path)


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def clear(lessons_dir):
    """Removes what an earlier build wrote: the style folders, the pictures and screens,
    and the lesson folders of the single-style layout before them."""
    for folder in dropped_lessons(lessons_dir, []):
        shutil.rmtree(folder)
    for name in STYLES + (PICTURES,):
        shutil.rmtree(os.path.join(lessons_dir, name), ignore_errors=True)
    screens = os.path.join(lessons_dir, SCREENS)
    if os.path.isdir(screens):
        for name in os.listdir(screens):
            if name.endswith(".bmp"):
                os.remove(os.path.join(screens, name))


def write_lesson(folder, bank, lesson, style, source, home):
    """One lesson's quiz folder in one style."""
    os.makedirs(folder)
    members = bank.members[lesson.id]
    names = [e.names[style] for e, _ in members]
    write_file(os.path.join(folder, quizorigin.LIST_FILE),
               list_file_text(names).encode("ascii"))
    write_file(os.path.join(folder, "Homescreen.bmp"), home)
    write_file(os.path.join(folder, quizorigin.ORIGIN_FILE),
               quizorigin.origin_bytes(folder, source))
    for e, _ in members:
        link(os.path.join(UP, PICTURES, f"{e.id}.bmp"),
             os.path.join(folder, e.names[style] + ".bmp"))
    for name in quizart.shared_screens():
        link(os.path.join(UP, SCREENS, name), os.path.join(folder, name))
    link(os.path.join(UP, SCREENS, FONT_FILE), os.path.join(folder, FONT_FILE))


def write_bank_lessons(lessons_dir, bank, source, log=print):
    """Writes every lesson in every style, each picture once, and the index."""
    clear(lessons_dir)
    os.makedirs(os.path.join(lessons_dir, PICTURES))
    os.makedirs(os.path.join(lessons_dir, SCREENS), exist_ok=True)
    for name, picture in quizart.shared_screens().items():
        write_file(os.path.join(lessons_dir, SCREENS, name), rle8.bmp_bytes(picture))
    for style in STYLES:
        write_file(os.path.join(lessons_dir, SCREENS, home_template_name(style)),
                   rle8.bmp_bytes(quizart.home_screen(NAMING_RULES[style], "")))
    font = os.path.join(lessons_dir, SCREENS, FONT_FILE)
    if not os.path.exists(font):
        shutil.copyfile(DEFAULT_FONT, font)
    for lesson in bank.lessons:
        for e, m in bank.members[lesson.id]:
            write_file(os.path.join(lessons_dir, PICTURES, f"{e.id}.bmp"),
                       rle8.bmp_bytes(quizart.molecule_picture(m.mol)))
    for style in STYLES:
        for lesson in bank.lessons:
            topic = topic_line(lesson.topic, len(bank.members[lesson.id]))
            home = rle8.bmp_bytes(quizart.home_screen(NAMING_RULES[style], topic))
            folder = os.path.join(lessons_dir, style, lesson.id, "data")
            write_lesson(folder, bank, lesson, style, source, home)
        log(f"{len(bank.lessons)} lessons written to {os.path.join(lessons_dir, style)}")
    write_file(os.path.join(lessons_dir, INDEX_FILE), index_text(bank).encode("utf-8"))
