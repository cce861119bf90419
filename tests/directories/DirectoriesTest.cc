// Directory variables, "$" expansion, whole-file reads and the relocatable
// directory table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "directories/RelocatableDirectories.h"
#include "directories/StandardDirectories.h"

namespace {

using ::testing::HasSubstr;

// Sets or unsets TMPDIR for one test.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const char* value) {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old, had_ = true;
    value ? setenv("TMPDIR", value, 1) : unsetenv("TMPDIR");
  }
  ~ScopedTmpDir() { had_ ? setenv("TMPDIR", saved_.c_str(), 1) : unsetenv("TMPDIR"); }

 private:
  std::string saved_;
  bool had_ = false;
};

std::string lookup(const char* name) {
  voerr::Status status;
  const std::string value(vosysq::lookupVariable(name, status).view());
  EXPECT_EQ(status.code, 0) << name << ": " << status.reportText();
  return value;
}

TEST(LookupVariable, ComputesEachVariable) {
  ScopedTmpDir tmp("/scratch");
  EXPECT_EQ(lookup("_commonAppDataDir"), "/var/local/velmora");
  EXPECT_EQ(lookup("_tempDir"), "/scratch");
  // No relocation library on this program's path.
  EXPECT_EQ(lookup("_multiarchlibdir"), "/usr/lib/x86_64-linux-gnu");
  EXPECT_EQ(lookup("_voShared32Dir"), lookup("_voSharedDir"));
  // Names compare exactly; others are empty and no error.
  EXPECT_EQ(lookup("_tempdir"), "");
  EXPECT_EQ(lookup("tempDir"), "");
}

TEST(LookupVariable, TempDirHonoursTmpDirEvenWhenEmpty) {
  {
    ScopedTmpDir unset(nullptr);
    EXPECT_EQ(lookup("_tempDir"), "/tmp");
  }
  ScopedTmpDir empty("");
  EXPECT_EQ(lookup("_tempDir"), "");
}

TEST(ExpandPath, ReplacesEveryReference) {
  ScopedTmpDir tmp("/scratch");
  struct Case {
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"$_commonAppDataDir/a/$_tempDir/b", "/var/local/velmora/a//scratch/b"},
      {"/no/reference", "/no/reference"},
      {"", ""},
      {"$_notAVariable/rest", "/rest"},
      {"$/x", "/x"},
      {"a$_tempDir/", "a/scratch/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    voerr::Status status;
    EXPECT_EQ(vosysq::expandPath(c.path, status).view(), c.expected);
    EXPECT_EQ(status.code, 0) << status.reportText();
  }
}

TEST(ExpandPath, AValueWithAReferenceIsExpandedInALaterPass) {
  ScopedTmpDir tmp("$_commonAppDataDir/tmp");
  voerr::Status status;
  EXPECT_EQ(vosysq::expandPath("$_tempDir/x", status).view(), "/var/local/velmora/tmp/x");
  EXPECT_EQ(status.code, 0);
}

TEST(ExpandPath, RefusesAReferenceWithoutSlash) {
  voerr::Status status;
  EXPECT_EQ(vosysq::expandPath("/a/$_tempDir", status).view(), "");
  EXPECT_EQ(status.code, -52005);
  EXPECT_THAT(status.reportText(),
              HasSubstr(R"("voxlator_debug":{"voxlatordll":"plugin dll path invalid",)"
                        R"("dllPath":"/a/$_tempDir"})"));
}

TEST(ExpandPath, AValueThatRefersToItselfEndsWithAnError) {
  ScopedTmpDir tmp("$_tempDir/again");
  voerr::Status status;
  EXPECT_EQ(vosysq::expandPath("$_tempDir/x", status).view(), "");
  EXPECT_EQ(status.code, -52005);
  EXPECT_THAT(status.reportText(), HasSubstr("path expansion does not end"));
}

TEST(ExpandPath, DoesNothingOnAStatusHoldingAnError) {
  voerr::Status status;
  status.setCode(-1);
  EXPECT_EQ(vosysq::expandPath("/plain", status).view(), "");
  EXPECT_EQ(status.code, -1);
  EXPECT_EQ(status.report, nullptr);
}

TEST(ExpandPath, StaysLinearOnAMebibyte) {
  std::string path;
  while (path.size() < (1u << 20)) path += "$_notAVariable/$_commonAppDataDir/";
  const auto start = std::chrono::steady_clock::now();
  voerr::Status status;
  const vohtl::BasicString expanded = vosysq::expandPath(path, status);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status.code, 0);
  EXPECT_EQ(expanded.view().substr(0, 21), "//var/local/velmora//");
  EXPECT_LT(seconds, 0.5);
}

TEST(TrimSharedDirectory, StripsTheEndsOnly) {
  struct Case {
    std::string content;
    const char* expected;
  };
  const Case cases[] = {
      {std::string("  /opt/foo/\n\0", 13), "/opt/foo"},
      {std::string("\0", 1), ""},
      {"/opt/with space/dir//\r\n", "/opt/with space/dir"},
      {"///", ""},
      {"\t/lead", "/lead"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    voerr::Status status;
    vohtl::BasicString text;
    text.assign(c.content, status);
    vosysq::trimSharedDirectory(text);
    EXPECT_EQ(text.view(), c.expected);
  }
}

TEST(ReadWholeFile, ReadsEveryByteAndATerminator) {
  const std::string path = ::testing::TempDir() + "whole_file";
  std::ofstream(path, std::ios::binary) << std::string("a\0b", 3);
  voerr::Status status;
  vohtl::BasicString buffer;
  vosysq::readWholeFile(path.c_str(), buffer, status);
  EXPECT_EQ(status.code, 0);
  EXPECT_EQ(buffer.view(), std::string("a\0b\0", 4));
  std::remove(path.c_str());
}

TEST(ReadWholeFile, AMissingFileIsNotFoundWithTheSystemsReason) {
  voerr::Status status;
  vohtl::BasicString buffer;
  vosysq::readWholeFile("/nonexistent/share.dir", buffer, status);
  EXPECT_EQ(status.code, -52006);
  EXPECT_THAT(status.reportText(),
              HasSubstr(R"("internal_error":{"api":"errno","code":2,"string":"No such file)"));
  EXPECT_THAT(status.reportText(),
              HasSubstr(R"("vosysq_debug":{"desc":"error opening file",)"
                        R"("filename":"/nonexistent/share.dir"})"));
}

std::string current(const vosysq::RelocatableDirectories& table, const char* name,
                    voerr::Status& status) {
  vohtl::BasicString value;
  table.currentValue(name, value, status);
  return std::string(value.view());
}

TEST(RelocatableDirectories, TheLibraryMovesTheDirectoriesItNames) {
  setenv("VORELOCATIONS_STANDIN", "libdir=/opt/lib;docdir=/opt/doc", 1);
  const vosysq::RelocatableDirectories table(RELOCATION_STANDIN);
  unsetenv("VORELOCATIONS_STANDIN");
  voerr::Status status;
  EXPECT_EQ(current(table, "libdir", status), "/opt/lib");
  EXPECT_EQ(current(table, "docdir", status), "/opt/doc");
  EXPECT_EQ(current(table, "bindir", status), "/usr/bin");
  EXPECT_EQ(status.code, 0);
  EXPECT_EQ(table.constructionStatus().code, 0);

  EXPECT_EQ(current(table, "nosuchdir", status), "");
  EXPECT_EQ(status.code, -52008);
}

TEST(RelocatableDirectories, AFailingLookupIsRememberedAndStopsTheRest) {
  setenv("VORELOCATIONS_STANDIN", "libdir=!;docdir=/opt/doc", 1);
  const vosysq::RelocatableDirectories table(RELOCATION_STANDIN);
  unsetenv("VORELOCATIONS_STANDIN");
  EXPECT_EQ(table.constructionStatus().code, -52006);
  voerr::Status status;
  // "docdir" comes after "libdir": never asked.
  EXPECT_EQ(current(table, "docdir", status), "/usr/share/doc");
}

TEST(RelocatableDirectories, WithoutTheLibraryTheDefaultsStand) {
  const vosysq::RelocatableDirectories table("libvorelocations-missing.so.0");
  EXPECT_EQ(table.constructionStatus().code, 0);
  voerr::Status status;
  EXPECT_EQ(current(table, "multiarchlibdir", status), "/usr/lib/x86_64-linux-gnu");
  EXPECT_EQ(current(table, "initddir", status), "/etc/init.d");
}

}  // namespace
