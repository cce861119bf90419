#include "driversetup/DriverSetupUtilities.h"

#include <limits>
#include <set>

#include "driversetup/CaseFolding.h"
#include "driversetup/ParserStringUtils.h"
#include "status/Raise.h"

namespace tessel {

namespace {

using voslid::parserStringUtils::kDriverSetupSpace;
using voslid::parserStringUtils::trim;

constexpr std::string_view kResourceNameTag = "ResourceName";

// Splits at every separator, keeping empty pieces; "" gives no pieces.
std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  if (text.empty()) return pieces;
  size_t begin = 0;
  for (;;) {
    const size_t end = text.find(separator, begin);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(begin));
      return pieces;
    }
    pieces.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

const DriverSetupEntry* findTag(const DriverSetupGroup& group, std::string_view tag) {
  for (const DriverSetupEntry& entry : group) {
    if (equalsNoCase(entry.first, tag)) return &entry;
  }
  return nullptr;
}

// Tags and resource names folded once and kept ordered, so that spotting a
// repetition costs O(log n) per entry and a long DriverSetup parses in
// O(n log n), not by comparing every entry with every earlier one.
using FoldedSet = std::set<std::u32string>;

DriverSetupGroup parseGroup(std::string_view groupText) {
  std::vector<std::string_view> entries = split(groupText, ';');
  if (!entries.empty() && entries.back().empty()) entries.pop_back();
  DriverSetupGroup group;
  group.reserve(entries.size());
  FoldedSet tags;
  for (std::string_view entry : entries) {
    if (entry.empty()) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .elaboration(std::string(groupText).c_str())
          .throwIt();
    }
    const size_t colon = entry.find(':');
    if (colon == std::string_view::npos) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .usage("kSidlSetupNotParsed", std::string(entry).c_str())
          .throwIt();
    }
    const std::string_view tag = trim(entry.substr(0, colon), kDriverSetupSpace);
    const std::string_view value = trim(entry.substr(colon + 1), kDriverSetupSpace);
    if (tag.empty()) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .usage("kSidlNoTag", std::string(entry).c_str())
          .throwIt();
    }
    if (value.empty()) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .usage("kSidlNoValue", std::string(entry).c_str())
          .throwIt();
    }
    if (!tags.insert(foldCase(tag)).second) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .usage("kSidlRepeatedTag", std::string(tag).c_str())
          .throwIt();
    }
    group.emplace_back(std::string(tag), std::string(value));
  }
  return group;
}

// With several groups each one names its resource, and no resource twice.
// `resourceNames` holds the folded names of the groups accepted so far.
void checkResourceName(const DriverSetupGroup& group, std::string_view groupText,
                       FoldedSet& resourceNames) {
  const DriverSetupEntry* resource = findTag(group, kResourceNameTag);
  if (resource == nullptr) {
    TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
        .usage("kSidlNoResourceName", std::string(groupText).c_str())
        .throwIt();
  }
  if (!resourceNames.insert(foldCase(resource->second)).second) {
    TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
        .usage("kSidlRepeatedResourceName", resource->second.c_str())
        .throwIt();
  }
}

[[noreturn]] void raiseBadValue() { TOVIK_RAISE(voerr::codes::kBadOptionValue).throwIt(); }

// Decimal digits, at least one, not above `limit`. Stops accumulating once
// the limit is passed, so long digit strings cannot wrap into range.
uint64_t parseDigits(std::string_view digits, uint64_t limit) {
  if (digits.empty()) raiseBadValue();
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') raiseBadValue();
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > limit) raiseBadValue();
  }
  return value;
}

}  // namespace

DriverSetupData parseDriverSetupString(std::string_view text) {
  const std::vector<std::string_view> groups = split(text, '&');
  DriverSetupData data;
  data.reserve(groups.size());
  FoldedSet resourceNames;
  for (std::string_view groupText : groups) {
    if (groupText.empty()) {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
          .elaboration(std::string(text).c_str())
          .throwIt();
    }
    DriverSetupGroup group = parseGroup(groupText);
    if (groups.size() >= 2) checkResourceName(group, groupText, resourceNames);
    data.push_back(std::move(group));
  }
  return data;
}

std::string getDriverSetupValue(const DriverSetupData& data, std::string_view tag) {
  const std::string* first = nullptr;
  for (const DriverSetupGroup& group : data) {
    const DriverSetupEntry* entry = findTag(group, tag);
    if (entry == nullptr) continue;
    if (first == nullptr) {
      first = &entry->second;
    } else if (!equalsNoCase(*first, entry->second)) {
      TOVIK_RAISE(voerr::codes::kValuesMustBeIdentical)
          .elaboration(std::string(tag).c_str())
          .throwIt();
    }
  }
  return first != nullptr ? *first : std::string();
}

bool parseBoolean(std::string_view value) {
  struct Spelling {
    std::string_view text;
    bool value;
  };
  static constexpr Spelling kSpellings[] = {{"1", true},        {"VI_TRUE", true},
                                            {"true", true},     {"0", false},
                                            {"VI_FALSE", false}, {"false", false}};
  for (const Spelling& spelling : kSpellings) {
    if (voslid::parserStringUtils::equalsAsciiNoCase(value, spelling.text)) return spelling.value;
  }
  raiseBadValue();
}

uint32_t parseUInt32(std::string_view value) {
  return static_cast<uint32_t>(parseDigits(value, std::numeric_limits<uint32_t>::max()));
}

int32_t parseInt32(std::string_view value) {
  constexpr uint64_t kMagnitudeOfMin = uint64_t{1} << 31;
  if (!value.empty() && value.front() == '-') {
    const uint64_t magnitude = parseDigits(value.substr(1), kMagnitudeOfMin);
    return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  }
  return static_cast<int32_t>(parseDigits(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace tessel
