// The "json1" formatter: report items and nesting levels to plain text.
#include "translator/Json1Formatter.h"

#include <cstring>
#include <string_view>

#include "reportjson/ReportJson.h"
#include "status/Raise.h"
#include "status/ReportObject.h"

namespace voxlator {
namespace json1 {

namespace {

constexpr uint32_t kStatic = 1;
constexpr uint32_t kDynamic = 2;
constexpr uint32_t kDebug = 4;
constexpr uint32_t kNested = 8;
constexpr std::string_view kLineEnds = "\r\n";

// The whole JSON value starting at `value` (an object or array up to its
// closing bracket, any other value up to where parsing ends).
std::string_view valueText(const char* value) {
  if (const char* end = json::containerEnd(value)) {
    return std::string_view(value, static_cast<size_t>(end - value) + 1);
  }
  json::Value parsed;
  if (const char* end = json::parseValue(value, parsed)) {
    return std::string_view(parsed.begin, static_cast<size_t>(end - parsed.begin));
  }
  return std::string_view(value);
}

bool appendText(vohtl::BasicString& text, const char* piece, voerr::Status& status) {
  return !piece || text.append(piece, status);
}

// The decoded content of a JSON string value.
bool appendDecoded(vohtl::BasicString& text, const json::Value& value, voerr::Status& status) {
  const size_t start = text.length();
  if (!text.resize(start + value.rawLength, status)) return false;
  char* end = json::decodeString(value.raw, value.rawLength, text.data() + start);
  voerr::Status shrink;
  text.resize(end ? static_cast<size_t>(end - text.data()) : start, shrink);
  return true;
}

// The position after the value starting at `value`.
const char* afterValue(const char* value) {
  const std::string_view text = valueText(value);
  return text.data() + text.size();
}

const ItemFormat& formatFor(const FormatEntry* formats, std::string_view type) {
  const FormatEntry* entry = formats;
  for (; entry->type; ++entry) {
    if (type == entry->type) break;
  }
  return entry->format;
}

// The decoded "type" of an item, or "" (a type is a short identifier).
std::string_view itemType(const char* item, char (&buffer)[64]) {
  const char* member = json::findMember(item, "type");
  json::Value value;
  if (!member || !json::parseValue(member, value) || value.type != json::kString ||
      value.rawLength >= sizeof buffer) {
    return {};
  }
  char* end = json::decodeString(value.raw, value.rawLength, buffer);
  return end ? std::string_view(buffer, static_cast<size_t>(end - buffer)) : std::string_view();
}

bool renderValueText(vohtl::BasicString& text, const ItemFormat& format, const char* position,
                     voerr::Status& status) {
  json::Value value;
  json::parseValue(position, value);
  if (value.type != json::kString) {
    if (status.raise(voerr::codes::kInvalidParameter.code,
                     TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
      voerr::ReportObject(status, "voxlator_debug")
          .add("formatDynamicReportItems", "json1 dynamic object invalid. value can only be string")
          .add("value type", static_cast<int32_t>(value.type));
    }
    return false;
  }
  return appendText(text, format.beforeEachValue, status) && appendDecoded(text, value, status) &&
         appendText(text, format.afterEachValue, status);
}

}  // namespace

void formatDynamicReportItems(const FormatEntry* formats, const char* listJson,
                              vohtl::BasicString& output, voerr::Status& status) {
  if (status.isError() || !listJson) return;
  const char* element = json::firstElement(listJson);
  if (!element) return;
  const std::string_view list = valueText(listJson);
  vohtl::BasicString text;
  for (; element && !status.isError(); element = json::nextElement(afterValue(element))) {
    json::Value item;
    if (!json::parseValue(element, item) || item.type != json::kObject) {
      if (status.raise(voerr::codes::kInvalidParameter.code,
                       TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
        voerr::ReportObject(status, "voxlator_debug")
            .add("formatDynamicReportItems",
                 "json1 dynamic object invalid. each array item must be an object")
            .add("json1DynamicObjectBegin", list);
      }
      break;
    }
    char typeBuffer[64];
    const ItemFormat& format = formatFor(formats, itemType(element, typeBuffer));
    appendText(text, format.itemBegin, status);

    json::Value key;
    const char* keyPosition = json::findMember(element, "key");
    if (keyPosition && json::parseValue(keyPosition, key) && key.type == json::kString &&
        key.rawLength) {
      appendText(text, format.beforeKey, status) && appendDecoded(text, key, status) &&
          appendText(text, format.afterKey, status);
    }

    if (const char* valuePosition = json::findMember(element, "value")) {
      json::Value value;
      if (!json::parseValue(valuePosition, value)) {
        if (status.raise(voerr::codes::kInvalidParameter.code,
                         TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
          voerr::ReportObject(status, "voxlator_debug")
              .add("formatDynamicReportItems",
                   "json1 dynamic object invalid. something's wrong with value item")
              .add("json1DynamicObjectBegin", list)
              .add("value", valueText(valuePosition));
        }
        break;
      }
      appendText(text, format.beforeValue, status);
      if (value.type == json::kArray) {
        bool first = true;
        for (const char* v = json::firstElement(valuePosition); v && !status.isError();
             v = json::nextElement(afterValue(v))) {
          if (!first) appendText(text, format.betweenValues, status);
          first = false;
          if (!renderValueText(text, format, v, status)) break;
        }
      } else {
        renderValueText(text, format, valuePosition, status);
      }
      appendText(text, format.afterValue, status);
    }
    appendText(text, format.itemEnd, status);
  }
  if (!status.isError()) output.append(text.view(), status);
}

namespace {

// The fixed tables of an attempt.
constexpr SectionSeparators kSeparators{nullptr, "\n", nullptr, "\n", nullptr, nullptr};
constexpr FormatEntry kFormats[] = {
    {"elaboration", {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
    {nullptr, {"\n", nullptr, nullptr, ": ", nullptr, nullptr, nullptr, nullptr, ", "}},
};

class RawTextFormatter final : public NestedFormatter {
 public:
  void format(int level, vohtl::BasicString& text, voerr::Status& status) override {
    text.trimEnd(kLineEnds);
    text.trimStart(kLineEnds);
    if (level > 0) {
      vohtl::BasicString indented;
      const size_t step = 3 * static_cast<size_t>(level);
      auto appendIndent = [&] {
        for (size_t i = 0; i < step; ++i) indented.append(' ', status);
      };
      appendIndent();
      for (char c : text.view()) {
        indented.append(c, status);
        if (c == '\n') appendIndent();
      }
      if (status.isError()) return;
      text = std::move(indented);
    }
    text.append("\n\n", status);
  }
};

// Frees a translator's result with the manager's callback.
struct Released {
  char* text = nullptr;
  ~Released() { allocate(text, 0, nullptr, nullptr); }
};

// The text of a member's value when it is a non-empty string.
std::string_view stringMember(const char* object, const char* name) {
  if (!object) return {};
  const char* position = json::findMember(object, name);
  json::Value value;
  if (!position || !json::parseValue(position, value) || value.type != json::kString) return {};
  return std::string_view(value.raw, value.rawLength);
}

void renderLevel(SessionInterface& session, NestedFormatter& formatter, int level, int32_t code,
                 const char* report, uint32_t language, uint32_t flags,
                 vohtl::BasicString& output, voerr::Status& status);

void renderNested(SessionInterface& session, NestedFormatter& formatter, int level,
                  const char* nested, const char* report, uint32_t language, uint32_t flags,
                  vohtl::BasicString& output, voerr::Status& status) {
  const uint32_t nestedFlags = (flags & kDebug) ? 15 : 11;
  auto renderObject = [&](const char* object) {
    vohtl::BasicString text;
    if (!text.assign(valueText(object), status)) return;
    renderLevel(session, formatter, level + 1, json::integerValue(json::findMember(object, "code"), 0),
                text.c_str(), language, nestedFlags, output, status);
  };
  json::Value value;
  json::parseValue(nested, value);
  if (value.type == json::kObject) {
    renderObject(nested);
    return;
  }
  if (value.type != json::kArray) {
    if (status.raise(voerr::codes::kInvalidParameter.code,
                     TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
      voerr::ReportObject(status, "voxlator_debug")
          .add("translateErrStatusToFormattedText", "nested_error contains invalid json type")
          .add("json", report)
          .add("jsonz_type", static_cast<int32_t>(value.type));
    }
    return;
  }
  for (const char* element = json::firstElement(nested); element && !status.isError();
       element = json::nextElement(afterValue(element))) {
    json::Value item;
    json::parseValue(element, item);
    if (item.type != json::kObject) {
      if (status.raise(voerr::codes::kInvalidParameter.code,
                       TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
        voerr::ReportObject(status, "voxlator_debug")
            .add("translateErrStatusToFormattedText",
                 "nested_error contains invalid json type on one of the element")
            .add("json", report)
            .add("invalid json_type", static_cast<int32_t>(item.type));
      }
      return;
    }
    renderObject(element);
  }
}

void renderLevel(SessionInterface& session, NestedFormatter& formatter, int level, int32_t code,
                 const char* report, uint32_t language, uint32_t flags,
                 vohtl::BasicString& output, voerr::Status& status) {
  const std::string_view named = stringMember(report, "translator");
  const std::string_view translator = named.empty() ? kDefaultTranslatorName : named;

  Released staticText;
  Released dynamic;
  if (flags & kStatic) {
    staticText.text = session.getStaticDesc(code, translator, language, &allocate, nullptr, status);
  }
  if ((flags & (kDynamic | kDebug)) && translator != kDefaultTranslatorName) {
    dynamic.text = session.getDynamicDesc(report ? report : "", language, "json1", &allocate,
                                          nullptr, status);
  }

  vohtl::BasicString text;
  if (staticText.text && (flags & kStatic)) {
    appendText(text, kSeparators.beforeStatic, status) &&
        text.append(staticText.text, status) && appendText(text, kSeparators.afterStatic, status);
  }
  if ((flags & kDynamic) && dynamic.text) {
    appendText(text, kSeparators.beforeDynamic, status);
    formatDynamicReportItems(kFormats, json::findMember(dynamic.text, "dynamic"), text, status);
    appendText(text, kSeparators.afterDynamic, status);
  }
  if ((flags & kDebug) && dynamic.text) {
    appendText(text, kSeparators.beforeDebug, status);
    formatDynamicReportItems(kFormats, json::findMember(dynamic.text, "debug"), text, status);
    appendText(text, kSeparators.afterDebug, status);
  }
  formatter.format(level, text, status);
  output.append(text.view(), status);

  if ((flags & kNested) && !status.isError() && report) {
    if (const char* nested = json::findMember(report, "nested_error")) {
      renderNested(session, formatter, level, nested, report, language, flags, output, status);
    }
  }
}

}  // namespace

void translateErrStatusToRawText(SessionInterface& session, const voerr::Status& report,
                                 uint32_t language, uint32_t flags, vohtl::BasicString& output,
                                 voerr::Status& errorStatus) {
  if (report.code == 0 || errorStatus.isError()) return;
  RawTextFormatter formatter;
  renderLevel(session, formatter, 0, report.code, report.report, language, flags, output,
              errorStatus);
  output.trimEnd(kLineEnds);
  output.trimStart(kLineEnds);
}

}  // namespace json1
}  // namespace voxlator
