#!/usr/bin/python3
"""Runs the README's pandas and R recipes, as a reader would copy them,
on a CSV file orbek-log made of a stream that lost a byte and had one added
within a record, and checks that they find the rows the file marks.

    readme_recipes.py ORBEK_LOG README.md
"""
import os
import re
import subprocess
import sys
import tempfile


def record(second, value):
    # pH with two places at 25.0 °C, 2017-05-18 08:09:SS.
    return bytes([0x82, 0x01, value & 0xFF, value >> 8, 0xFA, 0x00, 5, 17, 8, 18, second, 9])


def main():
    orbek_log, readme = sys.argv[1:3]
    text = open(readme, encoding="utf-8").read()
    python = re.search(r"```python\n(.*?)```", text, re.S).group(1)
    r = re.search(r"```r\n(.*?)```", text, re.S).group(1)
    with tempfile.TemporaryDirectory() as folder:
        stream = bytearray(b"".join(record(s, 690 + s) for s in range(40)))
        del stream[12 * 10 + 3]          # a byte lost: a reading lost
        stream[12 * 25 + 2:12 * 25 + 2] = b"\x42"  # a byte added: a row out of step
        stream += bytes([0] * 7 + [0xBB] + [0] * 4)
        capture = os.path.join(folder, "capture.bin")
        open(capture, "wb").write(stream)
        run = subprocess.run([orbek_log, "--decode", capture, "--output",
                              os.path.join(folder, "readings.csv"), "--sample", "S-1, batch 2"],
                             capture_output=True, text=True)
        if run.returncode != 10:
            sys.exit(f"orbek-log ended with {run.returncode}: {run.stderr}")
        checks = "\nprint(len(doubtful), len(lost), int(lost['Lost before'].sum()))\n"
        found = subprocess.run(["/usr/bin/python3", "-c", python + checks], cwd=folder,
                               capture_output=True, text=True)
        checks_r = '\ncat(nrow(doubtful), nrow(lost), sum(lost[["Lost before"]]), "\\n")\n'
        found_r = subprocess.run(["Rscript", "-e", r + checks_r], cwd=folder,
                                 capture_output=True, text=True)
    problems = []
    for name, result in (("pandas", found), ("R", found_r)):
        words = result.stdout.split()
        if result.returncode != 0 or len(words) != 3 or words[0] == "0" or words[1:] != ["1", "1"]:
            problems.append(f"{name}: {result.stdout!r} {result.stderr[-500:]!r}")
    if problems:
        sys.exit("\n".join(problems))


main()
