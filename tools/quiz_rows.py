"""Reading a molecule table and checking its rows: the CSV itself, the names the quiz can
take, and the SMILES RDKit can read. Everything here reports problems as lines for the
user instead of stopping at the first."""

import collections
import contextlib
import csv
import re
import string
import sys

from rdkit import Chem, RDLogger

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


def refused(error):
    """Prints the problems of a refused build to standard error; returns the exit status."""
    for line in error.lines:
        print("error: " + line, file=sys.stderr)
    print("no files written", file=sys.stderr)
    return 1


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


# ----------------------------------------------------------- structures --

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

