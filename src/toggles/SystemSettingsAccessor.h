// The settings files loaded in this process and the toggle stores using them.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Primitives.h"
#include "status/PlatformStatus.h"
#include "toggles/SettingsFile.h"

namespace runtime_toggles {

// Loaded settings files by path; a file stays loaded (whatever its reading
// result) until a store clears it or its last user goes.
using LoadedFiles = std::map<std::string, std::unique_ptr<SettingsFile>>;
// The loaded file each registered store uses, keyed by the store.
using FileUsers = std::map<const void*, SettingsFile*>;

// Shared state of the toggle stores. Every member is only touched with
// mutex() held; the stores hold it for each whole operation.
class SystemSettingsAccessorInterface {
 public:
  virtual ~SystemSettingsAccessorInterface() = default;
  virtual voapal::GuardMutex& mutex() = 0;
  virtual LoadedFiles& loadedFiles() = 0;
  virtual FileUsers& fileUsers() = 0;
  // Empty until a store first computes it.
  virtual std::string& settingsPath() = 0;
  // Holds -52003 when the mutex could not be created.
  virtual voerr::PlatformStatus& status() = 0;
};

class SystemSettingsAccessor final : public SystemSettingsAccessorInterface {
 public:
  SystemSettingsAccessor() { mutex_.create(status_); }
  SystemSettingsAccessor(const SystemSettingsAccessor&) = delete;
  SystemSettingsAccessor& operator=(const SystemSettingsAccessor&) = delete;

  voapal::GuardMutex& mutex() override { return mutex_; }
  LoadedFiles& loadedFiles() override { return loadedFiles_; }
  FileUsers& fileUsers() override { return fileUsers_; }
  std::string& settingsPath() override { return settingsPath_; }
  voerr::PlatformStatus& status() override { return status_; }

 private:
  voapal::GuardMutex mutex_;  // recursive, priority inheritance
  LoadedFiles loadedFiles_;
  FileUsers fileUsers_;
  std::string settingsPath_;
  voerr::PlatformStatus status_;
};

}  // namespace runtime_toggles
