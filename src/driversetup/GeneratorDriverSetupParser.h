#pragma once

#include "driversetup/DriverSetupUtilities.h"
#include "driversetup/GeneratorDriverSetupParserInterface.h"

namespace tovik {

class GeneratorDriverSetupParser : public GeneratorDriverSetupParserInterface {
 public:
  GeneratorDriverSetupParser() = default;
  ~GeneratorDriverSetupParser() override;

  bool extractLanguage(const char* optionString, uint32_t& language,
                       std::string& optionStringOut) override;
  void parse(const std::string& driverSetup) override;

  std::optional<std::string> getModel() const override;
  std::optional<std::string> getBoardType() const override;
  std::optional<bool> getDebugSession() const override;
  std::optional<bool> getSlaveServer() const override;
  std::optional<AutoCloseBehavior> getAutoCloseBehavior() const override;
  std::optional<int32_t> getPriority() const override;
  std::optional<uint32_t> getToken0() const override;
  std::optional<uint32_t> getToken1() const override;
  std::optional<uint32_t> getToken2() const override;
  std::optional<uint32_t> getToken3() const override;
  std::optional<std::string> getLanguage() const override;

 private:
  std::optional<std::string> lookup(const char* tag) const;

  tessel::DriverSetupData parsed_;
};

}  // namespace tovik
