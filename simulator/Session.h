// A simulated instrument session: the model, per-channel and session-wide
// attribute values, waveform memory, sequences, frequency lists, the
// instrument's error queue and the generation state.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "Tables.h"

namespace sim {

using Value = std::variant<ViInt32, ViReal64, ViBoolean, std::string>;

struct Waveform {
  ViInt32 size = 0;
  std::string name;  // empty unless allocated by name
  ViInt32 nextWrite = 0;
  // Normalized samples (-1 to 1), grown as far as written; the rest reads 0.
  std::vector<float> samples;

  float sample(ViInt32 index) const {
    return static_cast<size_t>(index) < samples.size() ? samples[static_cast<size_t>(index)] : 0.0f;
  }
};

struct SequenceStep {
  ViInt32 waveform;
  ViInt32 loops;
};

struct FreqListStep {
  double frequency;
  double duration;
};

struct FreqList {
  ViInt32 waveform;  // a WAVEFORM value
  std::vector<FreqListStep> steps;
};

struct Channel {
  std::string name;
  std::vector<Value> values;        // by attribute index; channel attributes only
  std::vector<float> userWaveform;  // DefineUserStandardWaveform
};

enum class Generation { kIdle, kWaitingForTrigger, kRunning };

struct DeviceQueueEntry {
  int32_t code;
  std::string message;
};

class Session {
 public:
  // Handle ranges, distinct so that a handle of one kind is never taken
  // for another.
  static constexpr ViInt32 kFirstWaveform = 10000;
  static constexpr ViInt32 kFirstSequence = 20000;
  static constexpr ViInt32 kFirstFreqList = 30000;
  static constexpr size_t kDeviceQueueCapacity = 32;

  Session(ViSession vi, const Model& model, std::string bus);

  ViSession vi() const { return vi_; }
  const Model& model() const { return model_; }
  const std::string& productName() const { return productName_; }

  // Back to the model's defaults: every attribute, no waveforms, sequences
  // or frequency lists, generation idle, empty error queue.
  void resetToDefaults();

  // Attribute values, per channel or session-wide as the attribute is
  // defined (`channel` ignored for session attributes).
  const Value& value(const AttributeDefinition& definition, size_t channel) const;
  void setValue(const AttributeDefinition& definition, size_t channel, Value value);
  Value defaultValue(const AttributeDefinition& definition) const;
  // Typed reads of attributes the simulator itself uses.
  ViInt32 int32(ViAttr id, size_t channel = 0) const;
  ViReal64 real(ViAttr id, size_t channel = 0) const;
  ViBoolean boolean(ViAttr id, size_t channel = 0) const;
  const std::string& text(ViAttr id, size_t channel = 0) const;

  std::vector<Channel> channels;
  std::map<ViInt32, Waveform> waveforms;
  std::map<ViInt32, std::vector<SequenceStep>> sequences;
  std::map<ViInt32, FreqList> freqLists;
  std::deque<DeviceQueueEntry> deviceQueue;
  int64_t usedMemory = 0;
  ViInt32 nextWaveform = kFirstWaveform;
  ViInt32 nextSequence = kFirstSequence;
  ViInt32 nextFreqList = kFirstFreqList;

  Generation generation = Generation::kIdle;
  std::chrono::steady_clock::time_point startedAt;
  int userLockDepth = 0;  // LockSession levels the owner holds; under the engine lock
  bool closed = false;

  // Queues an instrument error, keeping the queue bounded the way
  // instruments do: the last place reports the overflow.
  void queueDeviceError(int32_t code, const std::string& message);

 private:
  ViSession vi_;
  const Model& model_;
  std::string productName_;
  std::vector<Value> sessionValues_;
};

// The sessions this library has opened.
class SessionTable {
 public:
  static SessionTable& instance();
  std::shared_ptr<Session> find(ViSession vi);
  void add(std::shared_ptr<Session> session);
  void remove(ViSession vi);

 private:
  SessionTable() = default;
  std::mutex mutex_;
  std::map<ViSession, std::shared_ptr<Session>> sessions_;
};

}  // namespace sim
