"""Checks of the API table reader on the real table and on broken copies."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tools", "codegen"))
import apitable  # noqa: E402

with open(apitable.DEFAULT_PATH, encoding="utf-8") as source:
    TEXT = source.read()


class RealTable(unittest.TestCase):
    def setUp(self):
        self.api = apitable.load()

    def test_parameters_and_codes(self):
        vi = self.api.export("tovik_init").param("vi")
        self.assertEqual((vi.type, vi.shape, vi.start_code, vi.return_code),
                         ("ViSession", "pointer", 36, 35))
        port = self.api.export("YM_tovik_AttachGrpcSession").param("serverPort")
        self.assertEqual((port.start_code, port.traced_bytes, port.return_code), (1, 2, None))
        data = self.api.export("tovik_WriteWaveform").param("data")
        self.assertEqual((data.c_type(), data.count), ("const ViReal64*", "size"))
        buffer = self.api.export("tovik_GetFIRFilterCoefficients").param("coefficientsArray")
        self.assertEqual((buffer.c_type(), buffer.size, buffer.is_output),
                         ("ViReal64*", "arraySize", True))
        self.assertEqual(self.api.export("SetYMRTTLSIndexHook").return_type, "void")

    def test_entry_signatures(self):
        # Reached by two exports: the one named after the entry gives the signature.
        entry = self.api.entry("main.InitializeWithChannels")
        self.assertEqual([e.symbol for e in entry.exports],
                         ["tovik_InitializeWithChannels", "InitializeSessionForServer"])
        self.assertEqual([p.name for p in entry.params],
                         ["resourceName", "channelName", "resetDevice", "optionString", "vi"])
        self.assertEqual(self.api.entry("ym.init").params[-1].name, "errorDescription")
        own = self.api.entry("private.SetCloseFunctionPointer")
        self.assertEqual([(p.name, p.c_type()) for p in own.params], [("closeFunction", "ViAddr")])
        self.assertFalse(own.reached)
        self.assertEqual(self.api.export("YM_tovik_init").trace_name, "tovik_init")
        self.assertEqual(self.api.export("tovik_init").trace_name, "tovik_init")


class BrokenTables(unittest.TestCase):
    def assertRejected(self, old, new, message):
        self.assertIn(old, TEXT)
        with self.assertRaises(apitable.ApiTableError) as raised:
            apitable.loads(TEXT.replace(old, new, 1))
        self.assertIn(message, str(raised.exception))

    def test_rejections(self):
        cases = [
            ("export tovik_reset |", "# export tovik_reset |", "expected 232"),
            ("  init InitWithOptions", "  InitWithOptions", "has 152 entries, expected 153"),
            ("| main.reset |", "| main.noSuchEntry |", "unknown entry 'main.noSuchEntry'"),
            ("  init InitWithOptions", "  init init InitWithOptions", "appears twice"),
            ("vi: ViSession* [36>35]", "vi: ViSession* [36>]", "cannot read trace codes"),
            ("vi: ViSession* [36>35]", "vi: ViSession*", "has no trace codes"),
            ("(closeFunction: ViAddr)", "(closeFunction: ViAddr [45])", "carries trace codes"),
            ("| main.self_test |", "| - |", "calls no entry"),
            ("count=waveformSize", "count=noSuchSize", "unknown parameter 'noSuchSize'"),
            ("resourceName: ViConstString [45]", "resourceName: ViFloat [45]", "unknown type"),
            ("| opening | main.init |", "| opened | main.init |", "unknown frame"),
            ("| ym-opening | ym.init |", "| opening | ym.init |", "only Ymber frames"),
            ("export tovik_DisablePauseTrigger | - |", "export tovik_DisablePauseTrigger | 9 |",
             "an untraced frame has no trace id"),
            ("export tovik_reset | 23 |", "export tovik_reset | - |", "needs a trace id"),
        ]
        for old, new, message in cases:
            with self.subTest(new):
                self.assertRejected(old, new, message)

    def test_entry_without_parameters(self):
        self.assertRejected("ReleaseSessionForServer(vi: ViSession)", "ReleaseSessionForServer",
                            "reached by no export")


if __name__ == "__main__":
    unittest.main()
