// The DriverSetup grammar: groups separated by '&', entries by ';', tag and
// value by the first ':' of an entry, for example
//   ResourceName:Dev1; Model:GA & ResourceName:Dev2; Model:GA
// plus the lookup of one tag across all groups and the typed value parsers.
// Every failure is thrown as voerr::Exception.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessel {

// (tag, value), both trimmed, in input order.
using DriverSetupEntry = std::pair<std::string, std::string>;
using DriverSetupGroup = std::vector<DriverSetupEntry>;
using DriverSetupData = std::vector<DriverSetupGroup>;

// Parses a DriverSetup string; "" gives no groups. Throws 0xBFFA8CF0 with
// one usage or elaboration item naming the fault: an empty group or entry, an
// entry without ':', tag or value, a tag repeated within its group (tags
// compare without regard to case), and, with two or more groups, a group
// without ResourceName or a ResourceName given twice.
DriverSetupData parseDriverSetupString(std::string_view text);

// The value of `tag` (case-insensitive), or "" when no group has it. Throws
// 0xBFFA8CF3 when the groups that have it disagree (compared without regard
// to case).
std::string getDriverSetupValue(const DriverSetupData& data, std::string_view tag);

// Typed values; each throws 0xBFFA004C ("ivierrors::ERR_BAD_OPTION_VALUE").
// 1/VI_TRUE/true and 0/VI_FALSE/false, ignoring ASCII case.
bool parseBoolean(std::string_view value);
// Decimal digits only: no sign, no space, no more than 4294967295.
uint32_t parseUInt32(std::string_view value);
// An optional '-' and decimal digits, within the int32 range.
int32_t parseInt32(std::string_view value);

}  // namespace tessel
