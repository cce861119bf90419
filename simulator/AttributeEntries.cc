// The Set/Check/Get/ResetAttribute functions over the simulator's
// attributes; the IVI engine's own attributes (1050000 + n) go to the engine.
#include <type_traits>

#include "Arguments.h"
#include "Attributes.h"
#include "SimulatorEntries.h"

namespace sim {

namespace {

constexpr Param kChannelName{"channelName", 2};
constexpr Param kAttributeId{"attributeId", 3};
constexpr Param kAttributeValue{"attributeValue", 4};

// The type of an attribute value as the tables name it; none for the C
// types no simulator attribute has.
template <typename T>
struct TypeOf;
template <>
struct TypeOf<ViInt32> {
  static constexpr bool known = true;
  static constexpr Type type = Type::kInt32;
  static constexpr const char* name = "ViInt32";
};
template <>
struct TypeOf<ViReal64> {
  static constexpr bool known = true;
  static constexpr Type type = Type::kReal64;
  static constexpr const char* name = "ViReal64";
};
template <>
struct TypeOf<ViBoolean> {
  static constexpr bool known = true;
  static constexpr Type type = Type::kBoolean;
  static constexpr const char* name = "ViBoolean";
};
template <>
struct TypeOf<std::string> {
  static constexpr bool known = true;
  static constexpr Type type = Type::kString;
  static constexpr const char* name = "ViString";
};
template <>
struct TypeOf<ViInt64> {
  static constexpr bool known = false;
  static constexpr Type type = Type::kInt32;
  static constexpr const char* name = "ViInt64";
};
template <>
struct TypeOf<ViSession> {
  static constexpr bool known = false;
  static constexpr Type type = Type::kInt32;
  static constexpr const char* name = "ViSession";
};

const char* typeName(Type type) {
  switch (type) {
    case Type::kInt32:
      return "ViInt32";
    case Type::kReal64:
      return "ViReal64";
    case Type::kBoolean:
      return "ViBoolean";
    case Type::kString:
      return "ViString";
  }
  return "";
}

bool engineAttribute(ViAttr id) { return id > 1050000 && id < 1100000; }

// The simulator's attribute `id` of C type T, or null for an engine
// attribute; fails for anything else.
template <typename T>
const AttributeDefinition* lookUp(ViAttr id) {
  const AttributeDefinition* definition = findAttribute(id);
  if (definition == nullptr) {
    if (engineAttribute(id)) return nullptr;
    raise(IVI_ERROR_INVALID_ATTRIBUTE, kAttributeId,
          "attributeId = " + std::to_string(id) + " is not an attribute of this driver");
  }
  if (!TypeOf<T>::known || definition->type != TypeOf<T>::type) {
    raise(IVI_ERROR_TYPES_DO_NOT_MATCH, kAttributeId,
          "attributeId = " + std::to_string(id) + " (" + definition->name + ") is a " +
              typeName(definition->type) + " attribute, not " + TypeOf<T>::name);
  }
  return definition;
}

void checkWritable(const AttributeDefinition& definition) {
  if (!definition.readOnly) return;
  raise(IVI_ERROR_ATTR_NOT_WRITABLE, kAttributeId,
        "attributeId = " + std::to_string(definition.id) + " (" + definition.name + ") is read-only");
}

// A value as the attribute stores it: booleans are VI_TRUE or VI_FALSE.
template <typename T>
Value stored(const T& value) {
  if constexpr (std::is_same_v<T, ViBoolean>) {
    return static_cast<ViBoolean>(value ? VI_TRUE : VI_FALSE);
  } else if constexpr (TypeOf<T>::known) {
    return value;
  } else {
    return Value();  // never stored: no simulator attribute has this type
  }
}

template <typename T>
ViStatus engineSet(ViSession vi, ViAttr id, T value) {
  if constexpr (std::is_same_v<T, ViInt32>) return Ivi_SetAttributeViInt32(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViInt64>) return Ivi_SetAttributeViInt64(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViReal64>)
    return Ivi_SetAttributeViReal64(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViBoolean>)
    return Ivi_SetAttributeViBoolean(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViSession>)
    return Ivi_SetAttributeViSession(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, std::string>)
    return Ivi_SetAttributeViString(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value.c_str());
}

template <typename T>
ViStatus engineGet(ViSession vi, ViAttr id, T* value) {
  if constexpr (std::is_same_v<T, ViInt32>) return Ivi_GetAttributeViInt32(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViInt64>) return Ivi_GetAttributeViInt64(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViReal64>)
    return Ivi_GetAttributeViReal64(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViBoolean>)
    return Ivi_GetAttributeViBoolean(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
  if constexpr (std::is_same_v<T, ViSession>)
    return Ivi_GetAttributeViSession(vi, "", id, IVI_VAL_DIRECT_USER_CALL, value);
}

// Set (apply) or Check (!apply) an attribute.
template <typename T>
ViStatus setOrCheck(Call& call, ViConstString channelName, ViAttr id, const T& value, bool apply) {
  Session& session = call.session();
  const AttributeDefinition* definition = lookUp<T>(id);
  if (definition == nullptr) {
    checkChannelString(session, kChannelName, channelName);
    if (!apply) {
      ViInt32 type = 0;  // an engine attribute: it must exist; the engine checks nothing more
      return Ivi_GetAttributeType(call.vi(), id, &type);
    }
    return engineSet(call.vi(), id, value);
  }
  checkWritable(*definition);
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  const Value checkedValue = stored(value);
  checkValue(session, *definition, checkedValue, kAttributeValue);
  if (apply) store(session, id, channels, checkedValue);
  return VI_SUCCESS;
}

template <typename T>
const T& read(const Session& session, const AttributeDefinition& definition, ViConstString channelName,
              Value& holder) {
  const bool perChannel = definition.scope == Scope::kChannel;
  const size_t channel = perChannel ? channelToRead(session, kChannelName, channelName) : 0;
  if (!perChannel) checkChannelString(session, kChannelName, channelName);
  holder = definition.initial.kind == DefaultKind::kComputed ? computedValue(session, definition)
                                                             : session.value(definition, channel);
  return std::get<T>(holder);
}

template <typename T>
ViStatus get(Call& call, ViConstString channelName, ViAttr id, T* attributeValue) {
  const AttributeDefinition* definition = lookUp<T>(id);
  require(kAttributeValue, attributeValue);
  if (definition == nullptr) {
    checkChannelString(call.session(), kChannelName, channelName);
    return engineGet(call.vi(), id, attributeValue);
  }
  if constexpr (TypeOf<T>::known) {
    Value holder;
    *attributeValue = read<T>(call.session(), *definition, channelName, holder);
  }
  return VI_SUCCESS;
}

std::string textValue(ViConstString attributeValue) {
  return requireText(Param{"attributeValue", 4}, attributeValue);
}

}  // namespace

namespace entry {

ViStatus SetAttributeViInt32(Call& call, ViConstString channelName, ViAttr attributeId, ViInt32 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, true);
}
ViStatus SetAttributeViInt64(Call& call, ViConstString channelName, ViAttr attributeId, ViInt64 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, true);
}
ViStatus SetAttributeViReal64(Call& call, ViConstString channelName, ViAttr attributeId, ViReal64 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, true);
}
ViStatus SetAttributeViString(Call& call, ViConstString channelName, ViAttr attributeId,
                              ViConstString attributeValue) {
  return setOrCheck(call, channelName, attributeId, textValue(attributeValue), true);
}
ViStatus SetAttributeViBoolean(Call& call, ViConstString channelName, ViAttr attributeId, ViBoolean attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, true);
}
ViStatus SetAttributeViSession(Call& call, ViConstString channelName, ViAttr attributeId, ViSession attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, true);
}

ViStatus CheckAttributeViInt32(Call& call, ViConstString channelName, ViAttr attributeId, ViInt32 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, false);
}
ViStatus CheckAttributeViInt64(Call& call, ViConstString channelName, ViAttr attributeId, ViInt64 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, false);
}
ViStatus CheckAttributeViReal64(Call& call, ViConstString channelName, ViAttr attributeId, ViReal64 attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, false);
}
ViStatus CheckAttributeViString(Call& call, ViConstString channelName, ViAttr attributeId,
                                ViConstString attributeValue) {
  return setOrCheck(call, channelName, attributeId, textValue(attributeValue), false);
}
ViStatus CheckAttributeViBoolean(Call& call, ViConstString channelName, ViAttr attributeId,
                                 ViBoolean attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, false);
}
ViStatus CheckAttributeViSession(Call& call, ViConstString channelName, ViAttr attributeId,
                                 ViSession attributeValue) {
  return setOrCheck(call, channelName, attributeId, attributeValue, false);
}

ViStatus GetAttributeViInt32(Call& call, ViConstString channelName, ViAttr attributeId, ViInt32* attributeValue) {
  return get(call, channelName, attributeId, attributeValue);
}
ViStatus GetAttributeViInt64(Call& call, ViConstString channelName, ViAttr attributeId, ViInt64* attributeValue) {
  return get(call, channelName, attributeId, attributeValue);
}
ViStatus GetAttributeViReal64(Call& call, ViConstString channelName, ViAttr attributeId, ViReal64* attributeValue) {
  return get(call, channelName, attributeId, attributeValue);
}
ViStatus GetAttributeViBoolean(Call& call, ViConstString channelName, ViAttr attributeId,
                               ViBoolean* attributeValue) {
  return get(call, channelName, attributeId, attributeValue);
}
ViStatus GetAttributeViSession(Call& call, ViConstString channelName, ViAttr attributeId,
                               ViSession* attributeValue) {
  return get(call, channelName, attributeId, attributeValue);
}

ViStatus GetAttributeViString(Call& call, ViConstString channelName, ViAttr attributeId, ViInt32 arraySize,
                              ViChar* attributeValue) {
  const AttributeDefinition* definition = lookUp<std::string>(attributeId);
  checkBuffer(Param{"arraySize", 4}, arraySize, Param{"attributeValue", 5}, attributeValue);
  if (definition == nullptr) {
    checkChannelString(call.session(), kChannelName, channelName);
    return Ivi_GetAttributeViString(call.vi(), "", attributeId, IVI_VAL_DIRECT_USER_CALL, arraySize, attributeValue);
  }
  Value holder;
  return fillBuffer(read<std::string>(call.session(), *definition, channelName, holder), arraySize,
                    attributeValue);
}

ViStatus ResetAttribute(Call& call, ViConstString channelName, ViAttr attributeId) {
  Session& session = call.session();
  const AttributeDefinition* definition = findAttribute(attributeId);
  if (definition == nullptr) {
    if (!engineAttribute(attributeId)) lookUp<ViInt32>(attributeId);  // fails: not an attribute
    checkChannelString(session, kChannelName, channelName);
    return Ivi_ResetAttribute(call.vi(), "", attributeId);
  }
  checkWritable(*definition);
  store(session, attributeId, channelsToWrite(session, kChannelName, channelName),
        session.defaultValue(*definition));
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
