#include "ivi/OptionStringInformation.h"

#include <vector>

#include "driversetup/DriverSetupParser.h"
#include "ivi/MbsToUtf8.h"
#include "status/Raise.h"

namespace miivi {

namespace {

constexpr size_t kResourceBufferSize = 256;

// The temporary engine session: disposed, status ignored, on every path.
class TemporarySession {
 public:
  explicit TemporarySession(const IviWrapperFactoryInterface& factory) : factory_(factory) {}
  TemporarySession(const TemporarySession&) = delete;
  TemporarySession& operator=(const TemporarySession&) = delete;

  ~TemporarySession() {
    if (handle == 0) return;
    try {
      binding().Ivi_Dispose(1);
    } catch (...) {
      // Without a binding the session cannot be reached any more.
    }
  }

  const IviWrapperInterface& binding() {
    if (!binding_) binding_ = factory_.createBinding(handle);
    return *binding_;
  }

  ViSession handle = 0;

 private:
  const IviWrapperFactoryInterface& factory_;
  std::unique_ptr<IviWrapperInterface> binding_;
};

}  // namespace

OptionStringInformation::OptionStringInformation(const char* resourceName, const char* optionString,
                                                 const IviWrapperFactoryInterface& factory,
                                                 const char* driverPrefix) {
  const char* rawOptionString = optionString ? optionString : "";
  const std::unique_ptr<IviWrapperInterface> threadBinding = factory.createBinding(0);

  char physicalName[kResourceBufferSize] = {};
  char configuredOptions[kResourceBufferSize] = {};
  ViBoolean logicalName = VI_FALSE;
  threadBinding->Ivi_GetInfoFromResourceName(resourceName, rawOptionString, physicalName, configuredOptions,
                                             &logicalName, 0);
  physicalName[kResourceBufferSize - 1] = '\0';
  configuredOptions[kResourceBufferSize - 1] = '\0';

  const ViStatus error = mbsToUtf8(logicalName ? physicalName : resourceName, false, resourceName_);
  if (error < 0) TOVIK_RAISE_VAR(error).throwIt();
  optionString_ = logicalName ? configuredOptions : rawOptionString;
  logicalName_ = logicalName == 1;

  TemporarySession temporary(factory);
  threadBinding->Ivi_SpecificDriverNew(driverPrefix, optionString_.c_str(), &temporary.handle, 0);
  const IviWrapperInterface& session = temporary.binding();
  simulate_ = session.Ivi_Simulating() == 1;
  readDriverSetup(session, rawOptionString);
}

void OptionStringInformation::readDriverSetup(const IviWrapperInterface& session, const char* rawOptionString) {
  const ViStatus needed = session.Ivi_GetAttributeViString("", IVI_ATTR_DRIVER_SETUP, 0, 0, nullptr, 0);
  if (needed <= 0) return;
  std::vector<ViChar> buffer(static_cast<size_t>(needed), '\0');
  session.Ivi_GetAttributeViString("", IVI_ATTR_DRIVER_SETUP, 0, needed, buffer.data(), 0);
  buffer.back() = '\0';
  driverSetup_ = buffer.data();

  // Engines keep 511 characters of DriverSetup; a value of exactly that
  // length may have been cut, so take the whole one from the caller's text
  // when it starts with what the engine kept.
  if (driverSetup_.size() != IVI_MAX_DRIVER_SETUP_LENGTH) return;
  voslid::DriverSetupParser parser;
  voerr::Status status;
  std::string extracted;
  parser.extractDriverSetup(rawOptionString, extracted, status);
  if (status.isError()) throw voerr::Exception(status);
  if (extracted.size() > driverSetup_.size() && extracted.compare(0, driverSetup_.size(), driverSetup_) == 0)
    driverSetup_ = std::move(extracted);
}

}  // namespace miivi
