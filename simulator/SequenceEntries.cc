// Arbitrary sequences and frequency lists.
#include <cmath>

#include "Arguments.h"
#include "Attributes.h"
#include "tovik/tovik_attributes.h"
#include "SimulatorEntries.h"

namespace sim {

namespace {

constexpr Param kChannelName{"channelName", 2};

std::string elementName(const Param& array, ViInt32 index) {
  return std::string(array.name) + "[" + std::to_string(index) + "]";
}

template <typename Map>
void checkHandle(const Map& objects, const Param& param, ViInt32 handle, const char* kind) {
  if (objects.count(handle) != 0) return;
  std::string known;
  for (const auto& object : objects) known += (known.empty() ? "" : ", ") + std::to_string(object.first);
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + std::to_string(handle) + " is not a " + kind +
            " handle of this session: accepted " + (known.empty() ? std::string("none (the session has none)") : known));
}

void checkInUse(const Session& session, ViAttr attribute, ViInt32 handle, ViStatus inUse, const char* kind) {
  const std::string use = channelUse(session, attribute, handle);
  if (!use.empty()) raise(inUse, std::string(kind) + " " + std::to_string(handle) + " is in use: " + use);
}

}  // namespace

namespace entry {

ViStatus QueryArbSeqCapabilities(Call& call, ViInt32* maximumNumberOfSequences, ViInt32* minimumSequenceLength,
                                 ViInt32* maximumSequenceLength, ViInt32* maximumLoopCount) {
  require(Param{"maximumNumberOfSequences", 2}, maximumNumberOfSequences);
  require(Param{"minimumSequenceLength", 3}, minimumSequenceLength);
  require(Param{"maximumSequenceLength", 4}, maximumSequenceLength);
  require(Param{"maximumLoopCount", 5}, maximumLoopCount);
  const Session& session = call.session();
  *maximumNumberOfSequences = session.int32(IVIFGEN_ATTR_MAX_NUM_SEQUENCES);
  *minimumSequenceLength = session.int32(IVIFGEN_ATTR_MIN_SEQUENCE_LENGTH);
  *maximumSequenceLength = session.int32(IVIFGEN_ATTR_MAX_SEQUENCE_LENGTH);
  *maximumLoopCount = session.int32(IVIFGEN_ATTR_MAX_LOOP_COUNT);
  return VI_SUCCESS;
}

ViStatus CreateArbSequence(Call& call, ViInt32 sequenceLength, const ViInt32* waveformHandlesArray,
                           const ViInt32* loopCountsArray, ViInt32* sequenceHandle) {
  Session& session = call.session();
  const Model& model = session.model();
  checkCount(Param{"sequenceLength", 2}, sequenceLength, model.sequenceLength.min, model.sequenceLength.max);
  const Param handlesParam{"waveformHandlesArray", 3};
  const Param loopsParam{"loopCountsArray", 4};
  require(handlesParam, waveformHandlesArray);
  require(loopsParam, loopCountsArray);
  require(Param{"sequenceHandle", 5}, sequenceHandle);
  std::vector<SequenceStep> steps;
  for (ViInt32 i = 0; i < sequenceLength; ++i) {
    // The element's name is built only for the failure it names.
    if (session.waveforms.count(waveformHandlesArray[i]) == 0) {
      const std::string name = elementName(handlesParam, i);
      checkHandle(session.waveforms, Param{name.c_str(), 3}, waveformHandlesArray[i], "waveform");
    }
    if (loopCountsArray[i] < 1 || loopCountsArray[i] > model.maxLoopCount) {
      const std::string name = elementName(loopsParam, i);
      checkCount(Param{name.c_str(), 4}, loopCountsArray[i], 1, model.maxLoopCount);
    }
    steps.push_back({waveformHandlesArray[i], loopCountsArray[i]});
  }
  if (session.sequences.size() >= static_cast<size_t>(model.maxSequences)) {
    raise(IVIFGEN_ERROR_NO_SEQS_AVAILABLE,
          "the " + std::string(model.label) + " holds " + std::to_string(model.maxSequences) + " sequences at most");
  }
  const ViInt32 handle = session.nextSequence++;
  session.sequences[handle] = std::move(steps);
  *sequenceHandle = handle;
  return VI_SUCCESS;
}

ViStatus ConfigureArbSequence(Call& call, ViConstString channelName, ViInt32 sequenceHandle, ViReal64 gain,
                              ViReal64 offset) {
  Session& session = call.session();
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  checkHandle(session.sequences, Param{"sequenceHandle", 3}, sequenceHandle, "sequence");
  configureArbitrary(session, channels, IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, sequenceHandle, gain, offset);
  return VI_SUCCESS;
}

ViStatus ClearArbSequence(Call& call, ViInt32 sequenceHandle) {
  Session& session = call.session();
  checkHandle(session.sequences, Param{"sequenceHandle", 2}, sequenceHandle, "sequence");
  checkInUse(session, IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, sequenceHandle, IVIFGEN_ERROR_SEQ_IN_USE,
             "sequence");
  session.sequences.erase(sequenceHandle);
  return VI_SUCCESS;
}

ViStatus QueryFreqListCapabilities(Call& call, ViInt32* maximumNumberOfFreqLists, ViInt32* minimumFrequencyListLength,
                                   ViInt32* maximumFrequencyListLength, ViReal64* minimumFrequencyListDuration,
                                   ViReal64* maximumFrequencyListDuration, ViReal64* frequencyListDurationQuantum) {
  require(Param{"maximumNumberOfFreqLists", 2}, maximumNumberOfFreqLists);
  require(Param{"minimumFrequencyListLength", 3}, minimumFrequencyListLength);
  require(Param{"maximumFrequencyListLength", 4}, maximumFrequencyListLength);
  require(Param{"minimumFrequencyListDuration", 5}, minimumFrequencyListDuration);
  require(Param{"maximumFrequencyListDuration", 6}, maximumFrequencyListDuration);
  require(Param{"frequencyListDurationQuantum", 7}, frequencyListDurationQuantum);
  const Model& model = call.session().model();
  *maximumNumberOfFreqLists = model.maxFreqLists;
  *minimumFrequencyListLength = model.freqListLength.min;
  *maximumFrequencyListLength = model.freqListLength.max;
  *minimumFrequencyListDuration = model.freqListDuration.min;
  *maximumFrequencyListDuration = model.freqListDuration.max;
  *frequencyListDurationQuantum = model.freqListDurationQuantum;
  return VI_SUCCESS;
}

ViStatus CreateFreqList(Call& call, ViInt32 waveform, ViInt32 frequencyListLength, const ViReal64* frequencyArray,
                        const ViReal64* durationArray, ViInt32* frequencyListHandle) {
  Session& session = call.session();
  const Model& model = session.model();
  const Param waveformParam{"waveform", 2};
  checkEnum(waveformParam, waveform, "WAVEFORM");
  if (waveform == TOVIK_VAL_WFM_USER)
    raise(IVI_ERROR_INVALID_VALUE, waveformParam, "waveform = TOVIK_VAL_WFM_USER cannot be swept by a frequency list");
  checkCount(Param{"frequencyListLength", 3}, frequencyListLength, model.freqListLength.min, model.freqListLength.max);
  require(Param{"frequencyArray", 4}, frequencyArray);
  require(Param{"durationArray", 5}, durationArray);
  require(Param{"frequencyListHandle", 6}, frequencyListHandle);
  FreqList list{waveform, {}};
  for (ViInt32 i = 0; i < frequencyListLength; ++i) {
    const double frequency = frequencyArray[i];
    if (!(frequency >= model.frequency.min && frequency <= model.frequency.max)) {
      const std::string name = elementName(Param{"frequencyArray", 4}, i);
      checkRange(Param{name.c_str(), 4}, frequency, model.frequency.min, model.frequency.max, " Hz");
    }
    const double duration = durationArray[i];
    const double quanta = duration / model.freqListDurationQuantum;
    if (!(duration >= model.freqListDuration.min && duration <= model.freqListDuration.max) ||
        std::fabs(quanta - std::round(quanta)) > 1e-6) {
      const std::string name = elementName(Param{"durationArray", 5}, i);
      const Param durationParam{name.c_str(), 5};
      checkRange(durationParam, duration, model.freqListDuration.min, model.freqListDuration.max, " s");
      raise(IVI_ERROR_INVALID_VALUE, durationParam,
            name + " = " + formatNumber(duration) + " is no multiple of " +
                formatNumber(model.freqListDurationQuantum) + " s");
    }
    list.steps.push_back({frequencyArray[i], durationArray[i]});
  }
  if (session.freqLists.size() >= static_cast<size_t>(model.maxFreqLists)) {
    raise(TOVIK_ERROR_NO_FREQ_LISTS_AVAILABLE, "the " + std::string(model.label) + " holds " +
                                                   std::to_string(model.maxFreqLists) + " frequency lists at most");
  }
  const ViInt32 handle = session.nextFreqList++;
  session.freqLists[handle] = std::move(list);
  *frequencyListHandle = handle;
  return VI_SUCCESS;
}

ViStatus ConfigureFreqList(Call& call, ViConstString channelName, ViInt32 frequencyListHandle, ViReal64 amplitude,
                           ViReal64 dcOffset, ViReal64 startPhase) {
  Session& session = call.session();
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  checkHandle(session.freqLists, Param{"frequencyListHandle", 3}, frequencyListHandle, "frequency list");
  const Param amplitudeParam{"amplitude", 4};
  checkValue(session, IVIFGEN_ATTR_FUNC_AMPLITUDE, amplitude, amplitudeParam);
  checkValue(session, IVIFGEN_ATTR_FUNC_DC_OFFSET, dcOffset, Param{"dcOffset", 5});
  checkValue(session, IVIFGEN_ATTR_FUNC_START_PHASE, startPhase, Param{"startPhase", 6});
  checkOutputRange(session, amplitudeParam, amplitude, amplitude / 2, dcOffset, "amplitude/2 + |dcOffset|");
  store(session, TOVIK_ATTR_FREQ_LIST_HANDLE, channels, frequencyListHandle);
  store(session, IVIFGEN_ATTR_FUNC_AMPLITUDE, channels, amplitude);
  store(session, IVIFGEN_ATTR_FUNC_DC_OFFSET, channels, dcOffset);
  store(session, IVIFGEN_ATTR_FUNC_START_PHASE, channels, startPhase);
  return VI_SUCCESS;
}

ViStatus ClearFreqList(Call& call, ViInt32 frequencyListHandle) {
  Session& session = call.session();
  checkHandle(session.freqLists, Param{"frequencyListHandle", 2}, frequencyListHandle, "frequency list");
  checkInUse(session, TOVIK_ATTR_FREQ_LIST_HANDLE, frequencyListHandle,
             TOVIK_ERROR_FREQ_LIST_IN_USE, "frequency list");
  session.freqLists.erase(frequencyListHandle);
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
