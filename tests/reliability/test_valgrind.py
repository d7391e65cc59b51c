"""One whole quiz under Valgrind's memcheck: no invalid read or write, no definite leak.

The program is started through memcheck with --error-exitcode, so that any error it
finds changes the run's exit status from the program's 1. Memory that the program
leaves to the end of the process on purpose (the fixed pictures, the molecule
records) is still reachable then, and is not an error; definite leaks are, except
those inside the system libraries named in tests/sanitizers/valgrind.supp.

Usage: test_valgrind.py --binary PATH (a build without sanitizers) [unittest args]
"""

import glob
import os
import re
import shutil
import stat
import tempfile

import support
import datagen
import harness
from harness import expected_output

HERE = os.path.dirname(os.path.abspath(__file__))
SUPPRESSIONS = os.path.join(HERE, "..", "sanitizers", "valgrind.supp")
VALGRIND_ERROR = 86
# SDL draws through its software renderer: Mesa's llvmpipe, which SDL would otherwise
# draw with here, runs too slowly under memcheck to keep up with the events of a quiz.
SOFTWARE_RENDERING = {"SDL_RENDER_DRIVER": "software", "SDL_FRAMEBUFFER_ACCELERATION": "software",
                      "SDL12COMPAT_OPENGL_SCALING": "0"}
# Memcheck runs the program many times slower.
SLOW_DEADLINE = 60.0


class ValgrindQuizTest(support.ReliabilityCase):

    def setUp(self):
        if shutil.which("valgrind") is None:
            self.skipTest("valgrind is not installed")
        super().setUp()
        self.logs = tempfile.mkdtemp(prefix="molvane-valgrind-")
        self.addCleanup(shutil.rmtree, self.logs, ignore_errors=True)
        # The harness starts its binary with no arguments: give it memcheck instead.
        wrapper = os.path.join(self.logs, "molvane-under-memcheck")
        with open(wrapper, "w") as out:
            out.write("#!/bin/sh\nexec valgrind --tool=memcheck --error-exitcode=%d"
                      " --leak-check=full --show-leak-kinds=definite"
                      " --errors-for-leak-kinds=definite --keep-debuginfo=yes"
                      " --suppressions='%s' --log-file='%s/memcheck.%%p.log' '%s'\n"
                      % (VALGRIND_ERROR, os.path.abspath(SUPPRESSIONS), self.logs, harness.BINARY))
        os.chmod(wrapper, stat.S_IRWXU)
        self.binary, harness.BINARY = harness.BINARY, wrapper
        self.addCleanup(setattr, harness, "BINARY", self.binary)
        self.deadline, harness.DEADLINE = harness.DEADLINE, SLOW_DEADLINE
        self.addCleanup(setattr, harness, "DEADLINE", self.deadline)

    def memcheck_reports(self):
        reports = []
        for path in sorted(glob.glob(os.path.join(self.logs, "memcheck.*.log"))):
            with open(path, errors="replace") as log:
                reports.append(log.read())
        return "\n".join(reports)

    def test_whole_quiz(self):
        colours = self.make_data(["Ethanol", "Methane"])
        run = self.launch(env=SOFTWARE_RENDERING)
        run.wait_picture(datagen.HOME, "the home screen")
        run.key("space")
        first = datagen.name_of(colours, run.wait_question()[0])
        run.type_text("wrong")
        run.key("Return")
        run.wait_picture(datagen.INCORRECT, "the wrong-answer screen")
        run.key("space")
        run.wait_question(colours[first])
        run.type_text(first)
        run.key("Return")
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        run.key("space")
        second = datagen.name_of(colours, run.wait_question()[0])
        self.assertNotEqual(second, first)
        run.type_text(second)
        run.key("Return")
        run.wait_picture(datagen.LAST, "the closing screen")
        run.key("x")
        status, output = run.finish(SLOW_DEADLINE)
        reports = self.memcheck_reports()
        self.assertEqual(status, 1, "memcheck found errors:\n" + reports)
        self.assertEqual(output, expected_output())
        # Processes that SDL's libraries start (D-Bus's) are checked too.
        summaries = re.findall(r"ERROR SUMMARY: (\d+) errors", reports)
        self.assertTrue(summaries, reports)
        self.assertEqual(set(summaries), {"0"}, reports)


if __name__ == "__main__":
    support.main()
