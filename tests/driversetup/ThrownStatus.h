// Captures the voerr::Exception a call throws and checks its report.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "status/Exception.h"
#include "status/StatusCodes.h"

namespace driversetup_test {

struct Thrown {
  bool thrown = false;
  int32_t code = 0;
  std::string report;
};

template <typename Call>
Thrown thrownBy(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const voerr::Exception& error) {
    return {true, error.status().code, error.what()};
  }
  return {};
}

// The user-facing error `expected` with the translator attached and exactly
// the items `orderedData` (a JSON array text).
inline void expectRaised(const Thrown& thrown, const voerr::StatusConstant& expected,
                         const std::string& orderedData) {
  ASSERT_TRUE(thrown.thrown) << "nothing thrown";
  EXPECT_EQ(thrown.code, expected.code);
  EXPECT_NE(thrown.report.find(std::string(R"("error_constant":")") + expected.text + '"'),
            std::string::npos)
      << thrown.report;
  EXPECT_NE(thrown.report.find(R"("translator":"mxlator_tovik")"), std::string::npos)
      << thrown.report;
  const std::string tail = R"("ordered_data":)" + orderedData + "}}";
  EXPECT_TRUE(thrown.report.size() >= tail.size() &&
              thrown.report.compare(thrown.report.size() - tail.size(), tail.size(), tail) == 0)
      << thrown.report << "\nexpected to end with " << tail;
}

// Item texts as the report writes them.
inline std::string usageItem(const std::string& key, const std::string& value) {
  return R"({"type":"usage","usage":")" + key + R"(","value":")" + value +
         R"(","value_type":"string"})";
}
inline std::string elaborationItem(const std::string& usage) {
  return R"({"type":"elaboration","usage":")" + usage + R"("})";
}

}  // namespace driversetup_test
