#!/usr/bin/python3
"""Build Molvane quiz data folders from a CSV of molecules.

    /usr/bin/python3 tools/build_quiz.py MOLECULES.csv [OUTPUT_DIR] [--allow-keys "()+"]
                                         [--trust-names] [--replace]
    /usr/bin/python3 tools/build_quiz.py MOLECULES.csv --lessons LESSONS.csv [OUTPUT_DIR]

The CSV has a header row with the columns `name` and `smiles` (a `class`
column is optional and only used for the summary; a `lesson` column puts
each molecule into a lesson; a `check` column holding `trust` keeps that
row's name unverified). Each name is the exact answer the player must type.
The builder

  * refuses names the quiz cannot accept (characters its keyboard table
    cannot type, "(", ")" and "+" unless --allow-keys allows them, more than
    51 characters, duplicates, names that would make an unusable picture
    file name),
  * reads every name back into a structure with OPSIN and refuses a name
    that does not describe the molecule given by its SMILES (compared by the
    connectivity block of the InChIKey); trusted names are kept with a
    warning instead,
  * refuses to replace a quiz that it did not build from the same CSV file,
    unless --replace is given,
  * reports every problem it found in one go, and only when there are none
    writes "Molecule List.txt", one RLE8 picture per molecule, the five fixed
    screens and a note of the CSV's path into OUTPUT_DIR (default ./data),
    and DejaVu Sans as the font when the folder has none.

With --lessons, LESSONS.csv (columns `lesson`, `topic`, in teaching order)
names the lessons: each gets a folder of its own under --lessons-dir
(default ./lessons), listed in its index.tsv, and OUTPUT_DIR gets a mixed
quiz drawn from all lessons.

Nothing is written unless every check passes. Same CSV, same bytes out.
"""

import argparse
import collections
import os
import sys

from quiz_lessons import (INDEX_FILE, MIXED_TOPIC, index_text, mixed_selection, read_lessons,
                          split_lessons, topic_line)
from quiz_render import Renderer
from quiz_rows import (HARD_KEYS, MAX_MOLECULES, TRUST, BuildError, by_line, check_names,
                       counted, parse_molecules, read_csv, refused)
from quiz_verify import OPSIN_JAR, verify_structures
from quiz_write import dropped_lessons, log_replaced, replacements, write_lessons, write_quiz

# ------------------------------------------------------------------- main --

def checked_molecules(csv_path, jar, warn, allowed_keys, one_quiz, trust_all):
    """The CSV's molecules, and every problem with them, structures included."""
    rows, errors = read_csv(csv_path, trust_all)
    name_errors, warnings = check_names(rows, allowed_keys, one_quiz)
    smiles_errors, molecules = parse_molecules(rows)
    errors += name_errors + smiles_errors
    if trust_all:
        warnings.append(f"--trust-names: {counted(len(molecules), 'name')} kept without "
                        "verifying with OPSIN")
    else:
        warnings += [f'line {m.row}: "{m.name}": kept without verifying with OPSIN '
                     f"({TRUST} in its check column)" for m in molecules if m.trusted]
    for line in by_line(warnings):
        warn(line)
    try:
        errors += verify_structures(molecules, jar)
    except BuildError as e:     # OPSIN or InChI missing or failing
        errors += e.lines
    return molecules, errors


def summary(molecules):
    """Molecules per class, and how many names were kept without verifying."""
    classes = collections.Counter(m.klass or "unclassed" for m in molecules)
    text = ", ".join(f"{k} {n}" for k, n in sorted(classes.items()))
    trusted = sum(m.trusted for m in molecules)
    return text + (f"; {counted(trusted, 'name')} not verified" if trusted else "")


def default_warn(line):
    print("warning: " + line, file=sys.stderr)


def build(csv_path, out_dir, naming_rule=None, jar=OPSIN_JAR, log=print, warn=default_warn,
          allowed_keys="", trust_all=False, replace=False):
    """Check the CSV and write one quiz. Raises BuildError when refused."""
    molecules, errors = checked_molecules(csv_path, jar, warn, allowed_keys, True, trust_all)
    refusals, notes = replacements([out_dir], csv_path, replace)
    if refusals or errors:
        raise BuildError(by_line(refusals + errors))
    log_replaced(notes, log, always=[out_dir])
    write_quiz(out_dir, Renderer().quiz(molecules, naming_rule), log, csv_path)
    log(f"{counted(len(molecules), 'molecule')} written to {out_dir} ({summary(molecules)})")
    return molecules


def build_lessons(csv_path, lessons_path, out_dir, lessons_dir, mixed_size=20, naming_rule=None,
                  jar=OPSIN_JAR, log=print, warn=default_warn, allowed_keys="", trust_all=False,
                  replace=False):
    """Check the CSV and the lessons file, then write one quiz per lesson,
    the index of lessons, and a mixed quiz drawn from all of them."""
    try:
        lessons, errors = read_lessons(lessons_path), []
    except BuildError as e:
        lessons, errors = None, e.lines
    molecules, molecule_errors = checked_molecules(csv_path, jar, warn, allowed_keys, False,
                                                   trust_all)
    errors += molecule_errors
    if lessons is None:
        raise BuildError(by_line(errors))
    members, split_errors, warnings = split_lessons(molecules, lessons)
    folders = [out_dir] + [os.path.join(lessons_dir, lesson) for lesson, _ in lessons]
    refusals, notes = replacements(folders + dropped_lessons(lessons_dir, lessons), csv_path,
                                   replace)
    errors = by_line(refusals + errors + split_errors)
    if errors:
        raise BuildError(errors)
    for line in warnings:
        warn(line)

    renderer = Renderer()
    files = {INDEX_FILE: index_text(lessons, members).encode("utf-8")}
    for lesson, topic in lessons:
        chosen = members[lesson]
        files[lesson] = renderer.quiz(chosen, naming_rule, topic_line(topic, len(chosen)))
    mixed = mixed_selection(members, lessons, mixed_size)
    mixed_files = renderer.quiz(mixed, naming_rule, topic_line(MIXED_TOPIC, len(mixed)))

    log_replaced(notes, log, always=[out_dir])
    write_lessons(lessons_dir, lessons, files, log, csv_path)
    for lesson, topic in lessons:
        log(f"{topic_line(topic, len(members[lesson]))} written to "
            f"{os.path.join(lessons_dir, lesson)}")
    write_quiz(out_dir, mixed_files, log, csv_path)
    log(f"{topic_line(MIXED_TOPIC, len(mixed))} written to {out_dir} ({summary(mixed)})")
    trusted = sum(m.trusted for m in molecules)
    if trusted:
        log(f"{counted(trusted, 'name')} of {len(molecules)} not verified with OPSIN")
    return members, mixed


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Build a Molvane quiz data folder from a CSV of molecules "
                    "(columns: name, smiles, optional class, lesson and check).")
    parser.add_argument("csv", help="the molecule CSV")
    parser.add_argument("out_dir", nargs="?", default="data",
                        help="data folder to write (default: ./data); with --lessons, "
                             "the mixed quiz goes here")
    parser.add_argument("--naming-rule", metavar="TEXT",
                        help="the naming instruction shown on the home screen")
    parser.add_argument("--allow-keys", metavar="CHARS", default="",
                        help=f"let names use these of {HARD_KEYS} (only for keyboards "
                             "that have them as keys of their own; not a US layout)")
    parser.add_argument("--trust-names", action="store_true",
                        help="keep every name without verifying it with OPSIN (to trust "
                             f"single rows, write {TRUST} in their check column)")
    parser.add_argument("--replace", action="store_true",
                        help="replace a quiz in the folder(s) to write that was not built "
                             "from this CSV file")
    parser.add_argument("--lessons", metavar="LESSONS.csv",
                        help="a CSV with the columns lesson, topic: build one quiz per "
                             "lesson, from the molecules whose lesson column names it")
    parser.add_argument("--lessons-dir", metavar="DIR", default="lessons",
                        help="where the lesson folders go (default: ./lessons)")
    parser.add_argument("--mixed", metavar="N", type=int, default=20,
                        help="with --lessons, the size of the mixed quiz (default: 20)")
    args = parser.parse_args(argv)
    if args.naming_rule is not None and not 0 < len(args.naming_rule) <= 120:
        parser.error("--naming-rule must be 1 to 120 characters, to fit the home screen")
    if not set(args.allow_keys) <= set(HARD_KEYS):
        parser.error(f"--allow-keys takes only the characters {HARD_KEYS}")
    if not 1 <= args.mixed <= MAX_MOLECULES:
        parser.error(f"--mixed must be 1 to {MAX_MOLECULES}")
    options = dict(allowed_keys=args.allow_keys, trust_all=args.trust_names,
                   replace=args.replace)
    try:
        if args.lessons:
            build_lessons(args.csv, args.lessons, args.out_dir, args.lessons_dir, args.mixed,
                          args.naming_rule, **options)
        else:
            build(args.csv, args.out_dir, args.naming_rule, **options)
    except BuildError as e:
        return refused(e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
