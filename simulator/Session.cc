// Session state and its defaults, and the table of open sessions.
#include "Session.h"

#include <utility>

#include "Attributes.h"
#include "tovik/tovik_attributes.h"

namespace sim {

Session::Session(ViSession vi, const Model& model, std::string bus)
    : vi_(vi), model_(model), productName_(std::move(bus) + "-" + model.label) {
  channels.resize(static_cast<size_t>(model.channels));
  for (size_t i = 0; i < channels.size(); ++i) channels[i].name = std::to_string(i);
  resetToDefaults();
}

Value Session::defaultValue(const AttributeDefinition& definition) const {
  const Default& initial = definition.initial;
  switch (definition.type) {
    case Type::kString:
      if (initial.kind == DefaultKind::kFigure)
        return initial.figure == Figure::kName ? productName_ : std::string(model_.firmware);
      return std::string(initial.text ? initial.text : "");
    case Type::kReal64:
      return initial.kind == DefaultKind::kFigure ? figure(model_, initial.figure) : initial.number;
    case Type::kBoolean:
      return static_cast<ViBoolean>(initial.number != 0.0 ? VI_TRUE : VI_FALSE);
    case Type::kInt32:
      break;
  }
  const double number = initial.kind == DefaultKind::kFigure ? figure(model_, initial.figure) : initial.number;
  return static_cast<ViInt32>(number);
}

void Session::resetToDefaults() {
  sessionValues_.assign(kAttributeCount, Value());
  for (Channel& channel : channels) {
    channel.values.assign(kAttributeCount, Value());
    channel.userWaveform.clear();
  }
  for (size_t i = 0; i < kAttributeCount; ++i) {
    const AttributeDefinition& definition = kAttributes[i];
    if (definition.scope == Scope::kSession) {
      sessionValues_[i] = defaultValue(definition);
    } else {
      for (Channel& channel : channels) channel.values[i] = defaultValue(definition);
    }
  }
  waveforms.clear();
  sequences.clear();
  freqLists.clear();
  deviceQueue.clear();
  usedMemory = 0;
  nextWaveform = kFirstWaveform;
  nextSequence = kFirstSequence;
  nextFreqList = kFirstFreqList;
  generation = Generation::kIdle;
}

const Value& Session::value(const AttributeDefinition& definition, size_t channel) const {
  const size_t index = attributeIndex(definition);
  return definition.scope == Scope::kSession ? sessionValues_[index] : channels.at(channel).values[index];
}

void Session::setValue(const AttributeDefinition& definition, size_t channel, Value value) {
  const size_t index = attributeIndex(definition);
  Value& stored = definition.scope == Scope::kSession ? sessionValues_[index] : channels.at(channel).values[index];
  stored = std::move(value);
}

ViInt32 Session::int32(ViAttr id, size_t channel) const { return std::get<ViInt32>(value(attribute(id), channel)); }
ViReal64 Session::real(ViAttr id, size_t channel) const {
  return std::get<ViReal64>(value(attribute(id), channel));
}
ViBoolean Session::boolean(ViAttr id, size_t channel) const {
  return std::get<ViBoolean>(value(attribute(id), channel));
}
const std::string& Session::text(ViAttr id, size_t channel) const {
  return std::get<std::string>(value(attribute(id), channel));
}

void Session::queueDeviceError(int32_t code, const std::string& message) {
  if (deviceQueue.size() >= kDeviceQueueCapacity) return;
  if (deviceQueue.size() + 1 == kDeviceQueueCapacity) {
    const char* text = deviceErrorMessage(TOVIK_DEVICE_QUEUE_OVERFLOW);
    deviceQueue.push_back({TOVIK_DEVICE_QUEUE_OVERFLOW, text ? text : ""});
    return;
  }
  deviceQueue.push_back({code, message});
}

SessionTable& SessionTable::instance() {
  // Never destroyed: a program may close sessions from its own static
  // destructors.
  static SessionTable* table = new SessionTable;
  return *table;
}

std::shared_ptr<Session> SessionTable::find(ViSession vi) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto found = sessions_.find(vi);
  return found == sessions_.end() ? nullptr : found->second;
}

void SessionTable::add(std::shared_ptr<Session> session) {
  std::lock_guard<std::mutex> guard(mutex_);
  const ViSession vi = session->vi();
  sessions_[vi] = std::move(session);
}

void SessionTable::remove(ViSession vi) {
  std::lock_guard<std::mutex> guard(mutex_);
  sessions_.erase(vi);
}

}  // namespace sim
