// Engine attributes: adding, setting and getting them, and what the engine
// tells about them.
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "Engine.h"

namespace ivistandin {

namespace {

template <typename T>
struct TypeId;
template <>
struct TypeId<ViInt32> {
  static constexpr ViInt32 value = IVI_VAL_INT32;
};
template <>
struct TypeId<ViInt64> {
  static constexpr ViInt32 value = IVI_VAL_INT64;
};
template <>
struct TypeId<ViReal64> {
  static constexpr ViInt32 value = IVI_VAL_REAL64;
};
template <>
struct TypeId<std::string> {
  static constexpr ViInt32 value = IVI_VAL_STRING;
};
template <>
struct TypeId<ViBoolean> {
  static constexpr ViInt32 value = IVI_VAL_BOOLEAN;
};
template <>
struct TypeId<ViSession> {
  static constexpr ViInt32 value = IVI_VAL_SESSION;
};
template <>
struct TypeId<ViAddr> {
  static constexpr ViInt32 value = IVI_VAL_ADDR;
};

// What went wrong inside the engine lock; recorded after it is released.
struct Outcome {
  ViStatus status = VI_SUCCESS;
  ViStatus secondary = 0;
  std::string problem;
  bool badSession = false;
};

Outcome problem(ViStatus status, const char* function, const std::string& text) {
  return {status, 0, std::string(function) + ": " + text, false};
}

ViStatus finish(ViSession vi, const char* function, const Outcome& outcome) {
  if (outcome.badSession) return failSession(vi, function);
  if (outcome.status < 0) return fail(vi, outcome.status, outcome.secondary, outcome.problem);
  return outcome.status;
}

bool isErrorAttribute(ViAttr id) {
  return id == IVI_ATTR_PRIMARY_ERROR || id == IVI_ATTR_SECONDARY_ERROR || id == IVI_ATTR_ERROR_ELABORATION;
}

std::string attributeText(ViAttr id) { return "attribute " + std::to_string(id); }

// The session-wide checks of a getter or setter. Sessions have no channels.
Outcome checkChannel(const char* channelName, const char* function) {
  if (channelName != nullptr && *channelName != '\0')
    return problem(IVI_ERROR_UNKNOWN_CHANNEL_NAME, function,
                   "channel '" + std::string(channelName) + "' is not known");
  return {};
}

// Finds attribute `id` of the right type; needs the engine mutex.
template <typename T>
Attribute* findTyped(Session& session, ViAttr id, const char* function, Outcome& outcome) {
  auto found = session.attributes.find(id);
  if (found == session.attributes.end()) {
    outcome = problem(IVI_ERROR_INVALID_ATTRIBUTE, function, attributeText(id) + " is not known");
    return nullptr;
  }
  if (found->second.type != TypeId<T>::value) {
    outcome = problem(IVI_ERROR_TYPES_DO_NOT_MATCH, function,
                      attributeText(id) + " (" + found->second.name + ") is of another type");
    return nullptr;
  }
  return &found->second;
}

// The error-information attributes, of a session or (vi 0) of the thread.
template <typename T>
Outcome readErrorAttribute(const ErrorInfo& info, ViAttr id, T& value, const char* function) {
  if (findEngineAttribute(id)->type != TypeId<T>::value)
    return problem(IVI_ERROR_TYPES_DO_NOT_MATCH, function, attributeText(id) + " is of another type");
  if constexpr (std::is_same_v<T, ViInt32>)
    value = id == IVI_ATTR_PRIMARY_ERROR ? info.primary : info.secondary;
  if constexpr (std::is_same_v<T, std::string>) value = info.elaboration;
  return {};
}

// DriverSetup is kept as real engines keep it: cut to 511 characters.
void storeString(Attribute& attribute, ViAttr id, std::string value) {
  if (id == IVI_ATTR_DRIVER_SETUP && value.size() > IVI_MAX_DRIVER_SETUP_LENGTH)
    value.resize(IVI_MAX_DRIVER_SETUP_LENGTH);
  attribute.value = std::move(value);
}

template <typename T>
ViStatus readAttribute(ViSession vi, ViConstString channelName, ViAttr id, IviAttrFlags optionFlags,
                       T& value, const char* function) {
  Engine& engine = Engine::instance();
  Outcome outcome = checkChannel(channelName, function);
  if (outcome.status < 0) return finish(vi, function, outcome);
  {
    std::lock_guard<std::mutex> guard(engine.mutex);
    Session* session = engine.findLocked(vi);
    if (vi != 0 && session == nullptr) {
      outcome.badSession = true;
    } else if (isErrorAttribute(id)) {
      outcome = readErrorAttribute(session ? session->error : threadErrorInfo(), id, value, function);
    } else if (session == nullptr) {
      outcome.badSession = true;  // session 0 has nothing but error information
    } else if (Attribute* attribute = findTyped<T>(*session, id, function, outcome)) {
      const bool userCall = (optionFlags & IVI_VAL_DIRECT_USER_CALL) != 0;
      if ((attribute->flags & IVI_VAL_NOT_READABLE) != 0 ||
          (userCall && (attribute->flags & IVI_VAL_NOT_USER_READABLE) != 0))
        outcome = problem(IVI_ERROR_ATTR_NOT_READABLE, function, attributeText(id) + " cannot be read");
      else
        value = std::get<T>(attribute->value);
    }
  }
  return finish(vi, function, outcome);
}

template <typename T>
ViStatus writeAttribute(ViSession vi, ViConstString channelName, ViAttr id, IviAttrFlags optionFlags,
                        T value, const char* function) {
  Engine& engine = Engine::instance();
  Outcome outcome = checkChannel(channelName, function);
  if (outcome.status < 0) return finish(vi, function, outcome);
  {
    std::lock_guard<std::mutex> guard(engine.mutex);
    Session* session = engine.findLocked(vi);
    if (session == nullptr) {
      outcome.badSession = true;
    } else if (Attribute* attribute = findTyped<T>(*session, id, function, outcome)) {
      const bool userCall = (optionFlags & IVI_VAL_DIRECT_USER_CALL) != 0;
      if ((attribute->flags & IVI_VAL_NOT_WRITABLE) != 0 ||
          (userCall && (attribute->flags & IVI_VAL_NOT_USER_WRITABLE) != 0)) {
        outcome = problem(IVI_ERROR_ATTR_NOT_WRITABLE, function, attributeText(id) + " cannot be written");
      } else if constexpr (std::is_same_v<T, std::string>) {
        storeString(*attribute, id, std::move(value));
      } else {
        attribute->value = value;
      }
    }
  }
  return finish(vi, function, outcome);
}

template <typename T>
ViStatus addAttribute(ViSession vi, ViAttr id, ViConstString name, T defaultValue, IviAttrFlags flags,
                      bool withCallbacks, const char* function) {
  if (name == nullptr) return failParameter(vi, IVI_ERROR_NULL_POINTER, 3, function, "(attributeName) is NULL");
  Engine& engine = Engine::instance();
  Outcome outcome;
  if (withCallbacks) {
    outcome = problem(IVI_ERROR_FUNCTION_NOT_SUPPORTED, function,
                      "the IVI engine stand-in takes no callbacks or range tables");
    return finish(vi, function, outcome);
  }
  {
    std::lock_guard<std::mutex> guard(engine.mutex);
    Session* session = engine.findLocked(vi);
    if (session == nullptr)
      outcome.badSession = true;
    else if (!session->attributes.emplace(id, Attribute{TypeId<T>::value, name, flags, std::move(defaultValue)}).second)
      outcome = problem(IVI_ERROR_ATTRIBUTE_EXISTS, function, attributeText(id) + " exists already");
  }
  return finish(vi, function, outcome);
}

AttributeValue defaultValue(const EngineAttribute& entry) {
  const char* text = entry.defaultValue ? entry.defaultValue : "";
  switch (entry.type) {
    case IVI_VAL_INT32:
      return static_cast<ViInt32>(std::strtol(text, nullptr, 0));
    case IVI_VAL_INT64:
      return static_cast<ViInt64>(std::strtoll(text, nullptr, 0));
    case IVI_VAL_REAL64:
      return std::strtod(text, nullptr);
    case IVI_VAL_BOOLEAN:
      return static_cast<ViBoolean>(std::strcmp(text, "1") == 0 ? VI_TRUE : VI_FALSE);
    case IVI_VAL_SESSION:
      return static_cast<ViSession>(std::strtoul(text, nullptr, 0));
    case IVI_VAL_ADDR:
      return static_cast<ViAddr>(nullptr);
    default:
      return std::string(text);
  }
}

IviAttrFlags accessFlags(Access access) {
  switch (access) {
    case Access::kRo:
      return IVI_VAL_NOT_WRITABLE;
    case Access::kDriver:
      return IVI_VAL_NOT_USER_WRITABLE;
    default:
      return 0;
  }
}

}  // namespace

void addEngineAttributes(Session& session) {
  for (size_t i = 0; i < kEngineAttributeCount; ++i) {
    const EngineAttribute& entry = kEngineAttributes[i];
    session.attributes.emplace(entry.id,
                               Attribute{entry.type, entry.name, accessFlags(entry.access), defaultValue(entry)});
  }
}

void setEngineAttribute(Session& session, ViAttr id, const std::string& text) {
  Attribute& attribute = session.attributes.at(id);
  if (attribute.type == IVI_VAL_BOOLEAN)
    attribute.value = static_cast<ViBoolean>(text == "1" ? VI_TRUE : VI_FALSE);
  else
    storeString(attribute, id, text);
}

namespace {

// The plain state queries: the attribute's value, or `fallback` when the
// session is not known.
template <typename T>
T attributeOr(ViSession vi, ViAttr id, T fallback) {
  Engine& engine = Engine::instance();
  std::lock_guard<std::mutex> guard(engine.mutex);
  Session* session = engine.findLocked(vi);
  if (session == nullptr) return fallback;
  auto found = session->attributes.find(id);
  if (found == session->attributes.end() || found->second.type != TypeId<T>::value) return fallback;
  return std::get<T>(found->second.value);
}

}  // namespace

}  // namespace ivistandin

using namespace ivistandin;

extern "C" {

#define IVISTANDIN_ADD(T, ...)                                                                  \
  IVISTANDIN_ENTRY(vi);                                                               \
  return guarded(vi, [&] {                                                                      \
    return addAttribute<T>(vi, attributeId, attributeName, defaultValue, flags, __VA_ARGS__, function); \
  })

ViStatus Ivi_AddAttributeViInt32(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                 ViInt32 defaultValue, IviAttrFlags flags, ReadAttrViInt32_CallbackPtr readCallback,
                                 WriteAttrViInt32_CallbackPtr writeCallback, IviRangeTablePtr rangeTable) {
  IVISTANDIN_ADD(ViInt32, readCallback || writeCallback || rangeTable);
}
ViStatus Ivi_AddAttributeViInt64(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                 ViInt64 defaultValue, IviAttrFlags flags, ReadAttrViInt64_CallbackPtr readCallback,
                                 WriteAttrViInt64_CallbackPtr writeCallback, IviRangeTablePtr rangeTable) {
  IVISTANDIN_ADD(ViInt64, readCallback || writeCallback || rangeTable);
}
ViStatus Ivi_AddAttributeViReal64(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                  ViReal64 defaultValue, IviAttrFlags flags, ReadAttrViReal64_CallbackPtr readCallback,
                                  WriteAttrViReal64_CallbackPtr writeCallback, IviRangeTablePtr rangeTable,
                                  ViInt32 comparePrecision) {
  IVISTANDIN_ADD(ViReal64, readCallback || writeCallback || rangeTable);
}
ViStatus Ivi_AddAttributeViString(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                  ViConstString defaultValue, IviAttrFlags flags,
                                  ReadAttrViString_CallbackPtr readCallback,
                                  WriteAttrViString_CallbackPtr writeCallback) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] {
    return addAttribute<std::string>(vi, attributeId, attributeName, defaultValue ? defaultValue : "", flags,
                                     readCallback || writeCallback, function);
  });
}
ViStatus Ivi_AddAttributeViBoolean(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                   ViBoolean defaultValue, IviAttrFlags flags,
                                   ReadAttrViBoolean_CallbackPtr readCallback,
                                   WriteAttrViBoolean_CallbackPtr writeCallback) {
  IVISTANDIN_ADD(ViBoolean, readCallback || writeCallback);
}
ViStatus Ivi_AddAttributeViSession(ViSession vi, ViAttr attributeId, ViConstString attributeName,
                                   ViSession defaultValue, IviAttrFlags flags,
                                   ReadAttrViSession_CallbackPtr readCallback,
                                   WriteAttrViSession_CallbackPtr writeCallback) {
  IVISTANDIN_ADD(ViSession, readCallback || writeCallback);
}
ViStatus Ivi_AddAttributeViAddr(ViSession vi, ViAttr attributeId, ViConstString attributeName, ViAddr defaultValue,
                                IviAttrFlags flags, ReadAttrViAddr_CallbackPtr readCallback,
                                WriteAttrViAddr_CallbackPtr writeCallback) {
  IVISTANDIN_ADD(ViAddr, readCallback || writeCallback);
}

#define IVISTANDIN_SET(T, valueExpression)                                                              \
  IVISTANDIN_ENTRY(vi);                                                                       \
  return guarded(vi, [&] {                                                                              \
    return writeAttribute<T>(vi, channelName, attributeId, optionFlags, valueExpression, function); \
  })

ViStatus Ivi_SetAttributeViInt32(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                 IviAttrFlags optionFlags, ViInt32 value) {
  IVISTANDIN_SET(ViInt32, value);
}
ViStatus Ivi_SetAttributeViInt64(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                 IviAttrFlags optionFlags, ViInt64 value) {
  IVISTANDIN_SET(ViInt64, value);
}
ViStatus Ivi_SetAttributeViReal64(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                  IviAttrFlags optionFlags, ViReal64 value) {
  IVISTANDIN_SET(ViReal64, value);
}
ViStatus Ivi_SetAttributeViString(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                  IviAttrFlags optionFlags, ViConstString value) {
  IVISTANDIN_ENTRY(vi);
  if (value == nullptr) return failParameter(vi, IVI_ERROR_NULL_POINTER, 5, function, "(value) is NULL");
  return guarded(vi, [&] {
    return writeAttribute<std::string>(vi, channelName, attributeId, optionFlags, value, function);
  });
}
ViStatus Ivi_SetAttributeViBoolean(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                   IviAttrFlags optionFlags, ViBoolean value) {
  IVISTANDIN_SET(ViBoolean, static_cast<ViBoolean>(value ? VI_TRUE : VI_FALSE));
}
ViStatus Ivi_SetAttributeViSession(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                   IviAttrFlags optionFlags, ViSession value) {
  IVISTANDIN_SET(ViSession, value);
}
ViStatus Ivi_SetAttributeViAddr(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                IviAttrFlags optionFlags, ViAddr value) {
  IVISTANDIN_SET(ViAddr, value);
}

#define IVISTANDIN_GET(T)                                                                             \
  IVISTANDIN_ENTRY(vi);                                                                     \
  if (value == nullptr) return failParameter(vi, IVI_ERROR_NULL_POINTER, 5, function, "(value) is NULL"); \
  return guarded(vi, [&] { return readAttribute<T>(vi, channelName, attributeId, optionFlags, *value, function); })

ViStatus Ivi_GetAttributeViInt32(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                 IviAttrFlags optionFlags, ViInt32* value) {
  IVISTANDIN_GET(ViInt32);
}
ViStatus Ivi_GetAttributeViInt64(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                 IviAttrFlags optionFlags, ViInt64* value) {
  IVISTANDIN_GET(ViInt64);
}
ViStatus Ivi_GetAttributeViReal64(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                  IviAttrFlags optionFlags, ViReal64* value) {
  IVISTANDIN_GET(ViReal64);
}
ViStatus Ivi_GetAttributeViBoolean(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                   IviAttrFlags optionFlags, ViBoolean* value) {
  IVISTANDIN_GET(ViBoolean);
}
ViStatus Ivi_GetAttributeViSession(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                   IviAttrFlags optionFlags, ViSession* value) {
  IVISTANDIN_GET(ViSession);
}
ViStatus Ivi_GetAttributeViAddr(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                IviAttrFlags optionFlags, ViAddr* value) {
  IVISTANDIN_GET(ViAddr);
}

ViStatus Ivi_GetAttributeViString(ViSession vi, ViConstString channelName, ViAttr attributeId,
                                  IviAttrFlags optionFlags, ViInt32 bufSize, ViChar value[]) {
  IVISTANDIN_ENTRY(vi);
  if (bufSize < 0) return failParameter(vi, IVI_ERROR_INVALID_VALUE, 5, function, "(bufSize) is negative");
  if (bufSize > 0 && value == nullptr)
    return failParameter(vi, IVI_ERROR_NULL_POINTER, 6, function, "(value) is NULL");
  return guarded(vi, [&] {
    std::string text;
    const ViStatus status = readAttribute<std::string>(vi, channelName, attributeId, optionFlags, text, function);
    return status < 0 ? status : fillBuffer(text, bufSize, value);
  });
}

ViStatus Ivi_GetAttributeName(ViSession vi, ViAttr attributeId, ViChar attributeName[], ViInt32 bufferSize) {
  IVISTANDIN_ENTRY(vi);
  if (bufferSize < 0) return failParameter(vi, IVI_ERROR_INVALID_VALUE, 4, function, "(bufferSize) is negative");
  if (bufferSize > 0 && attributeName == nullptr)
    return failParameter(vi, IVI_ERROR_NULL_POINTER, 3, function, "(attributeName) is NULL");
  return guarded(vi, [&] {
    std::string name;
    Outcome outcome;
    {
      Engine& engine = Engine::instance();
      std::lock_guard<std::mutex> guard(engine.mutex);
      Session* session = engine.findLocked(vi);
      if (vi != 0 && session == nullptr) {
        outcome.badSession = true;
      } else if (session != nullptr) {
        auto found = session->attributes.find(attributeId);
        if (found != session->attributes.end()) name = found->second.name;
      } else if (const EngineAttribute* entry = findEngineAttribute(attributeId)) {
        name = entry->name;  // session 0 knows the engine's own attributes
      }
      if (!outcome.badSession && name.empty())
        outcome = problem(IVI_ERROR_INVALID_ATTRIBUTE, function, attributeText(attributeId) + " is not known");
    }
    return outcome.status < 0 || outcome.badSession ? finish(vi, function, outcome)
                                                    : fillBuffer(name, bufferSize, attributeName);
  });
}

ViStatus Ivi_GetAttributeType(ViSession vi, ViAttr attributeId, ViInt32* dataType) {
  IVISTANDIN_ENTRY(vi);
  if (dataType == nullptr) return failParameter(vi, IVI_ERROR_NULL_POINTER, 3, function, "(dataType) is NULL");
  return guarded(vi, [&] {
    Outcome outcome;
    {
      Engine& engine = Engine::instance();
      std::lock_guard<std::mutex> guard(engine.mutex);
      Session* session = engine.findLocked(vi);
      if (session == nullptr) {
        outcome.badSession = true;
      } else {
        auto found = session->attributes.find(attributeId);
        if (found == session->attributes.end())
          outcome = problem(IVI_ERROR_INVALID_ATTRIBUTE, function, attributeText(attributeId) + " is not known");
        else
          *dataType = found->second.type;
      }
    }
    return finish(vi, function, outcome);
  });
}

ViBoolean Ivi_AttributeIsAvailable(ViSession vi, ViConstString channelName, ViAttr attributeId) {
  try {
    Engine& engine = Engine::instance();
    std::lock_guard<std::mutex> guard(engine.mutex);
    Session* session = engine.findLocked(vi);
    if (session == nullptr || (channelName != nullptr && *channelName != '\0')) return VI_FALSE;
    auto found = session->attributes.find(attributeId);
    return found != session->attributes.end() && (found->second.flags & IVI_VAL_NOT_SUPPORTED) == 0;
  } catch (...) {
    return VI_FALSE;
  }
}

ViSession Ivi_IOSession(ViSession vi) { return attributeOr<ViSession>(vi, IVI_ATTR_IO_SESSION, 0); }
ViBoolean Ivi_RangeChecking(ViSession vi) { return attributeOr<ViBoolean>(vi, IVI_ATTR_RANGE_CHECK, VI_FALSE); }
ViBoolean Ivi_QueryInstrStatus(ViSession vi) {
  return attributeOr<ViBoolean>(vi, IVI_ATTR_QUERY_INSTRUMENT_STATUS, VI_FALSE);
}
ViBoolean Ivi_Simulating(ViSession vi) { return attributeOr<ViBoolean>(vi, IVI_ATTR_SIMULATE, VI_FALSE); }
ViBoolean Ivi_UseSpecificSimulation(ViSession vi) {
  return attributeOr<ViBoolean>(vi, IVI_ATTR_USE_SPECIFIC_SIMULATION, VI_FALSE);
}
ViBoolean Ivi_Spying(ViSession vi) { return attributeOr<ViBoolean>(vi, IVI_ATTR_SPY, VI_FALSE); }
ViBoolean Ivi_InterchangeCheck(ViSession vi) {
  return attributeOr<ViBoolean>(vi, IVI_ATTR_INTERCHANGE_CHECK, VI_FALSE);
}

}  // extern "C"
