"""Drawing: every file of a quiz folder as bytes, pictures in RLE8."""

import quizart
import rle8
from quiz_rows import LIST_FILE


def list_file_text(names):
    return f"{len(names)}\n" + "".join(n + "\n" for n in names)


class Renderer:
    """Every file of a quiz folder as bytes; pictures shared by several
    folders are drawn once."""

    def __init__(self):
        self.pictures = {}
        self.screens = None

    def molecule(self, m):
        if m.name not in self.pictures:
            self.pictures[m.name] = rle8.bmp_bytes(quizart.molecule_picture(m.mol))
        return self.pictures[m.name]

    def quiz(self, molecules, naming_rule=None, topic=None):
        """The files of one quiz folder, by file name."""
        if naming_rule is None:
            all_lower = all(m.name == m.name.lower() for m in molecules)
            naming_rule = quizart.DEFAULT_NAMING_RULE if all_lower else quizart.EXACT_NAMING_RULE
        if self.screens is None:
            self.screens = {name: rle8.bmp_bytes(picture)
                            for name, picture in quizart.shared_screens().items()}
        files = {LIST_FILE: list_file_text([m.name for m in molecules]).encode("ascii")}
        files["Homescreen.bmp"] = rle8.bmp_bytes(quizart.home_screen(naming_rule, topic))
        files.update(self.screens)
        for m in molecules:
            files[m.name + ".bmp"] = self.molecule(m)
        return files


