"""Checking the bank as a whole: every name of every style as the builder checks a CSV's
names (typeable, verified with OPSIN), and every lesson within one sitting."""

import collections

import bank_table
from naming_styles import STYLES
from quiz_lessons import LESSON_SIZE
from quiz_rows import MAX_MOLECULES, by_line, check_names, parse_molecules
from quiz_verify import OPSIN_JAR, verify_structures

# The bank as the build writes it: entries with their molecules, the lessons in order,
# each lesson's entries, and the styles each lesson can be played in on the desktop.
Bank = collections.namedtuple("Bank", "entries lessons members desktop_styles")
# The keys a US keyboard cannot give the desktop quiz; the page's keyboard has them.
DESKTOP_LACKS = "()"


def named(molecules, entries, style):
    """The molecules, named in `style`."""
    return [m._replace(name=e.names[style]) for m, e in zip(molecules, entries)]


def checked_bank(bank_path, lessons_path, jar=OPSIN_JAR):
    """The bank and every problem with it, as (Bank, errors). Names that need a key a US
    keyboard lacks are no error: their lessons are left out of the desktop in that style."""
    entries, errors = bank_table.read_bank(bank_path)
    try:
        lessons = bank_table.read_bank_lessons(lessons_path)
    except bank_table.BuildError as e:
        lessons, errors = [], errors + e.lines
    smiles_errors, molecules = parse_molecules(bank_table.style_rows(entries, "uk"))
    errors += smiles_errors
    parsed = {m.row for m in molecules}
    entries = [e for e in entries if e.line in parsed]
    hard = {}
    for style in STYLES:
        rows = bank_table.style_rows(entries, style)
        name_errors, _ = check_names(rows, allowed_keys=DESKTOP_LACKS, one_quiz=False)
        errors += [f"{bank_path}: {style}: {e}" for e in name_errors]
        hard[style] = {e.line for e in entries if set(e.names[style]) & set(DESKTOP_LACKS)}
        found = verify_structures(named(molecules, entries, style), jar)
        # The same structure twice shows in every style; say it once.
        errors += [f"{bank_path}: {style}: {e}" for e in found
                   if style == "uk" or "is the same molecule as" not in e]
    members, member_errors = lesson_members(entries, lessons)
    errors += member_errors
    desktop = {lesson.id: [s for s in STYLES
                           if not any(e.line in hard[s] for e in members[lesson.id])]
               for lesson in lessons}
    by_entry = dict(zip((e.line for e in entries), molecules))
    members = {lesson: [(e, by_entry[e.line]) for e in group]
               for lesson, group in members.items()}
    return Bank(entries, lessons, members, desktop), by_line(errors)


def lesson_members(entries, lessons):
    """Each lesson's entries in bank order, and the problems: an entry in no lesson or an
    unknown one, and a lesson outside one sitting."""
    members = {lesson.id: [] for lesson in lessons}
    errors = []
    for e in entries:
        if e.lesson in members:
            members[e.lesson].append(e)
        else:
            errors.append(f'line {e.line}: id {e.id}: lesson "{e.lesson}" is not in the '
                          "lessons file")
    low, high = LESSON_SIZE
    for lesson in lessons:
        count = len(members[lesson.id])
        if not low <= min(count, MAX_MOLECULES) <= high:
            errors.append(f'lesson "{lesson.id}" has {count} molecules; a lesson holds '
                          f"{low} to {high}")
    return members, errors


def style_molecules(bank, lesson, style):
    """The molecules of `lesson`, named in `style`, as the builder's Molecule rows."""
    return [m._replace(name=e.names[style]) for e, m in bank.members[lesson]]
