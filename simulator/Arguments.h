// Checks of the arguments an entry reads, each failing with the status an
// IVI driver gives and an elaboration naming the parameter, its value and
// what would have been accepted.
#pragma once

#include <string>
#include <vector>

#include "Call.h"
#include "Session.h"

namespace sim {

// Longest name (waveform, channel list, trigger terminal) and path taken.
constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxPathLength = 4095;
constexpr size_t kMaxOptionStringLength = 1023;

// A number as an elaboration shows it: "1000", "1e-06", "0.25".
std::string formatNumber(double value);
std::string quote(const std::string& text);
// `text` without the blanks and tabs around it.
std::string trimmed(const std::string& text);

// `text`, which must not be null nor longer than `maxLength`.
std::string requireText(const Param& param, ViConstString text, size_t maxLength = kMaxNameLength);
// `text` or "" for null, at most `maxLength` long.
std::string optionalText(const Param& param, ViConstString text, size_t maxLength = kMaxNameLength);

template <typename T>
T* require(const Param& param, T* pointer) {
  if (pointer == nullptr) raise(IVI_ERROR_NULL_POINTER, param, std::string(param.name) + " is NULL");
  return pointer;
}

// `value` within [min, max], or the failure names the range with `unit`.
void checkRange(const Param& param, double value, double min, double max, const char* unit = "");
void checkCount(const Param& param, ViInt32 value, ViInt32 min, ViInt32 max);
// A value of enumeration `set`.
void checkEnum(const Param& param, ViInt32 value, const char* set);
// A size of a caller's text buffer: not negative, and a buffer when positive.
void checkBuffer(const Param& sizeParam, ViInt32 size, const Param& bufferParam, const ViChar* buffer);

// Copies `text` into a caller's buffer of `size` bytes by the IVI rule:
// size 0 asks for the size needed; a short buffer gets the text cut and the
// size needed back; the whole text returns 0.
ViStatus fillBuffer(const std::string& text, ViInt32 size, ViChar* buffer);
// Copies into a fixed IVI message buffer (IVI_MAX_MESSAGE_BUF_SIZE bytes).
void fillMessage(const std::string& text, ViChar* buffer);

// Every channel of the session, in order.
std::vector<size_t> allChannels(const Session& session);
// The channels a channel string addresses for writing: a name, a
// comma-separated list, or empty/null for every channel.
std::vector<size_t> channelsToWrite(const Session& session, const Param& param, ViConstString channels);
// The one channel a read addresses; empty/null only on a one-channel model.
size_t channelToRead(const Session& session, const Param& param, ViConstString channel);
// `channel` must be empty or a channel of the session (session attributes).
void checkChannelString(const Session& session, const Param& param, ViConstString channel);

// The arrays an entry reads: not null, elements within [-1, 1] and finite.
void checkSamples(const Param& param, const ViReal64* data, ViInt32 count);

}  // namespace sim
