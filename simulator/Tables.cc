// Lookups over the generated tables.
#include "Tables.h"

#include <cstring>

#include "ivi_engine.h"

namespace sim {

double figure(const Model& model, Figure which) {
  switch (which) {
    case Figure::kChannels:
      return model.channels;
    case Figure::kFrequencyMin:
      return model.frequency.min;
    case Figure::kFrequencyMax:
      return model.frequency.max;
    case Figure::kAmplitude:
      return model.amplitude;
    case Figure::kPeak:
      return model.peak;
    case Figure::kSampleRateMin:
      return model.sampleRate.min;
    case Figure::kSampleRateMax:
      return model.sampleRate.max;
    case Figure::kMemory:
      return model.memory;
    case Figure::kWaveformQuantum:
      return model.waveformQuantum;
    case Figure::kWaveformSize:
      return model.minWaveformSize;
    case Figure::kWaveforms:
      return model.maxWaveforms;
    case Figure::kSequences:
      return model.maxSequences;
    case Figure::kSequenceLengthMin:
      return model.sequenceLength.min;
    case Figure::kSequenceLengthMax:
      return model.sequenceLength.max;
    case Figure::kLoopCount:
      return model.maxLoopCount;
    case Figure::kFreqLists:
      return model.maxFreqLists;
    case Figure::kName:
    case Figure::kFirmware:
      break;
  }
  return 0.0;
}

const AttributeDefinition* findAttribute(ViAttr id) {
  for (size_t i = 0; i < kAttributeCount; ++i)
    if (kAttributes[i].id == id) return &kAttributes[i];
  return nullptr;
}

size_t attributeIndex(const AttributeDefinition& definition) {
  return static_cast<size_t>(&definition - kAttributes);
}

const EnumValue* findEnumValue(const char* set, int32_t value) {
  for (size_t i = 0; i < kEnumValueCount; ++i)
    if (kEnumValues[i].value == value && std::strcmp(kEnumValues[i].set, set) == 0) return &kEnumValues[i];
  return nullptr;
}

std::string describeEnum(const char* set) {
  std::string text;
  for (size_t i = 0; i < kEnumValueCount; ++i) {
    if (std::strcmp(kEnumValues[i].set, set) != 0) continue;
    if (!text.empty()) text += ", ";
    text += std::string(kEnumValues[i].name) + " (" + std::to_string(kEnumValues[i].value) + ")";
  }
  return text;
}

bool isTextValue(const char* set, const std::string& text) {
  for (size_t i = 0; i < kTextValueCount; ++i)
    if (std::strcmp(kTextValues[i].set, set) == 0 && text == kTextValues[i].text) return true;
  return false;
}

std::string describeTexts(const char* set) {
  std::string text;
  for (size_t i = 0; i < kTextValueCount; ++i) {
    if (std::strcmp(kTextValues[i].set, set) != 0) continue;
    if (!text.empty()) text += ", ";
    text += std::string("\"") + kTextValues[i].text + "\"";
  }
  return text;
}

const char* statusMessage(ViStatus code) {
  for (size_t i = 0; i < kStatusTextCount; ++i)
    if (kStatusTexts[i].code == code) return kStatusTexts[i].message;
  return nullptr;
}

const char* deviceErrorMessage(int32_t code) {
  for (size_t i = 0; i < kDeviceErrorCount; ++i)
    if (kDeviceErrors[i].code == code) return kDeviceErrors[i].message;
  return nullptr;
}

}  // namespace sim
