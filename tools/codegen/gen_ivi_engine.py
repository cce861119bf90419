#!/usr/bin/env python3
"""Expands tables/ivi_engine.table (its header documents the format) into:

  platform/ivi_engine.h                C declarations of the engine interface
  ivi/IviWrapperInterface.h            miivi::IviWrapperInterface
  ivi/IviWrapper.h, ivi/IviWrapper.cc  miivi::IviWrapper, the engine binding
  ivi/IviWrapperOperationCases.inc     one test case per status operation
  ivi_standin/IviStandinGenerated.cc   the stand-in's stubs and lookup tables

Files whose text is unchanged are not rewritten, so a table edit rebuilds
only what it affects.
"""

import argparse
import os
import re
import sys

GROUPS = {"forward", "plain", "nosession", "bufsize"}
IMPLEMENTATIONS = {"engine", "stub"}
ACCESS = {"rw", "driver", "ro"}
VALUE_TYPES = {
    "ViInt32": "IVI_VAL_INT32",
    "ViInt64": "IVI_VAL_INT64",
    "ViReal64": "IVI_VAL_REAL64",
    "ViString": "IVI_VAL_STRING",
    "ViBoolean": "IVI_VAL_BOOLEAN",
    "ViSession": "IVI_VAL_SESSION",
    "ViAddr": "IVI_VAL_ADDR",
}
IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z_0-9]*$")
HEADER_NOTE = "Generated from tables/ivi_engine.table by tools/codegen/gen_ivi_engine.py; do not edit."


class TableError(Exception):
    pass


class Parameter:
    def __init__(self, text):
        self.declaration = text
        match = re.match(r"^(.*?)([A-Za-z_][A-Za-z_0-9]*)\s*(\[\])?$", text)
        if not match or not match.group(1).strip():
            raise TableError("cannot read parameter '%s'" % text)
        self.type = match.group(1).strip() + ("*" if match.group(3) else "")
        self.name = match.group(2)


class Function:
    def __init__(self, line_number, fields):
        if len(fields) != 5:
            raise TableError("a function row has 5 fields")
        self.line = line_number
        self.returns, self.name, parameters, groups, self.implementation = fields
        if not IDENTIFIER.match(self.name):
            raise TableError("bad function name '%s'" % self.name)
        self.parameters = [] if parameters in ("", "void") else [
            Parameter(p.strip()) for p in parameters.split(",")]
        self.groups = set(groups.split())
        unknown = self.groups - GROUPS
        if unknown:
            raise TableError("unknown group(s) %s" % ", ".join(sorted(unknown)))
        if len(self.groups & {"forward", "plain"}) != 1:
            raise TableError("%s needs exactly one of forward, plain" % self.name)
        if self.implementation not in IMPLEMENTATIONS:
            raise TableError("stand-in column must be engine or stub")
        if self.forward and self.returns != "ViStatus":
            raise TableError("%s: a forward returns ViStatus" % self.name)
        if self.buffer_size and not self.forward:
            raise TableError("%s: a buffer-size operation is a forward" % self.name)
        if self.has_session and (not self.parameters or self.parameters[0].type != "ViSession"):
            raise TableError("%s: the first parameter must be the ViSession" % self.name)
        names = [p.name for p in self.parameters]
        if "noThrow" in names or len(set(names)) != len(names):
            raise TableError("%s: parameter names must be distinct and not noThrow" % self.name)

    forward = property(lambda self: "forward" in self.groups)
    has_session = property(lambda self: "nosession" not in self.groups)
    buffer_size = property(lambda self: "bufsize" in self.groups)

    def c_parameters(self):
        return ", ".join(p.declaration for p in self.parameters) or "void"

    def binding_parameters(self):
        """Declarations of the binding operation: no session, noThrow last."""
        kept = self.parameters[1:] if self.has_session else self.parameters
        declarations = [p.declaration for p in kept]
        if self.forward:
            declarations.append("ViInt32 noThrow")
        return ", ".join(declarations)

    def engine_arguments(self):
        names = [p.name for p in self.parameters]
        if self.has_session:
            names[0] = "session_"
        return ", ".join(names)

    def session_expression(self):
        return self.parameters[0].name if self.has_session else "0"


class Table:
    def __init__(self):
        self.types = []
        self.constants = []
        self.statuses = []
        self.attributes = []
        self.functions = []


def to_status(text):
    value = int(text, 0)
    if not 0 <= value <= 0xFFFFFFFF:
        raise TableError("status value %s is not 32-bit" % text)
    return value - (1 << 32) if value & 0x80000000 else value


def read_table(path):
    table = Table()
    seen = set()
    with open(path, encoding="utf-8") as stream:
        for number, raw in enumerate(stream, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            kind, _, rest = line.partition(" ")
            try:
                if kind == "type":
                    table.types.append(rest.strip())
                    continue
                # The last field may itself hold '|' (a C expression, a message).
                width = {"const": 2, "status": 3, "attr": 6, "fn": 5}.get(kind, 1)
                fields = [f.strip() for f in rest.split("|", width - 1)]
                if kind == "const":
                    if len(fields) != 2:
                        raise TableError("a const row has 2 fields")
                    table.constants.append(fields)
                elif kind == "status":
                    if len(fields) != 3:
                        raise TableError("a status row has 3 fields")
                    table.statuses.append((fields[0], to_status(fields[1]), fields[1], fields[2]))
                elif kind == "attr":
                    if len(fields) != 6:
                        raise TableError("an attr row has 6 fields")
                    name, ident, value_type, access, option, default = fields
                    if value_type not in VALUE_TYPES or access not in ACCESS:
                        raise TableError("bad type or access for %s" % name)
                    table.attributes.append((name, int(ident), value_type, access, option, default))
                elif kind == "fn":
                    function = Function(number, fields)
                    if function.name in seen:
                        raise TableError("%s appears twice" % function.name)
                    seen.add(function.name)
                    table.functions.append(function)
                else:
                    raise TableError("unknown record kind '%s'" % kind)
            except (TableError, ValueError) as error:
                raise TableError("%s:%d: %s" % (path, number, error))
    return table


def c_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def engine_header(table):
    out = ["/* IVI engine interface (libivi.so.2). %s */" % HEADER_NOTE,
           "#ifndef IVI_ENGINE_H", "#define IVI_ENGINE_H", "",
           '#include "tovik/tovik_vitypes.h"', "",
           "#ifdef __cplusplus", 'extern "C" {', "#endif", "",
           "#define IVI_ENGINE_API __attribute__((visibility(\"default\")))", ""]
    out += table.types + [""]
    out += ["#define %s %s" % (name, value) for name, value in table.constants] + [""]
    out += ["#define %s ((ViStatus)%d) /* %s */" % (name, value, text)
            for name, value, text, _ in table.statuses] + [""]
    out += ["#define %s %d" % (attribute[0], attribute[1]) for attribute in table.attributes] + [""]
    out += ["IVI_ENGINE_API %s %s(%s);" % (f.returns, f.name, f.c_parameters())
            for f in table.functions]
    out += ["", "#ifdef __cplusplus", "}", "#endif", "", "#endif", ""]
    return "\n".join(out)


def interface_header(table):
    out = ["// The IVI engine binding's interface. %s" % HEADER_NOTE,
           "#pragma once", "", '#include "ivi_engine.h"', "", "namespace miivi {", "",
           "// One engine session and one operation per engine function. Operations",
           "// with a noThrow flag throw voerr::Exception for an engine error unless",
           "// the flag is set; see IviWrapper.",
           "class IviWrapperInterface {",
           " public:",
           "  virtual ~IviWrapperInterface() = default;",
           "  virtual ViSession getSession() const = 0;"]
    out += ["  virtual %s %s(%s) const = 0;" % (f.returns, f.name, f.binding_parameters())
            for f in table.functions]
    out += ["};", "", "}  // namespace miivi", ""]
    return "\n".join(out)


def wrapper_header(table):
    out = ["// The IVI engine binding. %s" % HEADER_NOTE,
           "#pragma once", "", '#include "ivi/IviWrapperInterface.h"', "",
           "namespace voerr {", "struct RaiseSite;", "}", "", "namespace miivi {", "",
           "// Holds one engine session (0: the calling thread's error information)",
           "// and nothing else, so it may live on the stack for a single call.",
           "class IviWrapper : public IviWrapperInterface {",
           " public:",
           "  explicit IviWrapper(ViSession session = 0) : session_(session) {}",
           "  ~IviWrapper() override;",
           "  ViSession getSession() const override { return session_; }"]
    out += ["  %s %s(%s) const override;" % (f.returns, f.name, f.binding_parameters())
            for f in table.functions]
    out += ["", " private:",
            "  ViStatus settle(ViStatus error, ViInt32 noThrow, const voerr::RaiseSite& site,",
            "                  bool recordWarning) const;", "",
            "  ViSession session_;", "};", "", "}  // namespace miivi", ""]
    return "\n".join(out)


def wrapper_source(table):
    out = ["// The IVI engine binding. %s" % HEADER_NOTE,
           '#include "ivi/IviWrapper.h"', "", '#include "status/Raise.h"', "",
           "namespace miivi {", "",
           "IviWrapper::~IviWrapper() = default;", "",
           "// The forwarding rule: with noThrow the engine's status goes back untouched;",
           "// otherwise an error is raised from the operation's own site and a warning",
           "// is recorded for the held session (a buffer size is not a warning).",
           "ViStatus IviWrapper::settle(ViStatus error, ViInt32 noThrow, const voerr::RaiseSite& site,",
           "                            bool recordWarning) const {",
           "  if (noThrow != 0) return error;",
           "  if (error < 0) voerr::Raiser(error, site, voerr::kTranslatorName).throwIt();",
           "  if (error > 0 && recordWarning) ::Ivi_SetErrorInfo(session_, VI_FALSE, error, 0, nullptr);",
           "  return error;",
           "}", ""]
    for f in table.functions:
        call = "::%s(%s)" % (f.name, f.engine_arguments())
        out.append("%s IviWrapper::%s(%s) const {" % (f.returns, f.name, f.binding_parameters()))
        if f.forward:
            out.append('  return settle(%s, noThrow, TOVIK_SITE("error"), %s);'
                       % (call, "false" if f.buffer_size else "true"))
        else:
            out.append("  return %s;" % call)
        out.append("}")
    out += ["", "}  // namespace miivi", ""]
    return "\n".join(out)


def operation_cases(table):
    out = ["// Binding operations whose engine function returns a status, each with",
           "// its groups and a call with value-initialized arguments. %s" % HEADER_NOTE]
    for f in table.functions:
        if f.returns != "ViStatus":
            continue
        flags = " | ".join(flag for flag, present in (
            ("kPlain", not f.forward), ("kNoSession", not f.has_session),
            ("kBufferSize", f.buffer_size)) if present) or "0"
        kept = f.parameters[1:] if f.has_session else f.parameters
        arguments = ["{}"] * len(kept) + (["noThrow"] if f.forward else [])
        out.append('{"%s", %s, [](const miivi::IviWrapperInterface& binding, ViInt32 noThrow) {'
                   ' (void)noThrow; return binding.%s(%s); }},' % (f.name, flags, f.name, ", ".join(arguments)))
    return "\n".join(out) + "\n"


def standin_source(table):
    out = ["// The IVI engine stand-in's generated part: lookup tables and a stub for",
           "// every function the stand-in does not implement. %s" % HEADER_NOTE,
           '#include "IviStandinInternal.h"', "", "namespace ivistandin {", "",
           "const EngineAttribute kEngineAttributes[] = {"]
    for name, _, value_type, access, option, default in table.attributes:
        out.append("    {%s, %s, %s, Access::k%s, %s, %s}," % (
            name, VALUE_TYPES[value_type], c_string(name), access.capitalize(),
            "nullptr" if option == "-" else c_string(option),
            "nullptr" if default == "-" else c_string(default)))
    out += ["};", "const size_t kEngineAttributeCount = sizeof kEngineAttributes / sizeof kEngineAttributes[0];", "",
            "const StatusMessage kStatusMessages[] = {"]
    out += ["    {%s, %s, %s}," % (name, c_string(name), c_string(message))
            for name, _, _, message in table.statuses]
    out += ["};", "const size_t kStatusMessageCount = sizeof kStatusMessages / sizeof kStatusMessages[0];", "",
            "}  // namespace ivistandin", "", 'extern "C" {', ""]
    for f in table.functions:
        if f.implementation != "stub":
            continue
        session = f.session_expression()
        out.append("%s %s(%s) {" % (f.returns, f.name, f.c_parameters()))
        if f.returns == "ViStatus":
            out.append("  IVISTANDIN_ENTRY(%s);" % session)
            out.append("  return ivistandin::unsupported(%s, function);" % session)
        else:
            out.append("  ivistandin::unsupported(%s, __func__);" % session)
            out.append("  return {};")
        out.append("}")
    out += ["", '}  // extern "C"', ""]
    return "\n".join(out)


def write_if_changed(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    try:
        with open(path, encoding="utf-8") as stream:
            if stream.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--table", required=True)
    parser.add_argument("--output-dir", required=True)
    args = parser.parse_args()
    try:
        table = read_table(args.table)
    except TableError as error:
        print("gen_ivi_engine: %s" % error, file=sys.stderr)
        return 1
    outputs = {
        "platform/ivi_engine.h": engine_header,
        "ivi/IviWrapperInterface.h": interface_header,
        "ivi/IviWrapper.h": wrapper_header,
        "ivi/IviWrapper.cc": wrapper_source,
        "ivi/IviWrapperOperationCases.inc": operation_cases,
        "ivi_standin/IviStandinGenerated.cc": standin_source,
    }
    for name, render in outputs.items():
        write_if_changed(os.path.join(args.output_dir, name), render(table))
    return 0


if __name__ == "__main__":
    sys.exit(main())
