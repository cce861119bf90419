// A store of named boolean toggles read from a system-settings file and cached.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "status/PlatformStatus.h"
#include "toggles/SystemSettingsAccessor.h"

namespace runtime_toggles {

// Operations record their failures in the caller's status and do nothing
// when it already holds an error. None of them throws.
template <typename Value, typename Default, int kRevision>
class RuntimeTogglesInterface {
 public:
  virtual ~RuntimeTogglesInterface() = default;
  // `result` = `defaultValue`, then the toggle's cached or configured value.
  virtual void get(const char* name, Default defaultValue, Value& result,
                   voerr::PlatformStatus& status) = 0;
  // Caches `value` under `name`, replacing what was there.
  virtual void set(const char* name, Value value, voerr::PlatformStatus& status) = 0;
  // clear, then load.
  virtual void reload(voerr::PlatformStatus& status) = 0;
  // Reads the settings file unless loaded, and registers this store as its user.
  virtual void load(voerr::PlatformStatus& status) = 0;
  // Empties the cache and drops the loaded file with every registration to it.
  virtual void clear(voerr::PlatformStatus& status) = 0;
};

// Only the boolean store of contract revision 6 exists.
template <typename Value, typename Default, int kRevision>
class RuntimeToggles;

// The file is <base>/<directory>/systemsettings/<prefix>_<file name>; a
// toggle NAME is the entry "Value" of the section <prefix>NAME, "True"
// meaning on. A toggle's answer is cached on first read, whatever it was,
// until clear or reload.
template <>
class RuntimeToggles<bool, bool, 6> final : public RuntimeTogglesInterface<bool, bool, 6> {
 public:
  static constexpr size_t kMaxPart = 511;      // prefix, file and directory names
  static constexpr size_t kMaxName = 511;      // toggle names
  static constexpr size_t kMaxPath = 4095;

  // An accessor error, a missing accessor or an over-long part is kept in
  // status(); the store then does nothing but report it.
  RuntimeToggles(SystemSettingsAccessorInterface* accessor, const char* keyPrefix,
                 const char* fileName, const char* directoryName, const char* baseDirectory);
  // Drops this store's registration, and the loaded file when no other
  // store uses it.
  ~RuntimeToggles() override;
  RuntimeToggles(const RuntimeToggles&) = delete;
  RuntimeToggles& operator=(const RuntimeToggles&) = delete;

  void get(const char* name, bool defaultValue, bool& result,
           voerr::PlatformStatus& status) override;
  void set(const char* name, bool value, voerr::PlatformStatus& status) override;
  void reload(voerr::PlatformStatus& status) override;
  void load(voerr::PlatformStatus& status) override;
  void clear(voerr::PlatformStatus& status) override;

  const voerr::PlatformStatus& status() const { return status_; }

 private:
  // Whether the store and the caller's status allow an operation.
  bool usable(voerr::PlatformStatus& status) const;
  bool validName(const char* name, voerr::PlatformStatus& status) const;
  void loadLocked(voerr::PlatformStatus& status);
  void lookUp(const char* name, bool& result, voerr::PlatformStatus& status) const;
  void clearLocked();
  bool computePath(std::string& path, voerr::PlatformStatus& status) const;

  std::string keyPrefix_;
  std::string fileName_;
  std::string directoryName_;
  std::string baseDirectory_;
  SystemSettingsAccessorInterface* accessor_;
  std::map<std::string, bool, std::less<>> cache_;  // looked up without allocating
  voerr::PlatformStatus status_;
};

}  // namespace runtime_toggles
