// The capture of what a generation outputs: when TOVIK_SIM_CAPTURE_DIR names
// a folder, InitiateGeneration writes the first samples of every enabled
// channel there as CSV (time in seconds, volts).
#include "Capture.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Arguments.h"
#include "Generation.h"
#include "tovik/tovik_attributes.h"

namespace sim {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Writes one channel's file; the reason when it could not. The file is
// closed on every way out, a cancelled thread's unwinding included.
bool writeFile(const std::string& path, const std::vector<std::pair<double, double>>& points, std::string& reason) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
  if (!file) {
    reason = path + ": " + std::strerror(errno);
    return false;
  }
  bool written = std::fputs("time_s,volts\n", file.get()) >= 0;
  for (const auto& point : points)
    written = written && std::fprintf(file.get(), "%.9g,%.9g\n", point.first, point.second) > 0;
  if (std::fclose(file.release()) != 0) written = false;
  if (!written) reason = path + ": the file could not be written";
  return written;
}

}  // namespace

std::string captureFileName(ViSession vi, const std::string& channel) {
  return "tovik_sim_" + std::to_string(vi) + "_channel" + channel + ".csv";
}

ViStatus writeCapture(const Call& call) {
  const char* folder = std::getenv(kCaptureDirVariable);
  if (folder == nullptr || *folder == '\0') return VI_SUCCESS;
  const Session& session = call.session();
  std::string problems;
  for (size_t channel : enabledChannels(session)) {
    const std::string path = std::string(folder) + "/" + captureFileName(call.vi(), session.channels[channel].name);
    std::string reason;
    if (!writeFile(path, firstSamples(session, channel, kCaptureSamples), reason))
      problems += (problems.empty() ? "" : "; ") + reason;
  }
  if (problems.empty()) return VI_SUCCESS;
  return call.warn(TOVIK_WARN_CAPTURE_NOT_WRITTEN, "capture not written: " + problems);
}

}  // namespace sim
