#!/usr/bin/python3
"""Build Molvane's bundled lessons from the molecule bank.

    /usr/bin/python3 tools/build_bank.py [--bank content/bank.tsv]
        [--lessons content/lessons.tsv] [--lessons-dir lessons] [OUTPUT_DIR] [--replace]

Checks every name of every naming style as tools/build_quiz.py checks a CSV's names
(typeable, at most 51 characters, read back by OPSIN as the row's structure, E/Z
included where the SMILES gives it), and every lesson's size, and reports every problem
in one pass. Only when there are none it writes each lesson in each style under
--lessons-dir (see bank_write.py), and into OUTPUT_DIR (default ./data) the mixed quiz
in the default style. A lesson whose names in a style need "(" or ")" is left out of
the desktop's lessons in that style (index.tsv says which styles each lesson has).
"""

import argparse
import sys

import bank_check
import bank_write
from naming_styles import DEFAULT_STYLE, NAMING_RULES
from quiz_lessons import MIXED_TOPIC, mixed_selection, topic_line
from quiz_render import Renderer
from quiz_rows import MAX_MOLECULES, BuildError, counted, refused
from quiz_write import log_replaced, replacements, write_quiz


def build(bank_path, lessons_path, lessons_dir, out_dir, mixed_size=20, replace=False,
          log=print):
    """Checks the bank, then writes the lessons and the mixed quiz. Raises BuildError."""
    bank, errors = bank_check.checked_bank(bank_path, lessons_path)
    refusals, notes = replacements([out_dir], bank_path, replace)
    if errors or refusals:
        raise BuildError(refusals + errors)
    bank_write.write_bank_lessons(lessons_dir, bank, bank_path, log)
    members = {lesson.id: bank_check.style_molecules(bank, lesson.id, DEFAULT_STYLE)
               for lesson in bank.lessons}
    mixed = mixed_selection(members, [(lesson.id, lesson.topic) for lesson in bank.lessons],
                            mixed_size)
    files = Renderer().quiz(mixed, NAMING_RULES[DEFAULT_STYLE],
                            topic_line(MIXED_TOPIC, len(mixed)))
    log_replaced(notes, log, always=[out_dir])
    write_quiz(out_dir, files, log, bank_path)
    log(f"{topic_line(MIXED_TOPIC, len(mixed))} written to {out_dir}")
    log(f"{counted(len(bank.entries), 'molecule')} in {counted(len(bank.lessons), 'lesson')}")
    return bank


def main(argv=None):
    parser = argparse.ArgumentParser(description="Build the bundled lessons from the bank.")
    parser.add_argument("out_dir", nargs="?", default="data",
                        help="where the mixed quiz goes (default: ./data)")
    parser.add_argument("--bank", default="content/bank.tsv", help="the molecule bank")
    parser.add_argument("--lessons", default="content/lessons.tsv", help="the lessons")
    parser.add_argument("--lessons-dir", default="lessons",
                        help="where the lessons go (default: ./lessons)")
    parser.add_argument("--mixed", metavar="N", type=int, default=20,
                        help="the size of the mixed quiz (default: 20)")
    parser.add_argument("--replace", action="store_true",
                        help="replace a quiz in OUTPUT_DIR that the bank did not build")
    args = parser.parse_args(argv)
    if not 1 <= args.mixed <= MAX_MOLECULES:
        parser.error(f"--mixed must be 1 to {MAX_MOLECULES}")
    try:
        build(args.bank, args.lessons, args.lessons_dir, args.out_dir, args.mixed,
              args.replace)
    except BuildError as e:
        return refused(e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
