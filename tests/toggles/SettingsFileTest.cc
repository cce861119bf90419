// The settings-file reader: encodings, line ends, sections, entries, quoted
// values, " Line" runs, reading results, and time that grows linearly.
#include "toggles/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TimeBudget.h"

namespace {

using runtime_toggles::BooleanEntry;
using runtime_toggles::SettingsFile;
namespace reading = runtime_toggles::reading;
using namespace std::string_literals;

struct Lookup {
  const char* section;
  const char* key;
  std::optional<std::string> value;  // nullopt: no such entry
};

struct ParseCase {
  const char* name;
  std::string text;
  int result;
  std::vector<Lookup> lookups;
};

TEST(SettingsFile, ReadsTheTextAsTheFormatSays) {
  const ParseCase cases[] = {
      {"plain", "[S]\nk=v\n", 0, {{"S", "k", "v"}}},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\nk=v", 0, {{"S", "k", "v"}}},
      {"UTF-16 LE mark", "\xFF\xFE[\0S\0]\0"s, reading::kUnsupportedEncoding, {{"S", "k", {}}}},
      {"UTF-16 BE mark", "\xFE\xFF\0[\0S\0]"s, reading::kUnsupportedEncoding, {}},
      {"UTF-32 LE mark", "\xFF\xFE\0\0[\0\0\0"s, reading::kUnsupportedEncoding, {}},
      {"UTF-32 BE mark", "\0\0\xFE\xFF\0\0\0["s, reading::kUnsupportedEncoding, {}},
      {"UTF-16 without a mark reads as nothing", "[\0S\0]\0\n\0k\0=\0v\0"s, 0,
       {{"S", "k", {}}}},
      {"CR LF", "[S]\r\nk=v\r\nj=w\r\n", 0, {{"S", "k", "v"}, {"S", "j", "w"}}},
      {"CR alone", "[S]\rk=v\rj=w", 0, {{"S", "k", "v"}, {"S", "j", "w"}}},
      {"LF CR", "[S]\n\rk=v\n\r", 0, {{"S", "k", "v"}}},
      {"NUL ends a line", "[S]\0k=v\0j=w"s, 0, {{"S", "k", "v"}, {"S", "j", "w"}}},
      {"comments", "[S]\n;k=v\n \t; j=w\nm=v ; kept", 0,
       {{"S", "k", {}}, {"S", "j", {}}, {"S", "m", "v ; kept"}}},
      {"white space around", "  \t[S]\n \tk \t=  v \t\n", 0, {{"S", "k", "v"}}},
      {"section names fold case and white space", "[  My Sect  ]\nk=v", 0,
       {{"my sect", "k", "v"}, {" MY SECT\t", "k", "v"}, {"MySect", "k", {}}}},
      {"section without ']'", "[S\nk=v", 0, {{"S", "k", "v"}}},
      {"text after ']'", "[S] more=text\nk=v", 0, {{"S", "k", "v"}, {"S", "more", {}}}},
      {"an empty name opens no section", "[A]\n[  ]\n[]\nk=v", 0, {{"A", "k", "v"}}},
      {"a repeated header continues the section", "[S]\na=1\n[T]\nb=2\n[s]\nc=3", 0,
       {{"S", "a", "1"}, {"S", "c", "3"}, {"T", "b", "2"}, {"T", "c", {}}}},
      {"entries before the first section", "k=v\n[S]\nj=w", 0, {{"S", "k", {}}, {"S", "j", "w"}}},
      {"keys fold case and white space", "[S]\nMy Key  =v", 0,
       {{"S", "my key", "v"}, {"S", " MY KEY ", "v"}}},
      {"an empty key", "[S]\n=v\n  \t=w\nk=x", 0, {{"S", "", {}}, {"S", "k", "x"}}},
      {"an empty value", "[S]\nk=\nj=   \t", 0, {{"S", "k", {}}, {"S", "j", {}}}},
      {"an empty value replaces nothing", "[S]\nk=v\nk=", 0, {{"S", "k", "v"}}},
      {"quoted values", "[S]\na=\"  padded  \"\nb=\"\"\nc=\"\nd=\"x\"y\ne=  \"q\"  ", 0,
       {{"S", "a", "  padded  "}, {"S", "b", ""}, {"S", "c", "\""}, {"S", "d", "\"x\"y"},
        {"S", "e", "q"}}},
      {"'=' in the value", "[S]\nk=a=b", 0, {{"S", "k", "a=b"}}},
      {"a repeated key replaces", "[S]\nk=1\nK =2", 0, {{"S", "k", "2"}}},
      {"malformed lines", "[S]\njust text\n]]]\nk v\n\"k\"\nk=v\n[", 0,
       {{"S", "k", "v"}, {"S", "k v", {}}}},
      {"binary content", "\x01\x02\x80\xff\n[S]\n\x7f=\x90\x01\nk=v\n\x05\x06"s, 0,
       {{"S", "k", "v"}, {"S", "\x7f", "\x90\x01"}}},
      {"a line run joins", "[S]\nValue Line1=Tr\nValue Line2=ue", 0,
       {{"S", "Value", "True"}, {"S", "Value Line1", {}}, {"S", "Value Line2", {}}}},
      {"a new run starts at line 1", "[S]\nA Line1=a\nA Line2=b\nB Line1=c\nB Line2=d", 0,
       {{"S", "A", "ab"}, {"S", "B", "cd"}}},
      {"a run follows any suffixed key", "[S]\nA Line1=a\nB Line7=b\nC Line0=c", 0,
       {{"S", "A", "abc"}, {"S", "B Line7", {}}}},
      {"a plain key ends a run", "[S]\nA Line1=a\nX=x\nA Line2=b", 0,
       {{"S", "A", "a"}, {"S", "X", "x"}, {"S", "A Line2", "b"}}},
      {"a run starts only at line 1", "[S]\nA Line2=a\nA Line3=b", 0,
       {{"S", "A", {}}, {"S", "A Line2", "a"}, {"S", "A Line3", "b"}}},
      {"suffix case and leading zeros", "[S]\nA line01=x\nA LINE2=y", 0, {{"S", "A", "xy"}}},
      {"no space before Line", "[S]\nALine1=x\nALine2=y", 0,
       {{"S", "ALine1", "x"}, {"S", "A", {}}}},
      {"a run replaces an earlier key", "[S]\nA=old\nA Line1=n\nA Line2=ew", 0,
       {{"S", "A", "new"}}},
      {"runs stay within their section", "[S]\nA Line1=a\n[T]\nA Line2=b", 0,
       {{"S", "A", "a"}, {"T", "A Line2", "b"}}},
      {"empty text", "", 0, {{"S", "k", {}}}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsFile file;
    EXPECT_EQ(file.parse(c.text.data(), c.text.size()), c.result);
    EXPECT_EQ(file.result(), c.result);
    for (const Lookup& lookup : c.lookups) {
      SCOPED_TRACE(std::string(lookup.section) + " / " + lookup.key);
      const std::string* value = file.entry(lookup.section, lookup.key);
      ASSERT_EQ(value != nullptr, lookup.value.has_value());
      EXPECT_EQ(file.hasEntry(lookup.section, lookup.key), lookup.value.has_value());
      if (value) {
        EXPECT_EQ(*value, *lookup.value);
      }
    }
  }
}

TEST(SettingsFile, ReadsBooleanWords) {
  struct Case {
    const char* value;  // the entry's text as written after '='; null: no entry
    BooleanEntry found;
    bool result;
  };
  const Case cases[] = {
      {"True", BooleanEntry::kFound, true},     {"true", BooleanEntry::kFound, true},
      {"TRUE", BooleanEntry::kFound, true},     {"\" tRuE \"", BooleanEntry::kFound, true},
      {"False", BooleanEntry::kFound, false},   {"fALSE", BooleanEntry::kFound, false},
      {"yes", BooleanEntry::kFound, false},     {"1", BooleanEntry::kFound, false},
      {"Truest", BooleanEntry::kFound, false},  {"\"\"", BooleanEntry::kInvalid, false},
      {"\"   \"", BooleanEntry::kInvalid, false}, {nullptr, BooleanEntry::kNotFound, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(no entry)");
    const std::string text = "[tovikCEIP]\n" + (c.value ? "Value=" + std::string(c.value) : "");
    SettingsFile file;
    ASSERT_EQ(file.parse(text.data(), text.size()), 0);
    bool value = !c.result;
    EXPECT_EQ(file.booleanEntry("TOVIKceip", "value", value), c.found);
    EXPECT_EQ(value, c.result);
  }
}

class SettingsFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = ::testing::TempDir() + "settings_file_test_" + std::to_string(getpid());
    ASSERT_EQ(mkdir(directory_.c_str(), 0700), 0);
  }
  void TearDown() override {
    for (const std::string& path : created_) std::remove(path.c_str());
    rmdir(directory_.c_str());
  }
  std::string path(const std::string& name) {
    created_.push_back(directory_ + "/" + name);
    return created_.back();
  }
  std::string write(const std::string& name, const std::string& text) {
    const std::string p = path(name);
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
    return p;
  }

  std::string directory_;
  std::vector<std::string> created_;
};

TEST_F(SettingsFileOnDisk, ReportsWhyAFileCannotBeRead) {
  const std::string regular = write("regular.ini", "[S]\nk=v\n");
  const std::string fifo = path("fifo.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string subdirectory = path("subdirectory");
  ASSERT_EQ(mkdir(subdirectory.c_str(), 0700), 0);
  struct Case {
    const char* name;
    std::string path;
    int result;
  };
  const Case cases[] = {
      {"regular file", regular, 0},
      {"missing file", directory_ + "/missing.ini", reading::kFileNotFound},
      {"a file where a directory should be", regular + "/x.ini", reading::kFileNotFound},
      {"empty path", "", reading::kFileNotFound},
      {"directory", subdirectory, reading::kCannotOpen},
      {"FIFO without a writer (must not block)", fifo, reading::kCannotOpen},
      {"a device that never ends", "/dev/zero", reading::kCannotOpen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsFile file;
    EXPECT_EQ(file.load(c.path.c_str()), c.result);
    EXPECT_EQ(file.hasEntry("S", "k"), c.result == 0);
  }
  SettingsFile file;
  EXPECT_EQ(file.load(nullptr), reading::kFileNotFound);
  rmdir(subdirectory.c_str());
}

TEST_F(SettingsFileOnDisk, ALoadReplacesWhatWasReadBefore) {
  SettingsFile file;
  ASSERT_EQ(file.load(write("first.ini", "[S]\nk=v\n").c_str()), 0);
  ASSERT_TRUE(file.hasEntry("S", "k"));
  EXPECT_EQ(file.load(write("utf16.ini", "\xFF\xFE[\0S\0]\0"s).c_str()),
            reading::kUnsupportedEncoding);
  EXPECT_FALSE(file.hasEntry("S", "k"));
  ASSERT_EQ(file.load(path("gone.ini").c_str()), reading::kFileNotFound);
  EXPECT_FALSE(file.hasEntry("S", "k"));
}

// Shapes that would turn a careless reader quadratic; each about 1 MiB.
TEST(SettingsFile, StaysLinearOnHostileShapes) {
  constexpr size_t kSize = 1 << 20;
  const auto repeat = [](const std::string& unit) {
    std::string text;
    while (text.size() < kSize) text += unit;
    return text;
  };
  std::string run = "[S]\nA Line1=x\n";
  for (int i = 2; run.size() < kSize; ++i) run += "A Line" + std::to_string(i) + "=x\n";
  std::string keys = "[S]\n";
  for (int i = 0; keys.size() < kSize; ++i) keys += "k" + std::to_string(i) + "=v\n";
  std::string sections;
  for (int i = 0; sections.size() < kSize; ++i) sections += "[s" + std::to_string(i) + "]\n";
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"one long line", "[S]\nk=" + std::string(kSize, 'v')},
      {"one long key", "[S]\n" + std::string(kSize, 'k') + "=v"},
      {"one long section name", "[" + std::string(kSize, 's') + "]\nk=v"},
      {"many empty lines", std::string(kSize, '\n')},
      {"many CR", std::string(kSize, '\r')},
      {"many NUL", std::string(kSize, '\0')},
      {"many brackets", repeat("[\n")},
      {"many '='", "[S]\n" + std::string(kSize, '=')},
      {"a long line run", run},
      {"many keys", keys},
      {"many sections", sections},
      {"one key repeated", repeat("[S]\nk=v\n")},
      {"a long suffix number", "[S]\nA Line" + std::string(kSize, '1') + "=x\n"},
      {"many line-1 keys", repeat("[S]\nA Line1=x\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsFile file;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file.parse(c.text.data(), c.text.size()), 0);
    file.hasEntry("S", "A");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 1.0 * toggles_test::kSlowdown);
  }
}

}  // namespace
