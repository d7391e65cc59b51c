"""Tests of the molecule bank (content/) and the lessons and quiz built from it."""

import os
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import bank_check  # noqa: E402
import bank_table  # noqa: E402
import bank_write  # noqa: E402
import namer  # noqa: E402
import namer_check  # noqa: E402
import naming_styles  # noqa: E402
import quiz_lessons  # noqa: E402
import quiz_verify  # noqa: E402
import quizorigin  # noqa: E402

CONTENT = os.path.join(ROOT, "content")
BANK = os.path.join(CONTENT, "bank.tsv")
LESSONS = os.path.join(ROOT, "lessons")


class BankTest(unittest.TestCase):
    """The bank as a whole: verified names, stable IDs, lessons of one sitting."""

    @classmethod
    def setUpClass(cls):
        cls.bank, cls.errors = bank_check.checked_bank(BANK, os.path.join(CONTENT, "lessons.tsv"))

    def test_every_name_of_every_style_is_verified(self):
        self.assertEqual(self.errors, [])
        self.assertEqual([e.id for e in self.bank.entries if e.trusted], [])

    def test_ids_keep_the_structures_they_were_shipped_with(self):
        shipped = {int(row["id"]): row["inchikey"] for _, row, _ in
                   bank_table.tsv_rows(os.path.join(CONTENT, "shipped.tsv"), ("id", "inchikey"))}
        pairs = [pair for group in self.bank.members.values() for pair in group]
        keys = quiz_verify.inchikeys([m.mol for _, m in pairs])
        for (e, _), key in zip(pairs, keys):
            self.assertEqual(shipped.get(e.id), key,
                             f"id {e.id} ({e.names['uk']}): add new ids to content/shipped.tsv; "
                             "a shipped id keeps its structure")

    def test_lessons_are_many_and_each_fits_one_sitting_at_every_level(self):
        self.assertGreaterEqual(len(self.bank.entries), 600)
        self.assertGreaterEqual(len(self.bank.lessons), 45)
        self.assertEqual({lesson.level for lesson in self.bank.lessons},
                         set(bank_table.LEVELS))
        for lesson in self.bank.lessons:
            for style in naming_styles.STYLES:
                names = [e.names[style] for e, _ in self.bank.members[lesson.id]]
                self.assertTrue(6 <= len(set(names)) == len(names) <= 15, (lesson, style))
            # Only keys a US keyboard lacks keep a lesson off the desktop in a style.
            self.assertIn("uk", self.bank.desktop_styles[lesson.id])

    def test_us_names_follow_from_the_iupac_names(self):
        for e in self.bank.entries:
            self.assertEqual(e.names["us"], naming_styles.us_name(e.names["iupac"]), e.id)

    def test_the_namer_disagrees_only_where_a_reason_is_recorded(self):
        self.assertTrue(namer.available(), "run scripts/install-namer")
        named = namer.names([e.smiles for e in self.bank.entries])
        recorded = namer_check.read_record(os.path.join(CONTENT, "namer.tsv"))
        self.assertEqual(namer_check.problems(self.bank.entries, named, recorded), [])

    def test_committed_lessons_are_the_bank_built(self):
        with open(os.path.join(LESSONS, "index.tsv"), encoding="utf-8") as f:
            self.assertEqual(f.read(), bank_write.index_text(self.bank))
        for lesson in self.bank.lessons:
            for style in naming_styles.STYLES:
                folder = os.path.join(LESSONS, style, lesson.id, "data")
                names = [e.names[style] for e, _ in self.bank.members[lesson.id]]
                with open(os.path.join(folder, quizorigin.LIST_FILE), encoding="ascii") as f:
                    self.assertEqual(f.read(), f"{len(names)}\n" + "".join(n + "\n" for n in names))
                for e, _ in self.bank.members[lesson.id]:
                    picture = os.path.join(folder, e.names[style] + ".bmp")
                    self.assertEqual(os.readlink(picture), f"../../../pictures/{e.id}.bmp")
        # The default quiz takes turns through the lessons.
        members = {lesson.id: bank_check.style_molecules(self.bank, lesson.id, "uk")
                   for lesson in self.bank.lessons}
        mixed = quiz_lessons.mixed_selection(
            members, [(lesson.id, lesson.topic) for lesson in self.bank.lessons], 20)
        with open(os.path.join(ROOT, "data", quizorigin.LIST_FILE), encoding="ascii") as f:
            self.assertEqual(f.read(), f"{len(mixed)}\n" + "".join(m.name + "\n" for m in mixed))
        pictures = os.listdir(os.path.join(LESSONS, "pictures"))
        self.assertEqual(len(pictures), len(self.bank.entries))
        sizes = [os.path.getsize(os.path.join(LESSONS, "pictures", p)) for p in pictures]
        self.assertLessEqual(sum(sizes) / len(sizes), 8 * 1024)


class UsNameTest(unittest.TestCase):
    """The `us` name: locants before the parent, and the common names."""

    def test_derived_names(self):
        for iupac, us in [("propan-2-ol", "2-propanol"), ("but-1-ene", "1-butene"),
                          ("2-methylpropan-2-ol", "2-methyl-2-propanol"),
                          ("buta-1,3-diene", "1,3-butadiene"), ("prop-1-ene", "propene"),
                          ("2-aminoethan-1-ol", "2-aminoethanol"),
                          ("3-methylcyclohexan-1-ol", "3-methylcyclohexanol"),
                          ("2-methylbut-3-en-2-ol", "2-methyl-3-buten-2-ol"),
                          ("undecan-2-one", "2-undecanone"),
                          ("2-methoxy-2-methylpropane", "2-methoxy-2-methylpropane"),
                          ("1-chloro-4-methylbenzene", "1-chloro-4-methylbenzene"),
                          ("N-methylpropan-2-amine", "N-methyl-2-propanamine"),
                          ("ethyl but-2-enoate", "ethyl 2-butenoate"),
                          ("(2E)-but-2-ene", "(E)-2-butene"),
                          ("(2E,4Z)-hexa-2,4-diene", "(2E,4Z)-2,4-hexadiene"),
                          ("propan-2-one", "acetone"), ("ethoxyethane", "diethyl ether"),
                          ("N-propylpropan-1-amine", "dipropylamine"),
                          ("N,N-dimethylethanamine", "N,N-dimethylethanamine")]:
            self.assertEqual(naming_styles.us_name(iupac), us)


if __name__ == "__main__":
    unittest.main()
