"""The chunk kinds a resource script can hold, one entry per kind.

A kind adds a statement (its keyword and a handler that turns the statement into a Chunk) and,
when the loaders read its payload in a fixed layout, a check of that payload as written. New
kinds are added here one at a time; the container code in mrf.py does not change.
"""

import os
import struct
from dataclasses import dataclass

from . import wav, widgets
from .payload import build_payload
from .script import (ScriptError, expect_count, parse_code, parse_integer, parse_text)


@dataclass
class Chunk:
    code: str
    id: int
    name: str
    payload: bytes
    line: int


def _chunk_header(statement, code_index):
    """The shared "'type' id "name"" or "id "name"" arguments."""
    args = statement.args
    chunk_id = parse_integer(args[code_index], 0, 0xFFFFFFFF, "a resource id")
    name = parse_text(args[code_index + 1], "a resource name")
    return chunk_id, name


def raw_chunk(statement, context):
    """chunk 'type' id "name" { payload values }"""
    if len(statement.args) != 3 or not statement.has_body:
        raise ScriptError(statement.line, "usage: chunk 'type' id \"name\" { payload values }")
    code = parse_code(statement.args[0], "a chunk type")
    if code == "vers":
        raise ScriptError(statement.line, "the version chunk is written with: version N")
    chunk_id, name = _chunk_header(statement, 1)
    return Chunk(code, chunk_id, name, build_payload(statement.body, context), statement.line)


def sound_chunk(statement, context):
    """sound id "name" "file.wav": a byte count, then the whole WAV file."""
    expect_count(statement, 3, 'sound id "name" "file.wav"')
    if statement.has_body:
        raise ScriptError(statement.line, "a sound statement has no body")
    chunk_id, name = _chunk_header(statement, 0)
    path = os.path.join(context.folder, parse_text(statement.args[2], "a WAV file name"))
    try:
        data = wav.canonical_wave(path)
    except (OSError, ValueError) as error:
        raise ScriptError(statement.args[2].line, str(error))
    return Chunk("audi", chunk_id, name, struct.pack("<I", len(data)) + data, statement.line)


def check_sound_payload(payload):
    if len(payload) < 4:
        raise ValueError("a sound payload starts with a 32-bit byte count")
    channels, bits, rate, size = wav.check_wave(payload[4:])
    frame = (2 if bits == 16 else 1) * (2 if channels == 2 else 1)
    if size // frame < wav.MIN_FRAMES:
        raise ValueError("the sound holds fewer than %d frames" % wav.MIN_FRAMES)


def font_chunk(statement, context):
    """font id "name" "file": a byte count, then the whole font file as FreeType opens it."""
    expect_count(statement, 3, 'font id "name" "file"')
    if statement.has_body:
        raise ScriptError(statement.line, "a font statement has no body")
    chunk_id, name = _chunk_header(statement, 0)
    path = os.path.join(context.folder, parse_text(statement.args[2], "a font file name"))
    try:
        with open(path, "rb") as source:
            data = source.read()
    except OSError as error:
        raise ScriptError(statement.args[2].line, str(error))
    if not data:
        raise ScriptError(statement.args[2].line, "the font file is empty")
    return Chunk("font", chunk_id, name, struct.pack("<I", len(data)) + data, statement.line)


def _counted_payload_check(what):
    """A u32 byte count, then exactly that many bytes: a count written by hand is checked here."""
    def check(payload):
        if len(payload) < 4:
            raise ValueError("%s payload starts with a 32-bit byte count" % what[0])
        count = struct.unpack_from("<I", payload)[0]
        if count != len(payload) - 4:
            raise ValueError("the %s's byte count is %d but %d bytes follow" % (what[1], count, len(payload) - 4))
    return check


check_font_payload = _counted_payload_check(("a font", "font"))
check_image_payload = _counted_payload_check(("an image", "image"))


def check_gradient_payload(payload):
    """i32 count, then per stop i32 colour and f32 position, as the gradient loader reads them."""
    if len(payload) < 4:
        raise ValueError("a gradient payload starts with a 32-bit count of stops")
    count = struct.unpack_from("<i", payload)[0]
    stops = max(count, 0)
    if len(payload) != 4 + 8 * stops:
        raise ValueError("a gradient of %d stops takes %d bytes, not %d" % (stops, 4 + 8 * stops, len(payload)))
    for k in range(stops):
        position = struct.unpack_from("<f", payload, 8 + 8 * k)[0]
        # The loader keeps positions within 0..1; others would be moved or refused.
        if not 0.0 <= position <= 1.0:
            raise ValueError("gradient stop %d lies at %r, outside 0 .. 1" % (k, position))


def widget_chunk(statement, context):
    """widget 'type' id "name" { tag values }: a widget data block, one tag per line."""
    if len(statement.args) != 3 or not statement.has_body:
        raise ScriptError(statement.line, "usage: widget 'type' id \"name\" { tag values }")
    code = parse_code(statement.args[0], "a widget type")
    if code not in widgets.TYPES:
        raise ScriptError(statement.args[0].line, "no widget block is known for '%s' (known: %s)"
                          % (code, ", ".join(sorted(widgets.TYPES))))
    chunk_id, name = _chunk_header(statement, 1)
    return Chunk(code, chunk_id, name, widgets.build_block(code, statement.body), statement.line)


STATEMENTS = {
    "chunk": raw_chunk,
    "widget": widget_chunk,
    "font": font_chunk,
    "sound": sound_chunk,
}

# Checks of payloads as the loader of that chunk type will read them, by chunk type.
PAYLOAD_CHECKS = {
    "audi": check_sound_payload,
    "font": check_font_payload,
    "imag": check_image_payload,
    "grad": check_gradient_payload,
    **widgets.widget_checks(),
}
