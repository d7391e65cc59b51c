"""The installed Molvane: its files, its launcher under Xvfb, and its Debian package.

    test_install.py --build BUILD_DIR [unittest arguments]

Every class installs (or packs) the build folder's current state into a temporary
folder of its own.
"""

import filecmp
import os
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


def bundled_files():
    """The bundled quiz's files that are installed (the font is linked, not copied)."""
    return sorted(name for name in os.listdir(os.path.join(SOURCE, "data"))
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

        data = self.path("share", "molvane", "data")
        names = bundled_files()
        self.assertIn(datagen.LIST_FILE, names)
        self.assertEqual(sorted(set(os.listdir(data)) - {datagen.FONT_FILE}), names)
        _, mismatch, errors = filecmp.cmpfiles(os.path.join(SOURCE, "data"), data, names,
                                               shallow=False)
        self.assertEqual((mismatch, errors), ([], []))

        font = os.path.join(data, datagen.FONT_FILE)
        self.assertTrue(filecmp.cmp(font, datagen.FONT, shallow=False))
        if os.path.exists(self.path("bin", "molvane-check")):
            command(self.path("bin", "molvane-check"), data)

    def test_desktop_entry_and_icon(self):
        entry = self.path("share", "applications", "molvane.desktop")
        self.assertNotRegex(command("desktop-file-validate", entry), "error|warning")
        with open(entry) as text:
            fields = dict(line.rstrip("\n").split("=", 1) for line in text if "=" in line)
        self.assertTrue(os.access(self.path("bin", fields["Exec"].split()[0]), os.X_OK))

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

    def launch_from(self, cwd):
        case = self

        class LauncherRun(harness.Run):
            def _spawn(self):
                with open(self.out_path, "wb") as out, \
                        open(os.path.join(case.workdir, "stderr.txt"), "ab") as err:
                    self.process = subprocess.Popen(
                        [case.launcher], cwd=cwd, env=self.x.env(),
                        stdin=subprocess.DEVNULL, stdout=out, stderr=err)

        run = LauncherRun(self.x, self.workdir)
        self.addCleanup(run.kill)
        return run.start()

    def assertQuizRuns(self, cwd, home_screen, quiz_dir):
        """The launcher started in `cwd` shows `home_screen` from `quiz_dir`, and quits."""
        run = self.launch_from(cwd)
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

    def assertBundledQuizRuns(self, cwd):
        quiz = os.path.join(self.prefix, "share", "molvane")
        with Image.open(os.path.join(quiz, "data", "Homescreen.bmp")) as picture:
            expected = picture.convert("RGB")
        self.assertQuizRuns(
            cwd, lambda image: image.size == expected.size and image.tobytes() == expected.tobytes(),
            quiz)

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

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_control_fields(self):
        field = lambda name: command("dpkg-deb", "-f", self.deb, name).strip()  # noqa: E731
        with open(os.path.join(BUILD, "CMakeCache.txt")) as cache:
            version = next(line.split("=", 1)[1].strip() for line in cache
                           if line.startswith("CMAKE_PROJECT_VERSION:"))
        self.assertEqual(field("Package"), "molvane")
        self.assertEqual(field("Version"), version + "-1")
        self.assertEqual(field("Architecture"), command("dpkg", "--print-architecture").strip())
        self.assertEqual(field("Section"), "games")
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
        listing = {}
        for line in command("dpkg-deb", "-c", self.deb).splitlines():
            mode, owner, _size, _date, _time, path = line.split(None, 5)
            listing[path.split(" -> ")[0]] = (mode, owner, path)
        self.assertTrue(all(owner == "root/root" for _, owner, _ in listing.values()))
        for path, mode in [("./usr/bin/molvane", "-rwxr-xr-x"),
                           ("./usr/libexec/molvane/molvane", "-rwxr-xr-x"),
                           ("./usr/share/molvane/" + LIST_FILE, "-rw-r--r--"),
                           ("./usr/share/applications/molvane.desktop", "-rw-r--r--"),
                           ("./usr/share/icons/hicolor/256x256/apps/molvane.png", "-rw-r--r--")]:
            self.assertIn(path, listing)
            self.assertEqual(listing[path][0], mode, path)
        font = listing["./usr/share/molvane/data/" + datagen.FONT_FILE]
        self.assertEqual(font[2].split(" -> ")[1], datagen.FONT)
        bundled = [path for path in listing
                   if path.startswith("./usr/share/molvane/data/") and not path.endswith("/")]
        self.assertEqual(len(bundled), len(bundled_files()) + 1)

    def test_unpacked_package_runs_from_root(self):
        self.assertBundledQuizRuns("/")


def main():
    global BUILD
    args = sys.argv[1:]
    if args[:1] != ["--build"] or len(args) < 2:
        sys.exit(__doc__)
    BUILD = os.path.abspath(args[1])
    unittest.main(module="__main__", argv=[sys.argv[0]] + args[2:], verbosity=2)


if __name__ == "__main__":
    main()
