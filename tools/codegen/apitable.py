#!/usr/bin/env python3
"""Reader of tables/tovik_api.table, the one description of the C API.

The table holds the seven tables of plugin entry points and every exported
function (its format is documented at the top of the file). `load()` parses
it into plain objects and validates it; the generators build on those:

    import apitable
    api = apitable.load()                      # or load(path)
    for table in api.tables:                   # in file order
        for entry in table.entries:            # in entry order
            entry.name, entry.index, entry.params, entry.return_type
    for export in api.exports:                 # in file order
        export.symbol, export.frame, export.entry, export.params
    api.table("main").entry("init")
    api.entry("main.init"); api.export("tovik_init")

Run as a script it validates a table and prints a summary (exit status 1 and
a "file:line: message" on stderr when the table is invalid).
"""

import os
import re
import sys
from dataclasses import dataclass, field
from typing import Dict, List, Optional

DEFAULT_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tables",
                            "tovik_api.table")

# Table keys in their fixed order, with the number of entries each must have.
ENTRY_COUNTS = {
    "main": 153,
    "private": 23,
    "obsolete": 19,
    "remotedebug": 12,
    "ym": 14,
    "internalivi": 11,
    "threadstorage": 1,
}
EXPORT_COUNT = 232

PREFIX_KINDS = ("plain", "ym", "none")
FRAMES = ("standard", "untraced", "attribute", "standard+telemetry", "attribute+telemetry",
          "opening", "closing", "here", "ym-opening", "ym-closing", "ym-standard", "ym-here")
RETURN_TYPES = ("ViStatus", "void")

# Base types a parameter may have, with their C spelling.
C_TYPES = {
    "ViSession": "ViSession",
    "ViStatus": "ViStatus",
    "ViBoolean": "ViBoolean",
    "ViInt8": "ViInt8",
    "ViInt16": "ViInt16",
    "ViInt32": "ViInt32",
    "ViInt64": "ViInt64",
    "ViUInt32": "ViUInt32",
    "ViReal64": "ViReal64",
    "ViAttr": "ViAttr",
    "ViConstString": "ViConstString",
    "ViChar": "ViChar",
    "ViAddr": "ViAddr",
    "ComplexF64": "ViComplexF64",
    "ComplexI16": "ViComplexI16",
}
# Types a size= or count= parameter may have.
INTEGER_TYPES = ("ViInt16", "ViInt32", "ViInt64", "ViUInt32")


class ApiTableError(Exception):
    def __init__(self, path, line, message):
        super().__init__(f"{path}:{line}: {message}" if line else f"{path}: {message}")


@dataclass
class Param:
    name: str
    type: str  # base type as written: "ViReal64", "ComplexF64", ...
    shape: str  # "value", "pointer" (T*) or "array" (T[])
    start_code: Optional[int] = None  # trace type code recorded when the call starts
    return_code: Optional[int] = None  # trace type code recorded when it returns
    traced_bytes: Optional[int] = None  # only this many bytes are recorded ([1:2])
    size: Optional[str] = None  # parameter holding an output buffer's capacity
    count: Optional[str] = None  # parameter holding an input array's element count

    @property
    def recorded(self):
        return self.start_code is not None or self.return_code is not None

    @property
    def is_text_buffer(self):
        return self.shape == "array" and self.type == "ViChar"

    @property
    def is_output(self):
        return (self.shape == "pointer" or self.is_text_buffer
                or (self.shape == "array" and self.return_code is not None))

    @property
    def is_const_array(self):
        return self.shape == "array" and not self.is_output

    @property
    def c_base(self):
        return C_TYPES[self.type]

    def c_type(self):
        """The C type as used in function pointer types and casts."""
        if self.shape == "value":
            return self.c_base
        if self.is_const_array:
            return f"const {self.c_base}*"
        return f"{self.c_base}*"

    def c_decl(self, array_syntax=False):
        """A C parameter declaration; arrays as name[] when asked."""
        if self.shape == "array" and array_syntax:
            const = "const " if self.is_const_array else ""
            return f"{const}{self.c_base} {self.name}[]"
        return f"{self.c_type()} {self.name}"

    def spelled(self):
        """The type as written in the table."""
        return self.type + {"value": "", "pointer": "*", "array": "[]"}[self.shape]


@dataclass
class Entry:
    table: "Table"
    name: str
    index: int
    line: int
    own_params: Optional[List[Param]] = None  # given in the table itself
    exports: List["Export"] = field(default_factory=list)  # every export that reaches it
    params: List[Param] = field(default_factory=list)  # resolved signature
    return_type: str = "ViStatus"

    @property
    def qualified(self):
        return f"{self.table.key}.{self.name}"

    @property
    def reached(self):
        return bool(self.exports)

    def symbol(self, prefix, suffix=""):
        return f"{prefix}{self.name}{suffix}"

    # Names of the entry in the generated table classes.
    @property
    def support_query(self):
        return f"is{self.name}Supported"

    @property
    def function_type(self):
        return f"{self.name}Function"

    @property
    def member(self):
        return f"{self.name}_"

    def c_params(self, array_syntax=False):
        return ", ".join(p.c_decl(array_syntax) for p in self.params) or "void"

    def c_param_types(self):
        return ", ".join(p.c_type() for p in self.params) or "void"


@dataclass
class Table:
    key: str
    class_name: str
    prefix_kind: str
    line: int
    entries: List[Entry] = field(default_factory=list)
    _by_name: Dict[str, Entry] = field(default_factory=dict, repr=False)

    @property
    def interface_name(self):
        return self.class_name + "Interface"

    def entry(self, name):
        return self._by_name[name]

    def names(self):
        return [entry.name for entry in self.entries]


@dataclass
class Export:
    symbol: str
    trace_id: Optional[int]
    trace_name: str  # the symbol itself unless the record uses another name
    frame: str
    entry: Optional[Entry]
    params: List[Param]
    return_type: str
    line: int
    section: str = ""  # the comment line that heads its group in the table

    @property
    def traced(self):
        return self.trace_id is not None

    @property
    def ym(self):
        return self.frame.startswith("ym-")

    @property
    def frame_base(self):
        """The frame without the Ymber prefix and telemetry suffix."""
        return self.frame[3:] if self.ym else self.frame.split("+")[0]

    @property
    def telemetry(self):
        return self.frame.endswith("+telemetry")

    def param(self, name):
        for p in self.params:
            if p.name == name:
                return p
        raise KeyError(name)

    def c_params(self, array_syntax=False):
        return ", ".join(p.c_decl(array_syntax) for p in self.params) or "void"

    @property
    def audience(self):
        """Who calls the export: "application" for the IVI-style API (a tovik_
        function that reaches the main table), else the group of exports that
        applications do not call: the key of the table it reaches (private,
        obsolete, internalivi, remotedebug, ym), or "host" for the server and
        host hooks."""
        if self.entry is None or not self.symbol.startswith(("tovik_", "YM_tovik_")):
            return "host"
        if self.entry.table.key == "main" and self.symbol.startswith("tovik_"):
            return "application"
        return self.entry.table.key


@dataclass
class ApiTable:
    path: str
    tables: List[Table]
    exports: List[Export]

    def table(self, key):
        for table in self.tables:
            if table.key == key:
                return table
        raise KeyError(key)

    def entry(self, qualified):
        key, name = qualified.split(".", 1)
        return self.table(key).entry(name)

    def export(self, symbol):
        for export in self.exports:
            if export.symbol == symbol:
                return export
        raise KeyError(symbol)


_PARAM = re.compile(r"^(\w+)\s*:\s*(\w+)(\*|\[\])?\s*(?:\[([^\]]*)\])?\s*(?:(size|count)=(\w+))?$")
_CODES = re.compile(r"^(?:(\d+)(?::(\d+))?)?(?:>(\d+))?$")
_OWN_ENTRY = re.compile(r"(\w+)\(([^)]*)\)|(\w+)")


class _Parser:
    def __init__(self, path):
        self.path = path

    def fail(self, line, message):
        raise ApiTableError(self.path, line, message)

    def params(self, text, line, with_codes):
        params = []
        text = text.strip()
        if not text:
            return params
        for part in text.split(","):
            match = _PARAM.match(part.strip())
            if not match:
                self.fail(line, f"cannot read parameter '{part.strip()}'")
            name, base, shape, codes, relation, other = match.groups()
            if base not in C_TYPES:
                self.fail(line, f"unknown type '{base}' of parameter '{name}'")
            param = Param(name=name, type=base,
                          shape={None: "value", "*": "pointer", "[]": "array"}[shape])
            if codes is None:
                if with_codes:
                    self.fail(line, f"parameter '{name}' has no trace codes")
            else:
                if not with_codes:
                    self.fail(line, f"entry parameter '{name}' carries trace codes")
                codes = codes.strip()
                if codes != "-":
                    code_match = _CODES.match(codes)
                    if not code_match or codes == "":
                        self.fail(line, f"cannot read trace codes [{codes}] of '{name}'")
                    start, width, ret = code_match.groups()
                    param.start_code = int(start) if start else None
                    param.traced_bytes = int(width) if width else None
                    param.return_code = int(ret) if ret else None
                    if param.start_code is None and param.return_code is None:
                        self.fail(line, f"cannot read trace codes [{codes}] of '{name}'")
            if relation:
                if param.shape != "array":
                    self.fail(line, f"'{name}' has {relation}= but is no array")
                setattr(param, relation, other)
            params.append(param)
        names = [p.name for p in params]
        for name in names:
            if names.count(name) > 1:
                self.fail(line, f"parameter '{name}' appears twice")
        for p in params:
            for other in (p.size, p.count):
                if other is None:
                    continue
                if other not in names:
                    self.fail(line, f"'{p.name}' refers to unknown parameter '{other}'")
                target = params[names.index(other)]
                if target.shape != "value" or target.type not in INTEGER_TYPES:
                    self.fail(line, f"'{p.name}' refers to '{other}', which is no integer")
        return params

    def parse(self, text):
        tables, exports = [], []
        current = None
        section = ""
        for number, raw in enumerate(text.splitlines(), 1):
            if raw.startswith("# "):
                section = raw[2:].strip()
            line = raw.split("#", 1)[0].rstrip()
            if not line.strip():
                continue
            if line[0].isspace():
                if current is None:
                    self.fail(number, "entry names outside a table")
                self.entries(current, line, number)
                continue
            current = None
            words = line.split(None, 1)
            if words[0] == "table":
                fields = line.split()
                if len(fields) != 4:
                    self.fail(number, "a table line is: table <key> <class> <prefix kind>")
                _, key, class_name, kind = fields
                if key not in ENTRY_COUNTS:
                    self.fail(number, f"unknown table key '{key}'")
                if kind not in PREFIX_KINDS:
                    self.fail(number, f"unknown prefix kind '{kind}'")
                if any(t.key == key for t in tables):
                    self.fail(number, f"table '{key}' appears twice")
                current = Table(key=key, class_name=class_name, prefix_kind=kind, line=number)
                tables.append(current)
            elif words[0] == "export":
                exports.append(self.export(words[1] if len(words) > 1 else "", number))
                exports[-1].section = section
            else:
                self.fail(number, f"unexpected line '{line.strip()}'")
        return tables, exports

    def entries(self, table, line, number):
        position = 0
        text = line.strip()
        while position < len(text):
            match = _OWN_ENTRY.match(text, position)
            if not match:
                self.fail(number, f"cannot read entry names at '{text[position:]}'")
            name = match.group(1) or match.group(3)
            if name in table._by_name:
                self.fail(number, f"entry '{name}' appears twice in table '{table.key}'")
            entry = Entry(table=table, name=name, index=len(table.entries), line=number)
            if match.group(1):
                entry.own_params = self.params(match.group(2), number, with_codes=False)
            table.entries.append(entry)
            table._by_name[name] = entry
            position = match.end()
            while position < len(text) and text[position].isspace():
                position += 1

    def export(self, text, number):
        fields = [f.strip() for f in text.split("|")]
        if len(fields) not in (6, 7):
            self.fail(number, "an export row has 6 or 7 fields separated by '|'")
        symbol, trace_id, trace_name, frame, entry, params = fields[:6]
        return_type = fields[6] if len(fields) == 7 else "ViStatus"
        if not re.match(r"^\w+$", symbol):
            self.fail(number, f"bad symbol '{symbol}'")
        if trace_id != "-" and not trace_id.isdigit():
            self.fail(number, f"bad trace id '{trace_id}'")
        if frame not in FRAMES:
            self.fail(number, f"unknown frame '{frame}'")
        if return_type not in RETURN_TYPES:
            self.fail(number, f"unknown return type '{return_type}'")
        if entry != "-" and not re.match(r"^\w+\.\w+$", entry):
            self.fail(number, f"bad entry '{entry}'")
        export = Export(symbol=symbol, trace_id=None if trace_id == "-" else int(trace_id),
                        trace_name=symbol if trace_name == "-" else trace_name, frame=frame,
                        entry=None, params=self.params(params, number, with_codes=True),
                        return_type=return_type, line=number)
        export._entry_name = None if entry == "-" else entry
        return export


def _canonical_symbol(entry):
    return ("YM_tovik_" if entry.table.prefix_kind == "ym" else "tovik_") + entry.name


def _validate(parser, tables, exports):
    keys = [t.key for t in tables]
    if keys != list(ENTRY_COUNTS):
        parser.fail(0, f"tables must be {', '.join(ENTRY_COUNTS)} in this order, not "
                       f"{', '.join(keys)}")
    for table in tables:
        if len(table.entries) != ENTRY_COUNTS[table.key]:
            parser.fail(table.line, f"table '{table.key}' has {len(table.entries)} entries, "
                                    f"expected {ENTRY_COUNTS[table.key]}")
    by_key = {t.key: t for t in tables}
    symbols = set()
    for export in exports:
        if export.symbol in symbols:
            parser.fail(export.line, f"export '{export.symbol}' appears twice")
        symbols.add(export.symbol)
        if export._entry_name:
            key, name = export._entry_name.split(".", 1)
            if key not in by_key or name not in by_key[key]._by_name:
                parser.fail(export.line, f"export '{export.symbol}' names unknown entry "
                                         f"'{export._entry_name}'")
            export.entry = by_key[key].entry(name)
            export.entry.exports.append(export)
            if export.ym != (key == "ym"):
                parser.fail(export.line, f"'{export.symbol}': only Ymber frames reach the "
                                         f"ym table")
        elif export.frame_base != "here":
            parser.fail(export.line, f"export '{export.symbol}' calls no entry but its frame "
                                     f"is '{export.frame}'")
        del export._entry_name
        if export.frame_base == "untraced" and export.traced:
            parser.fail(export.line, f"'{export.symbol}': an untraced frame has no trace id")
        if export.frame_base not in ("untraced", "here") and not export.traced:
            parser.fail(export.line, f"'{export.symbol}': a '{export.frame}' frame needs a "
                                     f"trace id")
    if len(exports) != EXPORT_COUNT:
        parser.fail(0, f"{len(exports)} exports, expected {EXPORT_COUNT}")
    for table in tables:
        for entry in table.entries:
            if entry.own_params is not None:
                if entry.exports:
                    parser.fail(entry.line, f"entry '{entry.qualified}' is reached by "
                                            f"'{entry.exports[0].symbol}' and must not carry "
                                            f"parameters of its own")
                entry.params = entry.own_params
                continue
            if not entry.exports:
                parser.fail(entry.line, f"entry '{entry.qualified}' is reached by no export "
                                        f"and has no parameter list")
            source = entry.exports[0]
            if len(entry.exports) > 1:
                named = [e for e in entry.exports if e.symbol == _canonical_symbol(entry)]
                if not named:
                    parser.fail(entry.line, f"entry '{entry.qualified}' is reached by several "
                                            f"exports and none is named after it")
                source = named[0]
            entry.params = source.params


def loads(text, path="<text>"):
    parser = _Parser(path)
    tables, exports = parser.parse(text)
    _validate(parser, tables, exports)
    return ApiTable(path=path, tables=tables, exports=exports)


def load(path=None):
    path = os.path.normpath(path or DEFAULT_PATH)
    with open(path, encoding="utf-8") as source:
        return loads(source.read(), path)


def main(argv):
    try:
        api = load(argv[1] if len(argv) > 1 else None)
    except (ApiTableError, OSError) as error:
        print(error, file=sys.stderr)
        return 1
    counts = ", ".join(f"{t.key} {len(t.entries)}" for t in api.tables)
    print(f"{api.path}: {len(api.exports)} exports; entries: {counts}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
