"""The naming styles of the bank, and the `us` name made from the `iupac` one.

US courses write the locants of the suffix and of -ene/-yne before the parent
(2-propanol, 1-butene, 2-methyl-2-propanol), as the 1979 rules and Chemical Abstracts
do, and keep a few common names (acetone, diethyl ether, chloroform). Everything else
about their names is the preferred IUPAC name's, so the `us` name is derived from it.
"""

import re

STYLES = ("uk", "iupac", "us")
DEFAULT_STYLE = "uk"

# One line on each style, for lists, and the home screen's instruction.
DESCRIPTIONS = {
    "uk": "UK, IB and Australian exam boards: propan-2-ol, ethanoic acid, propanone",
    "iupac": "IUPAC 2013 preferred names: propan-2-ol, acetic acid, propan-2-one",
    "us": "US courses: 2-propanol, acetic acid, acetone",
}
NAMING_RULES = {
    "uk": "Type the name as your exam board writes it, like propan-2-ol or ethanoic acid, "
          "then press Enter.",
    "iupac": "Type the preferred IUPAC name, like propan-2-one or acetic acid, then press "
             "Enter.",
    "us": "Type the name as US courses write it, like 2-propanol or acetone, then press "
          "Enter.",
}

# Common names US courses teach in place of the preferred IUPAC name.
US_COMMON_NAMES = {
    "propan-2-one": "acetone",
    "ethoxyethane": "diethyl ether",
    "methoxymethane": "dimethyl ether",
    "methoxyethane": "ethyl methyl ether",
    "trichloromethane": "chloroform",
    "oxolane": "tetrahydrofuran",
}
# A secondary or tertiary amine whose groups are all alike: N-propylpropan-1-amine and
# N,N-dipropylpropan-1-amine are dipropylamine and tripropylamine, N-phenylaniline is
# diphenylamine.
ALIKE_AMINE = re.compile(r"N-(?P<group>[a-z]+)yl(?P=group)an(?:-1-)?amine"
                         r"|N,N-di(?P<group3>[a-z]+)yl(?P=group3)an(?:-1-)?amine"
                         r"|N-(?P<aryl>phen)ylaniline|N,N-di(?P<aryl3>phen)ylaniline")

# The parents whose locants move: chains by their number of carbons, and rings.
PARENT_ROOTS = sorted(
    ["meth", "eth", "prop", "but", "pent", "hex", "hept", "oct", "non", "dec", "undec",
     "dodec", "benzen", "naphthalen", "pyridin", "pyrrolidin", "piperidin", "pyrrol",
     "furan", "thiophen", "oxolan", "oxan", "thiolan", "pyrimidin", "imidazol",
     "pyrazol", "morpholin", "piperazin"], key=len, reverse=True)
ROOT = re.compile("(?:cyclo)?(?:" + "|".join(PARENT_ROOTS) + ")")
# A parent with its locants after it: letters, then -2- or -1,3-, then more letters.
LOCANTS_AFTER_PARENT = re.compile(r"([a-z]+)-(\d+(?:,\d+)*)-(?=[a-z])")
STEREO = re.compile(r"\((\d+[EZ](?:,\d+[EZ])*)\)-")


def parent_start(letters):
    """Where the parent begins in a run of letters such as "methylpropan": the last root
    that does not lie inside an earlier one ("undecan" is one root, not un + decan).
    None when the letters hold no parent, as in the prefix "chloro"."""
    start, at = None, 0
    while at < len(letters):
        match = ROOT.match(letters, at)
        if match:
            start, at = at, match.end()
        else:
            at += 1
    return start


def locants_before_parent(name):
    """`name` with the first group of locants after its parent moved before the parent:
    propan-2-ol -> 2-propanol, 2-methylbut-3-en-2-ol -> 2-methyl-3-buten-2-ol."""
    for match in LOCANTS_AFTER_PARENT.finditer(name):
        start = parent_start(match.group(1))
        # Locants before another parent belong to a prefix, as in 2-methoxy-2-methylpropane.
        numbered = name[match.end():].split("-")[0]
        if start is not None and not ROOT.search(numbered):
            return moved(name, match, start)
    return name


def moved(name, match, start):
    """`name` with the locants of `match` before its parent, which begins at `start` of
    the match's letters."""
    letters, locants = match.group(1), match.group(2)
    prefix, parent = letters[:start], letters[start:]
    rest = name[match.end():]
    if parent in ("prop", "propa") and locants == "1" and rest in ("ene", "yne"):
        return name[:match.start()] + prefix + parent + rest     # propene, 2-methylpropene
    if locants == "1" and (parent == "ethan" or parent.startswith("cyclo")):
        return name[:match.start()] + prefix + parent + rest     # 2-aminoethanol
    joined = f"{prefix}-{locants}-" if prefix else f"{locants}-"
    return name[:match.start()] + joined + parent + rest


def us_name(iupac):
    """The `us` name of the molecule whose preferred IUPAC name is `iupac`."""
    if iupac in US_COMMON_NAMES:
        return US_COMMON_NAMES[iupac]
    alike = ALIKE_AMINE.fullmatch(iupac)
    if alike:
        two = alike.group("group") or alike.group("aryl")
        return f"di{two}ylamine" if two else f"tri{alike.group('group3') or alike.group('aryl3')}ylamine"
    stereo = STEREO.match(iupac)
    if stereo:
        descriptors = stereo.group(1).split(",")
        shown = (descriptors[0].lstrip("0123456789") if len(descriptors) == 1
                 else ",".join(descriptors))
        return f"({shown})-" + us_name(iupac[stereo.end():])
    return " ".join(locants_before_parent(word) for word in iupac.split(" "))
