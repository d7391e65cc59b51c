#!/usr/bin/python3
"""Write the Molvane program icon, a 256x256 PNG, for desktop launchers.

    /usr/bin/python3 tools/make_icon.py OUTPUT.png [--size N]
"""

import argparse
import sys

import quizart


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write the Molvane icon as a PNG.")
    parser.add_argument("output", help="PNG file to write")
    parser.add_argument("--size", type=int, default=256, help="edge length in pixels (default 256)")
    args = parser.parse_args(argv)
    if not 16 <= args.size <= 1024:
        parser.error("--size must be between 16 and 1024")
    try:
        quizart.icon(args.size).save(args.output, format="PNG", optimize=True)
    except OSError as e:
        print(f"error: cannot write {args.output}: {e.strerror or e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
