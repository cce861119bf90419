#include "driversetup/GeneratorDriverSetupParser.h"

#include <string_view>

#include "driversetup/CaseFolding.h"
#include "driversetup/DriverSetupParser.h"
#include "driversetup/ParserStringUtils.h"
#include "status/Raise.h"

namespace tovik {

namespace {

// Two-letter DriverSetup language names by language code.
constexpr std::string_view kLanguageNames[] = {"en", "fr", "de", "jp", "ko", "ch"};
constexpr uint32_t kUnknownLanguage = 6;

uint32_t languageCode(std::string_view name) {
  for (uint32_t code = 0; code < std::size(kLanguageNames); ++code) {
    if (voslid::parserStringUtils::equalsAsciiNoCase(name, kLanguageNames[code])) return code;
  }
  return kUnknownLanguage;
}

struct AutoCloseName {
  std::string_view name;
  AutoCloseBehavior value;
};
constexpr AutoCloseName kAutoCloseNames[] = {{"Never", AutoCloseBehavior::Never},
                                             {"SameProcess", AutoCloseBehavior::SameProcess},
                                             {"AnyProcess", AutoCloseBehavior::AnyProcess}};

// "Never, SameProcess, AnyProcess", for the possible-values item.
std::string autoClosePossibleValues() {
  std::string list;
  for (const AutoCloseName& entry : kAutoCloseNames) {
    if (!list.empty()) list += ", ";
    list += entry.name;
  }
  return list;
}

template <typename T, typename Convert>
std::optional<T> convert(const std::optional<std::string>& value, Convert conversion) {
  if (!value) return std::nullopt;
  return conversion(*value);
}

}  // namespace

GeneratorDriverSetupParser::~GeneratorDriverSetupParser() = default;

bool GeneratorDriverSetupParser::extractLanguage(const char* optionString, uint32_t& language,
                                                 std::string& optionStringOut) {
  optionStringOut = optionString != nullptr ? optionString : "";
  std::string driverSetup;
  voerr::Status status;
  voslid::DriverSetupParser().extractDriverSetup(optionStringOut.c_str(), driverSetup, status);
  if (status.isError()) throw voerr::Exception(status);
  const std::string value =
      tessel::getDriverSetupValue(tessel::parseDriverSetupString(driverSetup), "Language");
  if (value.empty()) return false;
  language = languageCode(value);
  return true;
}

void GeneratorDriverSetupParser::parse(const std::string& driverSetup) {
  parsed_ = tessel::parseDriverSetupString(driverSetup);
}

std::optional<std::string> GeneratorDriverSetupParser::lookup(const char* tag) const {
  std::string value = tessel::getDriverSetupValue(parsed_, tag);
  if (value.empty()) return std::nullopt;
  return value;
}

std::optional<std::string> GeneratorDriverSetupParser::getModel() const { return lookup("Model"); }

std::optional<std::string> GeneratorDriverSetupParser::getBoardType() const {
  return lookup("BoardType");
}

std::optional<bool> GeneratorDriverSetupParser::getDebugSession() const {
  return convert<bool>(lookup("DebugSession"), tessel::parseBoolean);
}

std::optional<bool> GeneratorDriverSetupParser::getSlaveServer() const {
  return convert<bool>(lookup("SlaveServer"), tessel::parseBoolean);
}

std::optional<AutoCloseBehavior> GeneratorDriverSetupParser::getAutoCloseBehavior() const {
  return convert<AutoCloseBehavior>(lookup("AutoCloseBehavior"), [](const std::string& value) {
    for (const AutoCloseName& entry : kAutoCloseNames) {
      if (tessel::equalsNoCase(value, entry.name)) return entry.value;
    }
    TOVIK_RAISE(voerr::codes::kBadOptionValue)
        .usage("kUsageTypePossibleValues", autoClosePossibleValues().c_str())
        .throwIt();
  });
}

std::optional<int32_t> GeneratorDriverSetupParser::getPriority() const {
  return convert<int32_t>(lookup("Priority"), tessel::parseInt32);
}

std::optional<uint32_t> GeneratorDriverSetupParser::getToken0() const {
  return convert<uint32_t>(lookup("Token0"), tessel::parseUInt32);
}

std::optional<uint32_t> GeneratorDriverSetupParser::getToken1() const {
  return convert<uint32_t>(lookup("Token1"), tessel::parseUInt32);
}

std::optional<uint32_t> GeneratorDriverSetupParser::getToken2() const {
  return convert<uint32_t>(lookup("Token2"), tessel::parseUInt32);
}

std::optional<uint32_t> GeneratorDriverSetupParser::getToken3() const {
  return convert<uint32_t>(lookup("Token3"), tessel::parseUInt32);
}

std::optional<std::string> GeneratorDriverSetupParser::getLanguage() const {
  return lookup("Language");
}

}  // namespace tovik
