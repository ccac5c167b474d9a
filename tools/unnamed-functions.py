#!/usr/bin/env python3
"""Lists the functions of src/ that nothing names, so dead code is easy to find.

    tools/unnamed-functions.py               functions no code names at all
    tools/unnamed-functions.py --tests-only  functions only tests name (no code of src/, fuzz/,
                                             bench/ or tools/ does)

Every function and member function declared or defined under src/ (found by universal-ctags,
which tools/install-deps.sh installs) is looked up by its bare name in the code of src/, tests/,
fuzz/, bench/ and tools/, comments left out. A name counts as named when it occurs anywhere other
than in a declaration or definition of a function of that name (a definition's whole body
included, so a function that only calls itself is still listed). The match is by name, not by
type: a function that shares its name with a used one is not listed. Overrides (declared
`override`) are reached through their base and are never listed themselves; a virtual nothing
calls shows as its base declaration. Constructors, destructors, operators and main are left out.

Prints one function a line, "file:line  Scope::Name", with "(declared, never defined)" where
src/ holds no definition and "(pure virtual)" for an interface slot; exits 0 whether or not it
lists anything, 2 when ctags is missing or an argument is not known.
"""
import collections
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEARCHED = ["src", "tests", "fuzz", "bench", "tools"]
CODE = (".c", ".cc", ".cpp", ".h", ".hpp")
SCRIPTS = (".py", ".sh", ".bash")

# Strings stay (a name reached through a string still counts); comments go. Raw strings first,
# so a quote inside one does not open a string.
C_TOKENS = re.compile(r'(?:u8|u|U|L)?R"([^(\s]*)\(.*?\)\1"'   # raw string
                      r'|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\''  # string, character
                      r'|//[^\n]*|/\*.*?\*/', re.S)                     # comments
IDENTIFIER = re.compile(r"[A-Za-z_]\w*")


def without_comments(path, text):
    if path.endswith(SCRIPTS):
        return re.sub(r"(?m)^\s*#.*$", "", text)
    # A comment becomes as many newlines as it spanned, so line numbers still match ctags'.
    def blank(match):
        found = match.group(0)
        return "\n" * found.count("\n") if found.startswith("/") else found
    return C_TOKENS.sub(blank, text)


def functions_of_src():
    if not shutil.which("ctags"):
        sys.stderr.write("unnamed-functions: ctags is missing: install universal-ctags "
                         "(tools/install-deps.sh installs it)\n")
        sys.exit(2)
    # Definitions (f) and declarations (p), with their last line and their properties (virtual,
    # pure, override).
    command = ["ctags", "-R", "--languages=C++", "--langmap=C++:+.h", "--kinds-C++=fp",
               "--extras=-F", "--fields=+neKS", "--fields-C++=+{properties}",
               "--output-format=json", "-o", "-", "src"]
    output = subprocess.run(command, cwd=ROOT, check=True, capture_output=True, text=True).stdout
    tags = [json.loads(line) for line in output.splitlines() if line.startswith("{")]
    return [t for t in tags if t.get("_type") == "tag"]


def is_special(tag):
    name, scope = tag["name"], tag.get("scope", "")
    return (name == "main" or name.startswith(("~", "operator"))
            or name == scope.rsplit("::", 1)[-1])


def main():
    if sys.argv[1:] not in ([], ["--tests-only"]):
        sys.stderr.write(__doc__)
        sys.exit(2)
    tests_only = sys.argv[1:] == ["--tests-only"]
    tags = [t for t in functions_of_src() if not is_special(t)]

    # Where each name is declared or defined: (path, first line, last line).
    own_lines = collections.defaultdict(list)
    for tag in tags:
        own_lines[tag["name"]].append((tag["path"], tag["line"], tag.get("end", tag["line"])))

    # Occurrences outside those places, counted apart for tests/ and for the rest.
    named_by_code, named_by_tests = set(), set()
    for top in SEARCHED:
        for folder, _, files in os.walk(os.path.join(ROOT, top)):
            for file in files:
                if not file.endswith(CODE + SCRIPTS):
                    continue
                path = os.path.relpath(os.path.join(folder, file), ROOT)
                with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
                    text = without_comments(path, f.read())
                for number, line in enumerate(text.split("\n"), 1):
                    for name in IDENTIFIER.findall(line):
                        if name not in own_lines:
                            continue
                        if any(p == path and first <= number <= last
                               for p, first, last in own_lines[name]):
                            continue
                        (named_by_tests if top == "tests" else named_by_code).add(name)

    def listed(name):
        return name not in named_by_code and (name in named_by_tests) == tests_only

    # One line per function (scope and name), at its first declaration.
    functions = collections.defaultdict(list)
    for tag in tags:
        if listed(tag["name"]):
            functions[(tag.get("scope", ""), tag["name"])].append(tag)
    rows = []
    for (scope, name), found in functions.items():
        if any("override" in t.get("properties", "") for t in found):
            continue
        first = min(found, key=lambda t: (not t["path"].endswith(".h"), t["path"], t["line"]))
        if any("pure" in t.get("properties", "") for t in found):
            note = "  (pure virtual)"
        elif not any(t["kind"] == "function" for t in found):
            note = "  (declared, never defined)"
        else:
            note = ""
        rows.append((first["path"], first["line"], (scope + "::" if scope else "") + name + note))
    for path, line, text in sorted(rows):
        print(f"{path}:{line}  {text}")


if __name__ == "__main__":
    main()
