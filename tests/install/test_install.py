"""The installed Molvane: its files, its launcher under Xvfb, and its Debian package.

    test_install.py --build BUILD_DIR [unittest arguments]

Every class installs (or packs) the build folder's current state into a temporary
folder of its own.
"""

import filecmp
import glob
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import datagen  # noqa: E402
import harness  # noqa: E402

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = ""
LIST_FILE = "data/" + datagen.LIST_FILE


def command(*args):
    """Runs a command that must succeed; returns its output."""
    result = subprocess.run(list(args), capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (
            " ".join(args), result.returncode, result.stdout, result.stderr))
    return result.stdout


def install(prefix):
    command("cmake", "--install", BUILD, "--prefix", prefix)


def project_version():
    with open(os.path.join(BUILD, "CMakeCache.txt")) as cache:
        return next(line.split("=", 1)[1].strip() for line in cache
                    if line.startswith("CMAKE_PROJECT_VERSION:"))


LEVELS = {"first-steps": "First steps", "exam": "Exam level (A-level, AP, IB)",
          "university": "First-year university"}


def lessons():
    """(id, topic, count) of each row of lessons/index.tsv; none without an index."""
    return [(id_, topic, count) for id_, _, topic, count, _ in index_rows()]


def index_rows():
    """(id, level, topic, count, desktop styles) of each row of lessons/index.tsv."""
    index = os.path.join(SOURCE, "lessons", "index.tsv")
    if not os.path.exists(index):
        return []
    with open(index, encoding="utf-8") as rows:
        return [tuple(row.rstrip("\n").split("\t")) for row in rows][1:]


def lesson_lines():
    """What `molvane --lessons` prints for the lessons of the index: each level's heading,
    then its lessons, the topics lined up one space after the longest lesson name."""
    width = max((len(id_) for id_, _, _ in lessons()), default=0)
    lines, level = [], None
    for id_, this_level, topic, count, styles in index_rows():
        if this_level != level:
            lines.append(("\n" if level else "") + LEVELS[this_level] + "\n")
            level = this_level
        only = "" if styles == "uk iupac us" else "; styles: " + styles
        lines.append("  %-*s %s (%s %s%s)\n" % (width, id_, topic, count,
                                               "molecule" if count == "1" else "molecules", only))
    return "".join(lines)


def man_warnings(*args):
    """Renders a manual page with `man ARGS`; returns its text and warnings."""
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
    result = subprocess.run(["man", "--warnings"] + list(args), capture_output=True,
                            text=True, env=env, timeout=60)
    failed = "" if result.returncode == 0 else "exit status %d" % result.returncode
    return result.stdout, result.stderr + failed


def quiz_files(folder="data"):
    """A quiz folder's files that are installed (the font is linked, not copied)."""
    return sorted(name for name in os.listdir(os.path.join(SOURCE, folder))
                  if name.endswith(".bmp") or name == datagen.LIST_FILE)


class LayoutTest(unittest.TestCase):
    """What `cmake --install` puts under a prefix."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="molvane-install-")
        cls.prefix = os.path.join(cls.tmp, "pre fix")
        install(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_programs_and_bundled_quiz(self):
        self.assertTrue(os.access(self.path("bin", "molvane"), os.X_OK))
        with open(self.path("libexec", "molvane", "molvane"), "rb") as program:
            self.assertEqual(program.read(4), b"\x7fELF")
        self.assertTrue(os.access(self.path("libexec", "molvane", "molvane"), os.X_OK))
        # The checker ships whenever the build has it.
        self.assertEqual(os.access(self.path("bin", "molvane-check"), os.X_OK),
                         os.path.exists(os.path.join(BUILD, "molvane-check")))

        self.assertQuizInstalled("data", self.path("share", "molvane", "data"))
        if os.path.exists(self.path("bin", "molvane-check")):
            command(self.path("bin", "molvane-check"), self.path("share", "molvane", "data"))

    def assertQuizInstalled(self, source, data):
        """`data` holds the quiz files of the source folder and the linked font."""
        names = quiz_files(source)
        self.assertIn(datagen.LIST_FILE, names)
        self.assertEqual(sorted(set(os.listdir(data)) - {datagen.FONT_FILE}), names)
        _, mismatch, errors = filecmp.cmpfiles(os.path.join(SOURCE, source), data, names,
                                               shallow=False)
        self.assertEqual((mismatch, errors), ([], []))
        font = os.path.join(data, datagen.FONT_FILE)
        self.assertTrue(os.path.islink(font))
        self.assertTrue(filecmp.cmp(font, datagen.FONT, shallow=False))

    def test_lessons(self):
        # Each lesson of lessons/index.tsv is a quiz folder of its own in each style the
        # desktop plays; without an index nothing is installed for lessons.
        installed = self.path("share", "molvane", "lessons")
        if not lessons():
            self.assertFalse(os.path.exists(installed))
            return
        self.assertTrue(filecmp.cmp(os.path.join(SOURCE, "lessons", "index.tsv"),
                                    os.path.join(installed, "index.tsv"), shallow=False))
        self.assertEqual(sorted(os.listdir(installed)),
                         ["index.tsv", "iupac", "pictures", "screens", "uk", "us"])
        for id_, _, _, _, styles in index_rows():
            for style in ("uk", "iupac", "us"):
                folder = os.path.join(installed, style, id_)
                self.assertEqual(os.path.exists(folder), style in styles.split(), folder)
                if style in styles.split():
                    self.assertEqual(os.listdir(folder), ["data"])
                    self.assertQuizInstalled(os.path.join("lessons", style, id_, "data"),
                                             os.path.join(folder, "data"))
        # Each picture is stored once, and the folders link to it.
        pictures = os.listdir(os.path.join(installed, "pictures"))
        self.assertEqual(len(pictures), sum(int(count) for _, _, count in lessons()))
        sizes = [os.lstat(os.path.join(folder, name)).st_size
                 for folder, _, names in os.walk(self.path("share", "molvane")) for name in names]
        self.assertLessEqual(sum(sizes), 24 * 1024 * 1024, "the installed quiz data")

    def test_launcher_options(self):
        launcher = self.path("bin", "molvane")

        def run(*args):
            result = subprocess.run([launcher] + list(args), capture_output=True, text=True,
                                    cwd=self.tmp, timeout=30)
            return result.returncode, result.stdout, result.stderr

        self.assertEqual(run("--version"), (0, "molvane %s\n" % project_version(), ""))
        status, usage, err = run("--help")
        self.assertEqual((status, err), (0, ""))
        self.assertTrue(usage.startswith("usage: molvane "), usage)
        self.assertEqual(run("--lessons"), (0, lesson_lines(), ""))
        # An unknown lesson, or one too many arguments, runs nothing and exits with 2.
        status, out, err = run("no-such-lesson")
        self.assertEqual((status, out), (2, ""))
        first, _, rest = err.partition("\n")
        self.assertIn('"no-such-lesson"', first)
        self.assertEqual(rest, lesson_lines())
        self.assertEqual(run("--lessons", "--help")[0:2], (2, ""))

    def test_manual_pages(self):
        for page, section in [("molvane", "6"), ("molvane-check", "1")]:
            path = self.path("share", "man", "man" + section, "%s.%s.gz" % (page, section))
            with open(path, "rb") as packed:
                header = packed.read(10)
            # gzip -9n: no file name, no time stamp, best compression.
            self.assertEqual((header[3] & 0x08, header[4:8], header[8]), (0, bytes(4), 2), path)
            text, warnings = man_warnings("-l", path)
            self.assertEqual(warnings, "", path)
            self.assertIn("%s(%s)" % (page, section), text)
            self.assertIn("EXIT STATUS", text)

    def test_metainfo(self):
        [metainfo] = glob.glob(self.path("share", "metainfo", "*.metainfo.xml"))
        command("appstreamcli", "validate", "--no-net", metainfo)
        app_id = os.path.basename(metainfo)[:-len(".metainfo.xml")]
        with open(metainfo) as xml:
            text = xml.read()
        self.assertIn("<id>%s</id>" % app_id, text)
        self.assertTrue(os.path.exists(self.path("share", "applications", app_id + ".desktop")))
        # The screenshots are the README's.
        with open(os.path.join(SOURCE, "README.md")) as readme:
            shown = re.findall(r"!\[[^]]*\]\(docs/screenshots/([^)]+)\)", readme.read())
        listed = re.findall(r"<image>[^<]*/([^/<]+)</image>", text)
        self.assertTrue(listed)
        self.assertLessEqual(set(listed), set(shown))

    def test_desktop_entry_and_icon(self):
        [entry] = glob.glob(self.path("share", "applications", "*.desktop"))
        self.assertNotRegex(command("desktop-file-validate", entry), "error|warning")
        with open(entry) as text:
            groups = re.split(r"^\[(.*)\]\n", text.read(), flags=re.M)[1:]
        groups = {name: dict(line.split("=", 1) for line in body.splitlines() if "=" in line)
                  for name, body in zip(groups[::2], groups[1::2])}
        fields = groups.pop("Desktop Entry")
        self.assertTrue(os.access(self.path("bin", fields["Exec"].split()[0]), os.X_OK))
        # One action per lesson, in teaching order, that runs `molvane LESSON`.
        actions = [id_ for id_ in fields.get("Actions", "").split(";") if id_]
        self.assertEqual(actions, [id_ for id_, _, _ in lessons()])
        self.assertEqual(groups, {"Desktop Action " + id_: {"Name": topic,
                                                             "Exec": "molvane " + id_}
                                  for id_, topic, _ in lessons()})

        icons = self.path("share", "icons", "hicolor")
        found = [(size, os.path.join(icons, size, "apps", fields["Icon"] + ".png"))
                 for size in os.listdir(icons)]
        found = [(size, png) for size, png in found if os.path.exists(png)]
        self.assertTrue(found, "no icon named " + fields["Icon"])
        for size, png in found:
            with Image.open(png) as image:
                self.assertEqual(image.format, "PNG")
                self.assertEqual("%dx%d" % image.size, size)
                self.assertGreaterEqual(image.width, 128)

    def test_committed_icon_is_what_the_icon_tool_draws(self):
        # Remade with the build's molvane-icon target.
        drawn = os.path.join(self.tmp, "drawn.png")
        command(sys.executable, os.path.join(SOURCE, "tools", "make_icon.py"), drawn)
        with Image.open(drawn) as new, \
                Image.open(os.path.join(SOURCE, "packaging", "molvane.png")) as committed:
            self.assertEqual((committed.mode, committed.size), (new.mode, new.size))
            self.assertEqual(committed.tobytes(), new.tobytes())


class LauncherCase(harness.MolvaneCase):
    """Runs an installed launcher from a chosen folder under its own Xvfb."""

    launcher = None

    def setUp(self):
        harness.BINARY = self.launcher
        super().setUp()

    def launch_from(self, cwd, args=()):
        case = self

        class LauncherRun(harness.Run):
            def _spawn(self):
                with open(self.out_path, "wb") as out, \
                        open(os.path.join(case.workdir, "stderr.txt"), "ab") as err:
                    self.process = subprocess.Popen(
                        [case.launcher] + list(args), cwd=cwd, env=self.x.env(),
                        stdin=subprocess.DEVNULL, stdout=out, stderr=err)

        run = LauncherRun(self.x, self.workdir)
        self.addCleanup(run.kill)
        return run.start()

    def assertQuizRuns(self, cwd, home_screen, quiz_dir, args=()):
        """The launcher started in `cwd` shows `home_screen` from `quiz_dir`, and quits."""
        run = self.launch_from(cwd, args)
        try:
            run.wait_for(home_screen, "the home screen of " + quiz_dir)
            # The launcher has become the program (exec), running in the quiz's folder.
            pid = run.process.pid
            self.assertEqual(os.readlink("/proc/%d/exe" % pid), os.path.realpath(self.program))
            self.assertEqual(os.readlink("/proc/%d/cwd" % pid), os.path.realpath(quiz_dir))
            run.key("Escape")
            self.assertEnds(run, harness.expected_output())
        except AssertionError:
            with open(os.path.join(self.workdir, "stderr.txt")) as err:
                sys.stderr.write(err.read())
            raise

    def assertBundledQuizRuns(self, cwd, quiz=("share", "molvane"), args=()):
        quiz = os.path.join(self.prefix, *quiz)
        with Image.open(os.path.join(quiz, "data", "Homescreen.bmp")) as picture:
            expected = picture.convert("RGB")
        self.assertQuizRuns(
            cwd, lambda image: image.size == expected.size and image.tobytes() == expected.tobytes(),
            quiz, args)

    def assertOwnQuizRuns(self, folder):
        self.assertQuizRuns(folder, lambda image: image.getpixel((10, 10)) == datagen.HOME,
                            folder)


class InstalledLauncherTest(LauncherCase):
    """bin/molvane of a `cmake --install` into a prefix whose path has a space."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="molvane-launcher-")
        cls.prefix = os.path.join(cls.tmp, "pre fix")
        install(cls.prefix)
        cls.launcher = os.path.join(cls.prefix, "bin", "molvane")
        cls.program = os.path.join(cls.prefix, "libexec", "molvane", "molvane")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_bundled_quiz_from_root(self):
        self.assertFalse(os.path.exists("/" + LIST_FILE), "/ has a quiz of its own")
        self.assertBundledQuizRuns("/")

    def test_folder_with_its_own_quiz(self):
        self.make_data(["Ethanol"])
        self.assertOwnQuizRuns(self.workdir)

    def test_data_folder_without_list_is_not_a_quiz(self):
        self.make_data(["Ethanol"], omit=[datagen.LIST_FILE])
        self.assertBundledQuizRuns(self.workdir)

    def test_lesson_named_on_the_command_line(self):
        # The lesson asked for runs even where a quiz of the folder's own would.
        if not lessons():
            self.skipTest("no lessons/index.tsv")
        lesson = lessons()[0][0]
        self.make_data(["Ethanol"])
        self.assertBundledQuizRuns(self.workdir, ("share", "molvane", "lessons", "uk", lesson),
                                   [lesson])

    def test_lesson_in_another_style(self):
        # --style plays the same lesson from its folder of that style, which names the
        # molecules otherwise and shares the pictures.
        if not lessons():
            self.skipTest("no lessons/index.tsv")
        lesson = lessons()[0][0]
        self.assertBundledQuizRuns(self.workdir, ("share", "molvane", "lessons", "us", lesson),
                                   ["--style", "us", lesson])


class PackageTest(LauncherCase):
    """The Debian package made by `cpack -G DEB`."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="molvane-deb-")
        command("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                "-B", cls.tmp)
        debs = [name for name in os.listdir(cls.tmp) if name.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError("cpack made %s" % debs)
        cls.deb = os.path.join(cls.tmp, debs[0])
        cls.root = os.path.join(cls.tmp, "root")
        command("dpkg-deb", "-x", cls.deb, cls.root)
        cls.prefix = os.path.join(cls.root, "usr")
        cls.launcher = os.path.join(cls.prefix, "bin", "molvane")
        cls.program = os.path.join(cls.prefix, "libexec", "molvane", "molvane")
        # The font links are relative within /usr: give the unpacked tree the font that
        # fonts-dejavu-core puts there.
        font = cls.root + datagen.FONT
        os.makedirs(os.path.dirname(font))
        os.symlink(datagen.FONT, font)
        cls.listing = {}
        for line in command("dpkg-deb", "-c", cls.deb).splitlines():
            mode, owner, _size, _date, _time, path = line.split(None, 5)
            path, _, target = path.partition(" -> ")
            cls.listing[path[1:].rstrip("/") or "/"] = (mode, owner, target)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_control_fields(self):
        field = lambda name: command("dpkg-deb", "-f", self.deb, name).strip()  # noqa: E731
        self.assertEqual(field("Package"), "molvane")
        self.assertEqual(field("Version"), project_version() + "-1")
        self.assertEqual(field("Architecture"), command("dpkg", "--print-architecture").strip())
        self.assertEqual(field("Section"), "education")
        self.assertRegex(field("Maintainer"), r"^\S.* <[^@\s]+@[^@\s]+>$")
        summary, _, long_text = field("Description").partition("\n")
        self.assertTrue(summary and long_text.strip(), "short and long description")
        depends = [alternatives.split("|")
                   for alternatives in field("Depends").replace(" ", "").split(",")]
        names = [[package.split("(")[0] for package in group] for group in depends]
        self.assertIn(["libsdl1.2-compat-shim", "libsdl1.2debian"], names)
        self.assertIn(["libsdl-ttf2.0-0"], names)
        self.assertIn(["fonts-dejavu-core"], names)
        # This machine runs the program, so each dependency names a package it has.
        for group in names:
            statuses = [subprocess.run(["dpkg-query", "-W", "-f=${Status}", package],
                                       capture_output=True, text=True).stdout
                        for package in group]
            self.assertIn("install ok installed", statuses, "no package of %s" % group)

    def test_contents(self):
        self.assertTrue(all(owner == "root/root" for _, owner, _ in self.listing.values()))
        for path, mode in [("/usr/bin/molvane", "-rwxr-xr-x"),
                           ("/usr/libexec/molvane/molvane", "-rwxr-xr-x"),
                           ("/usr/share/molvane/" + LIST_FILE, "-rw-r--r--"),
                           ("/usr/share/doc/molvane/copyright", "-rw-r--r--"),
                           ("/usr/share/doc/molvane/changelog.Debian.gz", "-rw-r--r--"),
                           ("/usr/share/man/man6/molvane.6.gz", "-rw-r--r--"),
                           ("/usr/share/man/man1/molvane-check.1.gz", "-rw-r--r--"),
                           ("/usr/share/icons/hicolor/256x256/apps/molvane.png", "-rw-r--r--")]:
            self.assertIn(path, self.listing)
            self.assertEqual(self.listing[path][0], mode, path)
        # Every quiz's font is a relative link to DejaVu Sans.
        quizzes = ["/usr/share/molvane/data"] + (["/usr/share/molvane/lessons/screens"]
                                                 if lessons() else [])
        for quiz in quizzes:
            target = self.listing[quiz + "/" + datagen.FONT_FILE][2]
            self.assertFalse(os.path.isabs(target), target)
            self.assertEqual(os.path.normpath(os.path.join(quiz, target)), datagen.FONT)
        bundled = [path for path in self.listing if path.startswith("/usr/share/molvane/data/")]
        self.assertEqual(len(bundled), len(quiz_files()) + 1)
        with gzip.open(os.path.join(self.root, "usr/share/doc/molvane/changelog.Debian.gz"),
                       "rt") as changelog:
            self.assertTrue(changelog.readline().startswith(
                "molvane (%s-1) " % project_version()))

    def test_lintian_finds_no_error_or_warning(self):
        result = subprocess.run(["lintian", "--allow-root", "--fail-on", "error,warning",
                                 self.deb], capture_output=True, text=True, timeout=280)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_unpacked_package_runs_from_root(self):
        self.assertBundledQuizRuns("/")

    def test_apt_install_and_remove(self):
        if os.geteuid() != 0 or not shutil.which("apt-get"):
            self.skipTest("needs root and apt-get")
        if subprocess.run(["dpkg-query", "-W", "molvane"], capture_output=True).returncode == 0:
            self.skipTest("a molvane package is already installed here")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")

        def apt(*args):
            result = subprocess.run(["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=120"]
                                    + list(args), env=env, capture_output=True, text=True,
                                    timeout=240)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

        self.addCleanup(subprocess.run, ["apt-get", "-y", "-q", "purge", "molvane"], env=env,
                        capture_output=True)
        apt("install", self.deb)
        self.assertEqual(command("/usr/bin/molvane", "--version"),
                         "molvane %s\n" % project_version())
        self.assertEqual(command("man", "-w", "molvane").strip(),
                         "/usr/share/man/man6/molvane.6.gz")
        text, warnings = man_warnings("molvane")
        self.assertEqual(warnings, "")
        self.assertIn("molvane(6)", text)

        files = [path for path in self.listing if path.startswith("/usr/")]
        self.assertTrue(all(os.path.lexists(path) for path in files))
        apt("remove", "molvane")
        status = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status}", "molvane"],
                                capture_output=True, text=True).stdout
        self.assertIn(status, ["", "not-installed"])
        # Nothing of the package is left, its own folders included (the shared ones such
        # as /usr/bin stay); the font the links pointed to stays too.
        def shared(path):
            return self.listing[path][0][0] == "d" and "molvane" not in path

        self.assertEqual([path for path in files if os.path.lexists(path) and not shared(path)],
                         [])
        self.assertTrue(os.path.exists(datagen.FONT))


def main():
    global BUILD
    args = sys.argv[1:]
    if args[:1] != ["--build"] or len(args) < 2:
        sys.exit(__doc__)
    BUILD = os.path.abspath(args[1])
    unittest.main(module="__main__", argv=[sys.argv[0]] + args[2:], verbosity=2)


if __name__ == "__main__":
    main()
