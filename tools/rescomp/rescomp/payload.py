"""Payload statements: the typed values a chunk's body is made of.

Every value is little-endian, as the loaders read it. A four-character code is the 32-bit number
whose most significant byte is its first character, so on disk its characters come reversed.
"""

import os
import struct

from .lines import to_units
from .script import ScriptError, parse_code, parse_float, parse_integer, parse_text


def code_bytes(code):
    return struct.pack("<I", int.from_bytes(code.encode("ascii"), "big"))


def _integers(fmt, low, high, what):
    def build(tokens, context):
        return b"".join(struct.pack(fmt, parse_integer(token, low, high, what)) for token in tokens)
    return build


def _floats(tokens, context):
    data = b""
    for token in tokens:
        value = parse_float(token, "an f32 value")
        try:
            data += struct.pack("<f", value)
        except OverflowError:
            raise ScriptError(token.line, "%r does not fit a 32-bit float" % token.value)
    return data


def _codes(tokens, context):
    return b"".join(code_bytes(parse_code(token)) for token in tokens)


def _utf16(tokens, context):
    data = b""
    for token in tokens:
        units = to_units(parse_text(token, "a utf16 value"))
        data += struct.pack("<%dH" % len(units), *units)
    return data


def _hex(tokens, context):
    data = b""
    for token in tokens:
        digits = "".join(parse_text(token, "a hex value").split())
        try:
            data += bytes.fromhex(digits)
        except ValueError:
            raise ScriptError(token.line, "hex values are pairs of hexadecimal digits")
    return data


def _file(tokens, context):
    data = b""
    for token in tokens:
        path = os.path.join(context.folder, parse_text(token, "a file name"))
        try:
            with open(path, "rb") as source:
                data += source.read()
        except OSError as error:
            raise ScriptError(token.line, "cannot read %s: %s" % (path, error.strerror))
    return data


ITEMS = {
    "u8": _integers("<B", 0, 0xFF, "a u8 value"),
    "u16": _integers("<H", 0, 0xFFFF, "a u16 value"),
    "i16": _integers("<h", -0x8000, 0x7FFF, "an i16 value"),
    "u32": _integers("<I", 0, 0xFFFFFFFF, "a u32 value"),
    "i32": _integers("<i", -0x80000000, 0x7FFFFFFF, "an i32 value"),
    "f32": _floats,
    "code": _codes,
    "utf16": _utf16,
    "hex": _hex,
    "file": _file,
}


def _items(statement):
    """Splits one line into its items: a keyword takes the values up to the next keyword."""
    items = [(statement.keyword, statement.line, [])]
    for token in statement.args:
        if token.kind == "word" and token.value in ITEMS:
            items.append((token.value, token.line, []))
        else:
            items[-1][2].append(token)
    return items


def build_payload(statements, context):
    data = b""
    for statement in statements:
        if statement.has_body:
            raise ScriptError(statement.line, "a payload value has no body")
        for keyword, line, values in _items(statement):
            build = ITEMS.get(keyword)
            if build is None:
                raise ScriptError(line, "unknown payload value %r (known: %s)"
                                  % (keyword, ", ".join(sorted(ITEMS))))
            if not values:
                raise ScriptError(line, "%s needs at least one value" % keyword)
            data += build(values, context)
    return data
