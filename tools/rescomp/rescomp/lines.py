"""UTF-16 text lines as the toolkit's file stream reads them back.

The loaders read names and texts with the file stream's UTF-16 line reader: a line ends at CR or
LF, and CR LF or LF CR count as one two-unit terminator. A line ended by LF is therefore followed
safely by anything except a CR unit, which the reader would swallow as the second half of the
terminator. The writer picks CR as the terminator in exactly that case (CR CR is two line ends).
"""

import struct

from .script import ScriptError

CR = 0x000D
LF = 0x000A


def to_units(text):
    data = text.encode("utf-16-le")
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def from_units(units):
    return struct.pack("<%dH" % len(units), *units).decode("utf-16-le", errors="surrogatepass")


def check_line_text(text, line, what):
    """Refuses what a single stored line cannot carry."""
    for char in text:
        code = ord(char)
        if code in (CR, LF):
            raise ScriptError(line, "%s cannot hold a line break (use \"|\" fields)" % what)
        if code == 0:
            raise ScriptError(line, "%s cannot hold a 0 character: it would end the line" % what)
        if code in (0xFEFF, 0xFFFE):
            raise ScriptError(line, "%s cannot hold U+%04X: the reader takes it for a byte-order mark"
                              % (what, code))


class Line:
    """A UTF-16 line whose terminator is chosen once the bytes that follow it are known."""

    def __init__(self, text):
        self.units = to_units(text)


def assemble(segments):
    """Joins bytes and Lines, back to front, so each Line knows the unit that follows it."""
    parts = []
    following = b""
    for segment in reversed(segments):
        if isinstance(segment, Line):
            end = CR if following[:2] == struct.pack("<H", CR) else LF
            data = struct.pack("<%dH" % (len(segment.units) + 1), *segment.units, end)
        else:
            data = bytes(segment)
        parts.append(data)
        following = data + following[:2]
    return b"".join(reversed(parts))


class StreamReader:
    """Reads bytes the way the toolkit's file stream does (little-endian, checked lengths)."""

    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.swap = False

    def at_end(self):
        return self.pos >= len(self.data)

    def read_u32(self):
        if self.pos + 4 > len(self.data):
            raise ValueError("a 32-bit value runs past the end at byte %d" % self.pos)
        value = struct.unpack_from("<I", self.data, self.pos)[0]
        self.pos += 4
        return value

    def seek(self, pos):
        if pos > len(self.data):
            raise ValueError("a seek to byte %d passes the end (%d bytes)" % (pos, len(self.data)))
        self.pos = pos

    def read_line(self):
        """The UTF-16 line read: returns the text with its one LF, or without one at a 0 unit or
        at the end of the data."""
        if self.at_end():
            raise ValueError("a line starts at the end of the data")
        units = []
        while self.pos + 2 <= len(self.data):
            unit = struct.unpack_from("<H", self.data, self.pos)[0]
            self.pos += 2
            if self.swap:
                unit = ((unit & 0xFF) << 8) | (unit >> 8)
            if unit == 0xFFFE:
                self.swap = True
                continue
            if unit == 0xFEFF:
                self.swap = False
                continue
            if unit == 0:
                return units
            if unit in (CR, LF):
                if self.pos + 2 <= len(self.data):
                    following = struct.unpack_from("<H", self.data, self.pos)[0]
                    if self.swap:
                        following = ((following & 0xFF) << 8) | (following >> 8)
                    if following in (CR, LF) and following != unit:
                        self.pos += 2
                units.append(LF)
                return units
            units.append(unit)
        self.pos = len(self.data)
        return units

    def read_name(self):
        """A line without its last unit, as the resource and string-table readers keep it."""
        return from_units(self.read_line()[:-1])
