"""Widget data blocks: the 'widget' statement and the check of a block as the widget loaders read it.

A block is an i32 byte count N, then tagged chunks with no length field: each tag is followed by
a value whose layout only the tag tells. Texts inside a block are UTF-16 units, a line end (which
the loader drops) and a 0 unit (where the memory stream's reader stops).

Each widget type lists its tags through its class chain; a new widget class adds its own tag
table and one TYPES entry.
"""

import struct

from .lines import check_line_text, to_units
from .payload import code_bytes
from .script import ScriptError, parse_code, parse_float, parse_integer, parse_text

# The types the widget factory creates from a file; 'hier' entries must name one of them.
FACTORY_TYPES = ("bkdp", "cowg", "fmwg", "imwg", "mkwg", "rrwg", "shwg", "tewg", "txwg", "wdgt")

# Field kinds: "i32" signed, "u32" a colour word, "f32", "text", "code", and "pairs" (an i32 count
# followed by that many colour word and f32 location pairs).
WIDGET_TAGS = {
    "xpos": ["f32"], "ypos": ["f32"], "xpsr": ["i32"], "ypsr": ["i32"], "xpsd": ["i32"],
    "ypsd": ["i32"], "xsiz": ["f32"], "ysiz": ["f32"], "xszr": ["i32"], "yszr": ["i32"],
    "xgrd": ["i32"], "ygrd": ["i32"], "xcnt": ["i32"], "ycnt": ["i32"], "actv": ["i32"],
    "vsbl": ["i32"], "focs": ["i32"], "sipr": ["i32"], "oblt": ["i32"], "prop": ["i32"],
    "opac": ["i32"], "opct": ["i32"], "kydn": ["i32"], "kyup": ["i32"], "timr": ["i32"],
    "hrtb": ["i32"], "msmv": ["i32"], "lbdn": ["i32"], "lbup": ["i32"], "mbdn": ["i32"],
    "mbup": ["i32"], "rbdn": ["i32"], "rbup": ["i32"], "mswh": ["i32"],
    "hier": ["hier"], "usrd": ["text"],
    "autt": ["i32"], "tfpt": ["i32"], "ttrg": ["i32"], "ttrt": ["i32"],
}

_SHADOW = ["i32", "u32", "f32", "i32", "i32", "i32", "i32", "i32"]
COWIDGET_TAGS = {
    "colr": ["u32"],
    "brde": ["i32", "u32", "u32", "u32", "u32", "i32", "i32", "i32", "i32", "i32", "f32", "i32", "i32"],
    "ctot": ["i32", "u32", "f32", "i32", "i32", "i32", "i32"],
    "glow": _SHADOW,
    "grdf": ["i32", "f32", "i32", "i32", "f32", "f32", "pairs", "i32", "i32"],
    "shad": _SHADOW,
}
# The effect chunks whose first field is a list index 0..3 and whose last chooses the list.
EFFECT_TAGS = ("brde", "ctot", "glow", "grdf", "shad")

BACKDROP_TAGS = {
    "fscr": ["i32"], "colr": ["u32"], "imag": ["text"], "grad": ["text"], "grop": ["i32"],
    "gran": ["f32"], "grac": ["i32"], "grcx": ["f32"], "grcy": ["f32"], "curs": ["text"],
    "dcur": ["text"], "whsb": ["i32"],
}

# The image and mask widgets name an image (or an image list) by resource name.
IMWIDGET_TAGS = {
    "imag": ["text"], "imcm": ["i32"], "imls": ["text"], "imlx": ["i32"], "imsh": ["i32"],
    "stim": ["i32"],
}
TXWIDGET_TAGS = {
    "font": ["text"], "fsiz": ["f32"], "fpsz": ["f32"], "fjst": ["text"], "fbld": ["i32"],
    "fita": ["i32"], "fudl": ["i32"], "txsz": ["i32"], "txwr": ["i32"], "text": ["text"],
    "txls": ["text"], "txlx": ["i32"],
}

# The text-and-image widget reads the text widget's tags except 'txwr'.
TXIMWIDGET_TAGS = {tag: fields for tag, fields in TXWIDGET_TAGS.items() if tag != "txwr"}
RORECTWIDGET_TAGS = {
    "rrad": ["f32"], "rbwd": ["f32"], "rtbh": ["f32"], "rbcl": ["u32"], "rctl": ["i32"],
    "rctr": ["i32"], "rcbl": ["i32"], "rcbr": ["i32"],
}
SHADWIDGET_TAGS = {"swst": ["i32"], "swsb": ["i32"], "swsl": ["i32"], "swsr": ["i32"], "swrd": ["f32"]}
FRAMEWIDGET_TAGS = {"frcl": ["u32"]}
# The text editor's text colour; its other tags are the text-and-image widget's.
TXEDWIDGET_TAGS = {"txcl": ["u32"]}
# Sizes the loaders refuse when they are not a number.
NUMBER_TAGS = ("rrad", "rbwd", "rtbh", "swrd")
# Tables take their colour and three of the effect chunks; rows, columns and cells come from code.
TABLE_TAGS = {tag: COWIDGET_TAGS[tag] for tag in ("colr", "ctot", "grdf", "shad")}


def _chain(*tables):
    merged = {}
    for table in reversed(tables):
        merged.update(table)
    return merged


# Tags by widget type, the class's own first (they win over the base class's).
TYPES = {
    "wdgt": _chain(WIDGET_TAGS),
    "cowg": _chain(COWIDGET_TAGS, WIDGET_TAGS),
    "bkdp": _chain(BACKDROP_TAGS, WIDGET_TAGS),
    "imwg": _chain(IMWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "mkwg": _chain(IMWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "txwg": _chain(TXWIDGET_TAGS, IMWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    # Made by code, not by the factory: loadable by name, never a 'hier' child.
    "tiwg": _chain(TXIMWIDGET_TAGS, IMWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "rrwg": _chain(RORECTWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "shwg": _chain(SHADWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "fmwg": _chain(FRAMEWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
    "tbwg": _chain(TABLE_TAGS, WIDGET_TAGS),
    "mltb": _chain(TABLE_TAGS, WIDGET_TAGS),
    "tewg": _chain(TXEDWIDGET_TAGS, TXIMWIDGET_TAGS, IMWIDGET_TAGS, COWIDGET_TAGS, WIDGET_TAGS),
}


# Writing ---------------------------------------------------------------------------------------

def _text_bytes(text, line):
    check_line_text(text, line, "a text in a widget block")
    units = to_units(text) + [0x000A, 0]
    return struct.pack("<%dH" % len(units), *units)


def _value(kind, tokens, index, line):
    """Encodes one field from tokens[index]; returns (bytes, next index)."""
    if kind == "hier":
        # "name" 'type' pairs; the count is written from them.
        entries = tokens[index:]
        if len(entries) % 2:
            raise ScriptError(line, "hier takes \"name\" 'type' pairs")
        data = struct.pack("<i", len(entries) // 2)
        for k in range(0, len(entries), 2):
            data += _text_bytes(parse_text(entries[k], "a child's name"), entries[k].line)
            code = parse_code(entries[k + 1], "a child's widget type")
            if code not in FACTORY_TYPES:
                raise ScriptError(entries[k + 1].line, "'%s' widgets cannot be created from a file"
                                  " (known: %s)" % (code, ", ".join(FACTORY_TYPES)))
            data += code_bytes(code)
        return data, len(tokens)
    if index >= len(tokens):
        raise ScriptError(line, "a value is missing")
    token = tokens[index]
    if kind == "i32":
        return struct.pack("<i", parse_integer(token, -0x80000000, 0x7FFFFFFF, "an i32 value")), index + 1
    if kind == "u32":
        value = parse_integer(token, -0x80000000, 0xFFFFFFFF, "a colour word")
        return struct.pack("<I", value & 0xFFFFFFFF), index + 1
    if kind == "f32":
        try:
            return struct.pack("<f", parse_float(token, "an f32 value")), index + 1
        except OverflowError:
            raise ScriptError(token.line, "%r does not fit a 32-bit float" % token.value)
    if kind == "text":
        return _text_bytes(parse_text(token, "a text value"), token.line), index + 1
    if kind == "pairs":
        count = parse_integer(token, 0, 0x7FFFFFFF, "a count of points")
        data = struct.pack("<i", count)
        index += 1
        for _ in range(count):
            colour, index = _value("u32", tokens, index, line)
            location, index = _value("f32", tokens, index, line)
            data += colour + location
        return data, index
    raise AssertionError(kind)


def build_block(code, statements):
    """The widget data block of a widget of type code from its body lines."""
    tags = TYPES[code]
    data = b""
    for statement in statements:
        if statement.has_body:
            raise ScriptError(statement.line, "a widget tag has no body")
        fields = tags.get(statement.keyword)
        if fields is None:
            raise ScriptError(statement.line, "'%s' widgets have no tag %r (known: %s)"
                              % (code, statement.keyword, ", ".join(sorted(tags))))
        chunk = code_bytes(statement.keyword)
        index = 0
        for kind in fields:
            value, index = _value(kind, statement.args, index, statement.line)
            chunk += value
        if index != len(statement.args):
            raise ScriptError(statement.line, "%s takes %d value(s)" % (statement.keyword, index))
        data += chunk
    return struct.pack("<i", len(data)) + data


# Reading back, as the loaders do --------------------------------------------------------------

class _Block:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, count, what):
        if self.pos + count > len(self.data):
            raise ValueError("%s runs past the end of the block" % what)
        chunk = self.data[self.pos:self.pos + count]
        self.pos += count
        return chunk

    def i32(self, what):
        return struct.unpack("<i", self.take(4, what))[0]

    def f32(self, what):
        return struct.unpack("<f", self.take(4, what))[0]

    def code(self, what):
        return struct.unpack("<I", self.take(4, what))[0].to_bytes(4, "big").decode("latin-1")

    def text(self, what):
        units = []
        while True:
            unit = struct.unpack("<H", self.take(2, what))[0]
            if unit == 0:
                break
            units.append(unit)
        # The loader drops the last unit read, the line end.
        return units[:-1]


def _text_string(units):
    return struct.pack("<%dH" % len(units), *units).decode("utf-16-le", "replace")


def _check_usrd(units):
    parts = _text_string(units).split("|", 2)
    if len(parts) != 3:
        raise ValueError("'usrd' is written as \"index|type|value\"")
    index_text, kind, _ = parts
    try:
        index = int(index_text.strip(), 0)
    except ValueError:
        raise ValueError("the 'usrd' index %r is not a number" % index_text)
    if index > 7:
        raise ValueError("the 'usrd' index %d is above 7" % index)
    if kind not in ("real", "int"):
        raise ValueError("the 'usrd' type %r is neither \"real\" nor \"int\"" % kind)


def _check_curs(units):
    text = _text_string(units)
    if "|" not in text or "," not in text.split("|", 1)[1]:
        raise ValueError("'curs' is written as \"name|x,y\"")


def _read_chunk(block, tag, fields, references):
    what = "the '%s' value" % tag
    for number, kind in enumerate(fields):
        if kind in ("i32", "u32"):
            value = block.i32(what)
            if number == 0 and tag in EFFECT_TAGS and not 0 <= value <= 3:
                raise ValueError("the '%s' effect's layer %d is outside 0..3" % (tag, value))
        elif kind == "f32":
            value = block.f32(what)
            # The blur radius of the cut-out, shadow and glow effects; the loader refuses a
            # negative one (or one that is not a number).
            if number == 2 and tag in ("ctot", "shad", "glow") and not value >= 0.0:
                raise ValueError("the '%s' effect's radius %g is negative" % (tag, value))
            if tag in NUMBER_TAGS and value != value:
                raise ValueError("the '%s' value is not a number" % tag)
        elif kind == "text":
            units = block.text(what)
            if tag == "usrd":
                _check_usrd(units)
            elif tag == "curs":
                _check_curs(units)
                references.append(("cursor", _text_string(units).split("|", 1)[0], None))
            elif tag == "dcur":
                references.append(("default cursor", _text_string(units), None))
        elif kind == "pairs":
            for _ in range(max(block.i32(what), 0)):
                block.i32(what)
                block.f32(what)
        elif kind == "hier":
            for _ in range(max(block.i32(what), 0)):
                name = _text_string(block.text("a 'hier' name"))
                child = block.code("a 'hier' type")
                if child not in FACTORY_TYPES:
                    raise ValueError("a 'hier' child of type %r cannot be created" % child)
                references.append(("child", name, child))


def check_block(code, payload):
    """Reads a widget data block the way the loader of that type does; answers what it names
    elsewhere in the file: ("child", name, type), ("cursor", name, None), ("default cursor", ...)."""
    if len(payload) < 4:
        raise ValueError("a widget block starts with its 32-bit byte count")
    size = struct.unpack_from("<i", payload)[0]
    if size != len(payload) - 4:
        raise ValueError("the block's byte count is %d but %d bytes follow" % (size, len(payload) - 4))
    if size < 4 and code != "bkdp":
        raise ValueError("a widget block holds at least one tag")
    tags = TYPES[code]
    block = _Block(payload[4:])
    references = []
    while block.pos < size:
        tag = block.code("a tag")
        fields = tags.get(tag)
        if fields is None:
            raise ValueError("'%s' widgets have no tag %r" % (code, tag))
        _read_chunk(block, tag, fields, references)
    return references


def check_references(chunks):
    """Children and cursors are found by name when the file loads: each must be there, a child
    with the type its parent's 'hier' entry gives, a default cursor among the block's cursors."""
    by_name = {}
    for chunk in chunks:
        by_name.setdefault(chunk.name, chunk)
    for chunk in chunks:
        if chunk.code not in TYPES:
            continue
        try:
            references = check_block(chunk.code, chunk.payload)
        except ValueError:
            continue  # reported with the payload checks
        cursors = [name for kind, name, _ in references if kind == "cursor"]
        for kind, name, child_type in references:
            target = by_name.get(name)
            if kind == "default cursor":
                if name not in cursors:
                    raise ScriptError(chunk.line, "the default cursor %r is not one of the block's cursors" % name)
            elif target is None or target.code not in FACTORY_TYPES:
                raise ScriptError(chunk.line, "no widget named %r for the %s" % (name, kind))
            elif child_type is not None and target.code != child_type:
                raise ScriptError(chunk.line, "the child %r is a '%s' widget, not '%s'"
                                  % (name, target.code, child_type))


def widget_checks():
    """Payload checks by chunk type, for every widget type with a known block."""
    return {code: (lambda payload, code=code: check_block(code, payload)) for code in TYPES}
