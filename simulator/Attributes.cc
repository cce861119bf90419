// Attribute checks and storage.
#include "Attributes.h"

#include <cmath>
#include <stdexcept>

#include "Arguments.h"
#include "tovik/tovik_attributes.h"

namespace sim {

const AttributeDefinition& attribute(ViAttr id) {
  const AttributeDefinition* definition = findAttribute(id);
  if (definition == nullptr) throw std::logic_error("attribute " + std::to_string(id) + " is not in the table");
  return *definition;
}

namespace {

double boundValue(const Session& session, const Bound& bound) {
  return bound.fromModel ? bound.sign * figure(session.model(), bound.figure) : bound.number;
}

const char* handleKindName(HandleKind kind) {
  switch (kind) {
    case HandleKind::kWaveform:
      return "waveform";
    case HandleKind::kSequence:
      return "sequence";
    case HandleKind::kFreqList:
      return "frequency list";
  }
  return "";
}

template <typename Map>
std::string handleList(const Map& objects) {
  std::string text = "0 (none)";
  size_t shown = 0;
  for (const auto& object : objects) {
    if (++shown > 16) {
      text += ", ...";
      break;
    }
    text += ", " + std::to_string(object.first);
  }
  return text;
}

std::string valueText(const Value& value) {
  if (const ViInt32* number = std::get_if<ViInt32>(&value)) return std::to_string(*number);
  if (const ViReal64* real = std::get_if<ViReal64>(&value)) return formatNumber(*real);
  if (const ViBoolean* flag = std::get_if<ViBoolean>(&value)) return *flag ? "VI_TRUE" : "VI_FALSE";
  return quote(std::get<std::string>(value));
}

double numeric(const Value& value) {
  if (const ViInt32* number = std::get_if<ViInt32>(&value)) return *number;
  if (const ViReal64* real = std::get_if<ViReal64>(&value)) return *real;
  return 0.0;
}

}  // namespace

bool handleExists(const Session& session, HandleKind kind, ViInt32 handle) {
  switch (kind) {
    case HandleKind::kWaveform:
      return session.waveforms.count(handle) != 0;
    case HandleKind::kSequence:
      return session.sequences.count(handle) != 0;
    case HandleKind::kFreqList:
      return session.freqLists.count(handle) != 0;
  }
  return false;
}

std::string channelUse(const Session& session, ViAttr id, ViInt32 handle) {
  for (size_t channel = 0; channel < session.channels.size(); ++channel) {
    if (session.int32(id, channel) == handle)
      return "it is configured on channel " + quote(session.channels[channel].name);
  }
  return std::string();
}

std::string acceptedValues(const Session& session, const AttributeDefinition& definition) {
  const Check& check = definition.check;
  switch (check.kind) {
    case CheckKind::kNone:
      return "any value";
    case CheckKind::kInterval:
      return formatNumber(boundValue(session, check.low)) + (check.lowClosed ? "" : " (excluded)") + " to " +
             formatNumber(boundValue(session, check.high)) + (check.highClosed ? "" : " (excluded)");
    case CheckKind::kEnum:
      return describeEnum(check.set);
    case CheckKind::kText:
      return describeTexts(check.set);
    case CheckKind::kOneOf: {
      std::string text;
      for (int i = 0; i < check.oneOfCount; ++i) text += (i ? ", " : "") + formatNumber(check.oneOf[i]);
      return text;
    }
    case CheckKind::kHandle:
      switch (check.handle) {
        case HandleKind::kWaveform:
          return handleList(session.waveforms);
        case HandleKind::kSequence:
          return handleList(session.sequences);
        case HandleKind::kFreqList:
          return handleList(session.freqLists);
      }
  }
  return "";
}

void checkValue(const Session& session, const AttributeDefinition& definition, const Value& value,
                const Param& param) {
  const Check& check = definition.check;
  bool accepted = true;
  const char* problem = "is out of range";
  switch (check.kind) {
    case CheckKind::kNone:
      break;
    case CheckKind::kInterval: {
      const double number = numeric(value);
      const double low = boundValue(session, check.low);
      const double high = boundValue(session, check.high);
      accepted = (check.lowClosed ? number >= low : number > low) && (check.highClosed ? number <= high : number < high);
      break;
    }
    case CheckKind::kEnum:
      accepted = findEnumValue(check.set, std::get<ViInt32>(value)) != nullptr;
      problem = "is not valid";
      break;
    case CheckKind::kText:
      accepted = isTextValue(check.set, std::get<std::string>(value));
      problem = "is not valid";
      break;
    case CheckKind::kOneOf: {
      accepted = false;
      for (int i = 0; i < check.oneOfCount; ++i) accepted = accepted || numeric(value) == check.oneOf[i];
      problem = "is not valid";
      break;
    }
    case CheckKind::kHandle: {
      const ViInt32 handle = std::get<ViInt32>(value);
      accepted = handle == 0 || handleExists(session, check.handle, handle);
      if (!accepted) {
        raise(IVI_ERROR_INVALID_VALUE, param,
              std::string(param.name) + " = " + std::to_string(handle) + " is not a " + handleKindName(check.handle) +
                  " handle of this session (" + definition.name + "): accepted " +
                  acceptedValues(session, definition));
      }
      break;
    }
  }
  if (accepted) return;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + valueText(value) + " " + problem + " for " + definition.name +
            " on the " + session.model().label + ": accepted " + acceptedValues(session, definition));
}

void checkValue(const Session& session, ViAttr id, const Value& value, const Param& param) {
  checkValue(session, attribute(id), value, param);
}

void store(Session& session, ViAttr id, const std::vector<size_t>& channels, const Value& value) {
  const AttributeDefinition& definition = attribute(id);
  if (definition.scope == Scope::kSession) {
    session.setValue(definition, 0, value);
    return;
  }
  for (size_t channel : channels) session.setValue(definition, channel, value);
}

void configure(Session& session, ViConstString channelName, const Param& channelParam, ViAttr id,
               const Value& value, const Param& valueParam) {
  const std::vector<size_t> channels = channelsToWrite(session, channelParam, channelName);
  checkValue(session, id, value, valueParam);
  store(session, id, channels, value);
}

void configure(Session& session, ViAttr id, const Value& value, const Param& valueParam) {
  checkValue(session, id, value, valueParam);
  store(session, id, {}, value);
}

void checkOutputRange(const Session& session, const Param& param, double value, double swing, double offset,
                      const char* rule) {
  const double peak = session.model().peak;
  if (swing + std::fabs(offset) <= peak) return;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + formatNumber(value) + " with an offset of " + formatNumber(offset) +
            " V exceeds the output range of the " + session.model().label + ": accepted " + rule + " up to " +
            formatNumber(peak) + " V");
}

void configureArbitrary(Session& session, const std::vector<size_t>& channels, ViAttr handleId, ViInt32 handle,
                        ViReal64 gain, ViReal64 offset) {
  const Param gainParam{"gain", 4};
  checkValue(session, IVIFGEN_ATTR_ARB_GAIN, gain, gainParam);
  checkValue(session, IVIFGEN_ATTR_ARB_OFFSET, offset, Param{"offset", 5});
  checkOutputRange(session, gainParam, gain, gain, offset, "gain + |offset|");
  store(session, handleId, channels, handle);
  store(session, IVIFGEN_ATTR_ARB_GAIN, channels, gain);
  store(session, IVIFGEN_ATTR_ARB_OFFSET, channels, offset);
}

Value computedValue(const Session& session, const AttributeDefinition& definition) {
  if (definition.id == TOVIK_ATTR_FREE_MEMORY)
    return static_cast<ViInt32>(session.model().memory - session.usedMemory);
  return session.defaultValue(definition);
}

}  // namespace sim
