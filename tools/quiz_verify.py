"""Verifying names: OPSIN reads each name back into a structure, and InChI compares it
with the structure the row's SMILES gives."""

import os
import shutil
import subprocess
import tempfile

from rdkit import Chem, RDLogger
from rdkit.Chem import inchi as rdinchi

from quiz_rows import TRUST, BuildError

OPSIN_JAR = "/usr/share/java/opsin-cli.jar"


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
        # The first block of the InChIKey encodes the constitution, the second the stereo.
        if name_key is None or name_key.split("-")[0] != key.split("-")[0]:
            errors.append(f'line {m.row}: "{m.name}": the name describes '
                          f"{Chem.MolToSmiles(named[k])}, not the SMILES given ({m.smiles})")
        elif fixes_double_bond_geometry(m.mol) and name_key.split("-")[1] != key.split("-")[1]:
            errors.append(f'line {m.row}: "{m.name}": the name describes '
                          f"{Chem.MolToSmiles(named[k])}, not the E/Z isomer the SMILES gives "
                          f"({m.smiles})")
    return errors


def fixes_double_bond_geometry(mol):
    """Whether the SMILES of `mol` gives the geometry of a double bond (E or Z)."""
    return any(bond.GetStereo() != Chem.BondStereo.STEREONONE for bond in mol.GetBonds()
               if bond.GetBondType() == Chem.BondType.DOUBLE)


