#!/usr/bin/python3
"""Build a Molvane quiz data folder from a CSV of molecules.

    /usr/bin/python3 tools/build_quiz.py MOLECULES.csv [OUTPUT_DIR]

The CSV has a header row with the columns `name` and `smiles` (a `class`
column is optional and only used for the summary). Each name is the exact
answer the player must type. The builder

  * refuses names the quiz cannot accept (characters its keyboard table
    cannot type, more than 51 characters, duplicates, names that would make
    an unusable picture file name),
  * reads every name back into a structure with OPSIN and stops when a name
    does not describe the molecule given by its SMILES (compared by the
    connectivity block of the InChIKey),
  * then writes "Molecule List.txt", one picture per molecule and the five
    fixed screens into OUTPUT_DIR (default ./data).

Nothing is written unless every check passes. Same CSV, same bytes out.
"""

import argparse
import collections
import csv
import io
import os
import shutil
import string
import subprocess
import sys
import tempfile

from rdkit import Chem, RDLogger
from rdkit.Chem import inchi as rdinchi

import quizart

OPSIN_JAR = "/usr/share/java/opsin-cli.jar"
LIST_FILE = "Molecule List.txt"
FIXED_PICTURES = ("Homescreen.bmp", "background.bmp", "correct.bmp",
                  "incorrect.bmp", "last.bmp")
MAX_NAME_LENGTH = 51
MAX_MOLECULES = 500
# Characters the quiz's key table produces.
TYPEABLE = frozenset(string.ascii_letters + string.digits + " (),+-./")
# Typeable in principle, but awkward on a common keyboard.
AWKWARD = [
    ("()", "'(' and ')' cannot be typed on a US keyboard in this quiz "
           "(Shift+9 and Shift+0 type the digits)"),
    ("+", "'+' can be typed only on the numeric keypad"),
]


class BuildError(Exception):
    """Problems that stop the build; each entry is one line for the user."""

    def __init__(self, lines):
        super().__init__("\n".join(lines))
        self.lines = list(lines)


Molecule = collections.namedtuple("Molecule", "row name smiles klass mol")


# ---------------------------------------------------------------- reading --

def read_csv(path):
    """Rows of the CSV as (line number, name, smiles, class)."""
    try:
        with open(path, newline="", encoding="utf-8-sig") as f:
            reader = csv.DictReader(f)
            fields = [h.strip().lower() for h in (reader.fieldnames or [])]
            missing = [c for c in ("name", "smiles") if c not in fields]
            if missing:
                raise BuildError([f"{path}: the header row needs the column(s) "
                                  f"{', '.join(missing)} (found: {', '.join(fields) or 'nothing'})"])
            reader.fieldnames = fields
            rows, errors = [], []
            for record in reader:
                values = [v for v in record.values() if isinstance(v, str)]
                if not any(v.strip() for v in values):
                    continue  # blank line
                if any(v.strip() for v in record.get(None) or []):
                    errors.append(f"line {reader.line_num} has more fields than the header; "
                                  "a name with a comma needs double quotes, as in "
                                  '"1,2-dichloroethane"')
                    continue
                rows.append((reader.line_num, record.get("name") or "",
                             (record.get("smiles") or "").strip(),
                             (record.get("class") or "").strip()))
            if errors:
                raise BuildError(errors)
            return rows
    except OSError as e:
        raise BuildError([f"cannot read {path}: {e.strerror}"])
    except UnicodeDecodeError:
        raise BuildError([f"{path} is not UTF-8 text"])


# ------------------------------------------------------------ name checks --

def name_problems(name):
    """Why the quiz cannot use `name`, or an empty list."""
    if name == "":
        return ["the name is empty"]
    problems = []
    bad = sorted(set(c for c in name if c not in TYPEABLE))
    if bad:
        shown = " ".join(repr(c) for c in bad)
        problems.append(f"contains {shown}, which cannot be typed in the quiz "
                        "(only a-z, A-Z, 0-9, space and ( ) + , - . / can)")
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


def name_warnings(name):
    return [warning for chars, warning in AWKWARD if set(chars) & set(name)]


def check_names(rows):
    """Errors and warnings about the names, one line each."""
    errors, warnings = [], []
    if not rows:
        errors.append("the CSV lists no molecules")
    if len(rows) > MAX_MOLECULES:
        errors.append(f"the CSV lists {len(rows)} molecules; the quiz holds at most "
                      f"{MAX_MOLECULES}")
    seen = {}
    for line, name, _, _ in rows:
        for problem in name_problems(name):
            errors.append(f'line {line}: "{name}" {problem}'
                          if name else f"line {line}: {problem}")
        for warning in name_warnings(name):
            warnings.append(f'line {line}: "{name}": {warning}')
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
        for line, name, smiles, klass in rows:
            mol = Chem.MolFromSmiles(smiles) if smiles else None
            if mol is None or mol.GetNumAtoms() == 0:
                what = f"SMILES '{smiles}' cannot be read" if smiles else "has no SMILES"
                errors.append(f'line {line}: "{name}": {what}')
            else:
                molecules.append(Molecule(line, name, smiles, klass, mol))
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


def verify_structures(molecules, jar=OPSIN_JAR):
    """Lines for every name that does not describe its molecule, and for
    molecules listed twice under different names."""
    errors = []
    named = opsin_structures([m.name for m in molecules], jar)
    readable = [n for n in named if n is not None]
    keys = inchikeys([m.mol for m in molecules] + readable)
    given_keys, named_keys = keys[:len(molecules)], iter(keys[len(molecules):])
    first_with_key = {}
    for m, key, name_mol in zip(molecules, given_keys, named):
        if key is None:
            errors.append(f'line {m.row}: "{m.name}": InChI cannot describe its SMILES ({m.smiles})')
            continue
        if key in first_with_key:
            errors.append(f'line {m.row}: "{m.name}" is the same molecule as '
                          f'"{first_with_key[key]}"')
        else:
            first_with_key[key] = m.name
        if name_mol is None:
            errors.append(f'line {m.row}: "{m.name}": OPSIN cannot read this name')
            continue
        name_key = next(named_keys)
        # The first block of the InChIKey encodes the constitution, not stereo.
        if name_key is None or name_key.split("-")[0] != key.split("-")[0]:
            errors.append(f'line {m.row}: "{m.name}": the name describes '
                          f"{Chem.MolToSmiles(name_mol)}, not the SMILES given ({m.smiles})")
    return errors


# ---------------------------------------------------------------- writing --

def list_file_text(names):
    return f"{len(names)}\n" + "".join(n + "\n" for n in names)


def bmp_bytes(image):
    buffer = io.BytesIO()
    image.save(buffer, format="BMP")
    return buffer.getvalue()


def render(molecules, naming_rule):
    """Every output file's bytes, by file name."""
    files = {LIST_FILE: list_file_text([m.name for m in molecules]).encode("ascii")}
    for name, picture in quizart.fixed_screens(naming_rule).items():
        files[name] = bmp_bytes(picture)
    for m in molecules:
        files[m.name + ".bmp"] = bmp_bytes(quizart.molecule_picture(m.mol))
    return files


def stale_pictures(out_dir, keep):
    """Pictures left in a quiz folder by an earlier list."""
    if not os.path.isfile(os.path.join(out_dir, LIST_FILE)):
        return []   # not a quiz folder: leave its files alone
    return sorted(f for f in os.listdir(out_dir)
                  if f.endswith(".bmp") and f not in keep
                  and os.path.isfile(os.path.join(out_dir, f)))


def write_quiz(out_dir, files):
    os.makedirs(out_dir, exist_ok=True)
    removed = stale_pictures(out_dir, files)
    for f in removed:
        os.remove(os.path.join(out_dir, f))
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return removed


# ------------------------------------------------------------------- main --

def build(csv_path, out_dir, naming_rule=None, jar=OPSIN_JAR, log=print, warn=None):
    """Check the CSV and write the quiz. Raises BuildError when refused."""
    warn = warn or (lambda line: print("warning: " + line, file=sys.stderr))
    rows = read_csv(csv_path)
    errors, warnings = check_names(rows)
    smiles_errors, molecules = parse_molecules(rows)
    errors += smiles_errors
    if errors:
        raise BuildError(errors)
    for line in warnings:
        warn(line)
    errors = verify_structures(molecules, jar)
    if errors:
        raise BuildError(errors)

    if naming_rule is None:
        all_lower = all(m.name == m.name.lower() for m in molecules)
        naming_rule = quizart.DEFAULT_NAMING_RULE if all_lower else quizart.EXACT_NAMING_RULE
    files = render(molecules, naming_rule)
    removed = write_quiz(out_dir, files)
    for f in removed:
        log(f"removed {os.path.join(out_dir, f)} (no molecule of that name now)")
    classes = collections.Counter(m.klass or "unclassed" for m in molecules)
    summary = ", ".join(f"{k} {n}" for k, n in sorted(classes.items()))
    log(f"{len(molecules)} molecules written to {out_dir} ({summary})")
    return molecules


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Build a Molvane quiz data folder from a CSV of molecules "
                    "(columns: name, smiles, optional class).")
    parser.add_argument("csv", help="the molecule CSV")
    parser.add_argument("out_dir", nargs="?", default="data",
                        help="data folder to write (default: ./data)")
    parser.add_argument("--naming-rule", metavar="TEXT",
                        help="the naming instruction shown on the home screen")
    args = parser.parse_args(argv)
    if args.naming_rule is not None and not 0 < len(args.naming_rule) <= 120:
        parser.error("--naming-rule must be 1 to 120 characters, to fit the home screen")
    try:
        build(args.csv, args.out_dir, args.naming_rule)
    except BuildError as e:
        for line in e.lines:
            print("error: " + line, file=sys.stderr)
        print("no files written", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
