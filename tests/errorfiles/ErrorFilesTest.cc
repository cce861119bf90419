// Reading descriptions from error-description files and directories of them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "errorfiles/ErrorFiles.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kHeader = "<?xml version=\"1.0\"?>\n<vodocument>\n";

// A fresh directory per test, removed afterwards.
class ErrorFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) /
            ("error_files_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string write(const std::string& name, const std::string& content) {
    const fs::path path = root_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  fs::path root_;
};

struct Read {
  std::string text;
  int32_t code;
  std::string report;
};

Read readFile(const std::string& path, int32_t code) {
  voerr::Status status;
  vohtl::BasicString text;
  voxlator::readErrorFile(path.c_str(), code, text, status);
  return {std::string(text.view()), status.code, status.reportText()};
}

Read scan(const std::string& directory, int32_t code) {
  voerr::Status status;
  vohtl::BasicString text;
  voxlator::scanErrorDirectory(directory.c_str(), code, text, status);
  return {std::string(text.view()), status.code, status.reportText()};
}

TEST_F(ErrorFiles, ReadsTheDescriptionOfACode) {
  struct Case {
    const char* name;
    std::string content;
    int32_t code;
    const char* expected;
  };
  const Case cases[] = {
      {"encoding declaration",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vodocument>\n<voerror code=\"-7\">\nseven\n"
       "</voerror>\n</vodocument>\n",
       -7, "seven"},
      {"tags in any case", "<?XML VERSION=\"1.0\"?>\n<VODocument>\n<VOERROR CODE=\"5\">\nfive\n</VOError>\n",
       5, "five"},
      {"byte-order mark: not a description file",
       "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<vodocument>\n<voerror code=\"1\">\none\n</voerror>\n", 1,
       ""},
      {"second line not <vodocument>", "<?xml version=\"1.0\"?>\n<other>\n<voerror code=\"1\">\nx\n</voerror>\n",
       1, ""},
      {"hexadecimal code", std::string(kHeader) + "<voerror code=\"0x1F\">\nhex\n</voerror>\n", 31, "hex"},
      {"octal code", std::string(kHeader) + "<voerror code=\"017\">\noctal\n</voerror>\n", 15, "octal"},
      {"first of two blocks wins",
       std::string(kHeader) + "<voerror code=\"2\">\nfirst\n</voerror>\n<voerror code=\"2\">\nsecond\n</voerror>\n",
       2, "first"},
      {"CR LF: inner line ends stay, trailing ones go",
       std::string(kHeader) + "<voerror code=\"3\">\r\nline one\r\nline two \r\n\r\n</voerror>\r\n", 3,
       "line one\r\nline two "},
      {"a tag after text is text",
       std::string(kHeader) + "<voerror code=\"4\">\nsee </voerror> here\n</voerror>\n", 4,
       "see </voerror> here"},
      {"comments are skipped",
       std::string(kHeader) + "<vocomment>\n<voerror code=\"6\">\nhidden\n</voerror>\n</vocomment>\n"
                              "<voerror code=\"6\">\nshown\n</voerror>\n",
       6, "shown"},
      {"parsing stops at </vodocument>",
       std::string(kHeader) + "</vodocument>\n<voerror code=\"8\">\nlate\n</voerror>\n", 8, ""},
      {"code not in the file", std::string(kHeader) + "<voerror code=\"9\">\nnine\n</voerror>\n", 10, ""},
      {"a long line is kept whole",
       std::string(kHeader) + "<voerror code=\"11\">\n" + std::string(3000, 'L') + "\n</voerror>\n", 11,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = readFile(write("case.err", c.content), c.code);
    EXPECT_EQ(read.code, 0) << read.report;
    EXPECT_EQ(read.text, c.expected ? std::string(c.expected) : std::string(3000, 'L'));
  }
}

TEST_F(ErrorFiles, ReportsBrokenFiles) {
  struct Case {
    const char* name;
    std::string content;
    const char* debug;
  };
  const Case cases[] = {
      {"unterminated block", std::string(kHeader) + "<voerror code=\"1\">\ntext\n",
       R"("debug":"Bad explanation file. Could not find the end of the status code definition !")"},
      {"code that is no number", std::string(kHeader) + "<voerror code=\"x1\">\ntext\n</voerror>\n",
       R"("debug":"Could not successfully read the status data!","sscanf":0)"},
      {"nothing after the tag", std::string(kHeader) + "<voerror code=\"\n",
       R"("debug":"Could not successfully read the status data!","sscanf":-1)"},
      {"a line starting with a zero byte", std::string(kHeader) + std::string("\0junk\n", 6),
       R"("debug":"Bad explanation file. Unidentified section heading !")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = readFile(write("broken.err", c.content), 1);
    EXPECT_EQ(read.code, -52006);
    EXPECT_EQ(read.text, "");
    EXPECT_THAT(read.report, HasSubstr(c.debug));
  }
  const Read missing = readFile((root_ / "absent.err").string(), 1);
  EXPECT_EQ(missing.code, -52006);
  EXPECT_THAT(missing.report, HasSubstr(R"("debug":"Could not open status explanations file","path":")"));
}

TEST_F(ErrorFiles, ReadsAMebibyteFileQuickly) {
  std::string content = kHeader;
  for (int32_t code = 0; content.size() < (1u << 20); ++code) {
    content += "<voerror code=\"" + std::to_string(code) + "\">\n" + std::string(100, 'd') + "\n</voerror>\n";
  }
  content += "<voerror code=\"-1\">\nlast\n</voerror>\n";
  const std::string path = write("big.err", content);
  const auto start = std::chrono::steady_clock::now();
  const Read read = readFile(path, -1);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(read.text, "last");
  EXPECT_LT(seconds, 0.5);
}

TEST_F(ErrorFiles, ScanReadsOnlyTxtAndErrFiles) {
  const std::string body = std::string(kHeader) + "<voerror code=\"1\">\n";
  write("a.TXT", body + "upper\n</voerror>\n");
  write("b.xml", body + "xml\n</voerror>\n");
  write("noextension", body + "bare\n</voerror>\n");
  fs::create_directories(root_ / "dir.txt");
  EXPECT_EQ(scan(root_.string(), 1).text, "");
  write("c.txt", body + "lower\n</voerror>\n");
  const Read read = scan(root_.string(), 1);
  EXPECT_EQ(read.text, "lower");
  EXPECT_EQ(read.code, 0);
}

TEST_F(ErrorFiles, AnEmptyBlockLetsTheScanGoOn) {
  const std::string body = std::string(kHeader) + "<voerror code=\"1\">\n";
  write("a.err", body + "</voerror>\n");
  write("b.err", body + "found\n</voerror>\n");
  EXPECT_EQ(scan(root_.string(), 1).text, "found");
}

TEST_F(ErrorFiles, ScanFailures) {
  const Read missing = scan((root_ / "absent").string(), 1);
  EXPECT_EQ(missing.code, -52006);
  EXPECT_THAT(missing.report, HasSubstr(R"("internal_error":{"api":"errno","code":2,)"));
  EXPECT_THAT(missing.report, HasSubstr(R"("debug":"open dir failed","path":")"));

  const Read file = scan(write("plain.err", "x"), 1);  // not a directory: still "missing"
  EXPECT_THAT(file.report, HasSubstr(R"("code":2,)"));
  EXPECT_THAT(scan("", 1).report, HasSubstr(R"("code":22,)"));
  EXPECT_THAT(scan(std::string(5000, 'd'), 1).report, HasSubstr(R"("code":36,)"));

  ASSERT_EQ(symlink((root_ / "nowhere").c_str(), (root_ / "dangling.err").c_str()), 0);
  const Read dangling = scan(root_.string(), 1);
  EXPECT_EQ(dangling.code, -52006);
  EXPECT_THAT(dangling.report, HasSubstr(R"("voxlator":"get file info failed","path":")"));
}

TEST_F(ErrorFiles, SearchTriesTheLanguageThenTheErrorsDirectory) {
  const std::string body = std::string(kHeader);
  write("German/de.err", body + "<voerror code=\"1\">\neins\n</voerror>\n");
  write("top.err", body + "<voerror code=\"2\">\ntop\n</voerror>\n");
  auto search = [&](int32_t code, uint32_t language) {
    voerr::Status status;
    vohtl::BasicString text;
    voxlator::searchErrorsDirectory(root_.c_str(), code, language, text, status);
    return Read{std::string(text.view()), status.code, status.reportText()};
  };
  EXPECT_EQ(search(1, 2).text, "eins");
  EXPECT_EQ(search(2, 2).text, "top");
  // A missing language directory is an error, not an empty result.
  const Read french = search(2, 1);
  EXPECT_EQ(french.code, -52006);
  EXPECT_THAT(french.report, HasSubstr("open dir failed"));
  const Read invalid = search(2, 6);
  EXPECT_EQ(invalid.code, -52005);
  EXPECT_THAT(invalid.report, HasSubstr(R"("ymerrorsparser":"invalid language","lang":6)"));
}

TEST(LanguageDirectoryName, FollowsTheLanguageTable) {
  const char* names[] = {"English", "French", "German", "Japanese", "Korean", "ChineseS"};
  for (uint32_t language = 0; language < 6; ++language) {
    voerr::Status status;
    EXPECT_STREQ(voxlator::languageDirectoryName(language, status), names[language]);
    EXPECT_EQ(status.code, 0);
  }
  voerr::Status status;
  EXPECT_STREQ(voxlator::languageDirectoryName(0x100, status), "");
  EXPECT_EQ(status.code, -52005);
}

}  // namespace
