// Opening simulated sessions through the shipped library and reading the
// errors the simulator records.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tovik/tovik_internal.h"

namespace simtest {

inline std::string options(const std::string& driverSetup) {
  return "Simulate=1, DriverSetup=" + driverSetup;
}

// A simulated session of `model`, closed at the end of the scope.
class SimulatedSession {
 public:
  explicit SimulatedSession(const std::string& model) : SimulatedSession(model, "") {}
  SimulatedSession(const std::string& model, const std::string& bus) {
    std::string setup = "Model:" + model;
    if (!bus.empty()) setup += ";BoardType:" + bus;
    status_ = tovik_InitWithOptions("", VI_FALSE, VI_TRUE, options(setup).c_str(), &vi_);
  }
  ~SimulatedSession() {
    if (vi_ != 0) tovik_close(vi_);
  }
  SimulatedSession(const SimulatedSession&) = delete;
  SimulatedSession& operator=(const SimulatedSession&) = delete;

  ViStatus status() const { return status_; }
  ViSession vi() const { return vi_; }
  operator ViSession() const { return vi_; }
  // Closes now; the destructor then leaves the handle alone.
  ViStatus close() {
    const ViStatus result = tovik_close(vi_);
    vi_ = 0;
    return result;
  }

 private:
  ViSession vi_ = 0;
  ViStatus status_ = 0;
};

struct RecordedError {
  ViStatus code = 0;
  std::string description;  // the simulator's: message, then the elaboration
};

// The session's pending error, read (and cleared) with tovik_GetError.
inline RecordedError takeError(ViSession vi) {
  RecordedError error;
  char description[1024] = "";
  const ViStatus status = tovik_GetError(vi, &error.code, sizeof description, description);
  EXPECT_EQ(status, 0) << "tovik_GetError";
  error.description = description;
  return error;
}

// Expects `status` to be `code`, recorded with an elaboration that holds
// every one of `pieces`.
inline void expectRecorded(ViSession vi, ViStatus status, ViStatus code, const std::vector<std::string>& pieces) {
  EXPECT_EQ(status, code);
  const RecordedError error = takeError(vi);
  EXPECT_EQ(error.code, code);
  for (const std::string& piece : pieces)
    EXPECT_NE(error.description.find(piece), std::string::npos) << "'" << piece << "' not in: " << error.description;
}

inline ViReal64 real(ViSession vi, const char* channel, ViAttr id) {
  ViReal64 value = -12345.0;
  EXPECT_EQ(tovik_GetAttributeViReal64(vi, channel, id, &value), 0);
  return value;
}

inline ViInt32 int32(ViSession vi, const char* channel, ViAttr id) {
  ViInt32 value = -12345;
  EXPECT_EQ(tovik_GetAttributeViInt32(vi, channel, id, &value), 0);
  return value;
}

inline ViBoolean boolean(ViSession vi, const char* channel, ViAttr id) {
  ViBoolean value = 77;
  EXPECT_EQ(tovik_GetAttributeViBoolean(vi, channel, id, &value), 0);
  return value;
}

inline std::string text(ViSession vi, const char* channel, ViAttr id) {
  char value[256] = "";
  EXPECT_EQ(tovik_GetAttributeViString(vi, channel, id, sizeof value, value), 0);
  return value;
}

struct ProductRow {
  std::string model;
  std::string bus;
  std::string family;
};

// The rows of the product table (tables/products.def).
inline std::vector<ProductRow> productRows() {
  std::vector<ProductRow> rows;
  std::ifstream in(TOVIK_PRODUCTS_DEF);
  const std::regex row(R"re(^TOVIK_PRODUCT\("([^"]+)", "([^"]+)", \w+, (\w+),)re");
  std::string line;
  std::smatch match;
  while (std::getline(in, line))
    if (std::regex_search(line, match, row)) rows.push_back({match[1], match[2], match[3]});
  return rows;
}

}  // namespace simtest
