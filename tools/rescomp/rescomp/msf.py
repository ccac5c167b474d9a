"""The string table: entries back to back, each u32 id, u32 value (0), name line, text line.

A source line is an id followed by the text, or by the name and then the text:

    3000000004 "English"
    17 "Local_Current" "English"
"""

import struct

from .lines import Line, StreamReader, assemble, check_line_text
from .script import ScriptError, Token, parse, parse_integer, parse_text


def collect(statements):
    entries = []
    by_id = {}
    by_name = {}
    for statement in statements:
        if statement.has_body or len(statement.args) not in (1, 2):
            raise ScriptError(statement.line, 'usage: id "text"  or  id "name" "text"')
        # The id is the statement's keyword: a number.
        entry_id = parse_integer(Token("word", statement.keyword, statement.line), 0, 0xFFFFFFFF,
                                 "a text id")
        if len(statement.args) == 2:
            name = parse_text(statement.args[0], "a name")
            text = parse_text(statement.args[1], "a text")
        else:
            name = ""
            text = parse_text(statement.args[0], "a text")
        check_line_text(name, statement.line, "a name")
        check_line_text(text, statement.line, "a text")
        # The loader keeps one entry per id (and per name when it keeps names): a second one
        # would silently replace the first.
        if entry_id in by_id:
            raise ScriptError(statement.line, "the id %d is used again (first on line %d)"
                              % (entry_id, by_id[entry_id]))
        by_id[entry_id] = statement.line
        if name:
            if name in by_name:
                raise ScriptError(statement.line, "the name %r is used again (first on line %d)"
                                  % (name, by_name[name]))
            by_name[name] = statement.line
        entries.append((entry_id, name, text, statement.line))
    return entries


def layout(entries):
    segments = []
    for entry_id, name, text, _ in entries:
        segments += [struct.pack("<II", entry_id, 0), Line(name), Line(text)]
    return assemble(segments)


def read_back(data):
    stream = StreamReader(data)
    entries = []
    while not stream.at_end():
        entry_id = stream.read_u32()
        stream.read_u32()
        name = stream.read_name()
        text = stream.read_name()
        entries.append((entry_id, name, text))
    return entries


def compile_strings(source):
    entries = collect(parse(source))
    data = layout(entries)
    try:
        read = read_back(data)
    except ValueError as error:
        raise ScriptError(1, "the written table does not read back: %s" % error)
    for (entry_id, name, text, line), back in zip(entries, read):
        if back != (entry_id, name, text):
            raise ScriptError(line, "the entry reads back differently: %r" % (back,))
    if len(read) != len(entries):
        raise ScriptError(1, "%d entries read back instead of %d" % (len(read), len(entries)))
    return data
