// What an open request's resource name and option string ask for, as the
// IVI engine reads them.
#pragma once

#include <string>

#include "ivi/IviWrapperFactory.h"

namespace miivi {

class OptionStringInformationInterface {
 public:
  virtual ~OptionStringInformationInterface() = default;
  // The resource to open (UTF-8): the caller's, or the one its logical name
  // stands for.
  virtual const std::string& getResourceName() const = 0;
  // The option string in force: the caller's, or the logical name's.
  virtual const std::string& getOptionString() const = 0;
  virtual bool isLogicalName() const = 0;
  virtual bool isSimulated() const = 0;
  // The DriverSetup value, without its key and '='.
  virtual std::string getDriverSetup() const = 0;
};

class OptionStringInformation : public OptionStringInformationInterface {
 public:
  // Lets the engine resolve a logical name and parse the option string
  // (null: "") in a temporary engine session that is gone again when the
  // constructor returns or throws voerr::Exception.
  OptionStringInformation(const char* resourceName, const char* optionString,
                          const IviWrapperFactoryInterface& factory, const char* driverPrefix);

  const std::string& getResourceName() const override { return resourceName_; }
  const std::string& getOptionString() const override { return optionString_; }
  bool isLogicalName() const override { return logicalName_; }
  bool isSimulated() const override { return simulate_; }
  std::string getDriverSetup() const override { return driverSetup_; }

 private:
  void readDriverSetup(const IviWrapperInterface& session, const char* rawOptionString);

  std::string resourceName_;
  std::string optionString_;
  bool logicalName_ = false;
  bool simulate_ = false;
  std::string driverSetup_;
};

}  // namespace miivi
