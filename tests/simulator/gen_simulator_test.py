"""Checks of the simulator's generator on the real tables and on broken copies."""

import contextlib
import io
import os
import shutil
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "codegen"))
import gen_simulator  # noqa: E402

TABLES = ["products.def", "simulated_models.table", "simulated_attributes.table", "tovik_api.table"]


class Generator(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.tables = os.path.join(self.work, "tables")
        os.makedirs(self.tables)
        for name in TABLES:
            shutil.copy(os.path.join(ROOT, "tables", name), self.tables)
        self.entries = os.path.join(self.work, "entries.list")
        shutil.copy(os.path.join(ROOT, "simulator", "entries.list"), self.entries)

    def tearDown(self):
        shutil.rmtree(self.work)

    def path(self, name):
        return self.entries if name == "entries.list" else os.path.join(self.tables, name)

    def edit(self, name, old, new):
        path = self.path(name)
        with open(path, encoding="utf-8") as source:
            text = source.read()
        self.assertIn(old, text)
        with open(path, "w", encoding="utf-8") as output:
            output.write(text.replace(old, new, 1))

    def run_generator(self):
        errors = io.StringIO()
        with contextlib.redirect_stderr(errors):
            status = gen_simulator.main(["gen_simulator.py", "--tables", self.tables, "--entries", self.entries,
                                         "--output-dir", os.path.join(self.work, "out"),
                                         "--public-dir", os.path.join(self.work, "public")])
        return status, errors.getvalue()

    def test_real_tables(self):
        status, errors = self.run_generator()
        self.assertEqual((status, errors), (0, ""))
        with open(os.path.join(self.work, "public", "tovik_attributes.h"), encoding="utf-8") as header:
            text = header.read()
        self.assertIn("#define IVIFGEN_ATTR_FUNC_FREQUENCY ((ViAttr)1250104UL)", text)
        self.assertIn("#define IVIFGEN_VAL_WFM_SINE (1)", text)
        self.assertIn("#define IVIFGEN_ERROR_WFM_IN_USE ((ViStatus)0xBFFA2008UL)", text)

    def test_broken_tables(self):
        models, attributes = "simulated_models.table", "simulated_attributes.table"
        cases = [
            (models, 'model "GP" |', '# model "GP" |', "model 'GP' has no row"),
            (models, 'model "GE" |', 'model "GZ" |', "model 'GZ' is not in products.def"),
            (models, "| memory 2097152 |", "| memory 2097152 | colour 3 |", "unknown figure 'colour 3'"),
            (models, "frequency 1e-6 15e6", "frequency 15e6 1e-6", "minimum above maximum"),
            (models, 'waveform_size 32 | firmware "GP', 'waveform_size 12 | firmware "GP',
             "no multiple of the quantum"),
            (attributes, "| 1250105 |", "| 1250104 |", "attribute id 1250104 is used by"),
            (attributes, "enum OUTPUT_MODE", "enum OUTPUT_MODES", "names no value set"),
            (attributes, "[-180, 180]", "[-180, model.phase]", "unknown model figure 'model.phase'"),
            (attributes, "| IVIFGEN_VAL_WFM_SINE | 1 |", "| IVIFGEN_VAL_WFM_SINE | one |", "bad value 'one'"),
            ("entries.list", "main.ConfigureFrequency", "main.ConfigureFrequence",
             "'main.ConfigureFrequence' is no entry"),
            ("entries.list", "private.SetCloseFunctionPointer", "", "SetCloseFunctionPointer is not listed"),
        ]
        for name, old, new, message in cases:
            with self.subTest(message):
                self.tearDown()
                self.setUp()
                self.edit(name, old, new)
                status, errors = self.run_generator()
                self.assertEqual(status, 1)
                self.assertIn(message, errors)

if __name__ == "__main__":
    unittest.main()
