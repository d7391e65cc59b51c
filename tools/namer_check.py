"""The second opinion on the bank's `iupac` names: ChemOnomatopist names every structure
from its SMILES, and each name that differs from ours is recorded with its reason in
content/namer.tsv (columns id, namer, reason; namer empty where it gives no name).

    /usr/bin/python3 tools/namer_check.py [--bank content/bank.tsv] [--record content/namer.tsv]

prints every difference that is not recorded as it is, and every recorded one that no
longer occurs, and exits with 1 when there is any.
"""

import argparse
import sys

import bank_table
import namer

RECORD_COLUMNS = ("id", "namer", "reason")


def read_record(path):
    """{id: (namer's name, reason)} of the recorded differences."""
    recorded = {}
    for _, row, _ in bank_table.tsv_rows(path, RECORD_COLUMNS):
        recorded[int(row["id"])] = (row["namer"], row["reason"].strip())
    return recorded


def differences(entries, named):
    """{id: the namer's name ("" for none)} where it differs from the `iupac` name."""
    return {e.id: got or "" for e, got in zip(entries, named) if got != e.names["iupac"]}


def problems(entries, named, recorded):
    """A line for each difference without its reason, and each reason without its
    difference."""
    found = differences(entries, named)
    keys = {e.id: e.names["iupac"] for e in entries}
    lines = []
    for number, got in sorted(found.items()):
        if number not in recorded:
            lines.append(f'id {number}: "{keys[number]}": the namer gives "{got}", and no '
                         "reason is recorded")
        elif recorded[number][0] != got:
            lines.append(f'id {number}: "{keys[number]}": the namer now gives "{got}", not '
                         f'the recorded "{recorded[number][0]}"')
        elif not recorded[number][1]:
            lines.append(f"id {number}: the recorded difference has no reason")
    for number in sorted(set(recorded) - set(found)):
        what = "agrees now" if number in keys else "is not in the bank"
        lines.append(f"id {number}: a difference is recorded, but the namer {what}")
    return lines


def record_text(entries, named, reasons):
    """The record of the differences, with the reasons in `reasons` by id."""
    rows = [RECORD_COLUMNS] + [(str(number), got, reasons.get(number, ""))
                               for number, got in sorted(differences(entries, named).items())]
    return "".join("\t".join(row) + "\n" for row in rows)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Compare the iupac names with the namer's.")
    parser.add_argument("--bank", default="content/bank.tsv")
    parser.add_argument("--record", default="content/namer.tsv")
    args = parser.parse_args(argv)
    if not namer.available():
        print("the namer is not installed: run scripts/install-namer", file=sys.stderr)
        return 1
    entries, errors = bank_table.read_bank(args.bank)
    lines = errors or problems(entries, namer.names([e.smiles for e in entries]),
                               read_record(args.record))
    for line in lines:
        print(line)
    return 1 if lines else 0


if __name__ == "__main__":
    sys.exit(main())
