// Generation: the checks an instrument makes before it starts, the start
// and its triggers, when a finite generation is done, and what each channel
// would output.
#pragma once

#include <chrono>
#include <utility>
#include <vector>

#include "Call.h"
#include "Session.h"

namespace sim {

using Clock = std::chrono::steady_clock;

// The instrument's own check of the configuration of every enabled
// channel: a conflict goes to the error queue and fails the call with
// TOVIK_ERROR_SETTINGS_CONFLICT.
void checkSettings(Session& session);

// Starts generating, or waiting for a start trigger.
void initiate(Session& session);
// A software start trigger; fails unless something waits for one.
void softwareTrigger(Session& session);
void abortGeneration(Session& session);

bool isDone(const Session& session, Clock::time_point now);
ViInt32 hardwareState(const Session& session, Clock::time_point now);
// Seconds until the generation is done (0 when it is), or a negative value
// when nothing could end it while the caller holds the session.
double secondsUntilDone(const Session& session, Clock::time_point now);

// The channels whose output is enabled, in order.
std::vector<size_t> enabledChannels(const Session& session);

// Whether a waveform, sequence or frequency list is being generated.
bool generating(const Session& session);

// The first `count` points (time in seconds, volts) channel `channel`
// outputs once started.
std::vector<std::pair<double, double>> firstSamples(const Session& session, size_t channel, size_t count);

}  // namespace sim
