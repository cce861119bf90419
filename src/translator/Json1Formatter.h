// The "json1" rendering of a status: static description, dynamic and debug
// items, nested errors, one indentation step per nesting level.
#pragma once

#include <cstdint>

#include "status/Status.h"
#include "text/BasicString.h"
#include "translator/Session.h"

namespace voxlator {
namespace json1 {

// Texts around the parts of one report item; a null text adds nothing.
struct ItemFormat {
  const char* itemBegin;
  const char* itemEnd;
  const char* beforeKey;
  const char* afterKey;
  const char* beforeValue;
  const char* afterValue;
  const char* beforeEachValue;
  const char* afterEachValue;
  const char* betweenValues;
};

// An ordered list ending with an entry whose type is null: that entry's
// format serves every type not listed.
struct FormatEntry {
  const char* type;
  ItemFormat format;
};

struct SectionSeparators {
  const char* beforeStatic;
  const char* afterStatic;
  const char* beforeDynamic;
  const char* afterDynamic;
  const char* beforeDebug;
  const char* afterDebug;
};

// Turns one nesting level's text into its final form, in place.
class NestedFormatter {
 public:
  virtual ~NestedFormatter() = default;
  virtual void format(int level, vohtl::BasicString& text, voerr::Status& status) = 0;
};

// Renders the items of one list (a JSON array of {"type", "key", "value"}
// objects) and appends them to `output`, or nothing when any item is bad
// (-52005 with a "voxlator_debug" object). A list that is not a non-empty
// array renders nothing.
void formatDynamicReportItems(const FormatEntry* formats, const char* listJson,
                              vohtl::BasicString& output, voerr::Status& status);

// One attempt at the plain text of `report` with the flags 1 static
// description, 2 dynamic description, 4 debug section, 8 nested errors.
// Appends to `output`; failures go to `errorStatus`.
void translateErrStatusToRawText(SessionInterface& session, const voerr::Status& report,
                                 uint32_t language, uint32_t flags, vohtl::BasicString& output,
                                 voerr::Status& errorStatus);

}  // namespace json1
}  // namespace voxlator
