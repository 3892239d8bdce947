#!/usr/bin/env python3
"""The README's fault table is made from the rows the end-to-end cases
declare (@fault_row in e2e_test.py, then cli_test.py, then hostile_test.py), in the order
of the cases.

  fault_table.py --check README.md   fails when the table has drifted from the
                                     cases, or a case declares no row
  fault_table.py --write README.md   writes the table into the README
"""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import cli_test  # noqa: E402  (neither needs Wine to be imported)
import e2e_test  # noqa: E402
import hostile_test  # noqa: E402

BEGIN = "<!-- fault table: begin -->"
END = "<!-- fault table: end -->"
HEADER = ["| Situation | Messages, in order | Afterwards |", "|---|---|---|"]


def cases():
    """(name, rows) of every end-to-end case, in the order they are written."""
    return [(name, getattr(member, "fault_rows", []))
            for suite in (e2e_test.EndToEnd, cli_test.CommandLine, hostile_test.HostilePc)
            for name, member in vars(suite).items() if name.startswith("test_")]


def table():
    lines = list(HEADER)
    for _, rows in cases():
        for row in rows:
            lines.append("| " + " | ".join(row) + " |")
    return lines


def split(readme):
    begin, end = readme.index(BEGIN), readme.index(END)
    return readme[:begin + len(BEGIN)], readme[begin + len(BEGIN):end], readme[end:]


def main():
    parser = argparse.ArgumentParser()
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--check", metavar="README")
    mode.add_argument("--write", metavar="README")
    args = parser.parse_args()
    path = Path(args.check or args.write)
    head, body, tail = split(path.read_text(encoding="utf-8"))
    wanted = "\n" + "\n".join(table()) + "\n"
    if args.write:
        path.write_text(head + wanted + tail, encoding="utf-8")
        return 0

    failures = ["case %s declares no row of the fault table" % name for name, rows in cases() if not rows]
    if body != wanted:
        have, want = body.strip("\n").split("\n"), wanted.strip("\n").split("\n")
        differences = ["missing from the README: " + line for line in want if line not in have]
        differences += ["in the README but no case declares it: " + line for line in have if line not in want]
        failures += differences or ["the README's rows are in another order than the cases"]
        failures.append("run: python3 tests/e2e/fault_table.py --write README.md")
    for failure in failures:
        print(failure)
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
