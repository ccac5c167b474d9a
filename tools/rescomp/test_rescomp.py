"""Tests of the resource compiler: exact bytes for small inputs, and a clear error with the line
number for every kind of mistake."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from rescomp.mrf import compile_resources, read_back  # noqa: E402
from rescomp.msf import compile_strings  # noqa: E402
from rescomp.script import ScriptError  # noqa: E402


def write_wave(path, channels=1, width=2, rate=22050, frames=100):
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(width)
        out.setframerate(rate)
        count = frames * channels * width
        out.writeframes((bytes(range(256)) * (count // 256 + 1))[:count])


class ResourceFileBytes(unittest.TestCase):
    def test_version_and_one_chunk_match_hand_written_bytes(self):
        data = compile_resources("version 2\nchunk 'abcd' 5 \"Hi\" {\n  u32 7\n}\n", HERE)
        expected = bytes.fromhex(
            "73726576 04000000 02000000"       # 'vers' reversed, size 4, version 2
            "64636261 0e000000 05000000"       # 'abcd' reversed, size 4 + 6 + 4, id 5
            "48006900 0a00"                    # "Hi" then LF
            "07000000")
        self.assertEqual(data, expected)

    def test_name_before_a_payload_starting_with_cr_ends_in_cr(self):
        # LF followed by a CR unit would be read as one line end and eat the payload's first unit.
        data = compile_resources("chunk 'abcd' 1 \"\" {\n  u16 13 13\n}\n", HERE)
        self.assertEqual(data[12:], bytes.fromhex("0d00 0d00 0d00"))
        self.assertEqual(read_back(data)[1][0][3], bytes.fromhex("0d000d00"))

    def test_every_payload_value_is_little_endian(self):
        data = compile_resources(
            "chunk 'abcd' 1 \"\" {\n  u8 1 u16 2 i16 -2 i32 -1 f32 1.0 code 'xpos' utf16 \"A\"\n"
            "  hex \"de ad\"\n}\n", HERE)
        self.assertEqual(data[14:], bytes.fromhex(
            "01 0200 feff ffffffff 0000803f 736f7078 4100 dead"))

    def test_file_without_version_reads_back_as_version_one(self):
        data = compile_resources("chunk 'abcd' 1 \"A\" {\n  u8 0\n}\n", HERE)
        self.assertEqual(read_back(data), (1, [("abcd", 1, "A", b"\x00")]))


class Fonts(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def test_font_payload_is_byte_count_then_the_file(self):
        with open(os.path.join(self.folder.name, "f.ttf"), "wb") as out:
            out.write(b"\x00\x01\x00\x00font bytes")
        data = compile_resources('font 5 "Helvetica" "f.ttf"\n', self.folder.name)
        self.assertEqual(read_back(data)[1], [("font", 5, "Helvetica", struct.pack("<I", 14) + b"\x00\x01\x00\x00font bytes")])

    def test_missing_or_empty_fonts_and_wrong_font_and_image_counts_are_refused(self):
        open(os.path.join(self.folder.name, "empty.ttf"), "wb").close()
        cases = [
            ('font 1 "A" "missing.ttf"\n', "No such file"),
            ('font 1 "A" "empty.ttf"\n', "empty"),
            ("chunk 'font' 1 \"A\" {\n  u32 9 u8 1 2\n}\n", "byte count is 9"),
            ("chunk 'imag' 1 \"A\" {\n  u32 3 u8 1 2\n}\n", "image's byte count is 3 but 2"),
            ("chunk 'imag' 1 \"A\" {\n  u16 0\n}\n", "starts with a 32-bit byte count"),
        ]
        for source, message in cases:
            with self.subTest(source):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources(source, self.folder.name)
                self.assertIn(message, caught.exception.message)


class Gradients(unittest.TestCase):
    def test_gradient_payload_is_read_back_as_written(self):
        data = compile_resources("chunk 'grad' 7 \"PNU_BackGrad\" {\n  i32 2\n  u32 0xFF203040 f32 0.0\n"
                                 "  u32 0xFF8090A0 f32 1.0\n}\n", HERE)
        self.assertEqual(read_back(data)[1][0][3], struct.pack("<iIfIf", 2, 0xFF203040, 0.0, 0xFF8090A0, 1.0))

    def test_gradients_the_loader_would_read_differently_are_refused(self):
        cases = [
            ("u8 1", "count of stops"),
            ("i32 2 u32 0xFF000000 f32 0.0", "takes 20 bytes"),
            ("i32 1 u32 0xFF000000 f32 1.5", "outside 0 .. 1"),
            ("i32 1 u32 0xFF000000 f32 -0.25", "outside 0 .. 1"),
        ]
        for body, message in cases:
            with self.subTest(body):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources("chunk 'grad' 1 \"G\" {\n  %s\n}\n" % body, HERE)
                self.assertIn(message, caught.exception.message)


class Sounds(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.folder.name, "s.wav")

    def tearDown(self):
        self.folder.cleanup()

    def compile(self):
        return compile_resources('sound 90000 "Ok" "s.wav"\n', self.folder.name)

    def test_sound_payload_is_byte_count_then_plain_wave(self):
        write_wave(self.path, channels=2, width=1, rate=8000, frames=10)
        payload = read_back(self.compile())[1][0][3]
        count = struct.unpack_from("<I", payload)[0]
        self.assertEqual(count, len(payload) - 4)
        self.assertEqual(payload[4:44], b"RIFF" + struct.pack("<I", 36 + 20) + b"WAVEfmt "
                         + struct.pack("<IHHIIHH", 16, 1, 2, 8000, 16000, 2, 8) + b"data")

    def test_other_chunks_of_the_wave_file_are_dropped(self):
        write_wave(self.path, frames=10)
        with open(self.path, "rb") as source:
            original = source.read()
        # A LIST chunk between 'fmt ' and 'data' would be refused by the loader.
        listed = (original[:36] + b"LIST" + struct.pack("<I", 4) + b"INFO" + original[36:])
        listed = listed[:4] + struct.pack("<I", len(listed) - 8) + listed[8:]
        with open(self.path, "wb") as out:
            out.write(listed)
        payload = read_back(self.compile())[1][0][3]
        self.assertEqual(payload[4:], original)

    def test_refused_sounds_name_the_line(self):
        cases = [
            ("too short", dict(frames=2), "at least 3"),
            ("three channels", dict(channels=3), "mono or stereo"),
            ("24-bit", dict(width=3), "8- or 16-bit"),
        ]
        for label, options, message in cases:
            with self.subTest(label):
                write_wave(self.path, **options)
                with self.assertRaises(ScriptError) as caught:
                    self.compile()
                self.assertEqual(caught.exception.line, 1)
                self.assertIn(message, caught.exception.message)

    def test_sample_rate_zero_is_refused(self):
        write_wave(self.path, frames=10)
        with open(self.path, "r+b") as out:
            out.seek(24)
            out.write(struct.pack("<I", 0))
        with self.assertRaises(ScriptError):
            self.compile()


class WidgetBlocks(unittest.TestCase):
    def test_block_matches_hand_written_bytes(self):
        data = compile_resources(
            "widget 'cowg' 5 \"Back\" {\n  vsbl 1\n  xsiz 100.0\n  hier \"Kid\" 'cowg'\n}\n"
            "widget 'cowg' 6 \"Kid\" {\n  vsbl 1\n}\n", HERE)
        self.assertEqual(data[:64], bytes.fromhex(
            "67776f63 38000000 05000000 42006100 63006b00 0a00"   # 'cowg', size 56, id 5, "Back"
            "26000000"                                          # N = 38
            "6c627376 01000000"                                 # 'vsbl' 1
            "7a697378 0000c842"                                 # 'xsiz' 100.0
            "72656968 01000000 4b006900 64000a00 0000 67776f63"))  # 'hier' 1 x ("Kid", 'cowg')

    def test_values_of_every_kind(self):
        data = compile_resources(
            "widget 'bkdp' 1 \"B\" {\n  colr 0x00FF0000\n  gran -0.25\n  curs \"Arrow|3,4\"\n"
            "  usrd \"3|real|1.5\"\n  hier\n}\nwidget 'wdgt' 2 \"Arrow\" {\n  vsbl 0\n}\n", HERE)
        payload = read_back(data)[1][0][3]
        self.assertEqual(payload, bytes.fromhex(
            "4e000000" "726c6f63 0000ff00" "6e617267 000080be"
            "73727563" + "Arrow|3,4\n".encode("utf-16-le").hex() + "0000"
            "64727375" + "3|real|1.5\n".encode("utf-16-le").hex() + "0000"
            "72656968 00000000"))

    def test_image_and_text_widget_tags(self):
        data = compile_resources(
            "widget 'txwg' 1 \"T\" {\n  font \"Sans\"\n  fsiz 12.5\n  fjst \"centre\"\n  txsz 1\n"
            "  text \"Hi\"\n  stim 0\n  colr 0xFF000000\n}\n"
            "widget 'imwg' 2 \"I\" {\n  imag \"Dot\"\n  imsh 1\n}\n", HERE)
        blocks = read_back(data)[1]
        self.assertEqual(blocks[0][3], bytes.fromhex(
            "50000000"
            "746e6f66" + "Sans\n".encode("utf-16-le").hex() + "0000"
            "7a697366 00004841"
            "74736a66" + "centre\n".encode("utf-16-le").hex() + "0000"
            "7a737874 01000000"
            "74786574" + "Hi\n".encode("utf-16-le").hex() + "0000"
            "6d697473 00000000" "726c6f63 000000ff"))
        self.assertEqual(blocks[1][3][4:8], b"gami")
        with self.assertRaises(ScriptError):
            compile_resources("widget 'imwg' 1 \"I\" {\n  font \"Sans\"\n}\n", HERE)

    def test_rounded_shadow_frame_and_text_image_widget_tags(self):
        data = compile_resources(
            "widget 'rrwg' 1 \"R\" {\n  rrad 4.0\n  rctl 0\n  rbcl 0xFF00FF00\n  colr 0xFFFFFFFF\n}\n"
            "widget 'shwg' 2 \"S\" {\n  swsb 0\n  swrd -1.0\n}\n"
            "widget 'fmwg' 3 \"F\" {\n  frcl 0x80000000\n  hier \"R\" 'rrwg' \"S\" 'shwg'\n}\n"
            "widget 'tiwg' 4 \"T\" {\n  text \"Go\"\n  imag \"Dot\"\n}\n", HERE)
        blocks = read_back(data)[1]
        self.assertEqual(blocks[0][3], bytes.fromhex(
            "20000000" "64617272 00008040" "6c746372 00000000" "6c636272 00ff00ff" "726c6f63 ffffffff"))
        self.assertEqual(blocks[1][3], bytes.fromhex("10000000" "62737773 00000000" "64727773 000080bf"))
        self.assertEqual(blocks[2][3][4:12], bytes.fromhex("6c637266 00000080"))
        cases = [
            ("widget 'rrwg' 1 \"R\" {\n  imag \"Dot\"\n}\n", "no tag 'imag'"),
            ("widget 'tiwg' 1 \"T\" {\n  txwr 1\n}\n", "no tag 'txwr'"),
            ("widget 'rrwg' 1 \"R\" {\n  rbwd nan\n}\n", "not a number"),
            ("widget 'shwg' 1 \"S\" {\n  swrd nan\n}\n", "not a number"),
            ("widget 'cowg' 1 \"A\" {\n  hier \"T\" 'tiwg'\n}\n", "cannot be created"),
        ]
        for source, text in cases:
            with self.subTest(source=source):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources(source, HERE)
                self.assertIn(text, caught.exception.message)

    def test_text_editor_tags(self):
        data = compile_resources(
            "widget 'tewg' 1 \"E\" {\n  txcl 0xFF204080\n  text \"12\"\n  imag \"Field\"\n}\n"
            "widget 'cowg' 2 \"P\" {\n  hier \"E\" 'tewg'\n}\n", HERE)
        self.assertEqual(read_back(data)[1][0][3][:12], bytes.fromhex("26000000" "6c637874 804020ff"))
        with self.assertRaises(ScriptError) as caught:
            compile_resources("widget 'tewg' 1 \"E\" {\n  txwr 1\n}\n", HERE)
        self.assertIn("no tag 'txwr'", caught.exception.message)

    def test_effect_chunks_take_their_fields_in_order(self):
        data = compile_resources(
            "widget 'cowg' 1 \"C\" {\n  grdf 1 0.0 0 0 0.5 0.5 2 0xFF000000 0.0 0xFFFFFFFF 1.0 255 1\n"
            "  shad 0 0x000000 7.0 8 8 200 0 0\n}\n", HERE)
        payload = read_back(data)[1][0][3]
        self.assertEqual(len(payload), 4 + (4 + 6 * 4 + 4 + 2 * 8 + 8) + (4 + 8 * 4))

    def test_mistakes_are_reported_with_their_line(self):
        cases = [
            ("widget 'wdgt' 1 \"A\" {\n  colr 1\n}\n", 2, "no tag 'colr'"),
            ("widget 'cowg' 1 \"A\" {\n  xpos\n}\n", 2, "value is missing"),
            ("widget 'cowg' 1 \"A\" {\n  vsbl 1 2\n}\n", 2, "takes 1 value"),
            ("widget 'cowg' 1 \"A\" {\n  hier \"K\" 'tbwg'\n}\n", 2, "cannot be created"),
            ("widget 'cowg' 1 \"A\" {\n  hier \"K\"\n}\n", 2, "pairs"),
            ("widget 'xxxx' 1 \"A\" {\n  vsbl 1\n}\n", 1, "no widget block"),
            ("widget 'tbwg' 1 \"A\" {\n  brde 0 1 1 1 1 0 0 0 0 0 1.0 255 0\n}\n", 2, "no tag 'brde'"),
            ("widget 'mltb' 1 \"A\" {\n  glow 0 0 1.0 0 0 100 0 0\n}\n", 2, "no tag 'glow'"),
            ("widget 'cowg' 1 \"A\" {\n}\n", 1, "at least one tag"),
            ("widget 'cowg' 1 \"A\" {\n  usrd \"9|int|1\"\n}\n", 1, "above 7"),
            ("widget 'cowg' 1 \"A\" {\n  usrd \"1|long|1\"\n}\n", 1, "neither"),
            ("widget 'cowg' 1 \"A\" {\n  usrd \"1 int\"\n}\n", 1, "index|type|value"),
            ("widget 'bkdp' 1 \"A\" {\n  curs \"Arrow|3\"\n}\n", 1, "name|x,y"),
            ("widget 'cowg' 1 \"A\" {\n  ctot 4 0 1.0 1 1 255 0\n}\n", 1, "outside 0..3"),
            ("widget 'cowg' 1 \"A\" {\n  shad 0 0 -1.0 8 8 200 0 0\n}\n", 1, "radius -1 is negative"),
            ("widget 'cowg' 1 \"A\" {\n  glow 0 0 -0.5 0 0 100 0 2\n}\n", 1, "radius -0.5 is negative"),
            ("widget 'cowg' 1 \"A\" {\n  ctot 0 0 -2.0 1 1 255 0\n}\n", 1, "radius -2 is negative"),
            # A hand-made block is checked the same way.
            ("chunk 'cowg' 1 \"A\" {\n  i32 8\n  code 'txtr'\n  i32 0\n}\n", 1, "no tag 'txtr'"),
            ("chunk 'wdgt' 1 \"A\" {\n  i32 -4\n}\n", 1, "byte count"),
        ]
        for source, line, text in cases:
            with self.subTest(source=source):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources(source, HERE)
                self.assertEqual(caught.exception.line, line)
                self.assertIn(text, caught.exception.message)

    def test_children_and_cursors_must_be_in_the_file(self):
        cases = [
            ("widget 'wdgt' 1 \"A\" {\n  hier \"K\" 'cowg'\n}\n", "no widget named 'K'"),
            ("widget 'wdgt' 1 \"A\" {\n  hier \"K\" 'cowg'\n}\nwidget 'wdgt' 2 \"K\" {\n  vsbl 1\n}\n",
             "'wdgt' widget, not 'cowg'"),
            ("widget 'bkdp' 1 \"A\" {\n  curs \"C|1,1\"\n}\n", "no widget named 'C'"),
            ("widget 'bkdp' 1 \"A\" {\n  curs \"C|1,1\"\n  dcur \"D\"\n}\nwidget 'wdgt' 2 \"C\" {\n  vsbl 1\n}\n",
             "default cursor 'D'"),
        ]
        for source, text in cases:
            with self.subTest(source=source):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources(source, HERE)
                self.assertEqual(caught.exception.line, 1)
                self.assertIn(text, caught.exception.message)

    def test_an_empty_backdrop_block_is_accepted(self):
        data = compile_resources("widget 'bkdp' 1 \"A\" {\n}\n", HERE)
        self.assertEqual(read_back(data)[1][0][3], bytes.fromhex("00000000"))


class ScriptErrors(unittest.TestCase):
    CASES = [
        ("unknown statement", "version 1\nimage 1 \"a\"\n", 2, "unknown statement"),
        ("version twice", "version 1\n\nversion 2\n", 3, "twice"),
        ("version 3", "version 3\n", 1, "outside 1..2"),
        ("id too large", "chunk 'abcd' 4294967296 \"a\" {\nu8 0\n}\n", 1, "outside"),
        ("short code", "chunk 'abc' 1 \"a\" {\nu8 0\n}\n", 1, "four printable"),
        ("vers by hand", "chunk 'vers' 1 \"a\" {\nu8 0\n}\n", 1, "version N"),
        ("unclosed brace", "chunk 'abcd' 1 \"a\" {\nu8 0\n", 1, "never closed"),
        ("stray brace", "}\n", 1, "without an opening"),
        ("unclosed quote", "chunk 'abcd' 1 \"a {\n", 1, "not closed"),
        ("bad value", "chunk 'abcd' 1 \"a\" {\n\n  u8 256\n}\n", 3, "outside 0..255"),
        ("unknown value", "chunk 'abcd' 1 \"a\" {\n  u64 1\n}\n", 2, "unknown payload"),
        ("line break in name", "chunk 'abcd' 1 \"a\\u000Ab\" {\nu8 0\n}\n", 1, "line break"),
        ("mark in name", "chunk 'abcd' 1 \"\\uFEFF\" {\nu8 0\n}\n", 1, "byte-order mark"),
        ("duplicate id", "chunk 'abcd' 1 \"a\" {\nu8 0\n}\nchunk 'abcd' 1 \"b\" {\nu8 0\n}\n",
         4, "first on line 1"),
        ("duplicate name", "chunk 'abcd' 1 \"a\" {\nu8 0\n}\nchunk 'wxyz' 2 \"a\" {\nu8 0\n}\n",
         4, "used again"),
        ("missing file", "sound 1 \"a\" \"no such.wav\"\n", 1, "no such.wav"),
    ]

    def test_each_mistake_is_reported_with_its_line(self):
        for label, source, line, message in self.CASES:
            with self.subTest(label):
                with self.assertRaises(ScriptError) as caught:
                    compile_resources(source, HERE)
                self.assertEqual(caught.exception.line, line)
                self.assertIn(message, caught.exception.message)


class StringTables(unittest.TestCase):
    def test_entries_match_hand_written_bytes(self):
        data = compile_strings('# texts\n3000000004 "En"\n7 "Local_Current" "a|b"\n')
        expected = bytes.fromhex(
            "045ed0b2 00000000 0a00 45006e00 0a00"
            "07000000 00000000" + "".join("%02x00" % ord(c) for c in "Local_Current") + "0a00"
            "61007c00 62000a00")
        self.assertEqual(data, expected)

    def test_text_before_an_id_starting_with_cr_ends_in_cr(self):
        # Id 13 starts with the unit 0x000D; after an LF it would be taken as part of a line end.
        # The empty text's CR in turn makes the empty name end in CR too.
        data = compile_strings('1 ""\n13 "x"\n')
        self.assertEqual(data[:16], bytes.fromhex("01000000 00000000 0d00 0d00 0d000000"))

    def test_mistakes_are_reported_with_their_line(self):
        cases = [
            ("duplicate id", '1 "a"\n1 "b"\n', 2, "used again"),
            ("duplicate name", '1 "n" "a"\n2 "n" "b"\n', 2, "used again"),
            ("line break", '1 "a\\u000Db"\n', 1, "line break"),
            ("nul", '1 "a\\u0000"\n', 1, "0 character"),
            ("no text", '1\n', 1, "usage"),
            ("id not a number", 'one "a"\n', 1, "number"),
        ]
        for label, source, line, message in cases:
            with self.subTest(label):
                with self.assertRaises(ScriptError) as caught:
                    compile_strings(source)
                self.assertEqual(caught.exception.line, line)
                self.assertIn(message, caught.exception.message)

    def test_non_bmp_text_is_stored_as_surrogate_pairs(self):
        data = compile_strings('1 "\\U0001F600"\n')
        self.assertEqual(data[10:], bytes.fromhex("3dd8 00de 0a00"))


class CommandLine(unittest.TestCase):
    def test_failed_run_writes_nothing_and_names_file_and_line(self):
        with tempfile.TemporaryDirectory() as folder:
            source = os.path.join(folder, "bad.mst")
            output = os.path.join(folder, "bad.msf")
            with open(source, "w") as out:
                out.write('1 "a"\n2 b\n')
            run = subprocess.run([sys.executable, os.path.join(HERE, "rescomp.py"), "strings",
                                  source, "-o", output], capture_output=True, text=True)
            self.assertEqual(run.returncode, 1)
            self.assertIn("bad.mst:2: error:", run.stderr)
            self.assertFalse(os.path.exists(output))


if __name__ == "__main__":
    unittest.main()
