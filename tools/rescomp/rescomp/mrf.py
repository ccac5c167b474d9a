"""The resource file: a version chunk, then one chunk per resource, with no file header.

Each chunk is: u32 type, u32 size of what follows the size field, u32 id, the name as a UTF-16
line, the payload. The version chunk has only type, size 4 and the version.
"""

import struct

from . import kinds, widgets
from .lines import Line, StreamReader, assemble
from .payload import code_bytes
from .script import ScriptError, expect_count, parse, parse_integer
from .lines import check_line_text

# Chunk offsets are kept as signed 32-bit numbers by the directory.
MAX_FILE_SIZE = 0x7FFFFFFF


class Context:
    def __init__(self, folder):
        self.folder = folder


def collect(statements, context):
    version = None
    chunks = []
    for statement in statements:
        if statement.keyword == "version":
            expect_count(statement, 1, "version N")
            if version is not None:
                raise ScriptError(statement.line, "the version is given twice (first on line %d)"
                                  % version[1])
            version = (parse_integer(statement.args[0], 1, 2, "the version"), statement.line)
            continue
        handler = kinds.STATEMENTS.get(statement.keyword)
        if handler is None:
            raise ScriptError(statement.line, "unknown statement %r (known: version, %s)"
                              % (statement.keyword, ", ".join(sorted(kinds.STATEMENTS))))
        chunk = handler(statement, context)
        check_line_text(chunk.name, chunk.line, "a resource name")
        chunks.append(chunk)
    _check_unique(chunks)
    widgets.check_references(chunks)
    return (version[0] if version else None), chunks


def _check_unique(chunks):
    by_key = {}
    by_name = {}
    for chunk in chunks:
        key = (chunk.code, chunk.id)
        if key in by_key:
            raise ScriptError(chunk.line, "'%s' %d is defined again (first on line %d): only the "
                              "first would ever be found" % (chunk.code, chunk.id, by_key[key]))
        by_key[key] = chunk.line
        # Some lookups match the name alone, whatever the type, so names are unique overall.
        if chunk.name:
            if chunk.name in by_name:
                raise ScriptError(chunk.line, "the name %r is used again (first on line %d)"
                                  % (chunk.name, by_name[chunk.name]))
            by_name[chunk.name] = chunk.line


def layout(version, chunks):
    segments = []
    if version is not None:
        segments.append(code_bytes("vers") + struct.pack("<II", 4, version))
    for chunk in chunks:
        name = Line(chunk.name)
        size = 4 + 2 * (len(name.units) + 1) + len(chunk.payload)
        if size > 0xFFFFFFFF:
            raise ScriptError(chunk.line, "the chunk is larger than 4 GB")
        segments.append(code_bytes(chunk.code) + struct.pack("<II", size, chunk.id))
        segments.append(name)
        segments.append(chunk.payload)
    data = assemble(segments)
    if len(data) > MAX_FILE_SIZE:
        raise ScriptError(chunks[-1].line if chunks else 1, "the resource file passes 2 GB")
    return data


def read_back(data):
    """Reads a resource file as the directory reader does: (version, [(type, id, name, payload)])."""
    stream = StreamReader(data)
    version = 1
    entries = []
    while not stream.at_end():
        code = stream.read_u32().to_bytes(4, "big").decode("latin-1")
        size = stream.read_u32()
        if code == "vers":
            version = stream.read_u32()
            continue
        after = stream.pos
        chunk_id = stream.read_u32()
        name = stream.read_name()
        payload_start = stream.pos
        if after + size > len(data) or payload_start > after + size:
            raise ValueError("the chunk '%s' %d does not fit its size" % (code, chunk_id))
        stream.seek(after + size)
        entries.append((code, chunk_id, name, data[payload_start:after + size]))
    return version, entries


def verify(data, version, chunks):
    """Proves that the loaders will read back exactly what the script says."""
    try:
        read_version, entries = read_back(data)
    except ValueError as error:
        raise ScriptError(1, "the written file does not read back: %s" % error)
    if read_version != (version or 1):
        raise ScriptError(1, "the version reads back as %d" % read_version)
    if len(entries) != len(chunks):
        raise ScriptError(1, "%d chunks read back instead of %d" % (len(entries), len(chunks)))
    for chunk, entry in zip(chunks, entries):
        if entry != (chunk.code, chunk.id, chunk.name, chunk.payload):
            raise ScriptError(chunk.line, "the chunk reads back differently: %r" % (entry[:3],))
        check = kinds.PAYLOAD_CHECKS.get(chunk.code)
        if check is not None:
            try:
                check(entry[3])
            except ValueError as error:
                raise ScriptError(chunk.line, "the '%s' payload would not load: %s"
                                  % (chunk.code, error))


def compile_resources(source, folder):
    version, chunks = collect(parse(source), Context(folder))
    data = layout(version, chunks)
    verify(data, version, chunks)
    return data
