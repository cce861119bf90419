#!/usr/bin/env python3
"""Expands tables/status_codes.table (its header documents the format) into:

  status/StatusCodeTable.h       voerr::codes constants for the raise sites
  status/StatusCodeCatalogue.h   every record, for tests
  status/StatusCodeNames.h       the symbolic names as C data, for the tools
  tovik_status.h                 the public C constants (in --public-dir)
  share/errors/<Language>/tovik.err
  share/mierrors/tovik/<Language>/tovik.err
                                 the error-description files

The values of engine statuses come from tables/ivi_engine.table. Files whose
text is unchanged are not rewritten.
"""

import argparse
import os
import re
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
from gen_ivi_engine import c_string, write_if_changed  # noqa: E402

LANGUAGES = [("en", "English"), ("fr", "French"), ("de", "German"), ("ja", "Japanese")]
IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z_0-9]*$")
NOTE = "Generated from tables/status_codes.table by tools/codegen/gen_status_codes.py; do not edit."
# Lines the error-file reader would take for tags.
TAG = re.compile(r"\s*<|\x00", re.IGNORECASE)


class TableError(Exception):
    pass


def signed32(value):
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


def read_engine_statuses(path):
    statuses = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            if line.startswith("status "):
                name, value = [f.strip() for f in line[len("status "):].split("|")][:2]
                statuses[name] = signed32(int(value, 0))
    return statuses


class Record:
    def __init__(self, line, symbol, value, raised_by_library):
        self.line = line
        self.symbol = symbol
        self.value = value
        self.raised_by_library = raised_by_library
        self.constants = []
        self.descriptions = {}


def read_table(path, engine):
    records = []
    with open(path, encoding="utf-8") as table:
        for number, raw in enumerate(table, 1):
            text = raw.rstrip("\n")
            stripped = text.strip()
            if not stripped or stripped.startswith("#"):
                continue
            try:
                if text[0].isspace():
                    if not records:
                        raise TableError("an indented line before any record")
                    record = records[-1]
                    keyword, _, rest = stripped.partition(" ")
                    rest = rest.strip()
                    if keyword == "constant":
                        name, _, constant = [f.strip() for f in rest.partition("|")]
                        if not IDENTIFIER.match(name) or not constant:
                            raise TableError("a constant row is 'constant kName | text'")
                        if not record.raised_by_library:
                            raise TableError("an engine record has no constants")
                        record.constants.append((name, None if constant == "-" else constant))
                    elif keyword in dict(LANGUAGES):
                        if keyword in record.descriptions:
                            raise TableError("a second '%s' description" % keyword)
                        if not rest or TAG.match(rest):
                            raise TableError("a description must be text that is not a tag")
                        record.descriptions[keyword] = rest
                    else:
                        raise TableError("unknown line '%s'" % keyword)
                    continue
                keyword, _, rest = stripped.partition(" ")
                if keyword == "code":
                    symbol, _, value = [f.strip() for f in rest.partition("|")]
                    if value in engine:
                        code = engine[value]
                    elif re.match(r"-?(0x[0-9A-Fa-f]+|[0-9]+)$", value):
                        code = signed32(int(value, 0))
                    else:
                        raise TableError("value '%s' is neither a number nor an engine status" % value)
                    records.append(Record(number, symbol, code, True))
                elif keyword == "engine":
                    symbol = rest.strip()
                    if symbol not in engine:
                        raise TableError("'%s' is not a status of ivi_engine.table" % symbol)
                    records.append(Record(number, symbol, engine[symbol], False))
                else:
                    raise TableError("unknown record '%s'" % keyword)
                if not IDENTIFIER.match(records[-1].symbol):
                    raise TableError("bad symbol '%s'" % records[-1].symbol)
            except TableError as error:
                raise TableError("%s:%d: %s" % (path, number, error))
    return records


def check(records, engine):
    seen_values, seen_symbols, seen_constants = {}, set(), set()
    for record in records:
        where = "line %d (%s)" % (record.line, record.symbol)
        missing = [code for code, _ in LANGUAGES if code not in record.descriptions]
        if missing:
            raise TableError("%s: no description in %s" % (where, ", ".join(missing)))
        if record.value in seen_values:
            raise TableError("%s: value %d already described by %s" %
                             (where, record.value, seen_values[record.value]))
        seen_values[record.value] = record.symbol
        if record.symbol in seen_symbols:
            raise TableError("%s: symbol repeated" % where)
        seen_symbols.add(record.symbol)
        if record.raised_by_library and not record.constants:
            raise TableError("%s: a library code needs a constant" % where)
        for name, _ in record.constants:
            if name in seen_constants:
                raise TableError("%s: constant %s repeated" % (where, name))
            seen_constants.add(name)
    undescribed = sorted(name for name, value in engine.items() if value not in seen_values)
    if undescribed:
        raise TableError("engine statuses without a record: %s" % ", ".join(undescribed))


def c_code(value):
    if value < 0 and value < -65536:
        return "static_cast<int32_t>(0x%08Xu)" % (value & 0xFFFFFFFF)
    return str(value)


def table_header(records):
    lines = ["// " + NOTE,
             "// The status codes the library raises, each with the source text its",
             "// reports record as \"error_constant\".",
             "#pragma once", "", "#include <cstdint>", "", "namespace voerr {", "",
             "// A code together with the text recorded as \"error_constant\" (null: none).",
             "struct StatusConstant {", "  int32_t code;", "  const char* text;", "};", "",
             "namespace codes {", ""]
    for record in records:
        for name, constant in record.constants:
            lines.append("// %s" % record.symbol)
            lines.append("constexpr StatusConstant %s{%s, %s};" %
                         (name, c_code(record.value), c_string(constant) if constant else "nullptr"))
    lines += ["", "}  // namespace codes", "}  // namespace voerr", ""]
    return "\n".join(lines)


def catalogue_header(records):
    lines = ["// " + NOTE,
             "// Every status code with a description: the library's own and the",
             "// engine's, with the descriptions in English, French, German, Japanese.",
             "#pragma once", "", "#include <cstdint>", "", "namespace voerr {", "",
             "struct StatusCodeRecord {", "  int32_t code;", "  const char* symbol;",
             "  bool raisedByLibrary;",
             "  const char* description[4];  // languages 0-3", "};", "",
             "inline constexpr StatusCodeRecord kStatusCodeCatalogue[] = {"]
    for record in records:
        texts = ", ".join(c_string(record.descriptions[code]) for code, _ in LANGUAGES)
        lines.append("    {%s, %s, %s, {%s}}," % (c_code(record.value), c_string(record.symbol),
                                                 "true" if record.raised_by_library else "false",
                                                 texts))
    lines += ["};", "", "}  // namespace voerr", ""]
    return "\n".join(lines)


def names_header(records):
    """The symbolic name of every code, as C data for the tools."""
    lines = ["/* " + NOTE + " */",
             "/* The symbolic name of every status code of the table. */",
             "#ifndef TOVIK_STATUS_CODE_NAMES_H", "#define TOVIK_STATUS_CODE_NAMES_H", "",
             "#include <stdint.h>", "",
             "struct TovikStatusCodeName {", "  int32_t code;", "  const char* symbol;", "};", "",
             "static const struct TovikStatusCodeName kTovikStatusCodeNames[] = {"]
    for record in records:
        lines.append("    {%d, %s}," % (record.value, c_string(record.symbol)))
    lines += ["};", "", "#endif", ""]
    return "\n".join(lines)


def public_header(records):
    """tovik_status.h: a C constant for every code, in the same spelling as the
    engine's own header for the engine's codes, so both may be included."""
    lines = ["/* " + NOTE + " */",
             "/* The status codes of the driver: the codes the library returns itself",
             " * (TOVIK_ERROR_...) and the IVI engine's codes it passes on. Describe one",
             " * with tovik_error_message or the tovik-error tool. */",
             "#ifndef TOVIK_STATUS_H", "#define TOVIK_STATUS_H", "",
             '#include "tovik_vitypes.h"', ""]
    for record in records:
        english = record.descriptions["en"].split(". ")[0].rstrip(".").replace("*/", "* /")
        define = "#define %s ((ViStatus)%d) /* 0x%08X: %s. */" % (
            record.symbol, record.value, record.value & 0xFFFFFFFF, english)
        if record.raised_by_library:
            lines.append(define)
        else:
            lines += ["#ifndef %s" % record.symbol, define, "#endif"]
    lines += ["", "#endif", ""]
    return "\n".join(lines)


def error_file(records, code, directory):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<vodocument>", "<vocomment>",
             "Descriptions of the tovik driver's status codes (%s)." % directory, NOTE,
             "</vocomment>"]
    for record in records:
        lines += ['<voerror code="%d">' % record.value, record.descriptions[code], "</voerror>"]
    lines += ["</vodocument>", ""]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--table", required=True)
    parser.add_argument("--engine-table", required=True)
    parser.add_argument("--output-dir", required=True, help="the generated headers' root")
    parser.add_argument("--share-dir", required=True, help="the shared directory to fill")
    parser.add_argument("--public-dir", required=True, help="the public headers' folder")
    arguments = parser.parse_args()
    try:
        engine = read_engine_statuses(arguments.engine_table)
        records = read_table(arguments.table, engine)
        check(records, engine)
    except TableError as error:
        sys.exit("gen_status_codes: %s" % error)
    write_if_changed(os.path.join(arguments.output_dir, "status", "StatusCodeTable.h"),
                     table_header(records))
    write_if_changed(os.path.join(arguments.output_dir, "status", "StatusCodeCatalogue.h"),
                     catalogue_header(records))
    write_if_changed(os.path.join(arguments.public_dir, "tovik_status.h"), public_header(records))
    write_if_changed(os.path.join(arguments.output_dir, "status", "StatusCodeNames.h"),
                     names_header(records))
    for code, directory in LANGUAGES:
        text = error_file(records, code, directory)
        for below in (("errors", directory), ("mierrors", "tovik", directory)):
            write_if_changed(os.path.join(arguments.share_dir, *below, "tovik.err"), text)


if __name__ == "__main__":
    main()
