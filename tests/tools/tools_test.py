#!/usr/bin/env python3
"""The command-line tools, run as a user runs them.

tools_test.py TOVIK_ERROR TOVIK_PLOT STATUS_TABLE SIMULATOR_DIR

tovik-error's descriptions are checked against tables/status_codes.table,
which the error files the library reads are generated from.
"""

import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

TOVIK_ERROR, TOVIK_PLOT, STATUS_TABLE, SIMULATOR_DIR = sys.argv[1:5]
LANGUAGE_COLUMN = {"en": "en", "fr": "fr", "de": "de", "jp": "ja"}


def descriptions():
    """symbol -> {language -> description} from the status table."""
    table, symbol = {}, None
    with open(STATUS_TABLE, encoding="utf-8") as source:
        for line in source:
            record = re.match(r"^(?:code|engine) (\w+)", line)
            if record:
                symbol = record.group(1)
                table[symbol] = {}
            text = re.match(r"^\s+(en|fr|de|ja) (.*)$", line)
            if text and symbol:
                table[symbol][text.group(1)] = text.group(2)
    return table


def run(program, *args, env=None):
    return subprocess.run([program, *args], capture_output=True, text=True, timeout=60,
                          env=dict(os.environ, **(env or {})))


class TovikErrorTest(unittest.TestCase):
    table = descriptions()

    def test_describes_codes_in_each_language(self):
        # (arguments, symbol, language): decimal and hexadecimal, every way to
        # name a language, a library code and an engine code, and the longest
        # texts (past the 256 bytes of tovik_error_message).
        cases = [
            (["-1074130544"], "TOVIK_ERROR_INVALID_SESSION_HANDLE", "en"),
            (["--language", "fr", "-1074130544"], "TOVIK_ERROR_INVALID_SESSION_HANDLE", "fr"),
            (["--language=de", "0xBFFA1190"], "TOVIK_ERROR_INVALID_SESSION_HANDLE", "de"),
            (["-l", "JP", "0xbffa1190"], "TOVIK_ERROR_INVALID_SESSION_HANDLE", "jp"),
            (["0xBFFA0010"], "IVI_ERROR_INVALID_VALUE", "en"),
            (["--language", "de", "0xBFFA0000"], "TOVIK_ERROR_INTERNAL_SOFTWARE_ERROR", "de"),
            (["--language", "jp", "-52006"], "TOVIK_ERROR_RESOURCE_NOT_FOUND", "jp"),
        ]
        # The language is chosen by opening a simulated session: with the
        # simulator on the path that open succeeds, without it it fails.
        for simulator in ({}, {"LD_LIBRARY_PATH": SIMULATOR_DIR}):
            for args, symbol, language in cases:
                with self.subTest(args=args, simulator=bool(simulator)):
                    result = run(TOVIK_ERROR, *args, env=simulator)
                    self.assertEqual((result.returncode, result.stderr), (0, ""))
                    head, text = result.stdout.rstrip("\n").split("\n", 1)
                    self.assertTrue(head.endswith(") " + symbol), head)
                    self.assertEqual(text, self.table[symbol][LANGUAGE_COLUMN[language]])

    def test_the_first_line_gives_both_forms_of_the_code(self):
        result = run(TOVIK_ERROR, "0xBFFA1190")
        self.assertTrue(result.stdout.startswith(
            "-1074130544 (0xBFFA1190) TOVIK_ERROR_INVALID_SESSION_HANDLE\n"))

    def test_codes_that_are_not_the_drivers(self):
        result = run(TOVIK_ERROR, "0x12345")
        self.assertEqual(result.returncode, 1)
        self.assertIn("74565 (0x00012345) is not a status code of the tovik driver", result.stdout)
        result = run(TOVIK_ERROR, "0")
        self.assertEqual((result.returncode, result.stdout), (0, "0 (0x00000000): success, no error\n"))

    def test_usage_errors(self):
        cases = [
            ([], "no CODE given"),
            (["abc"], "CODE must be"),
            (["0x"], "CODE must be"),
            (["-"], "unknown option"),
            (["12x"], "CODE must be"),
            (["0x1FFFFFFFF"], "CODE must be"),
            (["2147483648"], "CODE must be"),
            (["-2147483649"], "CODE must be"),
            (["1", "2"], "one CODE only"),
            (["--language", "xx", "1"], "unknown language"),
            (["1", "--language"], "unknown language"),
            (["--frobnicate", "1"], "unknown option"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = run(TOVIK_ERROR, *args)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertIn("tovik-error: " + message, result.stderr)
                self.assertIn("usage: tovik-error", result.stderr)

    def test_extreme_codes_are_accepted(self):
        for args, first in [(["-2147483648"], "-2147483648 (0x80000000)"),
                            (["0xFFFFFFFF"], "-1 (0xFFFFFFFF)"),
                            (["+1"], "1 (0x00000001)")]:
            with self.subTest(args=args):
                self.assertTrue(run(TOVIK_ERROR, *args).stdout.startswith(first))

    def test_version_and_help(self):
        result = run(TOVIK_ERROR, "--version")
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout, r"^libtovik 1\.0\.0 \(/.*/libtovik\.so\.1\.0\.0\)\n$")
        result = run(TOVIK_ERROR, "--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn("usage: tovik-error [--language en|fr|de|jp] CODE", result.stdout)


class TovikPlotTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()

    def capture(self, name, text):
        path = os.path.join(self.work, name)
        with open(path, "w", encoding="utf-8") as output:
            output.write(text)
        return path

    def plot(self, *args):
        out = os.path.join(self.work, "out.svg")
        return run(TOVIK_PLOT, "-o", out, *args), out

    def test_one_panel_per_capture_with_every_sample(self):
        first = self.capture("a&b.csv", "time_s,volts\n0,0\n0.0005,1\n0.001,-1\nnot,a number\n")
        second = self.capture("empty.csv", "time_s,volts\n")
        result, out = self.plot("-t", "<title>", first, second)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        svg = ElementTree.parse(out).getroot()  # well-formed, names escaped
        ns = "{http://www.w3.org/2000/svg}"
        lines = svg.findall(ns + "polyline")
        self.assertEqual(len(lines), 1)
        self.assertEqual(len(lines[0].get("points").split()), 3)
        texts = [t.text for t in svg.iter(ns + "text")]
        self.assertIn("<title>", texts)
        self.assertIn("a&b.csv (3 samples)", texts)
        self.assertIn("no samples", texts)
        self.assertIn("time (ms)", texts)

    def test_failures(self):
        good = self.capture("good.csv", "0,1\n")
        cases = [
            ([], 2, "no capture given"),
            (["-o"], 2, "need a value"),
            (["-x", good], 2, "unknown option"),
            ([os.path.join(self.work, "missing.csv")], 1, "missing.csv"),
            (["-o", os.path.join(self.work, "no", "such", "dir.svg"), good], 1, "dir.svg"),
        ]
        for args, status, message in cases:
            with self.subTest(args=args):
                result = run(TOVIK_PLOT, *args)
                self.assertEqual(result.returncode, status)
                self.assertIn(message, result.stderr)

    def test_a_mebibyte_capture_is_quick(self):
        lines = ["%.9g,%.9g" % (i * 1e-6, (i % 100) / 50.0 - 1) for i in range(80000)]
        big = self.capture("big.csv", "time_s,volts\n" + "\n".join(lines) + "\n")
        self.assertGreater(os.path.getsize(big), 1 << 20)
        start = time.monotonic()
        result, _ = self.plot(big)
        self.assertEqual(result.returncode, 0)
        self.assertLess(time.monotonic() - start, 1.0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
