"""Reading resource scripts and string-table sources: tokens, statements and their bodies.

A statement is one line: a keyword and its arguments. A statement that ends in "{" owns the
lines up to a line that holds only "}". Every token keeps its line number so that each error
names the line of the script that caused it.
"""

from dataclasses import dataclass, field


class ScriptError(Exception):
    """An error in a script, reported as "path:line: message"."""

    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


@dataclass
class Token:
    kind: str  # "word", "text" (double quotes), "code" (single quotes), "{" or "}"
    value: object
    line: int


@dataclass
class Statement:
    keyword: str
    args: list
    line: int
    body: list = field(default_factory=list)  # Statements, for "{ ... }"
    has_body: bool = False


def _read_escape(text, index, line):
    """Reads the escape after a backslash; returns (characters, next index)."""
    if index >= len(text):
        raise ScriptError(line, "a backslash ends the line")
    char = text[index]
    if char in '"\\\'':
        return char, index + 1
    if char == "t":
        return "\t", index + 1
    if char == "u":
        digits = text[index + 1:index + 5]
        if len(digits) != 4 or any(c not in "0123456789abcdefABCDEF" for c in digits):
            raise ScriptError(line, "\\u needs four hexadecimal digits")
        return chr(int(digits, 16)), index + 5
    if char == "U":
        digits = text[index + 1:index + 9]
        if len(digits) != 8 or any(c not in "0123456789abcdefABCDEF" for c in digits):
            raise ScriptError(line, "\\U needs eight hexadecimal digits")
        value = int(digits, 16)
        if value > 0x10FFFF:
            raise ScriptError(line, "\\U%s is not a character" % digits)
        return chr(value), index + 9
    raise ScriptError(line, "unknown escape \\%s" % char)


def tokenize_line(text, line):
    tokens = []
    index = 0
    while index < len(text):
        char = text[index]
        if char in " \t\r":
            index += 1
        elif char == "#":
            break
        elif char in "{}":
            tokens.append(Token(char, char, line))
            index += 1
        elif char in "\"'":
            quote = char
            index += 1
            value = []
            while True:
                if index >= len(text):
                    raise ScriptError(line, "a quoted text is not closed")
                char = text[index]
                if char == quote:
                    index += 1
                    break
                if char == "\\":
                    part, index = _read_escape(text, index + 1, line)
                    value.append(part)
                else:
                    value.append(char)
                    index += 1
            tokens.append(Token("text" if quote == '"' else "code", "".join(value), line))
        else:
            start = index
            while index < len(text) and text[index] not in " \t\r#{}\"'":
                index += 1
            tokens.append(Token("word", text[start:index], line))
    return tokens


def parse(source):
    """Splits a script into statements; bodies nest one level per "{"."""
    root = []
    stack = [root]
    openers = []
    for number, text in enumerate(source.split("\n"), start=1):
        tokens = tokenize_line(text, number)
        if not tokens:
            continue
        if tokens[0].kind == "}":
            if len(tokens) != 1:
                raise ScriptError(number, "a closing brace stands alone on its line")
            if len(stack) == 1:
                raise ScriptError(number, "a closing brace without an opening one")
            stack.pop()
            openers.pop()
            continue
        if tokens[0].kind != "word":
            raise ScriptError(number, "a statement starts with a keyword")
        opens = tokens[-1].kind == "{"
        if opens:
            tokens = tokens[:-1]
        if any(token.kind in "{}" for token in tokens):
            raise ScriptError(number, "a brace inside a statement")
        statement = Statement(tokens[0].value, tokens[1:], number, has_body=opens)
        stack[-1].append(statement)
        if opens:
            stack.append(statement.body)
            openers.append(number)
    if openers:
        raise ScriptError(openers[-1], "the brace opened here is never closed")
    return root


# Argument helpers shared by the statement handlers.

def parse_integer(token, low, high, what):
    if token.kind != "word":
        raise ScriptError(token.line, "%s must be a number" % what)
    try:
        value = int(token.value, 0)
    except ValueError:
        raise ScriptError(token.line, "%s must be a number, not %r" % (what, token.value))
    if not low <= value <= high:
        raise ScriptError(token.line, "%s %d is outside %d..%d" % (what, value, low, high))
    return value


def parse_float(token, what):
    if token.kind != "word":
        raise ScriptError(token.line, "%s must be a number" % what)
    try:
        return float(token.value)
    except ValueError:
        raise ScriptError(token.line, "%s must be a number, not %r" % (what, token.value))


def parse_code(token, what="a four-character code"):
    if token.kind != "code":
        raise ScriptError(token.line, "%s is written in single quotes, as 'abcd'" % what)
    value = token.value
    if len(value) != 4 or any(not 0x20 <= ord(c) <= 0x7E for c in value):
        raise ScriptError(token.line, "%s has exactly four printable ASCII characters: %r"
                          % (what, value))
    return value


def parse_text(token, what):
    if token.kind != "text":
        raise ScriptError(token.line, "%s is written in double quotes" % what)
    return token.value


def expect_count(statement, count, usage):
    if len(statement.args) != count:
        raise ScriptError(statement.line, "usage: %s" % usage)
