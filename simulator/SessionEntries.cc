// Opening and closing sessions, resets, identification, errors and the
// session lock.
#include <atomic>
#include <cctype>
#include <cstring>

#include "Arguments.h"
#include "Attributes.h"
#include "Generation.h"
#include "tovik/tovik_attributes.h"
#include "SimulatorEntries.h"

#ifndef SIM_FAMILY
#error SIM_FAMILY (the plugin family this library serves) must be defined
#endif

namespace sim {

namespace {

constexpr const char* kDriverPrefix = "tovik";

std::atomic<void*> gCloseFunction{nullptr};
std::atomic<ViInt32> gThreadStorageIndex{-1};

// ------------------------------------------------------------ DriverSetup

bool sameTag(const std::string& tag, const char* name) {
  if (tag.size() != std::strlen(name)) return false;
  for (size_t i = 0; i < tag.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(tag[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

struct DriverSetup {
  std::string model;
  std::string bus;
};

// The Model and BoardType tags of a DriverSetup value: groups separated by
// '&', entries by ';', tag and value by ':'. Other tags are the library's.
DriverSetup parseDriverSetup(const std::string& text) {
  DriverSetup setup;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find_first_of(";&", start);
    const std::string entry = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t colon = entry.find(':');
    if (colon != std::string::npos) {
      const std::string tag = trimmed(entry.substr(0, colon));
      const std::string value = trimmed(entry.substr(colon + 1));
      if (sameTag(tag, "Model")) setup.model = value;
      if (sameTag(tag, "BoardType")) setup.bus = value;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return setup;
}

bool onBus(const Model& model, const std::string& bus) {
  const std::string buses = std::string(",") + model.buses + ",";
  return buses.find("," + bus + ",") != std::string::npos;
}

std::string firstBus(const Model& model) {
  const std::string buses = model.buses;
  return buses.substr(0, buses.find(','));
}

bool ofThisFamily(const Model& model) { return std::strcmp(model.family, SIM_FAMILY) == 0; }

std::string familyModels() {
  std::string text;
  for (size_t i = 0; i < kModelCount; ++i)
    if (ofThisFamily(kModels[i])) text += (text.empty() ? "" : ", ") + quote(kModels[i].label);
  return text;
}

// The model a DriverSetup names (or the family's default) and its bus.
const Model& chooseModel(const DriverSetup& setup, const Param& options, std::string& bus) {
  const Model* chosen = nullptr;
  for (size_t i = 0; i < kModelCount && !chosen; ++i) {
    const Model& model = kModels[i];
    if (!ofThisFamily(model)) continue;
    if (!setup.model.empty() ? setup.model == model.label
                             : (setup.bus.empty() ? model.isDefault : onBus(model, setup.bus)))
      chosen = &model;
  }
  if (!chosen && setup.model.empty() && setup.bus.empty()) {
    for (size_t i = 0; i < kModelCount && !chosen; ++i)
      if (ofThisFamily(kModels[i])) chosen = &kModels[i];
  }
  if (!chosen) {
    raise(IVI_ERROR_BAD_OPTION_VALUE, options,
          "DriverSetup names model " + quote(setup.model) + (setup.bus.empty() ? "" : " on bus " + quote(setup.bus)) +
              ", which this " SIM_FAMILY " simulator does not know: accepted " + familyModels());
  }
  if (setup.bus.empty()) {
    bus = firstBus(*chosen);
  } else if (onBus(*chosen, setup.bus)) {
    bus = setup.bus;
  } else {
    raise(IVI_ERROR_BAD_OPTION_VALUE, options,
          "DriverSetup names bus " + quote(setup.bus) + ", on which the " + chosen->label +
              " does not come: accepted " + chosen->buses);
  }
  return *chosen;
}

// ---------------------------------------------------------------- opening

// Disposes the engine session of an opening that failed.
class PendingEngineSession {
 public:
  explicit PendingEngineSession(ViSession vi) : vi_(vi) {}
  ~PendingEngineSession() {
    if (vi_ != 0) Ivi_Dispose(vi_);
  }
  PendingEngineSession(const PendingEngineSession&) = delete;
  PendingEngineSession& operator=(const PendingEngineSession&) = delete;
  ViSession keep() { return std::exchange(vi_, 0); }

 private:
  ViSession vi_;
};

void check(ViStatus status, const char* what) {
  if (status < 0) raise(status, std::string("the IVI engine failed to ") + what);
}

// Gives the engine the simulator's attribute names, so that tools asking
// the engine for a name (the I/O trace) find them. The values live here.
void registerAttributeNames(ViSession vi) {
  constexpr IviAttrFlags kFlags = IVI_VAL_HIDDEN | IVI_VAL_NOT_WRITABLE | IVI_VAL_NOT_READABLE;
  for (size_t i = 0; i < kAttributeCount; ++i) {
    const AttributeDefinition& definition = kAttributes[i];
    ViStatus status = VI_SUCCESS;
    switch (definition.type) {
      case Type::kInt32:
        status = Ivi_AddAttributeViInt32(vi, definition.id, definition.name, 0, kFlags, nullptr, nullptr, nullptr);
        break;
      case Type::kReal64:
        status =
            Ivi_AddAttributeViReal64(vi, definition.id, definition.name, 0.0, kFlags, nullptr, nullptr, nullptr, 0);
        break;
      case Type::kBoolean:
        status = Ivi_AddAttributeViBoolean(vi, definition.id, definition.name, VI_FALSE, kFlags, nullptr, nullptr);
        break;
      case Type::kString:
        status = Ivi_AddAttributeViString(vi, definition.id, definition.name, "", kFlags, nullptr, nullptr);
        break;
    }
    check(status, "add an attribute");
  }
}

ViStatus open(ViConstString resourceName, ViConstString channelName, const Param& channelParam, ViBoolean resetDevice,
              ViConstString optionString, const Param& optionParam, ViSession* newVi, const Param& viParam) {
  require(viParam, newVi);
  *newVi = 0;
  const std::string resource = optionalText(Param{"resourceName", 1}, resourceName, kMaxNameLength);
  const std::string options = optionalText(optionParam, optionString, kMaxOptionStringLength);

  ViSession vi = 0;
  const ViStatus created = Ivi_SpecificDriverNew(kDriverPrefix, options.c_str(), &vi);
  if (created < 0) return created;  // the engine recorded why
  PendingEngineSession pending(vi);

  ViChar driverSetup[IVI_MAX_DRIVER_SETUP_LENGTH + 1] = "";
  check(Ivi_GetAttributeViString(vi, "", IVI_ATTR_DRIVER_SETUP, 0, sizeof driverSetup, driverSetup),
        "read DriverSetup");
  std::string bus;
  const Model& model = chooseModel(parseDriverSetup(driverSetup), optionParam, bus);

  auto session = std::make_shared<Session>(vi, model, bus);
  checkChannelString(*session, channelParam, channelName);
  registerAttributeNames(vi);
  check(Ivi_SetAttributeViInt32(vi, "", IVI_ATTR_CHANNEL_COUNT, 0, model.channels), "set the channel count");
  check(Ivi_SetAttributeViString(vi, "", IVI_ATTR_IO_RESOURCE_DESCRIPTOR, 0, resource.c_str()),
        "set the resource name");
  if (resetDevice) session->resetToDefaults();

  SessionTable::instance().add(std::move(session));
  *newVi = pending.keep();
  return VI_SUCCESS;
}

// ----------------------------------------------------------------- errors

// The text of a status: the simulator's own, else the engine's.
std::string messageOf(ViStatus code) {
  if (const char* own = statusMessage(code)) return own;
  ViChar message[IVI_MAX_MESSAGE_BUF_SIZE] = "";
  Ivi_GetErrorMessage(code, message);
  return message;
}

ViStatus resetSession(Call& call) {
  abortGeneration(call.session());
  call.session().resetToDefaults();
  return VI_SUCCESS;
}

}  // namespace

namespace entry {

ViStatus init(ViConstString resourceName, ViBoolean idQuery, ViBoolean resetDevice, ViSession* vi) {
  return open(resourceName, nullptr, Param{"channelName", 0}, resetDevice, nullptr, Param{"optionString", 0}, vi,
              Param{"vi", 4});
}

ViStatus InitWithOptions(ViConstString resourceName, ViBoolean idQuery, ViBoolean resetDevice,
                         ViConstString optionString, ViSession* vi) {
  return open(resourceName, nullptr, Param{"channelName", 0}, resetDevice, optionString, Param{"optionString", 4},
              vi, Param{"vi", 5});
}

ViStatus InitializeWithChannels(ViConstString resourceName, ViConstString channelName, ViBoolean resetDevice,
                                ViConstString optionString, ViSession* vi) {
  return open(resourceName, channelName, Param{"channelName", 2}, resetDevice, optionString,
              Param{"optionString", 4}, vi, Param{"vi", 5});
}

ViStatus close(Call& call) {
  Session& session = call.session();
  abortGeneration(session);
  session.closed = true;
  SessionTable::instance().remove(call.vi());
  call.disposeAfterwards();
  return VI_SUCCESS;
}

ViStatus reset(Call& call) { return resetSession(call); }
ViStatus ResetWithDefaults(Call& call) { return resetSession(call); }
ViStatus ResetDevice(Call& call) { return resetSession(call); }
ViStatus InvalidateAllAttributes(Call& call) { return VI_SUCCESS; }  // nothing is cached

ViStatus Disable(Call& call) {
  Session& session = call.session();
  abortGeneration(session);
  store(session, IVIFGEN_ATTR_OUTPUT_ENABLED, allChannels(session), static_cast<ViBoolean>(VI_FALSE));
  return VI_SUCCESS;
}

ViStatus Commit(Call& call) {
  checkSettings(call.session());
  return VI_SUCCESS;
}

ViStatus self_test(Call& call, ViInt16* selfTestResult, ViChar* selfTestMessage) {
  require(Param{"selfTestResult", 2}, selfTestResult);
  require(Param{"selfTestMessage", 3}, selfTestMessage);
  *selfTestResult = 0;
  fillMessage(std::string("Self test passed (simulated ") + call.session().productName() + ").", selfTestMessage);
  return VI_SUCCESS;
}

ViStatus revision_query(Call& call, ViChar* instrumentDriverRevision, ViChar* firmwareRevision) {
  require(Param{"instrumentDriverRevision", 2}, instrumentDriverRevision);
  require(Param{"firmwareRevision", 3}, firmwareRevision);
  const Session& session = call.session();
  fillMessage(session.text(IVI_ATTR_SPECIFIC_DRIVER_REVISION), instrumentDriverRevision);
  fillMessage(session.text(IVI_ATTR_INSTRUMENT_FIRMWARE_REVISION), firmwareRevision);
  return VI_SUCCESS;
}

ViStatus error_query(Call& call, ViInt32* errorCode, ViChar* errorMessage) {
  require(Param{"errorCode", 2}, errorCode);
  require(Param{"errorMessage", 3}, errorMessage);
  std::deque<DeviceQueueEntry>& queue = call.session().deviceQueue;
  if (queue.empty()) {
    *errorCode = TOVIK_DEVICE_NO_ERROR;
    const char* text = deviceErrorMessage(TOVIK_DEVICE_NO_ERROR);
    fillMessage(text ? text : "", errorMessage);
    return VI_SUCCESS;
  }
  *errorCode = queue.front().code;
  fillMessage(queue.front().message, errorMessage);
  queue.pop_front();
  return VI_SUCCESS;
}

ViStatus error_message(Call& call, ViStatus errorCode, ViChar* errorMessage) {
  require(Param{"errorMessage", 3}, errorMessage);
  fillMessage(messageOf(errorCode), errorMessage);
  return VI_SUCCESS;
}

ViStatus ErrorHandler(Call& call, ViStatus errorCode, ViChar* errorMessage) {
  return error_message(call, errorCode, errorMessage);
}

// The pending error of the session, described; it is cleared once the
// caller has received the whole description.
ViStatus GetError(Call& call, ViStatus* errorCode, ViInt32 errorDescriptionBufferSize, ViChar* errorDescription) {
  require(Param{"errorCode", 2}, errorCode);
  checkBuffer(Param{"errorDescriptionBufferSize", 3}, errorDescriptionBufferSize, Param{"errorDescription", 4},
              errorDescription);
  ViInt32 primary = 0;
  ViChar elaboration[IVI_MAX_ERROR_ELABORATION_SIZE] = "";
  check(Ivi_GetAttributeViInt32(call.vi(), nullptr, IVI_ATTR_PRIMARY_ERROR, 0, &primary), "read the error");
  check(Ivi_GetAttributeViString(call.vi(), nullptr, IVI_ATTR_ERROR_ELABORATION, 0, sizeof elaboration, elaboration),
        "read the error");
  std::string description;
  if (primary != 0) {
    description = messageOf(primary);
    if (elaboration[0] != '\0') description += std::string(" Elaboration: ") + elaboration;
  }
  *errorCode = primary;
  const ViStatus filled = fillBuffer(description, errorDescriptionBufferSize, errorDescription);
  if (filled == VI_SUCCESS) Ivi_ClearErrorInfo(call.vi());
  return filled;
}

ViStatus ClearError(Call& call) { return Ivi_ClearErrorInfo(call.vi()); }

ViStatus GetErrorInfo(Call& call, ViStatus* primaryError, ViStatus* secondaryError, ViChar* errorElaboration) {
  return Ivi_GetErrorInfo(call.vi(), primaryError, secondaryError, errorElaboration);
}

ViStatus ClearErrorInfo(Call& call) { return Ivi_ClearErrorInfo(call.vi()); }

// The entry itself runs under one level of the engine's session lock; the
// levels the caller asked for are counted so that unlocking one it does not
// hold fails.
ViStatus LockSession(Call& call, ViBoolean* callerHasLock) {
  const bool held = callerHasLock != nullptr && *callerHasLock;
  const ViStatus status = Ivi_LockSession(call.vi(), callerHasLock);
  if (status >= 0 && !held) ++call.session().userLockDepth;
  return status;
}

ViStatus UnlockSession(Call& call, ViBoolean* callerHasLock) {
  if (callerHasLock != nullptr && !*callerHasLock) return VI_SUCCESS;
  Session& session = call.session();
  if (session.userLockDepth == 0)
    raise(IVI_ERROR_SESSION_NOT_LOCKED, "the calling thread holds no lock of this session");
  const ViStatus status = Ivi_UnlockSession(call.vi(), callerHasLock);
  if (status >= 0) --session.userLockDepth;
  return status;
}

ViStatus GetChannelName(Call& call, ViInt32 index, ViInt32 bufferSize, ViChar* channelString) {
  const Session& session = call.session();
  checkCount(Param{"index", 2}, index, 1, static_cast<ViInt32>(session.channels.size()));
  checkBuffer(Param{"bufferSize", 3}, bufferSize, Param{"channelString", 4}, channelString);
  return fillBuffer(session.channels[static_cast<size_t>(index - 1)].name, bufferSize, channelString);
}

ViStatus SetCloseFunctionPointer(ViAddr closeFunction) {
  gCloseFunction.store(require(Param{"closeFunction", 1}, closeFunction));
  return VI_SUCCESS;
}

ViStatus SetYMRTTLSIndex(ViInt32 index) {
  gThreadStorageIndex.store(index);
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
