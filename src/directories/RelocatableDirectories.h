// GNU-style installation directories that a relocation library may move.
#pragma once

#include <string>
#include <vector>

#include "status/Status.h"
#include "text/BasicString.h"

namespace vosysq {

class RelocatableDirectoriesInterface {
 public:
  virtual ~RelocatableDirectoriesInterface() = default;
  // The entry's current value; a name without an entry sets
  // voapalerr_osFault.
  virtual void currentValue(std::string_view name, vohtl::BasicString& output,
                            voerr::Status& status) const = 0;
  // The status of building the table (a failing relocation library).
  virtual const voerr::Status& constructionStatus() const = 0;
};

class RelocatableDirectories final : public RelocatableDirectoriesInterface {
 public:
  // The 19 defaults, then each name asked once of `relocationLibrary`'s
  // get_relocated_dir when that library and symbol exist.
  explicit RelocatableDirectories(const char* relocationLibrary);
  void currentValue(std::string_view name, vohtl::BasicString& output,
                    voerr::Status& status) const override;
  const voerr::Status& constructionStatus() const override { return construction_; }

 private:
  struct Entry {
    const char* name;
    const char* defaultValue;
    std::string current;
  };
  std::vector<Entry> entries_;
  voerr::Status construction_;
};

constexpr const char* kRelocationLibrary = "libvorelocations.so.0";

// The process-wide table, built on first use (at library load), whose
// construction status is merged into `status` at every fetch.
const RelocatableDirectoriesInterface& relocatableDirectories(voerr::Status& status);

// Current value of a relocatable directory of the process-wide table.
void relocatedDirectory(std::string_view name, vohtl::BasicString& output,
                        voerr::Status& status);

}  // namespace vosysq
