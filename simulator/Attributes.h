// Attribute values checked against the attribute table and the model, on
// behalf of the Configure... functions and the Set/Check/Get/Reset
// attribute functions alike.
#pragma once

#include <vector>

#include "Call.h"
#include "Session.h"

namespace sim {

// The table entry of an attribute the simulator itself uses.
const AttributeDefinition& attribute(ViAttr id);

// What a write of `definition` accepts on `session`, as the elaborations
// say it.
std::string acceptedValues(const Session& session, const AttributeDefinition& definition);

// Fails naming `param` unless `value` (of the attribute's type) is one
// `definition` accepts on `session`.
void checkValue(const Session& session, const AttributeDefinition& definition, const Value& value,
                const Param& param);
void checkValue(const Session& session, ViAttr id, const Value& value, const Param& param);

// Stores a checked value on each of `channels` (once for session attributes).
void store(Session& session, ViAttr id, const std::vector<size_t>& channels, const Value& value);

// Checks `value` for attribute `id` and stores it on the channels that
// `channelName` addresses for writing.
void configure(Session& session, ViConstString channelName, const Param& channelParam, ViAttr id,
               const Value& value, const Param& valueParam);
// The same for a session attribute.
void configure(Session& session, ViAttr id, const Value& value, const Param& valueParam);

// Fails naming `param` (whose value is `value`) when a swing of `swing`
// volts around `offset` leaves the model's output range; `rule` names the
// sum that must stay within it.
void checkOutputRange(const Session& session, const Param& param, double value, double swing, double offset,
                      const char* rule);

// Checks the gain and offset (parameters 4 and 5) of an arbitrary waveform
// or sequence, then stores them with `handle` as attribute `handleId` on
// `channels`.
void configureArbitrary(Session& session, const std::vector<size_t>& channels, ViAttr handleId, ViInt32 handle,
                        ViReal64 gain, ViReal64 offset);

// The value of a computed attribute.
Value computedValue(const Session& session, const AttributeDefinition& definition);

// Whether `handle` names one of the session's objects of `kind`.
bool handleExists(const Session& session, HandleKind kind, ViInt32 handle);

// "it is configured on channel "<name>"" for the first channel whose handle
// attribute `id` holds `handle`; empty when none does.
std::string channelUse(const Session& session, ViAttr id, ViInt32 handle);

}  // namespace sim
