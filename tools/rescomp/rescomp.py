#!/usr/bin/env python3
"""Compiles a resource script into a resource file (.mrf), or a string-table source into a string
table (.msf). See README.md beside this file for both languages."""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from rescomp.mrf import compile_resources  # noqa: E402
from rescomp.msf import compile_strings  # noqa: E402
from rescomp.script import ScriptError  # noqa: E402


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("kind", choices=["resources", "strings"])
    parser.add_argument("source")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args(argv)

    try:
        with open(args.source, encoding="utf-8") as source:
            text = source.read()
    except (OSError, UnicodeDecodeError) as error:
        print("%s: error: %s" % (args.source, error), file=sys.stderr)
        return 1
    try:
        if args.kind == "resources":
            data = compile_resources(text, os.path.dirname(os.path.abspath(args.source)))
        else:
            data = compile_strings(text)
    except ScriptError as error:
        print("%s:%d: error: %s" % (args.source, error.line, error.message), file=sys.stderr)
        return 1

    # Written beside the target and renamed, so a failed run never leaves half a file behind.
    temporary = args.output + ".part"
    with open(temporary, "wb") as output:
        output.write(data)
    os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
