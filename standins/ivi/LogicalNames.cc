#include "LogicalNames.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <string_view>

#include "IviStandin.h"
#include "OptionString.h"

namespace ivistandin {

namespace {

constexpr size_t kMaxValueLength = 255;  // the callers' buffers hold 256 bytes

struct Section {
  std::string name;
  bool hasResourceName = false;
  bool hasOptionString = false;
  LogicalName entry;
  size_t line = 0;
};

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

class ConfigReader {
 public:
  explicit ConfigReader(std::string path) : path_(std::move(path)) {}

  // False with `problem` set when the file is invalid; a missing file is empty.
  bool read(std::map<std::string, LogicalName>& names, std::string& problem) {
    std::ifstream stream(path_);
    if (!stream) return true;
    std::string line;
    Section section;
    bool inSection = false;
    for (size_t number = 1; std::getline(stream, line); ++number) {
      const std::string_view text = trimBlanks(line);
      if (text.empty() || text[0] == '#' || text[0] == ';') continue;
      if (text.front() == '[') {
        if (inSection && !close(section, names, problem)) return false;
        if (!open(text, number, section, problem)) return false;
        inSection = true;
        continue;
      }
      const size_t equals = text.find('=');
      if (equals == std::string_view::npos) return invalid(number, "expected 'key = value'", problem);
      if (!inSection) return invalid(number, "key outside a [LogicalName ...] section", problem);
      if (!assign(section, trimBlanks(text.substr(0, equals)), trimBlanks(text.substr(equals + 1)),
                  number, problem))
        return false;
    }
    return !inSection || close(section, names, problem);
  }

 private:
  bool invalid(size_t line, const std::string& reason, std::string& problem) const {
    problem = path_ + ":" + std::to_string(line) + ": " + reason;
    return false;
  }

  bool open(std::string_view text, size_t line, Section& section, std::string& problem) const {
    constexpr std::string_view kPrefix = "LogicalName";
    if (text.back() != ']') return invalid(line, "unterminated section header", problem);
    const std::string_view inner = trimBlanks(text.substr(1, text.size() - 2));
    if (inner.size() <= kPrefix.size() || !equalsIgnoringAsciiCase(inner.substr(0, kPrefix.size()), kPrefix) ||
        (inner[kPrefix.size()] != ' ' && inner[kPrefix.size()] != '\t'))
      return invalid(line, "expected [LogicalName <name>]", problem);
    section = Section();
    section.name = std::string(trimBlanks(inner.substr(kPrefix.size())));
    section.line = line;
    if (section.name.size() > kMaxValueLength) return invalid(line, "logical name too long", problem);
    return true;
  }

  bool assign(Section& section, std::string_view key, std::string_view value, size_t line,
              std::string& problem) const {
    if (value.size() > kMaxValueLength) return invalid(line, "value longer than 255 characters", problem);
    bool* seen;
    std::string* target;
    if (equalsIgnoringAsciiCase(key, "ResourceName")) {
      seen = &section.hasResourceName;
      target = &section.entry.resourceName;
    } else if (equalsIgnoringAsciiCase(key, "OptionString")) {
      seen = &section.hasOptionString;
      target = &section.entry.optionString;
    } else {
      return invalid(line, "unknown key '" + std::string(key) + "'", problem);
    }
    if (*seen) return invalid(line, "key '" + std::string(key) + "' given twice", problem);
    *seen = true;
    target->assign(value);
    return true;
  }

  bool close(Section& section, std::map<std::string, LogicalName>& names, std::string& problem) const {
    if (!section.hasResourceName) return invalid(section.line, "logical name without ResourceName", problem);
    if (!names.emplace(lowerAscii(section.name), section.entry).second)
      return invalid(section.line, "logical name '" + section.name + "' defined twice", problem);
    return true;
  }

  std::string path_;
};

}  // namespace

LogicalNameLookup lookUpLogicalName(const std::string& name) {
  const char* configured = std::getenv(IVI_STANDIN_CONFIG_ENV);
  ConfigReader reader(configured && *configured ? configured : IVI_STANDIN_DEFAULT_CONFIG);
  LogicalNameLookup lookup;
  std::map<std::string, LogicalName> names;
  if (!reader.read(names, lookup.problem)) {
    lookup.status = IVI_ERROR_INVALID_CONFIGURATION;
    return lookup;
  }
  auto found = names.find(lowerAscii(name));
  if (found != names.end()) {
    lookup.found = true;
    lookup.entry = found->second;
  }
  return lookup;
}

}  // namespace ivistandin
