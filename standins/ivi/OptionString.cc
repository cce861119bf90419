#include "OptionString.h"

namespace ivistandin {

std::string_view trimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

namespace {

const EngineAttribute* findOption(std::string_view key) {
  for (size_t i = 0; i < kEngineAttributeCount; ++i) {
    const EngineAttribute& entry = kEngineAttributes[i];
    if (entry.optionKey != nullptr && equalsIgnoringAsciiCase(key, entry.optionKey)) return &entry;
  }
  return nullptr;
}

// "1" or "0", or null when the text is no IVI boolean.
const char* parseBoolean(std::string_view value) {
  for (const char* spelling : {"1", "true", "VI_TRUE"})
    if (equalsIgnoringAsciiCase(value, spelling)) return "1";
  for (const char* spelling : {"0", "false", "VI_FALSE"})
    if (equalsIgnoringAsciiCase(value, spelling)) return "0";
  return nullptr;
}

ParsedOptions failure(ViStatus status, std::string problem) {
  ParsedOptions result;
  result.status = status;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

ParsedOptions parseOptionString(const char* text) {
  ParsedOptions result;
  const std::string_view options = trimBlanks(text ? text : "");
  if (options.empty()) return result;
  size_t begin = 0;
  while (begin <= options.size()) {
    size_t end = options.find(',', begin);
    if (end == std::string_view::npos) end = options.size();
    const std::string_view entry = options.substr(begin, end - begin);
    begin = end + 1;

    const size_t equals = entry.find('=');
    const std::string_view key = trimBlanks(entry.substr(0, equals));
    const std::string quoted = "'" + std::string(entry) + "'";
    if (key.empty())
      return failure(IVI_ERROR_MISSING_OPTION_NAME, "option string entry " + quoted + " has no option name");
    if (equals == std::string_view::npos)
      return failure(IVI_ERROR_MISSING_OPTION_VALUE, "option string entry " + quoted + " has no '=' and value");
    const EngineAttribute* option = findOption(key);
    if (option == nullptr)
      return failure(IVI_ERROR_BAD_OPTION_NAME, "unknown option " + quoted);
    for (const OptionSetting& earlier : result.settings)
      if (earlier.attribute == option)
        return failure(IVI_ERROR_BAD_OPTION_NAME, "option " + std::string(option->optionKey) + " is given twice");

    const std::string_view raw = entry.substr(equals + 1);
    if (option->type == IVI_VAL_STRING) {
      // DriverSetup is the driver's text: taken as written.
      result.settings.push_back({option, std::string(raw)});
      continue;
    }
    const std::string_view value = trimBlanks(raw);
    if (value.empty())
      return failure(IVI_ERROR_MISSING_OPTION_VALUE, "option string entry " + quoted + " has no value");
    const char* boolean = parseBoolean(value);
    if (boolean == nullptr)
      return failure(IVI_ERROR_BAD_OPTION_VALUE, "option " + std::string(option->optionKey) +
                                                     " takes a boolean, not '" + std::string(value) + "'");
    result.settings.push_back({option, boolean});
  }
  return result;
}

}  // namespace ivistandin
