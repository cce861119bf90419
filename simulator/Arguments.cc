// Argument checks shared by the entries.
#include "Arguments.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace sim {

std::string formatNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  char text[64];
  for (int precision = 10; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

std::string quote(const std::string& text) { return "\"" + text + "\""; }

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

namespace {

// The length of `text` if it is at most `maxLength`, reading no further
// than one byte past the limit.
bool boundedLength(ViConstString text, size_t maxLength, size_t& length) {
  length = strnlen(text, maxLength + 1);
  return length <= maxLength;
}

}  // namespace

std::string optionalText(const Param& param, ViConstString text, size_t maxLength) {
  if (text == nullptr) return std::string();
  size_t length = 0;
  if (!boundedLength(text, maxLength, length)) {
    raise(IVI_ERROR_INVALID_VALUE, param,
          std::string(param.name) + " is longer than " + std::to_string(maxLength) + " characters");
  }
  return std::string(text, length);
}

std::string requireText(const Param& param, ViConstString text, size_t maxLength) {
  require(param, text);
  return optionalText(param, text, maxLength);
}

void checkRange(const Param& param, double value, double min, double max, const char* unit) {
  if (value >= min && value <= max) return;  // false for NaN
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + formatNumber(value) + " is out of range: accepted " +
            formatNumber(min) + " to " + formatNumber(max) + unit);
}

void checkCount(const Param& param, ViInt32 value, ViInt32 min, ViInt32 max) {
  if (value >= min && value <= max) return;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + std::to_string(value) + " is out of range: accepted " +
            std::to_string(min) + " to " + std::to_string(max));
}

void checkEnum(const Param& param, ViInt32 value, const char* set) {
  if (findEnumValue(set, value)) return;
  raise(IVI_ERROR_INVALID_VALUE, param,
        std::string(param.name) + " = " + std::to_string(value) + " is not valid: accepted " + describeEnum(set));
}

void checkBuffer(const Param& sizeParam, ViInt32 size, const Param& bufferParam, const ViChar* buffer) {
  if (size < 0) {
    raise(IVI_ERROR_INVALID_VALUE, sizeParam,
          std::string(sizeParam.name) + " = " + std::to_string(size) + " is negative");
  }
  if (size > 0) require(bufferParam, buffer);
}

ViStatus fillBuffer(const std::string& text, ViInt32 size, ViChar* buffer) {
  const size_t needed = text.size() + 1;
  if (size > 0) {
    const size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    if (needed <= static_cast<size_t>(size)) return VI_SUCCESS;
  }
  return static_cast<ViStatus>(std::min<size_t>(needed, 0x7FFFFFFF));
}

void fillMessage(const std::string& text, ViChar* buffer) { fillBuffer(text, IVI_MAX_MESSAGE_BUF_SIZE, buffer); }

namespace {

std::string channelNames(const Session& session) {
  std::string names;
  for (const Channel& channel : session.channels) names += (names.empty() ? "" : ", ") + quote(channel.name);
  return names;
}

[[noreturn]] void unknownChannel(const Session& session, const Param& param, const std::string& name) {
  raise(IVI_ERROR_UNKNOWN_CHANNEL_NAME, param,
        std::string(param.name) + " = " + quote(name) + " names no channel of the " + session.model().label +
            ": accepted " + channelNames(session));
}

size_t channelIndex(const Session& session, const Param& param, const std::string& name) {
  for (size_t i = 0; i < session.channels.size(); ++i)
    if (session.channels[i].name == name) return i;
  unknownChannel(session, param, name);
}

}  // namespace

std::vector<size_t> allChannels(const Session& session) {
  std::vector<size_t> all(session.channels.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return all;
}

std::vector<size_t> channelsToWrite(const Session& session, const Param& param, ViConstString channels) {
  const std::string list = optionalText(param, channels);
  if (trimmed(list).empty()) return allChannels(session);
  std::vector<size_t> chosen;
  size_t start = 0;
  while (true) {
    const size_t comma = list.find(',', start);
    const size_t index = channelIndex(session, param, trimmed(list.substr(start, comma - start)));
    bool seen = false;
    for (size_t known : chosen) seen = seen || known == index;
    if (!seen) chosen.push_back(index);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return chosen;
}

size_t channelToRead(const Session& session, const Param& param, ViConstString channel) {
  const std::string name = trimmed(optionalText(param, channel));
  if (!name.empty()) return channelIndex(session, param, name);
  if (session.channels.size() == 1) return 0;
  raise(IVI_ERROR_UNKNOWN_CHANNEL_NAME, param,
        std::string(param.name) + " is empty, but the " + session.model().label + " has " +
            std::to_string(session.channels.size()) + " channels: name one of " + channelNames(session));
}

void checkChannelString(const Session& session, const Param& param, ViConstString channel) {
  channelsToWrite(session, param, channel);
}

void checkSamples(const Param& param, const ViReal64* data, ViInt32 count) {
  require(param, data);
  for (ViInt32 i = 0; i < count; ++i) {
    if (data[i] >= -1.0 && data[i] <= 1.0) continue;  // false for NaN
    raise(IVI_ERROR_INVALID_VALUE, param,
          std::string(param.name) + "[" + std::to_string(i) + "] = " + formatNumber(data[i]) +
              " is out of range: accepted -1 to 1");
  }
}

}  // namespace sim
