// The trace logger stand-in, linked directly, read back through its parser.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "SnooprStandin.h"
#include "SnooprRecord.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <typename T>
Bytes bytesOf(std::initializer_list<T> values) {
  Bytes bytes(values.size() * sizeof(T));
  std::memcpy(bytes.data(), values.begin(), bytes.size());
  return bytes;
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Copies bytes to the very end of a readable page followed by an
// inaccessible one, so reading a single byte past them crashes.
class GuardedBytes {
 public:
  GuardedBytes() {
    pageSize_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pages =
        mmap(nullptr, 2 * pageSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
      ADD_FAILURE() << "mmap failed";
      return;
    }
    pages_ = static_cast<uint8_t*>(pages);
    mprotect(pages_ + pageSize_, pageSize_, PROT_NONE);
  }
  ~GuardedBytes() {
    if (pages_ != nullptr) {
      munmap(pages_, 2 * pageSize_);
    }
  }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  const void* place(const Bytes& bytes) {
    uint8_t* at = pages_ + pageSize_ - bytes.size();
    std::memcpy(at, bytes.data(), bytes.size());
    return at;
  }

 private:
  size_t pageSize_ = 0;
  uint8_t* pages_ = nullptr;
};

class SnooprLogTest : public ::testing::Test {
 protected:
  void SetUp() override { *SnooprModeLocation() = 1; }
  void TearDown() override { *SnooprModeLocation() = 0; }

  // The log must hold exactly one well-formed record.
  snoopr::Record onlyRecord() {
    snoopr::RecordFile file = log_.read();
    EXPECT_TRUE(file.malformedLines.empty()) << file.malformedLines.front();
    EXPECT_EQ(file.records.size(), 1u);
    return file.records.empty() ? snoopr::Record{} : file.records.front();
  }

  snoopr::ScopedLogFile log_{::testing::TempDir() + "snoopr_log_test_" + std::to_string(getpid()) +
                             ".log"};
};

TEST_F(SnooprLogTest, RecordsOnlyWhileModeFlagIsSet) {
  *SnooprModeLocation() = 0;
  EXPECT_EQ(SnooprGetCookie(21, 1, 1, "off"), nullptr);

  *SnooprModeLocation() = 7;
  void* cookie = SnooprGetCookie(21, 2, 1, "on");
  ASSERT_NE(cookie, nullptr);
  // A record opened while on is completed even when the flag drops meanwhile.
  *SnooprModeLocation() = 0;
  SnooprEndReturns(&cookie, 0);
  SnooprFreeCookie(cookie);

  EXPECT_EQ(onlyRecord().functionName, "on");
}

TEST_F(SnooprLogTest, RecordComesBackExactly) {
  const std::string awkward = std::string("say \"hi\"\\ \n\r\t\x01\x7f caf\xc3\xa9 ") +
                              std::string(1, '\0') + "end P9 name=x";
  const double samples[] = {0.25, -1e300, 3.0};
  const double* samplesPointer = samples;
  const int32_t status = -1074003951;

  void* cookie = SnooprGetCookie(21, 110, 1, "tovik_ConfigureFrequency");
  ASSERT_NE(cookie, nullptr);
  SnooprSetParamElementSize_generic(cookie, 0, awkward.data(), 1,
                                    static_cast<int64_t>(awkward.size()), "channelName", 45);
  SnooprSetParamElementSize_generic(cookie, 1, &samplesPointer, 8, 8, nullptr, 20);
  SnooprSetParamElementSize_generic(cookie, 2, samples, 8, sizeof samples, "samples", 20);
  SnooprEndParams(cookie, 3);
  SnooprSetReturnElementSize_generic(cookie, 0, "", 1, 0, "dummyerror", 45);
  SnooprSetFuncReturnElementSize_generic(cookie, 1, &status, 4, 4, nullptr, 23, 0);
  SnooprEndReturns(&cookie, 2);
  SnooprFreeCookie(cookie);

  const snoopr::Record record = onlyRecord();
  EXPECT_EQ(record.pid, getpid());
  EXPECT_EQ(record.functionName, "tovik_ConfigureFrequency");
  EXPECT_EQ(record.functionId, 110);
  EXPECT_EQ(record.apiType, 21);
  EXPECT_EQ(record.flags, 1);
  EXPECT_EQ(record.paramCount, 3);
  EXPECT_EQ(record.returnCount, 2);
  ASSERT_EQ(record.params.size(), 3u);
  ASSERT_EQ(record.returns.size(), 2u);

  const snoopr::Item& text = record.params[0];
  EXPECT_EQ(text.kind, 'P');
  EXPECT_EQ(text.index, 0);
  EXPECT_EQ(text.name, "channelName");
  EXPECT_EQ(text.type, 45);
  EXPECT_EQ(text.elementSize, 1);
  EXPECT_EQ(text.totalSize, static_cast<int64_t>(awkward.size()));
  EXPECT_EQ(text.text(), awkward);
  EXPECT_EQ(text.value, awkward);

  const snoopr::Item& address = record.params[1];
  EXPECT_EQ(address.name, std::nullopt);
  EXPECT_EQ(address.bytes, bytesOf({samplesPointer}));

  const snoopr::Item& contents = record.params[2];
  EXPECT_EQ(contents.index, 2);
  EXPECT_EQ(contents.bytes, bytesOf({0.25, -1e300, 3.0}));
  EXPECT_EQ(contents.value, "0.25,-1.0000000000000001e+300,3");

  const snoopr::Item& empty = record.returns[0];
  EXPECT_EQ(empty.kind, 'R');
  EXPECT_FALSE(empty.dataNull);
  EXPECT_TRUE(empty.bytes.empty());
  EXPECT_EQ(empty.value, "");
  EXPECT_EQ(empty.succeeded, std::nullopt);

  const snoopr::Item& result = record.returns[1];
  EXPECT_EQ(result.kind, 'F');
  EXPECT_EQ(result.name, std::nullopt);
  EXPECT_EQ(result.succeeded, 0);
  EXPECT_EQ(result.bytes, bytesOf({status}));
  EXPECT_EQ(result.value, "-1074003951");
}

struct DecodeCase {
  const char* label;
  int32_t type;
  int32_t elementSize;
  Bytes bytes;
  std::optional<std::string> value;
};

// Each value sits right before an inaccessible page: decoding must stay
// within the size the caller gave.
TEST_F(SnooprLogTest, DecodesKnownTypesWithinTheGivenSize) {
  const std::vector<DecodeCase> cases = {
      {"signed 32", 3, 4, bytesOf({int32_t{-5}}), "-5"},
      {"signed 8", 3, 1, Bytes{0xff}, "-1"},
      {"signed 16", 7, 2, bytesOf({int16_t{-2}}), "-2"},
      {"unsigned 16", 1, 2, bytesOf({uint16_t{65535}}), "65535"},
      {"unsigned 32", 1, 4, bytesOf({uint32_t{0xffffffff}}), "4294967295"},
      {"boolean", 21, 2, bytesOf({uint16_t{1}}), "1"},
      {"status", 23, 4, bytesOf({int32_t{-1074003951}}), "-1074003951"},
      {"attribute", 29, 4, bytesOf({uint32_t{1250001}}), "1250001"},
      {"session", 35, 4, bytesOf({uint32_t{0x80000001}}), "2147483649"},
      {"signed 64", 97, 8, bytesOf({std::numeric_limits<int64_t>::min()}), "-9223372036854775808"},
      {"double", 19, 8, bytesOf({0.1}), "0.10000000000000001"},
      {"double specials", 20, 8, bytesOf({std::nan(""), -std::numeric_limits<double>::infinity()}),
       "nan,-inf"},
      {"int32 array", 4, 4, bytesOf({int32_t{1}, int32_t{-2}, int32_t{3}}), "1,-2,3"},
      {"int32 array address", 4, 8, bytesOf({uint64_t{0x1234abcd}}), "0x1234abcd"},
      {"opaque address", 14, 8, bytesOf({uint64_t{0}}), "0x0"},
      {"trailing partial element", 8, 2, Bytes{1, 0, 2, 0, 3}, "1,2"},
      {"partial double", 19, 8, Bytes{1, 2, 3, 4}, std::nullopt},
      {"byte array", 12, 1, Bytes{0xde, 0xad}, std::nullopt},
      {"odd width", 3, 3, Bytes{1, 2, 3}, std::nullopt},
      {"unknown type", 999, 4, Bytes{1, 2, 3, 4}, std::nullopt},
      {"text without terminator", 45, 1, bytesOf(std::string("abc")), "abc"},
  };
  GuardedBytes memory;
  void* cookie = SnooprGetCookie(21, 1, 1, "decode");
  ASSERT_NE(cookie, nullptr);
  for (size_t i = 0; i < cases.size(); ++i) {
    const DecodeCase& c = cases[i];
    SnooprSetParamElementSize_generic(cookie, static_cast<int32_t>(i), memory.place(c.bytes),
                                      c.elementSize, static_cast<int64_t>(c.bytes.size()), c.label,
                                      c.type);
  }
  SnooprFreeCookie(cookie);

  const snoopr::Record record = onlyRecord();
  ASSERT_EQ(record.params.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].label);
    EXPECT_EQ(record.params[i].bytes, cases[i].bytes);
    EXPECT_EQ(record.params[i].value, cases[i].value);
  }
}

TEST_F(SnooprLogTest, NullDataIsShownAsNullNotRead) {
  void* cookie = SnooprGetCookie(21, 1, 1, nullptr);
  ASSERT_NE(cookie, nullptr);
  SnooprSetParamElementSize_generic(cookie, 0, nullptr, 1, 100, "text", 45);
  SnooprSetParamElementSize_generic(cookie, 1, nullptr, 8, 8, "address", 14);
  SnooprEndReturns(&cookie, 0);
  SnooprFreeCookie(cookie);

  const snoopr::Record record = onlyRecord();
  EXPECT_EQ(record.functionName, std::nullopt);
  ASSERT_EQ(record.params.size(), 2u);
  for (const snoopr::Item& item : record.params) {
    SCOPED_TRACE(*item.name);
    EXPECT_TRUE(item.dataNull);
    EXPECT_TRUE(item.bytes.empty());
    EXPECT_EQ(item.value, std::nullopt);
  }
  EXPECT_EQ(record.params[0].totalSize, 100);
}

TEST_F(SnooprLogTest, EachRecordIsWrittenOnce) {
  const int32_t value = 1;
  // Never ended: written when freed, with both counts missing.
  void* unended = SnooprGetCookie(21, 1, 1, "unended");
  SnooprSetParamElementSize_generic(unended, 0, &value, 4, 4, "a", 3);
  SnooprFreeCookie(unended);
  // Ended: written then; later setters and a second end change nothing.
  void* ended = SnooprGetCookie(21, 2, 1, "ended");
  SnooprEndParams(ended, 0);
  SnooprEndReturns(&ended, 0);
  SnooprSetReturnElementSize_generic(ended, 0, &value, 4, 4, "late", 3);
  SnooprEndReturns(&ended, 5);
  SnooprFreeCookie(ended);
  // No record: every entry point ignores it.
  void* none = nullptr;
  SnooprSetParamElementSize_generic(none, 0, &value, 4, 4, "a", 3);
  SnooprEndParams(none, 1);
  SnooprSetReturnElementSize_generic(none, 0, &value, 4, 4, "a", 3);
  SnooprSetFuncReturnElementSize_generic(none, 0, &value, 4, 4, nullptr, 23, 1);
  SnooprEndReturns(&none, 1);
  SnooprEndReturns(nullptr, 1);
  SnooprFreeCookie(none);

  const snoopr::RecordFile file = log_.read();
  EXPECT_TRUE(file.malformedLines.empty());
  ASSERT_EQ(file.records.size(), 2u);
  EXPECT_EQ(file.records[0].functionName, "unended");
  EXPECT_EQ(file.records[0].paramCount, std::nullopt);
  EXPECT_EQ(file.records[0].returnCount, std::nullopt);
  EXPECT_EQ(file.records[0].params.size(), 1u);
  EXPECT_EQ(file.records[1].functionName, "ended");
  EXPECT_EQ(file.records[1].paramCount, 0);
  EXPECT_EQ(file.records[1].returnCount, 0);
  EXPECT_TRUE(file.records[1].returns.empty());
}

TEST_F(SnooprLogTest, HugeItemsAreCappedAtOneMebibyte) {
  const std::vector<uint8_t> waveform(3 << 20, 0x5a);
  void* cookie = SnooprGetCookie(21, 1, 1, "huge");
  SnooprSetParamElementSize_generic(cookie, 0, waveform.data(), 1,
                                    static_cast<int64_t>(waveform.size()), "waveform", 12);
  SnooprFreeCookie(cookie);

  const snoopr::Record record = onlyRecord();
  ASSERT_EQ(record.params.size(), 1u);
  EXPECT_EQ(record.params[0].totalSize, 3 << 20);
  EXPECT_EQ(record.params[0].bytes, Bytes(1 << 20, 0x5a));
}

TEST(SnooprRecordParser, RejectsMalformedLines) {
  const std::string good =
      "SNOOPR pid=1 tid=2 fn=\"f\" id=3 api=21 flags=1 params=-4 returns=- "
      "P0 name=\"a b\" type=45 esize=1 size=3 bytes=612062 value=\"a b\" "
      "F1 name=(null) type=23 esize=4 size=4 ok=1 bytes=00000000 value=0";
  const std::optional<snoopr::Record> parsed = snoopr::parseRecord(good + "\n");
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->paramCount, -4);
  EXPECT_EQ(parsed->returnCount, std::nullopt);
  EXPECT_EQ(parsed->params.at(0).value, "a b");

  const struct {
    const char* label;
    std::string line;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 30)},
      {"trailing text", good + " junk"},
      {"function return without ok",
       "SNOOPR pid=1 tid=2 fn=\"f\" id=3 api=21 flags=1 params=0 "
       "returns=1 F0 name=(null) type=23 esize=4 size=4 bytes="},
      {"odd hex",
       "SNOOPR pid=1 tid=2 fn=\"f\" id=3 api=21 flags=1 params=1 returns=- "
       "P0 name=(null) type=3 esize=4 size=4 bytes=0000000"},
      {"unknown escape", "SNOOPR pid=1 tid=2 fn=\"\\q\" id=3 api=21 flags=1 params=0 returns=0"},
      {"unterminated text", "SNOOPR pid=1 tid=2 fn=\"f id=3 api=21 flags=1 params=0 returns=0"},
      {"id out of range",
       "SNOOPR pid=1 tid=2 fn=\"f\" id=4294967296 api=21 flags=1 params=0 "
       "returns=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_FALSE(snoopr::parseRecord(c.line).has_value());
  }
}

}  // namespace
