#!/usr/bin/env python3
"""Checks the updater's string-table source: every language block complete, every text id that
the updater's code asks for present in each block, the two-field texts split, the session's failure
texts and the report texts present in every block with their values, and the demo product's
settings table holding the values the updater reads."""

import os
import re
import sys

root = sys.argv[1]
sys.path.insert(0, os.path.join(root, "tools", "rescomp"))
from rescomp.msf import collect  # noqa: E402
from rescomp.script import parse  # noqa: E402

BASE = 3000000000
FIRST = 4
BLOCK = 71
failures = []


def load(name):
    with open(os.path.join(root, "assets", name), encoding="utf-8") as source:
        return {entry_id: (entry_name, text) for entry_id, entry_name, text, _ in collect(parse(source.read()))}


texts = load("PNUpdater.mst")

# Blocks: block k holds the texts FIRST .. FIRST + 70 at BASE + 71 k; the session's failure texts
# have their own range from BASE + FAILURES, offset by the block in the same way.
FAILURES = 1000
BLOCKS_KNOWN = 10
blocks = sorted({(i - BASE - FIRST) // BLOCK for i in texts if BASE + FIRST <= i < BASE + FAILURES})
for i in texts:
    if BASE + FIRST + BLOCK * BLOCKS_KNOWN <= i < BASE + FAILURES:
        failures.append("text %d lies past the language blocks" % i)
for k in blocks:
    for n in range(FIRST, FIRST + BLOCK):
        entry = texts.get(BASE + BLOCK * k + n)
        if entry is None or entry[1] == "":
            failures.append("block %d has no text %d" % (k, n))
names = [texts.get(BASE + BLOCK * k + FIRST, ("", ""))[1] for k in blocks]
if len(set(names)) != len(names):
    failures.append("two blocks share a language name: %r" % names)
for expected in ["English", "Deutsch", "Français", "Español"]:
    if expected not in names:
        failures.append("no block for %s" % expected)
for unkeyed in [0, 1, 3, 6]:
    if BASE + unkeyed not in texts:
        failures.append("no untranslated text %d" % unkeyed)

# Every text the code asks for: translated ones through GetTranslatedText(n) or the window's
# string k (n = k + 4), untranslated ones through GetUntranslatedText(n); n is a number or one of
# the updater's text names, each of which names a text the code asks for.
translated = {8, 9, 15, 21, 37, 38, 39, 56, 71, 18, 20, 14, 51}
translated |= set(range(52, 56)) | set(range(60, 70))
translated |= {16, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 33, 34, 35, 36, 41, 42, 43, 44, 45, 46, 47, 48, 49, 73}
untranslated = {0, 1, 3, 6}
with open(os.path.join(root, "src", "updater", "PNUTexts.h"), encoding="utf-8") as source:
    enum = re.search(r"enum eUpdaterText : int32_t \{\n(.*?)\n\};", source.read(), re.S)
text_names = dict((name, int(n)) for name, n in re.findall(r"(kText\w+) = (\d+),", enum.group(1))) if enum else {}
if len(text_names) < 40:
    failures.append("the updater's text names were not found (%d)" % len(text_names))


def text_numbers(function, code):
    found = set()
    for n in re.findall(function + r"\((\w+)", code):
        if n.isdigit():
            found.add(int(n))
        elif n in text_names:
            found.add(text_names[n])
    return found


for folder, _, files in os.walk(os.path.join(root, "src")):
    for name in files:
        if not name.endswith((".cpp", ".h")):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as source:
            code = source.read()
        translated |= text_numbers("GetTranslatedText", code)
        untranslated |= text_numbers("GetUntranslatedText", code)
translated |= set(text_names.values()) - untranslated
for k in blocks:
    for n in sorted(translated):
        if BASE + BLOCK * k + n not in texts:
            failures.append("block %d lacks text %d, which the code uses" % (k, n))
    for n in (8, 9, 22):
        if "|" not in texts.get(BASE + BLOCK * k + n, ("", ""))[1]:
            failures.append("block %d: text %d needs two fields" % (k, n))
for n in sorted(untranslated):
    if BASE + n not in texts:
        failures.append("the untranslated text %d is missing" % n)

# The English block carries the engine's built-in English texts, so both read the same.
builtin = {
    52: "Unable to locate the download server - please check your Internet connection, or try again later!",
    53: "Found the location of the download server, but couldn't connect to it. Please check your Internet "
        "connection, or try again later!",
    54: "Received response from server, download is ready to begin.",
    55: "Server location found, now attempting to contact server.",
    60: "Update file received OK.",
    61: "Unknown fail reason, header not found",
    62: "-- An error occurred when trying to start the download: --",
    63: "Download couldn't be started!",
    64: "-- An error occurred during the download: --",
    65: "Download Failed!",
    66: "Looking up server...",
    67: "Connection failed during download.",
    68: "File received outside valid process",
    69: "Transfer error",
}
for n, text in builtin.items():
    if texts.get(BASE + n, ("", ""))[1] != text:
        failures.append("the English text %d differs from the built-in one" % n)

# The failure range: the session's failure texts, then the report texts. The English block reads
# as the code's built-in English tables, and every block has each text with as many values as the
# English one.
def builtin_table(path, name):
    with open(os.path.join(root, "src", "updater", path), encoding="utf-8") as source:
        table = re.search(name + r"\[[^]]*\] = \{\n(.*?)\n\};", source.read(), re.S)
    # One C string per line, each ending in a comma.
    found = [line.strip()[1:-2].replace('\\"', '"') for line in table.group(1).split("\n")] if table else []
    if not found:
        failures.append("the built-in texts %s were not found" % name)
    return found


patterns = builtin_table("transfer/CPNUHTTPSession.cpp", "kFailurePatterns")
if len(patterns) != 12:
    failures.append("the session has %d failure texts where the report texts expect 12" % len(patterns))
patterns += builtin_table("PNUReportTexts.cpp", "kReportPatterns")
if len(patterns) > BLOCK:
    failures.append("the failure range holds more than %d texts per block" % BLOCK)
for i, pattern in enumerate(patterns):
    if texts.get(BASE + FAILURES + i, ("", ""))[1] != pattern:
        failures.append("the English failure text %d differs from the built-in one" % i)
    for k in blocks:
        translated = texts.get(BASE + FAILURES + BLOCK * k + i, ("", ""))[1]
        if not translated:
            failures.append("block %d has no failure text %d" % (k, i))
        elif translated.count("%s") != pattern.count("%s"):
            failures.append("block %d: failure text %d has not the values of the English one" % (k, i))
for i in texts:
    if i >= BASE + FAILURES:
        k, i_in_block = divmod(i - BASE - FAILURES, BLOCK)
        if k not in blocks or i_in_block >= len(patterns):
            failures.append("text %d is in no known place of the failure range" % i)

settings = {name: text for name, text in load("system.mst").values()}
for key in ["Local_Current", "PBX_InternalBuildString", "PBX_Application", "PN2_Version"]:
    if not settings.get(key):
        failures.append("system.mst has no %s" % key)
if settings.get("Local_Current") not in names:
    failures.append("the demo product's language %r names no block" % settings.get("Local_Current"))
if "|" not in settings.get("PBX_InternalBuildString", ""):
    failures.append("PBX_InternalBuildString needs the form build|version")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
