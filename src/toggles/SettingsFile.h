// Reader of a system-settings file: named sections of key = value entries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace runtime_toggles {

// Results of reading a settings file (errno-style, negative on failure).
namespace reading {
constexpr int kSuccess = 0;
constexpr int kUnsupportedEncoding = -3;  // UTF-16 or UTF-32 byte-order mark
constexpr int kOutOfMemory = -12;
constexpr int kFileNotFound = -22;
constexpr int kCannotOpen = -5001;  // exists, but cannot be opened as a regular file
constexpr int kReadError = -5002;
}  // namespace reading

// What a lookup of a boolean entry found.
enum class BooleanEntry { kFound, kNotFound, kInvalid };

// Sections, keys and the boolean words compare without regard to ASCII
// letter case and to surrounding white space. Reading time and memory grow
// linearly with the file.
class SettingsFile {
 public:
  // Reads the file at `path`, replacing what was read before. Only regular
  // files are read, so a FIFO or a device at the path cannot block or run on
  // forever. Throws nothing, but a cancelled thread unwinds through it.
  int load(const char* path);

  // Reads settings text from memory, replacing what was read before.
  int parse(const char* data, size_t size) noexcept;

  // The result of the last load or parse (reading::kFileNotFound before any).
  int result() const { return result_; }

  bool hasEntry(std::string_view section, std::string_view key) const;

  // The entry's value, or null when the section or the key is absent.
  const std::string* entry(std::string_view section, std::string_view key) const;

  // kFound with `value` true exactly when the entry reads "True"; kInvalid
  // (value false) when the entry is there but its value is empty.
  BooleanEntry booleanEntry(std::string_view section, std::string_view key, bool& value) const;

 private:
  struct Entry {
    std::string key;  // normalised
    std::string value;
  };

  // Entries in the order of their first appearance; a repeated key replaces
  // the value in place. Small sections are searched in order, larger ones
  // through an index built once they grow past kLinearLimit.
  struct Section {
    static constexpr size_t kLinearLimit = 16;
    std::vector<Entry> entries;
    std::unordered_map<std::string_view, size_t> index;  // views of entries' keys

    const Entry* find(std::string_view normalisedKey) const;
    void put(std::string normalisedKey, std::string value);
    void joinLineRuns();
  };

  void clear();
  int parseText(const char* data, size_t size);
  // `current` indexes the open section, or is kNoSection before the first.
  void parseLine(std::string_view line, size_t& current);
  size_t openSection(std::string_view name);

  static constexpr size_t kNoSection = static_cast<size_t>(-1);

  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> sectionIndex_;  // normalised name -> section
  int result_ = reading::kFileNotFound;
};

}  // namespace runtime_toggles
