#!/usr/bin/env python3
"""The string generator's checks: each broken pair of text files stops the
build with its reason, and a sound pair gives both outputs."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

GENERATOR = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else \
    Path(__file__).resolve().parents[2] / "resources" / "gen_strings.py"

ENGLISH = '1000  Greeting  "Hello %s"\n1001  Farewell  "Bye"\n57344  AppTitle  "Title"\n'
FRENCH = '1000  "Bonjour %s"\n1001  "Salut"\n'


def run(english, french):
    with tempfile.TemporaryDirectory() as folder:
        root = Path(folder)
        (root / "en.txt").write_text(english, encoding="utf-8")
        (root / "fr.txt").write_text(french, encoding="utf-8")
        rc, header = root / "out" / "Strings.rc", root / "out" / "resources" / "TextIds.h"
        done = subprocess.run([sys.executable, str(GENERATOR), str(root), str(rc), str(header)],
                              capture_output=True, text=True)
        outputs = (rc.read_text(encoding="utf-8"), header.read_text(encoding="utf-8")) \
            if done.returncode == 0 else None
        return done, outputs


class Generator(unittest.TestCase):
    def test_sound_files_give_the_table_and_the_names(self):
        done, outputs = run(ENGLISH, FRENCH)
        self.assertEqual(done.returncode, 0, done.stderr)
        table, header = outputs
        self.assertIn('  2000, "Bonjour %s"', table)
        self.assertIn('  57344, "Title"', table)
        self.assertIn("constexpr uint32_t kGreeting = 1000;", header)
        self.assertIn("constexpr uint32_t kAppTitle = 57344;", header)

    def test_broken_files_stop_the_build_with_the_reason(self):
        cases = [
            ("English text without a name", '1000  "Hello %s"\n', FRENCH, "expected"),
            ("name given twice", '1000  Greeting  "Hello %s"\n1001  Greeting  "Bye"\n', FRENCH,
             "name Greeting given twice"),
            ("name starting in lower case", '1000  greeting  "Hello %s"\n', "", "expected"),
            ("id given twice", '1000  Greeting  "Hello %s"\n1000  Farewell  "Bye"\n', "",
             "id 1000 given twice"),
            ("translation with a name", ENGLISH, '1000  Greeting  "Bonjour %s"\n', "expected"),
            ("translation changes a directive", ENGLISH, '1000  "Bonjour %d"\n', "directives"),
            ("translation drops a directive", ENGLISH, '1000  "Bonjour"\n', "directives"),
            ("translation of a text English lacks", ENGLISH, '1002  "Encore"\n',
             "no English text"),
        ]
        for what, english, french, reason in cases:
            with self.subTest(what):
                done, _ = run(english, french)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(reason, done.stderr)


if __name__ == "__main__":
    unittest.main()
