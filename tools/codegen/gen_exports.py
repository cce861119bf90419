#!/usr/bin/env python3
"""Expands tables/tovik_api.table into the exported C API.

Writes, into the public header directory (compiled as C99 and as C++):
  tovik.h                  the functions applications call
  tovik_internal.h         every other export (obsolete, private, Ymber, hooks)
and into the output directory:
  tovik.map                the linker version script exporting exactly those names
  api/Exports.cc           every exported function, a call frame around its body
  api/ImplementedHere.h    declarations of the bodies the front end writes itself
  api/ExportCatalogue.h    the table's types as data, for tests
  api/ExportInvokers.inc   its rows and one invoker per export

usage: gen_exports.py <output directory> <public header directory> [table path]
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import apitable  # noqa: E402

TABLE_ACCESSORS = {
    "main": "mainTable",
    "private": "privateTable",
    "obsolete": "obsoleteTable",
    "remotedebug": "remoteDebugTable",
    "ym": "ymTable",
    "internalivi": "internalIviTable",
}

# Exports without a session handle first record their errors on another
# argument (the server-allocation calls), or on session 0.
ERROR_SESSION = {
    "tovik_AllocateServer": "arg2",
    "tovik_FreeServer": "arg1",
}

# Output text buffers without a size argument are IVI's 256-byte buffers.
DEFAULT_TEXT_BUFFER = 256

# The opening calls, by their entry: which steps of the opening sequence
# apply. grpc: no option-string record, the GRPC plugin.
OPENING_KINDS = {
    "tovik_init": "kInit",
    "tovik_InitWithOptions": "kInitWithOptions",
    "tovik_InitializeWithChannels": "kInitializeWithChannels",
    "tovik_InitExtCal": "kInitExtCal",
    "YM_tovik_init": "kInit",
    "YM_tovik_InitWithOptions": "kInitWithOptions",
    "YM_tovik_InitializeWithChannels": "kInitializeWithChannels",
    "YM_tovik_InitExtCal": "kInitExtCal",
    "YM_tovik_InitializeWithChannelsForGrpcSession": "kGrpcInitialize",
    "YM_tovik_AttachGrpcSession": "kGrpcAttach",
    "InitializeSessionForServer": "kServer",
}

# The symbol version of every export; a new node would mark an ABI change.
VERSION_NODE = "TOVIK_1.0"

HEADER_BANNER = "/* Generated from tables/tovik_api.table by tools/codegen/gen_exports.py. */\n"


def error_session(export):
    if export.symbol in ERROR_SESSION:
        return ERROR_SESSION[export.symbol]
    if any(p.name == "vi" for p in export.params) and export.frame_base != "opening":
        return "vi"
    return "0"


def variant(export):
    base = export.frame_base
    if base == "opening":
        return "api::Variant::kOpening"
    if base == "closing":
        return "api::Variant::kClosing"
    return "api::Variant::kStandard"


def elem_type(p):
    return p.c_base


def trace_start(export, p):
    """The frame call that records a parameter when the call starts."""
    if p.start_code is None:
        return None
    code = p.start_code
    if p.shape == "value":
        if p.type == "ViConstString":
            return f'frame.text("{p.name}", {p.name});'
        if p.traced_bytes is not None:
            return f'frame.leading("{p.name}", {p.name}, {p.traced_bytes}, {code});'
        return f'frame.value("{p.name}", {p.name}, {code});'
    if p.shape == "pointer":
        return f'frame.address("{p.name}", {p.name}, {code});'
    # arrays
    if p.is_text_buffer and code == 45:
        # The buffer has no size and is not written yet: record nothing of it.
        return f'frame.bufferText("{p.name}", {p.name}, 0);'
    if p.is_output:
        return f'frame.address("{p.name}", {p.name}, {code});'
    # An input array without a count argument still gets its (empty)
    # contents record, so the indices after it match the catalogue.
    count = f"static_cast<int64_t>({p.count})" if p.count else "0"
    return f'frame.array("{p.name}", {p.name}, sizeof({elem_type(p)}), {count}, {code});'


def trace_return(export, p):
    """The frame call that records an output when the call returns."""
    if p.return_code is None:
        return None
    code = p.return_code
    if p.shape == "pointer":
        return f'frame.output("*{p.name}", {p.name}, {code});'
    if p.is_text_buffer:
        bound = f"static_cast<int64_t>({p.size})" if p.size else str(DEFAULT_TEXT_BUFFER)
        return f'frame.outputText("{p.name}", {p.name}, {bound});'
    count = f"static_cast<int64_t>({p.size})" if p.size else "0"
    return f'frame.outputBytes("{p.name}", {p.name}, sizeof({elem_type(p)}), {count}, {code});'


def entry_arguments(export):
    """The arguments the plugin entry receives, as C expressions."""
    entry = export.entry
    names = [p.name for p in export.params]

    def text_or_empty(name):
        return f'({name} ? {name} : "")'

    if export.symbol == "InitializeSessionForServer":
        # The server opens through the main table's InitializeWithChannels.
        return ["resourceName", "additionalOptions", "reset", text_or_empty("optionString"),
                "newVi"]
    args = []
    for name in names:
        if name == "optionString" and export.frame_base == "opening":
            args.append(text_or_empty(name))
        else:
            args.append(name)
    if len(args) != len(entry.params):
        raise SystemExit(f"{export.symbol}: {len(args)} arguments for {entry.qualified}")
    return args


def plugin_call(export, plugin_expr, indent):
    entry = export.entry
    table = TABLE_ACCESSORS[entry.table.key]
    args = ", ".join(entry_arguments(export))
    pad = " " * indent
    return (f"{pad}const auto& table = {plugin_expr}.{table}();\n"
            f"{pad}if (!table.{entry.support_query}()) {{\n"
            f"{pad}  TOVIK_RAISE(voerr::codes::kFunctionNotSupported).throwIt();\n"
            f"{pad}}}\n"
            f"{pad}return table.{entry.name}({args});\n")


def body(export):
    """The call body run inside the frame."""
    base = export.frame_base
    names = ", ".join(p.name for p in export.params)
    if base == "here":
        return f"    return api::here::{export.symbol}({names});\n"
    if base == "opening":
        kind = OPENING_KINDS[export.symbol]
        new_vi = export.params[[p.shape for p in export.params].index("pointer")].name
        option = "optionString" if any(p.name == "optionString" for p in export.params) else "nullptr"
        resource = "resourceName" if any(p.name == "resourceName" for p in export.params) else "nullptr"
        extra = ""
        if any(p.name == "serverSessionName" for p in export.params):
            extra = "    request.registeredName = serverSessionName;\n"
        ym = "true" if export.ym else "false"
        return (f"    api::OpenRequest request{{api::OpenKind::{kind}, {resource}, {option}, {ym}, "
                f"\"{new_vi}\"}};\n"
                f"{extra}"
                f"    return api::openSession(request, {new_vi}, [&](tovik::Plugin& plugin) -> ViStatus {{\n"
                + plugin_call(export, "plugin", 6) +
                "    });\n")
    if base == "closing":
        ym = "    api::clearThreadError();\n" if export.ym else ""
        return (ym +
                "    api::ClosingSession session(vi);\n"
                + plugin_call(export, "session.plugin()", 4).replace(
                    "    return table.", "    session.takeOut();\n    return table.", 1))
    if export.telemetry:
        hook = telemetry_hook(export)
    else:
        hook = ""
    return hook + plugin_call(export, "api::sessionPlugin(vi)", 4)


def telemetry_hook(export):
    if export.symbol.startswith("tovik_SetAttribute"):
        return "    api::reportAttributeSet(vi, attributeId, static_cast<int64_t>(attributeValue));\n"
    return f'    api::reportFunctionInvoked(vi, "{export.symbol}");\n'


def ym_description(export):
    """YM forms describe a front-end error into the caller's buffer."""
    if not export.ym or export.frame_base not in ("opening", "closing"):
        return ""
    return ("  if (frame.frontEndStatusTaken()) {\n"
            "    api::describeForYm(errorDescriptionBufferSize, errorDescription);\n"
            "  }\n")


def export_definition(export):
    ret = export.return_type
    lines = [f"TOVIK_EXPORT {ret} {export.symbol}({export.c_params()}) {{"]
    traced = export.traced
    if traced:
        lines.append(f'  api::CallFrame frame({error_session(export)}, {variant(export)}, '
                     f'{export.trace_id}, "{export.trace_name}");')
    else:
        # No trace id: a frame type without any trace operation.
        lines.append(f"  api::UntracedFrame frame({error_session(export)});")
    if traced:
        lines.append("  if (frame.traced()) {")
        lines.append("    frame.begin();")
        for p in export.params:
            call = trace_start(export, p)
            if call:
                lines.append("    " + call)
            if export.frame_base == "attribute" and p.name == "channelName":
                lines.append("    frame.attributeName(attributeId);")
        lines.append("    frame.endParams();")
        lines.append("  }")
    run_type = "ViStatus"
    lines.append(f"  frame.run([&]() -> {run_type} {{")
    lines.append(body(export).rstrip("\n"))
    lines.append("  });")
    desc = ym_description(export)
    if desc:
        lines.append(desc.rstrip("\n"))
    if traced:
        lines.append("  if (frame.finishing()) {")
        lines.append("    frame.epilogue();")
        if export.frame_base == "opening":
            new_vi = next(p for p in export.params if p.shape == "pointer")
            resource = "resourceName" if any(p.name == "resourceName" for p in export.params) \
                else "serverSessionName"
            lines.append(f"    if ({new_vi.name}) {{")
            lines.append(f"      frame.outputResourceName({resource});")
            lines.append(f'      frame.output("*{new_vi.name}", {new_vi.name}, {new_vi.return_code});')
            lines.append("    }")
        else:
            for p in export.params:
                call = trace_return(export, p)
                if call:
                    lines.append("    " + call)
        lines.append("  }")
    if export.symbol == "tovik_AttributeWasSetByUser":
        # A truth value, not a status: 0 whenever the call failed.
        lines.append("  const ViStatus value = frame.finish();")
        lines.append("  return frame.frontEndStatusTaken() ? 0 : value;")
    elif ret == "void":
        lines.append("  frame.finish();")
    else:
        lines.append("  return frame.finish();")
    lines.append("}")
    return "\n".join(lines) + "\n"


def write(path, text):
    # Leave unchanged files alone so the build does not redo their users.
    if os.path.exists(path):
        with open(path) as existing:
            if existing.read() == text:
                return
    with open(path, "w") as out:
        out.write(text)


AUDIENCE_NOTES = {
    "obsolete": "kept for programs written against earlier versions of the API",
    "private": "for the driver's own tools; untraced",
    "internalivi": "for the IVI class drivers layered on this one; untraced",
    "remotedebug": "for the remote-debug and server tools",
    "ym": "the graphical environment's entry points",
    "host": "hooks that the server and the host environment call",
}


def declarations(exports):
    out, section = [], None
    for export in exports:
        if export.section != section:
            section = export.section
            note = AUDIENCE_NOTES.get(export.audience)
            out.append(f"\n/* {section}{': ' + note if note else ''}. */\n")
        out.append(f"TOVIK_EXPORT {export.return_type} {export.symbol}"
                   f"({export.c_params(array_syntax=True)});\n")
    return out


def public_header(api):
    """tovik.h: the functions applications call, with every public constant."""
    out = [HEADER_BANNER,
           "/* libtovik: the C API of the arbitrary waveform and function generator\n"
           " * driver. Include <tovik/tovik.h> and link with -ltovik (pkg-config tovik,\n"
           " * or the CMake target tovik::tovik). Every function returns a ViStatus:\n"
           " * 0 success, negative an error, positive a warning; tovik_GetError with\n"
           " * session 0 describes the calling thread's pending error. */\n",
           "#ifndef TOVIK_H\n#define TOVIK_H\n\n",
           "#include \"tovik_vitypes.h\"\n#include \"tovik_version.h\"\n",
           "#include \"tovik_status.h\"\n#include \"tovik_attributes.h\"\n\n",
           "#if defined(TOVIK_BUILDING_LIBRARY)\n"
           "#define TOVIK_EXPORT __attribute__((visibility(\"default\")))\n"
           "#else\n#define TOVIK_EXPORT\n#endif\n\n",
           "#ifdef __cplusplus\nextern \"C\" {\n#endif\n"]
    out += declarations(e for e in api.exports if e.audience == "application")
    out.append("\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n")
    return "".join(out)


def internal_header(api):
    """tovik_internal.h: the exports that applications do not call."""
    out = [HEADER_BANNER,
           "/* The exports of libtovik.so.1 that are not for applications: obsolete,\n"
           " * private, internal-IVI and remote-debug functions, the graphical\n"
           " * environment's YM_tovik_ entry points and the server and host hooks.\n"
           " * Their arguments pass to the device plugins unchanged. */\n",
           "#ifndef TOVIK_INTERNAL_H\n#define TOVIK_INTERNAL_H\n\n#include \"tovik.h\"\n\n",
           "#ifdef __cplusplus\nextern \"C\" {\n#endif\n"]
    out += declarations(e for e in api.exports if e.audience != "application")
    out.append("\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n")
    return "".join(out)


def version_script(api):
    names = "\n".join(f"    {export.symbol};" for export in api.exports)
    return (f"/* Generated: libtovik.so.1 exports exactly its C API, under one version\n"
            f"   node. */\n{VERSION_NODE} {{\n  global:\n{names}\n  local:\n    *;\n}};\n")


def exports_source(api):
    out = [HEADER_BANNER,
           "// Every exported function: a call frame around its plugin entry or its\n"
           "// front-end body.\n",
           "#include \"tovik/tovik_internal.h\"\n\n",
           "#include <cstdint>\n\n",
           "#include \"api/CallFrame.h\"\n",
           "#include \"api/ImplementedHere.h\"\n",
           "#include \"api/SessionOpening.h\"\n",
           "#include \"api/UsageHooks.h\"\n",
           "#include \"plugins/Plugin.h\"\n",
           "#include \"sessions/SessionRegistry.h\"\n",
           "#include \"status/Raise.h\"\n\n",
           "extern \"C\" {\n\n"]
    for export in api.exports:
        out.append(export_definition(export))
        out.append("\n")
    out.append("}  // extern \"C\"\n")
    return "".join(out)


def here_header(api):
    out = [HEADER_BANNER,
           "// Bodies the front end writes itself, run inside their exports' frames.\n",
           "#pragma once\n\n#include \"tovik/tovik_vitypes.h\"\n\nnamespace api {\nnamespace here {\n\n"]
    for export in api.exports:
        if export.frame_base == "here":
            out.append(f"ViStatus {export.symbol}({export.c_params()});\n")
    out.append("\n}  // namespace here\n}  // namespace api\n")
    return "".join(out)


def catalogue(api):
    """The data types; ExportInvokers.inc holds the rows and the invokers."""
    return (HEADER_BANNER +
            "// The API table as data, for tests. The invokers (ExportInvokers.inc,\n"
            "// included after the test defines ArgumentSource) take every argument\n"
            "// from the test's source:\n"
            "//   template <typename T> T value(int index);     // by-value arguments\n"
            "//   template <typename T> T* pointer(int index);  // pointers and arrays\n"
            "#pragma once\n\n#include <cstdint>\n\n#include \"tovik/tovik_internal.h\"\n\n"
            "class ArgumentSource;\n\n"
            "namespace catalogue {\n\n"
            "struct Param {\n  const char* name;\n  const char* type;  // as written: ViReal64[], ViInt32*...\n"
            "  char shape;  // 'v' value, 'p' pointer, 'a' array\n"
            "  int startCode;  // -1 when not recorded at start\n"
            "  int returnCode;  // -1 when not recorded at return\n"
            "  int tracedBytes;  // -1: the whole value\n  const char* size;\n  const char* count;\n"
            "  int width;  // bytes of one value or element\n};\n\n"
            "struct Export {\n  const char* symbol;\n  int traceId;  // -1: no record\n"
            "  const char* traceName;\n  const char* frame;\n  const char* table;  // \"\" without entry\n"
            "  const char* entry;\n  const Param* params;\n  int paramCount;\n  bool returnsVoid;\n"
            "  int32_t (*invoke)(ArgumentSource&);\n};\n\n}  // namespace catalogue\n")


def invokers(api):
    out = [HEADER_BANNER, "// Rows and invokers of the export catalogue (see ExportCatalogue.h).\n",
           "namespace catalogue {\n\n"]
    for i, export in enumerate(api.exports):
        rows = []
        for p in export.params:
            def q(v):
                return f'"{v}"' if v else "nullptr"
            width = "1" if p.type == "ViConstString" else f"sizeof({p.c_base})"
            rows.append(f'{{"{p.name}", "{p.spelled()}", \'{p.shape[0]}\', '
                        f'{-1 if p.start_code is None else p.start_code}, '
                        f'{-1 if p.return_code is None else p.return_code}, '
                        f'{-1 if p.traced_bytes is None else p.traced_bytes}, '
                        f'{q(p.size)}, {q(p.count)}, static_cast<int>({width})}}')
        if rows:
            out.append(f"inline const Param kParams{i}[] = {{\n    " + ",\n    ".join(rows) + "};\n")
        args = []
        for index, p in enumerate(export.params):
            if p.shape == "value":
                args.append(f"source.template value<{p.c_base}>({index})")
            else:
                args.append(f"source.template pointer<{p.c_base}>({index})")
        call = f"{export.symbol}({', '.join(args)})"
        if export.return_type == "void":
            out.append(f"inline int32_t invoke{i}(ArgumentSource& source) {{ {call}; return 0; }}\n")
        else:
            out.append(f"inline int32_t invoke{i}(ArgumentSource& source) {{ return {call}; }}\n")
    out.append(f"\ninline const Export kExports[{len(api.exports)}] = {{\n")
    for i, export in enumerate(api.exports):
        table = export.entry.table.key if export.entry else ""
        entry = export.entry.name if export.entry else ""
        params = f"kParams{i}" if export.params else "nullptr"
        out.append(f'    {{"{export.symbol}", {export.trace_id if export.traced else -1}, '
                   f'"{export.trace_name}", "{export.frame}", "{table}", "{entry}", {params}, '
                   f'{len(export.params)}, {"true" if export.return_type == "void" else "false"}, '
                   f'&invoke{i}}},\n')
    out.append("};\n\n}  // namespace catalogue\n")
    return "".join(out)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    outdir, public_dir = argv[1], argv[2]
    api = apitable.load(argv[3] if len(argv) > 3 else None)
    os.makedirs(public_dir, exist_ok=True)
    apidir = os.path.join(outdir, "api")
    os.makedirs(apidir, exist_ok=True)
    write(os.path.join(public_dir, "tovik.h"), public_header(api))
    write(os.path.join(public_dir, "tovik_internal.h"), internal_header(api))
    write(os.path.join(outdir, "tovik.map"), version_script(api))
    write(os.path.join(apidir, "Exports.cc"), exports_source(api))
    write(os.path.join(apidir, "ImplementedHere.h"), here_header(api))
    write(os.path.join(apidir, "ExportCatalogue.h"), catalogue(api))
    write(os.path.join(apidir, "ExportInvokers.inc"), invokers(api))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
