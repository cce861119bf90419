// The raise sequence shared by every raise site.
#include "status/Raise.h"

namespace voerr {

Raiser::Raiser(int32_t code, const RaiseSite& site, const char* translator) {
  if (status_.raise(code, site) && translator) {
    status_.reserveReport(2);
    items_ = status_.attachTranslator(translator);
  }
}

Raiser& Raiser::usage(const char* key, const char* value, const char* valueType) {
  if (items_) items_ = status_.addUsageItem(items_, key, value ? value : "", valueType);
  return *this;
}

Raiser& Raiser::elaboration(const char* key) {
  if (items_) items_ = status_.addElaborationItem(items_, key);
  return *this;
}

Raiser& Raiser::comment(const char* text) {
  if (items_) items_ = status_.addCommentItem(items_, text);
  return *this;
}

void Raiser::throwIt() { throw Exception(status_); }

void Raiser::into(Status& target) { target.mergeMove(status_); }

}  // namespace voerr
