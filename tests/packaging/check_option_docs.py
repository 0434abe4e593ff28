#!/usr/bin/env python3
"""Every long option of `kuvo-batch --help` is in the bash completion and in
both man pages, and neither names an option that --help no longer has.

usage: check_option_docs.py KUVO_BATCH COMPLETION MANPAGE...
"""
import os
import re
import subprocess
import sys

LONG_OPTION = re.compile(r"(?<![\w-])--[a-z][a-z0-9-]*")


def options_in(text):
    return set(LONG_OPTION.findall(text))


def man_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read().replace("\\-", "-")


def main():
    kuvo_batch, completion, *man_pages = sys.argv[1:]
    help_text = subprocess.run([kuvo_batch, "--help"], check=True, capture_output=True,
                               text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8")).stdout
    documented = options_in(help_text)
    if len(documented) < 20:
        sys.exit(f"--help lists only {sorted(documented)}: not the help text?")

    problems = []
    with open(completion, encoding="utf-8") as f:
        completed = options_in(f.read())
    problems += [f"{completion}: missing {o}" for o in sorted(documented - completed)]
    problems += [f"{completion}: {o} is not in --help" for o in sorted(completed - documented)]

    for page in man_pages:
        text = man_text(page)
        problems += [f"{page}: missing {o}" for o in sorted(documented - options_in(text))]
        # Option headings are the .B/.BI/.BR lines that follow .TP.
        headings = re.findall(r"^\.TP\n(\.B[IR]? .*)$", text, re.M)
        problems += [f"{page}: {o} is not in --help" for o in sorted(options_in("\n".join(headings)) - documented)]

    if problems:
        sys.exit("\n".join(problems))
    print(f"{len(documented)} options in the completion and {len(man_pages)} man pages")


if __name__ == "__main__":
    main()
