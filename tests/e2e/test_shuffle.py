"""The play order: a shuffle seeded with the start time in whole seconds.

The expected order is computed with the C library's own srand and rand, so the
test knows the order of any start second in advance. A run counts only when the
second before its launch equals the second after its home screen appeared: the
seed was taken between the two.
"""

import ctypes
import ctypes.util
import time

import datagen
import harness

libc = ctypes.CDLL(ctypes.util.find_library("c"))
libc.time.restype = ctypes.c_long
libc.time.argtypes = [ctypes.c_void_p]
libc.srand.argtypes = [ctypes.c_uint]

NAMES = ["Methane", "Ethane", "Propane", "Butane", "Pentane", "Hexane", "Heptane",
         "Octane", "Nonane", "Decane", "Ethanol", "Benzene"]
ATTEMPTS = 5


def now():
    return libc.time(None)


def play_order(seed):
    libc.srand(seed & 0xFFFFFFFF)
    order = list(NAMES)
    for i in range(len(order) - 1):
        j = i + libc.rand() % (len(order) - i)
        order[i], order[j] = order[j], order[i]
    return order


def wait_for_second(second):
    """Waits until the clock shows `second`; False when that second has passed."""
    deadline = time.monotonic() + (second - now()) + 2
    while now() < second and time.monotonic() < deadline:
        time.sleep(0.002)
    return now() == second


class ShuffleTest(harness.MolvaneCase):

    def setUp(self):
        super().setUp()
        self.colours = self.make_data(NAMES)

    def start_in(self, second):
        """Starts a run within `second`; returns it at its home screen, or None."""
        if not wait_for_second(second):
            return None
        run = self.launch()
        run.wait_picture(datagen.HOME, "the home screen")
        if now() != second:
            run.kill()
            return None
        return run

    def asked(self, run):
        colour, _ = run.wait_question()
        return datagen.name_of(self.colours, colour)

    def test_order_follows_start_second(self):
        # First run: the second after the current one, so the launch starts early in it.
        for _ in range(ATTEMPTS):
            first_second = now() + 1
            run = self.start_in(first_second)
            if run:
                break
        else:
            self.fail("no run started and reached its home screen within one second")
        expected = play_order(first_second)
        run.key("space")
        self.assertEqual(self.asked(run), expected[0])
        run.type_text(expected[0])
        run.key("Return")
        run.wait_picture(datagen.CORRECT, "the right-answer screen")
        run.key("space")
        self.assertEqual(self.asked(run), expected[1])
        run.key("Escape")
        self.assertEnds(run, harness.expected_output())

        # Second run: the next second whose order begins with another molecule.
        for _ in range(ATTEMPTS):
            second = now() + 1
            while play_order(second)[0] == expected[0]:
                second += 1
            run = self.start_in(second)
            if run:
                break
        else:
            self.fail("no run started and reached its home screen within one second")
        run.key("space")
        self.assertEqual(self.asked(run), play_order(second)[0])
        run.key("Escape")
        self.assertEnds(run, harness.expected_output())


if __name__ == "__main__":
    harness.main()
