"""Tests of the bank data the site tool writes for quizzes made in the browser
(tools/web_bank.py): every URL is one the catalogue's quizzes already have."""

import os
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import web_bank  # noqa: E402


def bank_row(id_, lesson, uk, iupac=None, us=None):
    return {"id": str(id_), "smiles": "C", "class": "x", "lesson": lesson, "uk": uk,
            "iupac": iupac or uk, "us": us or uk}


SHARED = {"background.bmp": "b" * 16, "correct.bmp": "c" * 16, "incorrect.bmp": "d" * 16,
          "last.bmp": "e" * 16, "nsecthck.ttf": "f" * 16}


class BankDataTest(unittest.TestCase):

    def test_urls_are_those_of_the_catalogue_and_molecules_by_id(self):
        records = [
            {"id": "mixed", "files": dict(SHARED, **{"propan-2-ol.bmp": "1" * 16}), "gzip": True},
            {"id": "alcohols", "files": dict(SHARED, **{"propan-2-ol.bmp": "1" * 16,
                                                       "2,2-dimethylpropan-1-ol.bmp": "2" * 16}),
             "gzip": True},
        ]
        lessons = [{"lesson": "alkanes", "level": "first-steps", "topic": "Alkanes"},
                   {"lesson": "alcohols", "level": "first-steps", "topic": "Alcohols"}]
        rows = [bank_row(9, "alcohols", "2,2-dimethylpropan-1-ol"),
                bank_row(4, "alcohols", "propan-2-ol", us="2-propanol"),
                bank_row(1, "alkanes", "butane")]  # a lesson the catalogue does not hold
        data = web_bank.bank_data(rows, lessons, records, "mixed")

        self.assertEqual(data["lessons"], [{"id": "alcohols", "level": "first-steps",
                                            "topic": "Alcohols"}])
        self.assertEqual(data["molecules"], [
            # A picture the mixed quiz shares has the mixed quiz's URL, as in catalogue.js.
            {"id": 4, "lesson": "alcohols",
             "names": {"uk": "propan-2-ol", "iupac": "propan-2-ol", "us": "2-propanol"},
             "picture": "quizzes/mixed/propan-2-ol.bmp?v=" + "1" * 16},
            {"id": 9, "lesson": "alcohols",
             "names": {style: "2,2-dimethylpropan-1-ol" for style in ("uk", "iupac", "us")},
             "picture": "quizzes/alcohols/2%2C2-dimethylpropan-1-ol.bmp?v=" + "2" * 16}])
        self.assertEqual(data["files"], {name: "quizzes/mixed/%s?v=%s" % (name, hash_)
                                         for name, hash_ in SHARED.items()})
        self.assertEqual(data["home"], {style: "bank/home-%s.bmp" % style
                                        for style in ("uk", "iupac", "us")})
        self.assertEqual([level["id"] for level in data["levels"]],
                         ["first-steps", "exam", "university"])
        self.assertEqual(sorted(data["styles"]), ["iupac", "uk", "us"])
        self.assertTrue(data["gzip"])


if __name__ == "__main__":
    unittest.main()
