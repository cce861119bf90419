// Fixed-size status block of the platform primitives and singleton guards.
#pragma once

#include <cstddef>
#include <cstdint>

#include "status/Status.h"

namespace voerr {

struct PlatformStatus {
  static constexpr uint64_t kFullSize = 216;

  uint64_t structSize = kFullSize;
  int64_t code = 0;
  char component[10] = {};
  char file[101] = {};
  int64_t line = 0;
  uint64_t extension[10] = {};

  bool isFull() const { return structSize >= kFullSize; }

  // Precedence rule on the 64-bit code; when taken (and the block is full
  // size) records the location. A file longer than 100 characters is kept
  // as its first 49 characters, "..", and its last 49.
  bool setPlatformCode(int64_t newCode, const char* componentName, const char* fileName,
                       int64_t lineNumber);

  // Merge another block by the precedence rule, with its extension words.
  bool merge(const PlatformStatus& other);
};

static_assert(sizeof(PlatformStatus) == PlatformStatus::kFullSize, "layout of the status block");
static_assert(offsetof(PlatformStatus, line) == 128, "layout of the status block");

// Takes the block's code (and location) into a status record.
bool absorbPlatformStatus(const PlatformStatus& block, Status& status);

// Throws a voerr::Exception built from a block holding an error, unless an
// exception is already propagating.
void throwIfFailed(const PlatformStatus& block);

}  // namespace voerr
