// Arbitrary waveforms: creation, memory, write positions, names, files.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Arguments.h"
#include "Attributes.h"
#include "Generation.h"
#include "tovik/tovik_attributes.h"
#include "SimulatorEntries.h"

namespace sim {

namespace {

constexpr Param kChannelName{"channelName", 2};

// `subject` says where the size comes from; by default the parameter.
void checkWaveformSize(const Session& session, const Param& param, int64_t size, std::string subject = "") {
  const Model& model = session.model();
  if (size >= model.minWaveformSize && size <= model.memory && size % model.waveformQuantum == 0) return;
  if (subject.empty()) subject = std::string(param.name) + " = " + std::to_string(size);
  raise(IVI_ERROR_INVALID_VALUE, param,
        subject + " is not a waveform size of the " + model.label + ": accepted " +
            std::to_string(model.minWaveformSize) + " to " + std::to_string(model.memory) + " in multiples of " +
            std::to_string(model.waveformQuantum));
}

// A new waveform of `size` samples, when the count and the memory allow.
ViInt32 newWaveform(Session& session, ViInt32 size, std::string name) {
  const Model& model = session.model();
  if (session.waveforms.size() >= static_cast<size_t>(model.maxWaveforms)) {
    raise(IVIFGEN_ERROR_NO_WFMS_AVAILABLE,
          "the " + std::string(model.label) + " holds " + std::to_string(model.maxWaveforms) + " waveforms at most");
  }
  const int64_t free = model.memory - session.usedMemory;
  if (size > free) {
    raise(TOVIK_ERROR_WAVEFORM_MEMORY_FULL, "a waveform of " + std::to_string(size) + " samples does not fit: " +
                                       std::to_string(free) + " of the " + model.label + "'s " +
                                       std::to_string(model.memory) + " samples are free");
  }
  const ViInt32 handle = session.nextWaveform++;
  Waveform& waveform = session.waveforms[handle];
  waveform.size = size;
  waveform.name = std::move(name);
  session.usedMemory += size;
  return handle;
}

std::string waveformHandles(const Session& session) {
  std::string text;
  for (const auto& waveform : session.waveforms) text += (text.empty() ? "" : ", ") + std::to_string(waveform.first);
  return text.empty() ? "none (the session has no waveforms)" : text;
}

Waveform& waveformFor(Session& session, const Param& param, ViInt32 handle) {
  auto found = session.waveforms.find(handle);
  if (found != session.waveforms.end()) return found->second;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + std::to_string(handle) + " is not a waveform handle of this session: accepted " +
            waveformHandles(session));
}

ViInt32 namedHandle(Session& session, const Param& param, ViConstString name) {
  const std::string wanted = requireText(param, name);
  for (const auto& waveform : session.waveforms)
    if (!waveform.second.name.empty() && waveform.second.name == wanted) return waveform.first;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + quote(wanted) + " names no waveform of this session");
}

// Where a waveform is used: configured on a channel or a step of a sequence.
std::string useOf(const Session& session, ViInt32 handle) {
  const std::string channel = channelUse(session, IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, handle);
  if (!channel.empty()) return channel;
  for (const auto& sequence : session.sequences) {
    for (const SequenceStep& step : sequence.second)
      if (step.waveform == handle) return "sequence " + std::to_string(sequence.first) + " plays it";
  }
  return std::string();
}

// Writing changes what a running generation may be playing.
void checkWritable(const Session& session, ViInt32 handle) {
  const std::string use = useOf(session, handle);
  if (generating(session) && !use.empty())
    raise(IVIFGEN_ERROR_WFM_IN_USE, "waveform " + std::to_string(handle) + " is being generated: " + use);
}

void checkPosition(Waveform& waveform, const Param& relativeParam, ViInt32 relativeTo, const Param& offsetParam,
                   ViInt32 offset) {
  checkEnum(relativeParam, relativeTo, "WAVEFORM_POSITION");
  const int64_t base = relativeTo == TOVIK_VAL_WAVEFORM_POSITION_CURRENT ? waveform.nextWrite : 0;
  const int64_t position = base + offset;
  if (position < 0 || position > waveform.size) {
    raise(IVI_ERROR_INVALID_VALUE, offsetParam,
          std::string(offsetParam.name) + " = " + std::to_string(offset) + " moves the write position to " +
              std::to_string(position) + ": accepted " + std::to_string(-base) + " to " +
              std::to_string(waveform.size - base));
  }
  waveform.nextWrite = static_cast<ViInt32>(position);
}

// Writes `size` samples at the waveform's write position and advances it.
template <typename Sample, typename Normalize>
void writeAt(Waveform& waveform, const Param& sizeParam, ViInt32 size, const Sample* data, Normalize normalize) {
  const ViInt32 room = waveform.size - waveform.nextWrite;
  if (size < 1 || size > room) {
    raise(IVI_ERROR_INVALID_VALUE, sizeParam,
          std::string(sizeParam.name) + " = " + std::to_string(size) + " samples at write position " +
              std::to_string(waveform.nextWrite) + " of a waveform of " + std::to_string(waveform.size) +
              ": accepted 1 to " + std::to_string(room));
  }
  const size_t end = static_cast<size_t>(waveform.nextWrite) + static_cast<size_t>(size);
  if (waveform.samples.size() < end) waveform.samples.resize(end, 0.0f);
  for (ViInt32 i = 0; i < size; ++i)
    waveform.samples[static_cast<size_t>(waveform.nextWrite + i)] = normalize(data[i]);
  waveform.nextWrite += size;
}

float fromReal(ViReal64 sample) { return static_cast<float>(sample); }
float fromBinary16(ViInt16 sample) { return static_cast<float>(std::max(-1.0, sample / 32767.0)); }

void writeReal(Waveform& waveform, const Param& sizeParam, ViInt32 size, const Param& dataParam,
               const ViReal64* data) {
  if (size > 0) checkSamples(dataParam, data, std::min(size, waveform.size - waveform.nextWrite));
  writeAt(waveform, sizeParam, size, data, fromReal);
}

void writeBinary16(Waveform& waveform, const Param& sizeParam, ViInt32 size, const Param& dataParam,
                   const ViInt16* data) {
  if (size > 0) require(dataParam, data);
  writeAt(waveform, sizeParam, size, data, fromBinary16);
}

// A waveform with the caller's samples; its handle, or the failure of the
// first bad argument.
template <typename Sample, typename Write>
ViStatus create(Session& session, const Param& sizeParam, ViInt32 size, const Param& dataParam, const Sample* data,
                const Param& handleParam, ViInt32* handle, Write write) {
  require(handleParam, handle);
  checkWaveformSize(session, sizeParam, size);
  require(dataParam, data);
  Waveform scratch;  // checked before any memory is taken
  scratch.size = size;
  write(scratch, sizeParam, size, dataParam, data);
  const ViInt32 created = newWaveform(session, size, std::string());
  session.waveforms[created].samples = std::move(scratch.samples);
  session.waveforms[created].nextWrite = size;
  *handle = created;
  return VI_SUCCESS;
}

void erase(Session& session, ViInt32 handle) {
  session.usedMemory -= session.waveforms.at(handle).size;
  session.waveforms.erase(handle);
}

void clear(Session& session, const Param& param, ViInt32 handle) {
  waveformFor(session, param, handle);
  const std::string use = useOf(session, handle);
  if (!use.empty()) raise(IVIFGEN_ERROR_WFM_IN_USE, "waveform " + std::to_string(handle) + " is in use: " + use);
  erase(session, handle);
}

// ---------------------------------------------------------------- files

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// The samples of a binary file of `elementSize`-byte samples, in host order.
std::vector<unsigned char> readWaveformFile(const Session& session, const Param& param, const std::string& path,
                                            size_t elementSize, bool bigEndian, int64_t& count) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) raise(TOVIK_ERROR_FILE, param, std::string(param.name) + " = " + quote(path) + ": " + std::strerror(errno));
  if (std::fseek(file.get(), 0, SEEK_END) != 0)
    raise(TOVIK_ERROR_FILE, param, std::string(param.name) + " = " + quote(path) + " is not a seekable file");
  const long bytes = std::ftell(file.get());
  if (bytes < 0 || static_cast<size_t>(bytes) % elementSize != 0) {
    raise(TOVIK_ERROR_FILE, param,
          std::string(param.name) + " = " + quote(path) + " holds " + std::to_string(bytes) +
              " bytes, which are no whole number of " + std::to_string(elementSize) + "-byte samples");
  }
  count = bytes / static_cast<long>(elementSize);
  // Checked before reading: the size bounds the memory taken.
  checkWaveformSize(session, param, count,
                    std::string(param.name) + " = " + quote(path) + " holds " + std::to_string(count) + " samples, which");
  std::vector<unsigned char> data(static_cast<size_t>(bytes));
  std::rewind(file.get());
  if (std::fread(data.data(), 1, data.size(), file.get()) != data.size())
    raise(TOVIK_ERROR_FILE, param, std::string(param.name) + " = " + quote(path) + " could not be read whole");
  const bool hostBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;
  if (bigEndian != hostBigEndian) {
    for (size_t offset = 0; offset < data.size(); offset += elementSize)
      std::reverse(data.begin() + static_cast<long>(offset), data.begin() + static_cast<long>(offset + elementSize));
  }
  return data;
}

template <typename Sample, typename Write>
ViStatus createFromFile(Call& call, ViConstString channelName, ViConstString fileName, ViInt32 byteOrder,
                        ViInt32* waveformHandle, Write write) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const Param fileParam{"fileName", 3};
  const std::string path = requireText(fileParam, fileName, kMaxPathLength);
  checkEnum(Param{"byteOrder", 4}, byteOrder, "BYTE_ORDER");
  require(Param{"waveformHandle", 5}, waveformHandle);
  int64_t count = 0;
  const std::vector<unsigned char> bytes =
      readWaveformFile(session, fileParam, path, sizeof(Sample), byteOrder == TOVIK_VAL_BIG_ENDIAN, count);
  std::vector<Sample> samples(static_cast<size_t>(count));
  std::memcpy(samples.data(), bytes.data(), bytes.size());
  return create(session, fileParam, static_cast<ViInt32>(count), fileParam, samples.data(),
                Param{"waveformHandle", 5}, waveformHandle, write);
}

}  // namespace

namespace entry {

ViStatus ConfigureSampleRate(Call& call, ViReal64 sampleRate) {
  configure(call.session(), IVIFGEN_ATTR_ARB_SAMPLE_RATE, sampleRate, Param{"sampleRate", 2});
  return VI_SUCCESS;
}

ViStatus QueryArbWfmCapabilities(Call& call, ViInt32* maximumNumberOfWaveforms, ViInt32* waveformQuantum,
                                 ViInt32* minimumWaveformSize, ViInt32* maximumWaveformSize) {
  require(Param{"maximumNumberOfWaveforms", 2}, maximumNumberOfWaveforms);
  require(Param{"waveformQuantum", 3}, waveformQuantum);
  require(Param{"minimumWaveformSize", 4}, minimumWaveformSize);
  require(Param{"maximumWaveformSize", 5}, maximumWaveformSize);
  const Session& session = call.session();
  *maximumNumberOfWaveforms = session.int32(IVIFGEN_ATTR_MAX_NUM_WAVEFORMS);
  *waveformQuantum = session.int32(IVIFGEN_ATTR_WAVEFORM_QUANTUM);
  *minimumWaveformSize = session.int32(IVIFGEN_ATTR_MIN_WAVEFORM_SIZE);
  *maximumWaveformSize = session.int32(IVIFGEN_ATTR_MAX_WAVEFORM_SIZE);
  return VI_SUCCESS;
}

ViStatus CreateWaveformF64(Call& call, ViConstString channelName, ViInt32 waveformSize,
                           const ViReal64* waveformDataArray, ViInt32* waveformHandle) {
  checkChannelString(call.session(), kChannelName, channelName);
  return create(call.session(), Param{"waveformSize", 3}, waveformSize, Param{"waveformDataArray", 4},
                waveformDataArray, Param{"waveformHandle", 5}, waveformHandle, writeReal);
}

ViStatus CreateWaveformI16(Call& call, ViConstString channelName, ViInt32 waveformSize,
                           const ViInt16* waveformDataArray, ViInt32* waveformHandle) {
  checkChannelString(call.session(), kChannelName, channelName);
  return create(call.session(), Param{"waveformSize", 3}, waveformSize, Param{"waveformDataArray", 4},
                waveformDataArray, Param{"waveformHandle", 5}, waveformHandle, writeBinary16);
}

ViStatus CreateArbWaveform(Call& call, ViInt32 waveformSize, const ViReal64* waveformDataArray,
                           ViInt32* waveformHandle) {
  return create(call.session(), Param{"waveformSize", 2}, waveformSize, Param{"waveformDataArray", 3},
                waveformDataArray, Param{"waveformHandle", 4}, waveformHandle, writeReal);
}

ViStatus CreateBinary16ArbWaveform(Call& call, ViInt32 waveformSize, const ViInt16* waveformDataArray,
                                   ViInt32* waveformHandle) {
  return create(call.session(), Param{"waveformSize", 2}, waveformSize, Param{"waveformDataArray", 3},
                waveformDataArray, Param{"waveformHandle", 4}, waveformHandle, writeBinary16);
}

ViStatus CreateWaveformFromFileF64(Call& call, ViConstString channelName, ViConstString fileName, ViInt32 byteOrder,
                                   ViInt32* waveformHandle) {
  return createFromFile<ViReal64>(call, channelName, fileName, byteOrder, waveformHandle, writeReal);
}

ViStatus CreateWaveformFromFileI16(Call& call, ViConstString channelName, ViConstString fileName, ViInt32 byteOrder,
                                   ViInt32* waveformHandle) {
  return createFromFile<ViInt16>(call, channelName, fileName, byteOrder, waveformHandle, writeBinary16);
}

ViStatus AllocateWaveform(Call& call, ViConstString channelName, ViInt32 waveformSize, ViInt32* waveformHandle) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  checkWaveformSize(session, Param{"waveformSize", 3}, waveformSize);
  require(Param{"waveformHandle", 4}, waveformHandle);
  *waveformHandle = newWaveform(session, waveformSize, std::string());
  return VI_SUCCESS;
}

ViStatus SetWaveformNextWritePosition(Call& call, ViConstString channelName, ViInt32 waveformHandle,
                                      ViInt32 relativeTo, ViInt32 offset) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  checkPosition(waveformFor(session, Param{"waveformHandle", 3}, waveformHandle), Param{"relativeTo", 4},
                relativeTo, Param{"offset", 5}, offset);
  return VI_SUCCESS;
}

ViStatus WriteWaveform(Call& call, ViConstString channelName, ViInt32 waveformHandle, ViInt32 size,
                       const ViReal64* data) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  Waveform& waveform = waveformFor(session, Param{"waveformHandle", 3}, waveformHandle);
  checkWritable(session, waveformHandle);
  writeReal(waveform, Param{"size", 4}, size, Param{"data", 5}, data);
  return VI_SUCCESS;
}

ViStatus WriteBinary16Waveform(Call& call, ViConstString channelName, ViInt32 waveformHandle, ViInt32 size,
                               const ViInt16* data) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  Waveform& waveform = waveformFor(session, Param{"waveformHandle", 3}, waveformHandle);
  checkWritable(session, waveformHandle);
  writeBinary16(waveform, Param{"size", 4}, size, Param{"data", 5}, data);
  return VI_SUCCESS;
}

ViStatus ConfigureArbWaveform(Call& call, ViConstString channelName, ViInt32 waveformHandle, ViReal64 gain,
                              ViReal64 offset) {
  Session& session = call.session();
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  waveformFor(session, Param{"waveformHandle", 3}, waveformHandle);
  configureArbitrary(session, channels, IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, waveformHandle, gain, offset);
  return VI_SUCCESS;
}

ViStatus ConfigureGain(Call& call, ViConstString channelName, ViReal64 gain) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_ARB_GAIN, gain, Param{"gain", 3});
  return VI_SUCCESS;
}

ViStatus ClearArbWaveform(Call& call, ViInt32 waveformHandle) {
  clear(call.session(), Param{"waveformHandle", 2}, waveformHandle);
  return VI_SUCCESS;
}

ViStatus AllocateNamedWaveform(Call& call, ViConstString channelName, ViConstString waveformName,
                               ViInt32 waveformSize) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const Param nameParam{"waveformName", 3};
  const std::string name = requireText(nameParam, waveformName);
  if (name.empty()) raise(IVI_ERROR_INVALID_VALUE, nameParam, "waveformName is empty");
  for (const auto& waveform : session.waveforms) {
    if (waveform.second.name == name)
      raise(IVI_ERROR_INVALID_VALUE, nameParam, "waveformName = " + quote(name) + " names a waveform already");
  }
  checkWaveformSize(session, Param{"waveformSize", 4}, waveformSize);
  newWaveform(session, waveformSize, name);
  return VI_SUCCESS;
}

ViStatus SetNamedWaveformNextWritePosition(Call& call, ViConstString channelName, ViConstString waveformName,
                                           ViInt32 relativeTo, ViInt32 offset) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const ViInt32 handle = namedHandle(session, Param{"waveformName", 3}, waveformName);
  checkPosition(session.waveforms.at(handle), Param{"relativeTo", 4}, relativeTo, Param{"offset", 5}, offset);
  return VI_SUCCESS;
}

ViStatus WriteNamedWaveformF64(Call& call, ViConstString channelName, ViConstString waveformName, ViInt32 size,
                               const ViReal64* data) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const ViInt32 handle = namedHandle(session, Param{"waveformName", 3}, waveformName);
  checkWritable(session, handle);
  writeReal(session.waveforms.at(handle), Param{"size", 4}, size, Param{"data", 5}, data);
  return VI_SUCCESS;
}

ViStatus WriteNamedWaveformI16(Call& call, ViConstString channelName, ViConstString waveformName, ViInt32 size,
                               const ViInt16* data) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const ViInt32 handle = namedHandle(session, Param{"waveformName", 3}, waveformName);
  checkWritable(session, handle);
  writeBinary16(session.waveforms.at(handle), Param{"size", 4}, size, Param{"data", 5}, data);
  return VI_SUCCESS;
}

ViStatus DeleteNamedWaveform(Call& call, ViConstString channelName, ViConstString waveformName) {
  Session& session = call.session();
  checkChannelString(session, kChannelName, channelName);
  const Param nameParam{"waveformName", 3};
  clear(session, nameParam, namedHandle(session, nameParam, waveformName));
  return VI_SUCCESS;
}

ViStatus ClearArbMemory(Call& call) {
  Session& session = call.session();
  if (generating(session))
    raise(TOVIK_ERROR_GENERATION_IN_PROGRESS, "the waveform memory cannot be cleared while generating");
  session.waveforms.clear();
  session.sequences.clear();
  session.usedMemory = 0;
  const std::vector<size_t> all = allChannels(session);
  store(session, IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, all, 0);
  store(session, IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, all, 0);
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
