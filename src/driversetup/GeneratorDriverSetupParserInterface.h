// The DriverSetup settings of the generator device family.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tovik {

// What happens to a session whose owner goes away (tag AutoCloseBehavior).
enum class AutoCloseBehavior : uint32_t { Never = 0, SameProcess = 1, AnyProcess = 2 };

class GeneratorDriverSetupParserInterface {
 public:
  virtual ~GeneratorDriverSetupParserInterface() = default;

  // Copies `optionString` (null counts as "") into `optionStringOut` first,
  // then looks for the tag Language in its DriverSetup value. Returns false
  // and leaves `language` unchanged when there is none; otherwise sets it
  // (0 en, 1 fr, 2 de, 3 jp, 4 ko, 5 ch, 6 anything else). Does not touch
  // the stored settings. Throws voerr::Exception on a malformed DriverSetup.
  virtual bool extractLanguage(const char* optionString, uint32_t& language,
                               std::string& optionStringOut) = 0;

  // Parses `driverSetup` and keeps it for the getters; on an exception the
  // previous settings stay.
  virtual void parse(const std::string& driverSetup) = 0;

  // Absent when no group has the tag. Throws voerr::Exception when groups
  // disagree or a value does not convert.
  virtual std::optional<std::string> getModel() const = 0;
  virtual std::optional<std::string> getBoardType() const = 0;
  virtual std::optional<bool> getDebugSession() const = 0;
  virtual std::optional<bool> getSlaveServer() const = 0;
  virtual std::optional<AutoCloseBehavior> getAutoCloseBehavior() const = 0;
  virtual std::optional<int32_t> getPriority() const = 0;
  virtual std::optional<uint32_t> getToken0() const = 0;
  virtual std::optional<uint32_t> getToken1() const = 0;
  virtual std::optional<uint32_t> getToken2() const = 0;
  virtual std::optional<uint32_t> getToken3() const = 0;
  virtual std::optional<std::string> getLanguage() const = 0;
};

}  // namespace tovik
