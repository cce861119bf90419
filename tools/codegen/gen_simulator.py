#!/usr/bin/env python3
"""Generate the simulated generator's tables and exported entry points.

Reads
  tables/simulated_models.table      figures per model label
  tables/products.def                the labels, their buses and plugin families
  tables/simulated_attributes.table  attributes, values, texts, status codes
  tables/tovik_api.table             the entries' parameter lists
  simulator/entries.list             the entries the simulator implements
and writes into PUBLIC_DIR
  tovik_attributes.h     the public C constants of the attribute table
                         (attributes, values, status codes, device errors)
and into OUTPUT_DIR
  SimulatorTables.cc     the models, attributes, values, texts and messages
  SimulatorEntries.h     the declarations of sim::entry::<Entry>
  SimulatorExports.cc    one exported C function per listed entry, named by
                         the family prefixes SIM_PREFIX / SIM_YM_PREFIX

Usage: gen_simulator.py --tables DIR --entries FILE --output-dir DIR --public-dir DIR
"""

import argparse
import os
import re
import shlex
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import apitable  # noqa: E402
from gen_ivi_engine import c_string, write_if_changed  # noqa: E402


class TableError(Exception):
    pass


def fail(path, line, message):
    raise TableError(f"{path}:{line}: {message}")


def rows(path):
    """(line number, fields) of every row, '#' comments and blanks removed."""
    with open(path, encoding="utf-8") as source:
        for number, raw in enumerate(source, 1):
            line = raw.split("#", 1)[0].strip()
            if line:
                yield number, [field.strip() for field in line.split("|")]


# ------------------------------------------------------------------ models

# Figure key -> (C++ member names, kind of each value).
FIGURES = {
    "channels": (["channels"], "int"),
    "frequency": (["frequency.min", "frequency.max"], "real"),
    "amplitude": (["amplitude"], "real"),
    "peak": (["peak"], "real"),
    "sample_rate": (["sampleRate.min", "sampleRate.max"], "real"),
    "memory": (["memory"], "int"),
    "waveform_quantum": (["waveformQuantum"], "int"),
    "waveform_size": (["minWaveformSize"], "int"),
    "waveforms": (["maxWaveforms"], "int"),
    "sequences": (["maxSequences"], "int"),
    "sequence_length": (["sequenceLength.min", "sequenceLength.max"], "int"),
    "loop_count": (["maxLoopCount"], "int"),
    "freq_lists": (["maxFreqLists"], "int"),
    "freq_list_length": (["freqListLength.min", "freqListLength.max"], "int"),
    "freq_list_duration": (["freqListDuration.min", "freqListDuration.max", "freqListDurationQuantum"],
                           "real"),
    "firmware": (["firmware"], "text"),
}
MEMBER_ORDER = [member for members, _ in FIGURES.values() for member in members]

# model.<figure>[.min|.max] as used in the attribute table -> sim::Figure.
FIGURE_REFERENCES = {
    "model.channels": "kChannels",
    "model.frequency.min": "kFrequencyMin",
    "model.frequency.max": "kFrequencyMax",
    "model.amplitude": "kAmplitude",
    "model.peak": "kPeak",
    "model.sample_rate.min": "kSampleRateMin",
    "model.sample_rate.max": "kSampleRateMax",
    "model.memory": "kMemory",
    "model.waveform_quantum": "kWaveformQuantum",
    "model.waveform_size": "kWaveformSize",
    "model.waveforms": "kWaveforms",
    "model.sequences": "kSequences",
    "model.sequence_length.min": "kSequenceLengthMin",
    "model.sequence_length.max": "kSequenceLengthMax",
    "model.loop_count": "kLoopCount",
    "model.freq_lists": "kFreqLists",
    "model.name": "kName",
    "model.firmware": "kFirmware",
}

INT32_MAX = 2**31 - 1


def parse_figure(path, number, text):
    try:
        words = shlex.split(text)
    except ValueError as error:
        fail(path, number, f"cannot read '{text}': {error}")
    if not words or words[0] not in FIGURES:
        fail(path, number, f"unknown figure '{text}'")
    key, values = words[0], words[1:]
    members, kind = FIGURES[key]
    if len(values) != len(members):
        fail(path, number, f"figure '{key}' takes {len(members)} value(s)")
    parsed = []
    for value in values:
        if kind == "text":
            parsed.append(value)
            continue
        try:
            number_value = float(value) if kind == "real" else int(float(value))
        except ValueError:
            fail(path, number, f"figure '{key}': '{value}' is no number")
        if kind == "int" and not 0 < number_value <= INT32_MAX:
            fail(path, number, f"figure '{key}': {value} is not a positive 32-bit count")
        if kind == "real" and not number_value > 0:
            fail(path, number, f"figure '{key}': {value} is not positive")
        parsed.append(number_value)
    if len(parsed) >= 2 and kind != "text" and parsed[0] > parsed[1]:
        fail(path, number, f"figure '{key}': minimum above maximum")
    return dict(zip(members, parsed))


def load_products(path):
    """label -> [buses in table order, plugin family, default flag], in table order."""
    products = {}
    pattern = re.compile(r'^TOVIK_PRODUCT\("([^"]+)",\s*"([^"]+)",\s*\w+,\s*(\w+),\s*\d,\s*\d,\s*(\d)\)')
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            if not line.startswith("TOVIK_PRODUCT("):
                continue
            match = pattern.match(line.strip())
            if not match:
                fail(path, number, "cannot read the product row")
            label, bus, family, default = match.groups()
            row = products.setdefault(label, [[], family, False])
            if row[1] != family:
                fail(path, number, f"model '{label}' belongs to two plugin families")
            row[0].append(bus)
            row[2] = row[2] or default == "1"
    return products


def load_models(path, products):
    defaults, models = None, {}
    for number, fields in rows(path):
        head = fields[0]
        figures = {}
        for text in fields[1:]:
            figures.update(parse_figure(path, number, text))
        if head == "defaults":
            if defaults is not None:
                fail(path, number, "a second defaults row")
            defaults = figures
            continue
        match = re.match(r'^model\s+"([^"]+)"$', head)
        if not match:
            fail(path, number, f"a row starts with defaults or model \"<label>\", not '{head}'")
        label = match.group(1)
        if label in models:
            fail(path, number, f"model '{label}' appears twice")
        if label not in products:
            fail(path, number, f"model '{label}' is not in products.def")
        models[label] = (number, figures)
    if defaults is None:
        fail(path, 0, "no defaults row")
    for label in products:
        if label not in models:
            fail(path, 0, f"products.def model '{label}' has no row")
    result = []
    for label in products:  # the product table's order
        number, figures = models[label]
        merged = dict(defaults)
        merged.update(figures)
        missing = [m for m in MEMBER_ORDER if m not in merged]
        if missing:
            fail(path, number, f"model '{label}' lacks {', '.join(missing)}")
        if merged["minWaveformSize"] % merged["waveformQuantum"]:
            fail(path, number, f"model '{label}': the smallest waveform is no multiple of the quantum")
        if merged["minWaveformSize"] > merged["memory"]:
            fail(path, number, f"model '{label}': the smallest waveform exceeds the memory")
        if merged["amplitude"] > 2 * merged["peak"]:
            fail(path, number, f"model '{label}': the amplitude exceeds twice the peak")
        buses, family, default = products[label]
        result.append((label, buses, family, default, merged))
    return result


# -------------------------------------------------------------- attributes

ATTR_TYPES = {"ViInt32": "kInt32", "ViReal64": "kReal64", "ViBoolean": "kBoolean",
              "ViString": "kString"}
HANDLE_KINDS = {"waveform": "kWaveform", "sequence": "kSequence", "freq_list": "kFreqList"}
_INTERVAL = re.compile(r"^([\[(])\s*([^,]+?)\s*,\s*([^,]+?)\s*([\])])$")


class Attributes:
    def __init__(self):
        self.attrs = []      # (number, name, id, type, scope, access, default, check)
        self.values = []     # (set, name, value, meaning)
        self.texts = []      # (set, text)
        self.statuses = []   # (name, code, message)
        self.device_errors = []  # (name, code, message)


def c_number(value):
    text = repr(float(value))
    return text if ("e" in text or "." in text or "inf" in text) else text + ".0"


def load_attributes(path):
    table = Attributes()
    names = set()

    def unique(number, name):
        if not re.match(r"^[A-Z][A-Z0-9_]*$", name):
            fail(path, number, f"bad constant name '{name}'")
        if name in names:
            fail(path, number, f"'{name}' is defined twice")
        names.add(name)

    for number, fields in rows(path):
        kind, _, first = fields[0].partition(" ")
        fields = [first.strip()] + fields[1:]
        if kind == "attr":
            if len(fields) != 7:
                fail(path, number, "an attr row has 7 fields")
            name, ident, type_, scope, access, default, check = fields
            unique(number, name)
            if type_ not in ATTR_TYPES:
                fail(path, number, f"unknown type '{type_}'")
            if scope not in ("channel", "session"):
                fail(path, number, f"unknown scope '{scope}'")
            if access not in ("rw", "ro"):
                fail(path, number, f"unknown access '{access}'")
            if not ident.isdigit():
                fail(path, number, f"bad attribute id '{ident}'")
            table.attrs.append((number, name, int(ident), type_, scope, access, default, check))
        elif kind == "value":
            if len(fields) != 4:
                fail(path, number, "a value row has 4 fields")
            set_name, name, value, meaning = fields
            unique(number, name)
            try:
                table.values.append((set_name, name, int(value, 0), meaning))
            except ValueError:
                fail(path, number, f"bad value '{value}'")
        elif kind == "text":
            if len(fields) != 2 or not re.match(r'^"[^"\\]*"$', fields[1]):
                fail(path, number, 'a text row is: text <SET> | "<text>"')
            table.texts.append((fields[0], fields[1][1:-1]))
        elif kind in ("status", "device_error"):
            if len(fields) != 3:
                fail(path, number, f"a {kind} row has 3 fields")
            name, code, message = fields
            unique(number, name)
            try:
                value = int(code, 0)
            except ValueError:
                fail(path, number, f"bad code '{code}'")
            if kind == "status":
                value = value - 2**32 if value >= 2**31 else value
                table.statuses.append((name, value, message))
            else:
                table.device_errors.append((name, value, message))
        else:
            fail(path, number, f"unknown row kind '{kind}'")

    ids = {}
    value_names = {name: (set_name, value) for set_name, name, value, _ in table.values}
    value_sets = {set_name for set_name, *_ in table.values}
    text_sets = {set_name for set_name, _ in table.texts}
    for number, name, ident, type_, scope, access, default, check in table.attrs:
        if ident in ids:
            fail(path, number, f"attribute id {ident} is used by {ids[ident]} too")
        ids[ident] = name
        if not (1050000 < ident < 1100000 or 1150000 < ident < 1200000 or 1250000 < ident < 1300000):
            fail(path, number, f"attribute id {ident} is outside the IVI, driver and IviFgen ranges")
        words = check.split()
        if words and words[0] == "enum" and (len(words) != 2 or words[1] not in value_sets):
            fail(path, number, f"check '{check}' names no value set")
        if words and words[0] == "text" and (len(words) != 2 or words[1] not in text_sets):
            fail(path, number, f"check '{check}' names no text set")
        if default in value_names and words[:1] == ["enum"] and value_names[default][0] != words[1]:
            fail(path, number, f"default {default} is not a value of {words[1]}")
    table.value_names = value_names
    return table


def bound_expression(path, number, text):
    text = text.strip()
    sign = -1.0 if text.startswith("-model.") else 1.0
    reference = text[1:] if sign < 0 else text
    if reference.startswith("model."):
        if reference not in FIGURE_REFERENCES:
            fail(path, number, f"unknown model figure '{reference}'")
        return f"{{0.0, Figure::{FIGURE_REFERENCES[reference]}, true, {c_number(sign)}}}"
    try:
        return f"{{{c_number(float(text))}, Figure::kChannels, false, 1.0}}"
    except ValueError:
        fail(path, number, f"bad bound '{text}'")


def check_expression(path, number, check, type_):
    none = "{CheckKind::kNone, false, false, {}, {}, nullptr, nullptr, 0, HandleKind::kWaveform}"
    if check == "-":
        return none, None
    interval = _INTERVAL.match(check)
    if interval:
        if type_ not in ("ViInt32", "ViReal64"):
            fail(path, number, "an interval checks numbers only")
        open_low, low, high, open_high = interval.groups()
        return (f"{{CheckKind::kInterval, {'true' if open_low == '[' else 'false'}, "
                f"{'true' if open_high == ']' else 'false'}, {bound_expression(path, number, low)}, "
                f"{bound_expression(path, number, high)}, nullptr, nullptr, 0, HandleKind::kWaveform}}"), None
    words = check.split()
    if words[0] == "enum" and type_ == "ViInt32":
        return (f"{{CheckKind::kEnum, false, false, {{}}, {{}}, {c_string(words[1])}, nullptr, 0, "
                f"HandleKind::kWaveform}}"), None
    if words[0] == "text" and type_ == "ViString":
        return (f"{{CheckKind::kText, false, false, {{}}, {{}}, {c_string(words[1])}, nullptr, 0, "
                f"HandleKind::kWaveform}}"), None
    if words[0] == "one_of" and len(words) > 1 and type_ in ("ViInt32", "ViReal64"):
        try:
            values = [float(word) for word in words[1:]]
        except ValueError:
            fail(path, number, f"bad one_of list '{check}'")
        return None, values
    if words[0] == "handle" and len(words) == 2 and words[1] in HANDLE_KINDS and type_ == "ViInt32":
        return (f"{{CheckKind::kHandle, false, false, {{}}, {{}}, nullptr, nullptr, 0, "
                f"HandleKind::{HANDLE_KINDS[words[1]]}}}"), None
    fail(path, number, f"cannot read check '{check}' for a {type_}")


def default_expression(path, number, default, type_, value_names):
    if default == "computed":
        return "{DefaultKind::kComputed, 0.0, nullptr, Figure::kChannels}"
    if default in FIGURE_REFERENCES:
        return f"{{DefaultKind::kFigure, 0.0, nullptr, Figure::{FIGURE_REFERENCES[default]}}}"
    if type_ == "ViString":
        if not re.match(r'^"[^"\\]*"$', default):
            fail(path, number, f"a text default is quoted, not {default}")
        return f"{{DefaultKind::kText, 0.0, {c_string(default[1:-1])}, Figure::kChannels}}"
    if type_ == "ViBoolean":
        if default not in ("TRUE", "FALSE"):
            fail(path, number, f"a boolean default is TRUE or FALSE, not {default}")
        return f"{{DefaultKind::kNumber, {'1.0' if default == 'TRUE' else '0.0'}, nullptr, Figure::kChannels}}"
    if default in value_names:
        return f"{{DefaultKind::kNumber, {c_number(value_names[default][1])}, nullptr, Figure::kChannels}}"
    try:
        return f"{{DefaultKind::kNumber, {c_number(float(default))}, nullptr, Figure::kChannels}}"
    except ValueError:
        fail(path, number, f"cannot read default '{default}'")


# ----------------------------------------------------------------- writers

HEADER_NOTE = "/* Generated by tools/codegen/gen_simulator.py from tables/simulated_attributes.table. */"


def guarded(name, define):
    """IVI's own names (IVI_..., IVIFGEN_...) may come from the IVI headers too."""
    if name.startswith("TOVIK_"):
        return [define]
    return [f"#ifndef {name}", define, "#endif"]


def constants_header(table):
    out = [HEADER_NOTE,
           "/* What the simulated generator understands: its attribute identifiers",
           " * (IVI inherent attributes 1050000 + n, IviFgen class attributes",
           " * 1250000 + n, driver-specific 1150000 + n), their enumerated values,",
           " * the values of function parameters, and the generator's own status",
           " * codes and instrument error-queue codes. */",
           "#ifndef TOVIK_ATTRIBUTES_H",
           "#define TOVIK_ATTRIBUTES_H",
           "",
           '#include "tovik_vitypes.h"',
           "",
           "/* Attributes. */"]
    for _, name, ident, *_ in table.attrs:
        out += guarded(name, f"#define {name} ((ViAttr){ident}UL)")
    current = None
    for set_name, name, value, meaning in table.values:
        if set_name != current:
            out += ["", f"/* Values: {set_name}. */"]
            current = set_name
        out += guarded(name, f"#define {name} ({value}) /* {meaning} */")
    out += ["", "/* Status codes of the simulated generator. */"]
    for name, code, message in table.statuses:
        out += guarded(name, f"#define {name} ((ViStatus)0x{code & 0xFFFFFFFF:08X}UL) /* {message} */")
    out += ["", "/* Instrument error-queue codes (error_query). */"]
    for name, code, message in table.device_errors:
        out += guarded(name, f"#define {name} ({code}) /* {message} */")
    out += ["", "#endif", ""]
    return "\n".join(out)


def tables_source(models, table, path):
    out = ["// Generated by tools/codegen/gen_simulator.py from tables/simulated_models.table,",
           "// tables/products.def and tables/simulated_attributes.table.",
           '#include "Tables.h"',
           "",
           "namespace sim {",
           "",
           "const Model kModels[] = {"]
    for label, buses, family, default, figures in models:
        def value(member):
            v = figures[member]
            if isinstance(v, str):
                return c_string(v)
            return c_number(v) if isinstance(v, float) else str(v)
        out.append(f"    {{{c_string(label)}, {c_string(','.join(buses))}, {c_string(family)}, "
                   f"{'true' if default else 'false'}, {value('channels')}, {{{value('frequency.min')}, {value('frequency.max')}}}, "
                   f"{value('amplitude')}, {value('peak')}, "
                   f"{{{value('sampleRate.min')}, {value('sampleRate.max')}}}, {value('memory')}, "
                   f"{value('waveformQuantum')}, {value('minWaveformSize')}, {value('maxWaveforms')}, "
                   f"{value('maxSequences')}, {{{value('sequenceLength.min')}, {value('sequenceLength.max')}}}, "
                   f"{value('maxLoopCount')}, {value('maxFreqLists')}, "
                   f"{{{value('freqListLength.min')}, {value('freqListLength.max')}}}, "
                   f"{{{value('freqListDuration.min')}, {value('freqListDuration.max')}}}, "
                   f"{value('freqListDurationQuantum')}, {value('firmware')}}},")
    out += ["};", f"const size_t kModelCount = {len(models)};", ""]

    one_of_lists = []
    attr_rows = []
    for number, name, ident, type_, scope, access, default, check in table.attrs:
        check_text, one_of = check_expression(path, number, check, type_)
        if one_of is not None:
            list_name = f"k{name.title().replace('_', '')}Choices"
            one_of_lists.append(f"const double {list_name}[] = {{{', '.join(c_number(v) for v in one_of)}}};")
            check_text = (f"{{CheckKind::kOneOf, false, false, {{}}, {{}}, nullptr, {list_name}, "
                          f"{len(one_of)}, HandleKind::kWaveform}}")
        attr_rows.append(f"    {{{ident}, {c_string(name)}, Type::{ATTR_TYPES[type_]}, "
                         f"Scope::k{scope.title()}, {'true' if access == 'ro' else 'false'}, "
                         f"{default_expression(path, number, default, type_, table.value_names)}, "
                         f"{check_text}}},")
    if one_of_lists:
        out += ["namespace {", ""] + one_of_lists + ["", "}  // namespace", ""]
    out += ["const AttributeDefinition kAttributes[] = {"] + attr_rows
    out += ["};", f"const size_t kAttributeCount = {len(attr_rows)};", ""]

    out.append("const EnumValue kEnumValues[] = {")
    for set_name, name, value, meaning in table.values:
        out.append(f"    {{{c_string(set_name)}, {c_string(name)}, {value}, {c_string(meaning)}}},")
    out += ["};", f"const size_t kEnumValueCount = {len(table.values)};", ""]

    out.append("const TextValue kTextValues[] = {")
    for set_name, text in table.texts:
        out.append(f"    {{{c_string(set_name)}, {c_string(text)}}},")
    out += ["};", f"const size_t kTextValueCount = {len(table.texts)};", ""]

    out.append("const StatusText kStatusTexts[] = {")
    for name, code, message in table.statuses:
        out.append(f"    {{static_cast<ViStatus>(0x{code & 0xFFFFFFFF:08X}u), {c_string(name)}, "
                   f"{c_string(message)}}},")
    out += ["};", f"const size_t kStatusTextCount = {len(table.statuses)};", ""]

    out.append("const DeviceError kDeviceErrors[] = {")
    for name, code, message in table.device_errors:
        out.append(f"    {{{code}, {c_string(name)}, {c_string(message)}}},")
    out += ["};", f"const size_t kDeviceErrorCount = {len(table.device_errors)};", "",
            "}  // namespace sim", ""]
    return "\n".join(out)


def load_entries(path, api):
    entries = []
    for number, fields in rows(path):
        for word in " ".join(fields).split():
            try:
                entry = api.entry(word)
            except (KeyError, ValueError):
                fail(path, number, f"'{word}' is no entry of the API table")
            if entry in entries:
                fail(path, number, f"'{word}' is listed twice")
            entries.append(entry)
    if not any(e.qualified == "private.SetCloseFunctionPointer" for e in entries):
        fail(path, 0, "the required entry private.SetCloseFunctionPointer is not listed")
    return entries


def on_session(entry):
    """A session entry: its first parameter is the session handle."""
    params = entry.params
    return bool(params) and params[0].name == "vi" and params[0].shape == "value" \
        and params[0].type == "ViSession"


def function_name(entry, entries):
    """The entry's name, qualified by its table when another listed entry shares it."""
    shared = sum(1 for other in entries if other.name == entry.name) > 1
    return f"{entry.table.key}_{entry.name}" if shared else entry.name


def entries_header(entries):
    out = ["// Generated by tools/codegen/gen_simulator.py from simulator/entries.list.",
           "// The simulator's implementation of each entry it exports. Session",
           "// entries receive the call context in place of the session handle.",
           "#pragma once",
           "",
           '#include "Call.h"',
           "",
           "namespace sim {",
           "namespace entry {",
           ""]
    for entry in entries:
        params = entry.params[1:] if on_session(entry) else entry.params
        decls = ", ".join(p.c_decl() for p in params)
        if on_session(entry):
            decls = "Call& call" + (", " + decls if decls else "")
        out.append(f"ViStatus {function_name(entry, entries)}({decls or 'void'});")
    out += ["", "}  // namespace entry", "}  // namespace sim", ""]
    return "\n".join(out)


def exports_source(entries):
    out = ["// Generated by tools/codegen/gen_simulator.py from simulator/entries.list and",
           "// tables/tovik_api.table: the simulator's exported entry points.",
           '#include "SimulatorEntries.h"',
           "",
           "#ifndef SIM_PREFIX",
           "#error SIM_PREFIX (the symbol prefix of the family) must be defined",
           "#endif",
           "#ifndef SIM_YM_PREFIX",
           "#error SIM_YM_PREFIX (the Ymber prefix of the family) must be defined",
           "#endif",
           "#define SIM_CAT_(a, b) a##b",
           "#define SIM_CAT(a, b) SIM_CAT_(a, b)",
           "#define SIM_EXPORT extern \"C\" __attribute__((visibility(\"default\")))",
           ""]
    for entry in entries:
        kind = entry.table.prefix_kind
        symbol = entry.name if kind == "none" else \
            f"SIM_CAT({'SIM_YM_PREFIX' if kind == 'ym' else 'SIM_PREFIX'}, {entry.name})"
        name = function_name(entry, entries)
        out.append(f"/* {entry.qualified} */")
        out.append(f"SIM_EXPORT ViStatus {symbol}({entry.c_params()}) {{")
        if on_session(entry):
            args = ", ".join(["call"] + [p.name for p in entry.params[1:]])
            out.append(f'  return sim::onSession("{entry.name}", vi, [&](sim::Call& call) {{ '
                       f"return sim::entry::{name}({args}); }});")
        else:
            args = ", ".join(p.name for p in entry.params)
            out.append(f'  return sim::withoutSession("{entry.name}", [&] {{ '
                       f"return sim::entry::{name}({args}); }});")
        out += ["}", ""]
    return "\n".join(out)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tables", required=True)
    parser.add_argument("--entries", required=True)
    parser.add_argument("--output-dir", required=True)
    parser.add_argument("--public-dir", required=True,
                        help="the public headers' folder, for tovik_attributes.h")
    args = parser.parse_args(argv[1:])
    try:
        products = load_products(os.path.join(args.tables, "products.def"))
        models = load_models(os.path.join(args.tables, "simulated_models.table"), products)
        attributes_path = os.path.join(args.tables, "simulated_attributes.table")
        table = load_attributes(attributes_path)
        api = apitable.load(os.path.join(args.tables, "tovik_api.table"))
        entries = load_entries(args.entries, api)
        tables_text = tables_source(models, table, attributes_path)
    except (TableError, apitable.ApiTableError, OSError) as error:
        print(error, file=sys.stderr)
        return 1
    # Unchanged files keep their timestamps, so the build redoes nothing.
    write_if_changed(os.path.join(args.public_dir, "tovik_attributes.h"), constants_header(table))
    write_if_changed(os.path.join(args.output_dir, "SimulatorTables.cc"), tables_text)
    write_if_changed(os.path.join(args.output_dir, "SimulatorEntries.h"), entries_header(entries))
    write_if_changed(os.path.join(args.output_dir, "SimulatorExports.cc"), exports_source(entries))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
