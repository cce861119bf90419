// The simulator's tables, generated from tables/simulated_models.table and
// tables/simulated_attributes.table, and the lookups over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tovik/tovik_vitypes.h"

namespace sim {

template <typename T>
struct Interval {
  T min;
  T max;
};

struct Model {
  const char* label;   // "GE"
  const char* buses;   // the buses it comes on, comma-separated, the first one first
  const char* family;  // the plugin family that drives it ("PAL", "Harbor")
  bool isDefault;      // the model of a DriverSetup that names none
  int32_t channels;
  Interval<double> frequency;
  double amplitude;  // peak-to-peak
  double peak;       // largest |output voltage|
  Interval<double> sampleRate;
  int32_t memory;  // samples
  int32_t waveformQuantum;
  int32_t minWaveformSize;
  int32_t maxWaveforms;
  int32_t maxSequences;
  Interval<int32_t> sequenceLength;
  int32_t maxLoopCount;
  int32_t maxFreqLists;
  Interval<int32_t> freqListLength;
  Interval<double> freqListDuration;
  double freqListDurationQuantum;
  const char* firmware;
};

// A model figure an attribute's default or check refers to.
enum class Figure {
  kChannels,
  kFrequencyMin,
  kFrequencyMax,
  kAmplitude,
  kPeak,
  kSampleRateMin,
  kSampleRateMax,
  kMemory,
  kWaveformQuantum,
  kWaveformSize,
  kWaveforms,
  kSequences,
  kSequenceLengthMin,
  kSequenceLengthMax,
  kLoopCount,
  kFreqLists,
  kName,      // text: the session's product name
  kFirmware,  // text
};

enum class Type { kInt32, kReal64, kBoolean, kString };
enum class Scope { kChannel, kSession };
enum class CheckKind { kNone, kInterval, kEnum, kText, kOneOf, kHandle };
enum class HandleKind { kWaveform, kSequence, kFreqList };
enum class DefaultKind { kNumber, kText, kFigure, kComputed };

// A bound of an interval: a number, or (fromModel) sign times a figure.
struct Bound {
  double number;
  Figure figure;
  bool fromModel;
  double sign;
};

struct Check {
  CheckKind kind;
  bool lowClosed;
  bool highClosed;
  Bound low;
  Bound high;
  const char* set;  // kEnum, kText
  const double* oneOf;
  int oneOfCount;
  HandleKind handle;
};

struct Default {
  DefaultKind kind;
  double number;
  const char* text;
  Figure figure;
};

struct AttributeDefinition {
  ViAttr id;
  const char* name;
  Type type;
  Scope scope;
  bool readOnly;
  Default initial;
  Check check;
};

struct EnumValue {
  const char* set;
  const char* name;
  int32_t value;
  const char* meaning;
};

struct TextValue {
  const char* set;
  const char* text;
};

struct StatusText {
  ViStatus code;
  const char* name;
  const char* message;
};

struct DeviceError {
  int32_t code;
  const char* name;
  const char* message;
};

extern const Model kModels[];
extern const size_t kModelCount;
extern const AttributeDefinition kAttributes[];
extern const size_t kAttributeCount;
extern const EnumValue kEnumValues[];
extern const size_t kEnumValueCount;
extern const TextValue kTextValues[];
extern const size_t kTextValueCount;
extern const StatusText kStatusTexts[];
extern const size_t kStatusTextCount;
extern const DeviceError kDeviceErrors[];
extern const size_t kDeviceErrorCount;

// A numeric figure of `model` (not kName or kFirmware).
double figure(const Model& model, Figure which);

// The attribute with `id` and its index in kAttributes, or null.
const AttributeDefinition* findAttribute(ViAttr id);
size_t attributeIndex(const AttributeDefinition& definition);

// The value `value` of enumeration `set`, or null.
const EnumValue* findEnumValue(const char* set, int32_t value);
// "NAME (value), NAME (value), ..." of every value of `set`.
std::string describeEnum(const char* set);
bool isTextValue(const char* set, const std::string& text);
// "\"a\", \"b\", ..." of every text of `set`.
std::string describeTexts(const char* set);

// The simulator's message for `code`, or null when it is not one of its own.
const char* statusMessage(ViStatus code);
const char* deviceErrorMessage(int32_t code);

}  // namespace sim
