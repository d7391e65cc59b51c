"""IUPAC names for SMILES from ChemOnomatopist, as scripts/install-namer unpacks it.

ChemOnomatopist reads one SMILES a line and prints "SMILES<TAB>name" on stdout for
each molecule it names, in input order; the molecules it cannot name go to stderr
instead. One run names the whole list, and the output is aligned with the input
by its SMILES column. Cautious mode (the default) makes it refuse the compounds it
supports only in part (esters, for one) rather than give a wrong name; the
--experimental switch lets it name them. Version 0.10.0 counts a nitrile's carbon
out of the chain all the same (CCC#N gives ethanenitrile), so check its names.

Usage: python3 tools/namer.py [--experimental] [FILE]   (SMILES a line; stdin when no FILE)
prints "SMILES<TAB>name" a line, with an empty name where it gives none.
"""

import os
import platform
import shutil
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_ROOT = os.path.join(REPO, "build-namer")
BATCH_TIMEOUT = 1800  # seconds for one run over a whole list
SINGLE_TIMEOUT = 60  # seconds for one molecule, when the batch run failed


def _command(root, cautious):
    """The argument list, environment and folder that run the unpacked ChemOnomatopist.

    Version 0.10.0 picks between equal choices in the order of hash keys made from
    memory addresses, and of random shuffles, so its names for a few molecules vary from
    run to run. Seeded, without address randomisation, from a fixed folder with a fixed
    environment, it lays out its memory the same way every time and so gives the same
    names wherever the project is.
    """
    tree = os.path.join(root or DEFAULT_ROOT, "root")
    env = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "PERL5LIB": "../share/perl5",
           "PERL_HASH_SEED": "0", "PERL_PERTURB_KEYS": "0"}
    # It also draws random numbers (Graph's shuffles): seed them.
    command = ["perl", "-e", 'srand 0; do "./chemonomatopist"; die $@ if $@', "--"]
    command += ["--cautious"] if cautious else []
    if shutil.which("setarch"):
        command = ["setarch", platform.machine(), "-R"] + command
    return command, env, os.path.join(tree, "usr", "bin")


def _run(smiles, root, cautious, timeout):
    """ChemOnomatopist's stdout for the SMILES, one a line; None when it failed or timed out."""
    command, env, folder = _command(root, cautious)
    try:
        done = subprocess.run(command, input="".join(s + "\n" for s in smiles).encode(),
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              env=env, cwd=folder, timeout=timeout)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def _align(smiles, output):
    """Names aligned with `smiles` (None where not named), or None when `output` does not fit."""
    result = [None] * len(smiles)
    at = 0
    for line in output.splitlines():
        given, _, name = line.partition("\t")
        while at < len(smiles) and smiles[at] != given:
            at += 1
        if at == len(smiles):
            return None
        result[at] = name.strip() or None
        at += 1
    return result


def _valid(smiles):
    """Whether the value can go to ChemOnomatopist as one line of input."""
    return isinstance(smiles, str) and smiles != "" and not any(c.isspace() for c in smiles)


def names(smiles_list, root=None, cautious=True):
    """The IUPAC name of each SMILES, in order, with None where ChemOnomatopist gives none."""
    smiles_list = [s.strip() if isinstance(s, str) else s for s in smiles_list]
    sent = [s for s in smiles_list if _valid(s)]
    output = _run(sent, root, cautious, BATCH_TIMEOUT) if sent else ""
    named = _align(sent, output) if output is not None else None
    if named is None and not available(root):
        named = [None] * len(sent)
    if named is None:  # the batch run broke down: one run per molecule instead
        named = []
        for s in sent:
            single = _run([s], root, cautious, SINGLE_TIMEOUT)
            named.append((_align([s], single) or [None])[0] if single is not None else None)
    by_smiles = iter(named)
    return [next(by_smiles) if _valid(s) else None for s in smiles_list]


def available(root=None):
    """Whether the unpacked ChemOnomatopist runs here (its files and Perl modules are found)."""
    command, env, folder = _command(root, False)
    if shutil.which("perl") is None or not os.path.isfile(os.path.join(folder, "chemonomatopist")):
        return False
    try:
        return subprocess.run(command + ["--version"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, env=env, cwd=folder,
                              timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def main(argv=None):
    """Prints "SMILES<TAB>name" for each SMILES line of the file named, or of stdin."""
    args = list(sys.argv[1:] if argv is None else argv)
    cautious = "--experimental" not in args
    args = [a for a in args if a != "--experimental"]
    if args:
        with open(args[0], encoding="utf-8") as f:
            lines = f.read().splitlines()
    else:
        lines = sys.stdin.read().splitlines()
    smiles = [line.strip() for line in lines if line.strip()]
    if not available():
        sys.exit("ChemOnomatopist is not unpacked: run scripts/install-namer")
    for s, name in zip(smiles, names(smiles, cautious=cautious)):
        print(f"{s}\t{name or ''}")


if __name__ == "__main__":
    main()
