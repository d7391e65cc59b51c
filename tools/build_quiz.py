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
import contextlib
import csv
import os
import re
import shutil
import string
import subprocess
import sys
import tempfile

from rdkit import Chem, RDLogger
from rdkit.Chem import inchi as rdinchi

import quizart
import quizorigin
import rle8

OPSIN_JAR = "/usr/share/java/opsin-cli.jar"
LIST_FILE = "Molecule List.txt"
FIXED_PICTURES = ("Homescreen.bmp", "background.bmp", "correct.bmp",
                  "incorrect.bmp", "last.bmp")
MAX_NAME_LENGTH = 51
MAX_MOLECULES = 500
# Characters the quiz's key table produces.
TYPEABLE = frozenset(string.ascii_letters + string.digits + " (),+-./")
# Keys the quiz's table has, but which many keyboards cannot give it: on a US
# layout Shift+9 and Shift+0 type the digits, and '+' needs a number pad. A
# name with them is refused unless the teacher allows them (--allow-keys).
HARD_KEYS = "()+"
HARD_KEY_REASONS = [
    ("()", "'(' and ')' cannot be typed on a US keyboard in this quiz "
           "(Shift+9 and Shift+0 type the digits)"),
    ("+", "'+' can be typed only on a number pad, which many laptops lack"),
]
FONT_FILE = "nsecthck.ttf"
DEFAULT_FONT = quizart.FONT_DIR + "DejaVuSans.ttf"


class BuildError(Exception):
    """Problems that stop the build; each entry is one line for the user."""

    def __init__(self, lines):
        super().__init__("\n".join(lines))
        self.lines = list(lines)


# One CSV row; `trusted` rows keep their name without asking OPSIN.
Row = collections.namedtuple("Row", "line name smiles klass lesson trusted", defaults=("", False))
Molecule = collections.namedtuple("Molecule", "row name smiles klass mol lesson trusted",
                                  defaults=(False,))
TRUST = "trust"


def counted(count, thing):
    """`count` and `thing`, in the plural unless count is 1."""
    return f"{count} {thing}{'' if count == 1 else 's'}"


def by_line(errors):
    """The errors with those about the whole file first, then by their line number."""
    def line_number(error):
        match = re.match(r"line (\d+)\b", error)
        return int(match.group(1)) if match else 0
    return sorted(errors, key=line_number)


# ---------------------------------------------------------------- reading --

@contextlib.contextmanager
def csv_records(path):
    """A DictReader over the CSV file at path, its field names stripped and in lower
    case. A file that cannot be read or is not UTF-8 becomes a BuildError."""
    try:
        with open(path, newline="", encoding="utf-8-sig") as f:
            reader = csv.DictReader(f)
            reader.fieldnames = [h.strip().lower() for h in (reader.fieldnames or [])]
            yield reader
    except OSError as e:
        raise BuildError([f"cannot read {path}: {e.strerror}"])
    except UnicodeDecodeError:
        raise BuildError([f"{path} is not UTF-8 text"])


def read_csv(path, trust_all=False):
    """The CSV's rows, and a line for each row that cannot be read. `trust_all`
    trusts every name, as if each row's check column said trust."""
    with csv_records(path) as reader:
        header = reader.fieldnames
        missing = [c for c in ("name", "smiles") if c not in header]
        if missing:
            raise BuildError([f"{path}: the header row needs the column(s) "
                              f"{', '.join(missing)} (found: {', '.join(header) or 'nothing'})"])
        rows, errors = [], []
        for record in reader:
            values = [v for v in record.values() if isinstance(v, str)]
            if not any(v.strip() for v in values):
                continue  # blank line
            line = reader.line_num
            if any(v.strip() for v in record.get(None) or []):
                fields = [record[h] for h in header] + record[None]
                errors.append(extra_fields_problem(line, header, fields))
                continue
            name = record.get("name") or ""
            check = (record.get("check") or "").strip()
            if check and check.lower() != TRUST:
                errors.append(f'line {line}: "{name}": the check column holds "{check}"; leave it '
                              f"empty to verify the name, or write {TRUST} to keep it unverified")
            rows.append(Row(line, name, (record.get("smiles") or "").strip(),
                            (record.get("class") or "").strip(),
                            (record.get("lesson") or "").strip(),
                            trust_all or check.lower() == TRUST))
    return rows, errors


def smiles_readable(smiles):
    """Whether RDKit reads `smiles` as a molecule with atoms."""
    RDLogger.DisableLog("rdApp.*")
    try:
        mol = Chem.MolFromSmiles(smiles.strip()) if smiles.strip() else None
    finally:
        RDLogger.EnableLog("rdApp.*")
    return mol is not None and mol.GetNumAtoms() > 0


def extra_fields_problem(line, header, fields):
    """What is wrong with a row that has more fields than the header: most
    often a name with a comma but without its double quotes."""
    extra = fields[len(header):]
    at, smiles_at = header.index("name"), header.index("smiles")
    if smiles_at > at and not smiles_readable(fields[smiles_at]):
        for joined in range(1, len(extra) + 1):
            merged = fields[:at] + [",".join(fields[at:at + joined + 1])] + fields[at + joined + 1:]
            if not any(v.strip() for v in merged[len(header):]) and \
                    smiles_readable(merged[smiles_at]):
                return (f"line {line}: the name {merged[at]} has a comma, which splits it in two "
                        f'fields; put the name in double quotes, as in "{merged[at]}"')
    shown = ", ".join('"' + v + '"' for v in extra)
    what = "field {} belongs" if len(extra) == 1 else "fields {} belong"
    return (f"line {line} has {len(fields)} fields but the header has {len(header)} "
            f"({', '.join(header)}): the extra {what.format(shown)} to no column; remove "
            f"{'it' if len(extra) == 1 else 'them'}, or name the column in the header row")


# ------------------------------------------------------------ name checks --

def accepted_characters(allowed=""):
    """The characters a name may use when the keys in `allowed` are allowed, in words."""
    keys = " ".join(c for c in HARD_KEYS if c in allowed) + " , - . /"
    refused = " ".join(c for c in HARD_KEYS if c not in allowed)
    later = f", and {refused} with --allow-keys" if refused else ""
    return f"a-z, A-Z, 0-9, space and {keys.strip()}{later}"


def name_problems(name, allowed=""):
    """Why the quiz cannot use `name`, or an empty list; `allowed` as for check_names."""
    if name == "":
        return ["the name is empty"]
    problems = []
    bad = sorted(set(c for c in name if c not in TYPEABLE))
    if bad:
        shown = " ".join(repr(c) for c in bad)
        problems.append(f"contains {shown}, which cannot be typed in the quiz "
                        f"(names may use {accepted_characters(allowed)})")
    if len(name) > MAX_NAME_LENGTH:
        problems.append(f"is {len(name)} characters long; the quiz accepts at most "
                        f"{MAX_NAME_LENGTH}")
    if "/" in name:
        problems.append("contains '/', which would put its picture in a sub-folder")
    if name != name.strip():
        problems.append("starts or ends with a space, which the player would have to type")
    if name.lower() + ".bmp" in {p.lower() for p in FIXED_PICTURES}:
        problems.append("would overwrite the fixed picture of the same name")
    return problems


def hard_key_notes(name, allowed=""):
    """(errors, warnings) for the hard-to-type keys `name` needs; those in
    `allowed` only warn."""
    errors, warnings = [], []
    for chars, reason in HARD_KEY_REASONS:
        used = "".join(c for c in chars if c in name)
        if not used:
            continue
        if all(c in allowed for c in used):
            warnings.append(f"{reason}; allowed by --allow-keys")
        else:
            keys = "these keys" if len(used) > 1 else "this key"
            errors.append(f"{reason}, so a student could never finish the quiz (if your "
                          f'class\'s keyboards have {keys}, allow with --allow-keys "{used}")')
    return errors, warnings


def check_names(rows, allowed_keys="", one_quiz=True):
    """Errors and warnings about the names, one line each. `allowed_keys`
    holds the characters of HARD_KEYS the class can type; `one_quiz` says
    that all rows make a single quiz, which has a size limit."""
    errors, warnings = [], []
    if not rows:
        errors.append("the CSV lists no molecules")
    if one_quiz and len(rows) > MAX_MOLECULES:
        errors.append(f"the CSV lists {len(rows)} molecules; the quiz holds at most "
                      f"{MAX_MOLECULES}")
    seen = {}
    for line, name, *_ in rows:
        for problem in name_problems(name, allowed_keys):
            errors.append(f'line {line}: "{name}" {problem}'
                          if name else f"line {line}: {problem}")
        hard_errors, hard_warnings = hard_key_notes(name, allowed_keys)
        errors += [f'line {line}: "{name}": {e}' for e in hard_errors]
        warnings += [f'line {line}: "{name}": {w}' for w in hard_warnings]
        if not name:
            continue
        # Picture files of names that differ only in case clash on
        # case-insensitive file systems.
        key = name.lower()
        if key in seen:
            first_line, first_name = seen[key]
            if first_name == name:
                errors.append(f'line {line}: "{name}" appears twice (line {first_line})')
            else:
                errors.append(f'line {line}: "{name}" differs from "{first_name}" (line '
                              f"{first_line}) only in capitals; their pictures would clash")
        else:
            seen[key] = (line, name)
    return errors, warnings


# ------------------------------------------------------- structure checks --

def parse_molecules(rows):
    """Molecules from the CSV's SMILES, and a line for each unreadable one."""
    errors, molecules = [], []
    RDLogger.DisableLog("rdApp.*")
    try:
        for row in rows:
            mol = Chem.MolFromSmiles(row.smiles) if row.smiles else None
            if mol is None or mol.GetNumAtoms() == 0:
                what = f"SMILES '{row.smiles}' cannot be read" if row.smiles else "has no SMILES"
                errors.append(f'line {row.line}: "{row.name}": {what}')
            else:
                molecules.append(Molecule(row.line, row.name, row.smiles, row.klass, mol,
                                          row.lesson, row.trusted))
    finally:
        RDLogger.EnableLog("rdApp.*")
    return errors, molecules


def opsin_structures(names, jar=OPSIN_JAR):
    """Molecules that OPSIN reads from the names (None where it cannot), in one run."""
    if not os.path.exists(jar):
        raise BuildError([f"OPSIN not found at {jar} (install the Debian package libopsin-java)"])
    try:
        result = subprocess.run(["java", "-jar", jar, "-osmi"],
                                input="".join(n + "\n" for n in names),
                                capture_output=True, text=True, encoding="utf-8")
    except FileNotFoundError:
        raise BuildError(["java not found (install the Debian package default-jre-headless)"])
    lines = result.stdout.split("\n")
    if result.returncode != 0 or len(lines) < len(names):
        detail = result.stderr.strip().splitlines()[-1:] or ["no output"]
        raise BuildError([f"OPSIN failed (exit {result.returncode}): {detail[0]}"])
    RDLogger.DisableLog("rdApp.*")
    try:
        mols = [Chem.MolFromSmiles(s.strip()) if s.strip() else None
                for s in lines[:len(names)]]
    finally:
        RDLogger.EnableLog("rdApp.*")
    return [m if m is not None and m.GetNumAtoms() else None for m in mols]


def inchikeys(mols):
    """Standard InChIKeys of `mols` (None where InChI gives none), in one run.

    Uses RDKit's InChI support when it has it, otherwise the InChI
    reference program (Debian package libinchi-bin) on an SD file that
    RDKit writes.
    """
    if rdinchi.INCHI_AVAILABLE:
        RDLogger.DisableLog("rdApp.*")   # InChI warns about undefined stereo
        try:
            return [rdinchi.MolToInchiKey(m) or None for m in mols]
        finally:
            RDLogger.EnableLog("rdApp.*")
    program = shutil.which("inchi_main")
    if program is None:
        raise BuildError(["the InChI program inchi_main was not found "
                          "(install the Debian package libinchi-bin)"])
    with tempfile.TemporaryDirectory() as tmp:
        sdf, out = os.path.join(tmp, "in.sdf"), os.path.join(tmp, "out.txt")
        writer = Chem.SDWriter(sdf)
        for m in mols:
            writer.write(m)
        writer.close()
        result = subprocess.run(
            [program, sdf, out, os.path.join(tmp, "log.txt"), os.path.join(tmp, "prb.txt"),
             "-Key", "-AuxNone", "-Tabbed"], capture_output=True, text=True)
        if result.returncode != 0 or not os.path.exists(out):
            raise BuildError([f"the InChI program failed (exit {result.returncode})"])
        keys = [None] * len(mols)
        with open(out, encoding="ascii", errors="replace") as f:
            for line in f:
                fields = line.rstrip("\n").split("\t")
                if not fields[0].startswith("Structure:"):
                    continue
                number = int(fields[0].split(":")[1])
                for field in fields[1:]:
                    if field.startswith("InChIKey="):
                        keys[number - 1] = field[len("InChIKey="):]
        return keys


def opsin_can_read(name):
    """Whether `name` can go to OPSIN, which reads one name a line."""
    return name.strip() != "" and "\n" not in name and "\r" not in name


def verify_structures(molecules, jar=OPSIN_JAR):
    """Lines for every name that does not describe its molecule, and for
    molecules listed twice under different names. Trusted names are not
    read back."""
    errors = []
    asked = [k for k, m in enumerate(molecules) if not m.trusted and opsin_can_read(m.name)]
    named = dict(zip(asked, opsin_structures([molecules[k].name for k in asked], jar)
                     if asked else []))
    readable = [k for k in asked if named[k] is not None]
    keys = inchikeys([m.mol for m in molecules] + [named[k] for k in readable])
    given_keys, named_keys = keys[:len(molecules)], dict(zip(readable, keys[len(molecules):]))
    first_with_key = {}
    for k, (m, key) in enumerate(zip(molecules, given_keys)):
        if key is None:
            errors.append(f'line {m.row}: "{m.name}": InChI cannot describe its SMILES ({m.smiles})')
            continue
        first = molecules[first_with_key.setdefault(key, k)].name
        # The same name twice is reported as a duplicate already.
        if first.lower() != m.name.lower():
            errors.append(f'line {m.row}: "{m.name}" is the same molecule as "{first}"')
        if k not in named:
            continue
        if named[k] is None:
            errors.append(f'line {m.row}: "{m.name}": OPSIN cannot read this name; if the name '
                          f"is right, write {TRUST} in the row's check column (or give "
                          "--trust-names) to keep it unverified")
            continue
        name_key = named_keys[k]
        # The first block of the InChIKey encodes the constitution, not stereo.
        if name_key is None or name_key.split("-")[0] != key.split("-")[0]:
            errors.append(f'line {m.row}: "{m.name}": the name describes '
                          f"{Chem.MolToSmiles(named[k])}, not the SMILES given ({m.smiles})")
    return errors


# ---------------------------------------------------------------- lessons --

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


# ---------------------------------------------------------------- writing --

def list_file_text(names):
    return f"{len(names)}\n" + "".join(n + "\n" for n in names)


class Renderer:
    """Every file of a quiz folder as bytes; pictures shared by several
    folders are drawn once."""

    def __init__(self):
        self.pictures = {}
        self.screens = None

    def molecule(self, m):
        if m.name not in self.pictures:
            self.pictures[m.name] = rle8.bmp_bytes(quizart.molecule_picture(m.mol))
        return self.pictures[m.name]

    def quiz(self, molecules, naming_rule=None, topic=None):
        """The files of one quiz folder, by file name."""
        if naming_rule is None:
            all_lower = all(m.name == m.name.lower() for m in molecules)
            naming_rule = quizart.DEFAULT_NAMING_RULE if all_lower else quizart.EXACT_NAMING_RULE
        if self.screens is None:
            self.screens = {name: rle8.bmp_bytes(picture)
                            for name, picture in quizart.shared_screens().items()}
        files = {LIST_FILE: list_file_text([m.name for m in molecules]).encode("ascii")}
        files["Homescreen.bmp"] = rle8.bmp_bytes(quizart.home_screen(naming_rule, topic))
        files.update(self.screens)
        for m in molecules:
            files[m.name + ".bmp"] = self.molecule(m)
        return files


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


def log_replaced(notes, log, always=()):
    """Says which quizzes the build replaces: those in `always`, and any
    other that needed --replace."""
    for folder, (note, needed_replace) in notes.items():
        if needed_replace or folder in always:
            log(f"replacing the quiz in {folder}: {note}")


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
        for line in e.lines:
            print("error: " + line, file=sys.stderr)
        print("no files written", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
