// The boolean toggle store: settings path, loading, lookup and the value cache.
#include "toggles/RuntimeToggles.h"

#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <string_view>

#include "status/StatusCodes.h"

#ifndef TOVIK_SOURCE_NAME
#define TOVIK_SOURCE_NAME "RuntimeToggles"
#endif

namespace runtime_toggles {

namespace {

using Store = RuntimeToggles<bool, bool, 6>;

void fail(voerr::PlatformStatus& status, int64_t code, int64_t line) {
  status.setPlatformCode(code, voerr::kComponent, TOVIK_SOURCE_NAME, line);
}

// A part of the settings path, or false when it is too long to be one.
bool assignPart(std::string& part, const char* text) {
  const size_t length = text ? strnlen(text, Store::kMaxPart + 1) : 0;
  if (length > Store::kMaxPart) return false;
  part.assign(text ? text : "", length);
  return true;
}

}  // namespace

Store::RuntimeToggles(SystemSettingsAccessorInterface* accessor, const char* keyPrefix,
                      const char* fileName, const char* directoryName,
                      const char* baseDirectory)
    : accessor_(accessor) {
  if (accessor_ == nullptr) {
    fail(status_, voerr::codes::kSoftwareFault.code, __LINE__);
    return;
  }
  status_.merge(accessor_->status());
  if (!assignPart(keyPrefix_, keyPrefix) || !assignPart(fileName_, fileName) ||
      !assignPart(directoryName_, directoryName)) {
    fail(status_, voerr::codes::kInvalidParameter.code, __LINE__);
    return;
  }
  baseDirectory_ = baseDirectory ? baseDirectory : "";
}

Store::~RuntimeToggles() {
  if (status_.code < 0) return;  // never registered
  voapal::GuardLock lock(accessor_->mutex());
  FileUsers& users = accessor_->fileUsers();
  const auto mine = users.find(this);
  if (mine == users.end()) return;
  SettingsFile* const file = mine->second;
  users.erase(mine);
  for (const auto& user : users) {
    if (user.second == file) return;  // still in use
  }
  LoadedFiles& files = accessor_->loadedFiles();
  for (auto loaded = files.begin(); loaded != files.end(); ++loaded) {
    if (loaded->second.get() == file) {
      files.erase(loaded);
      return;
    }
  }
}

bool Store::usable(voerr::PlatformStatus& status) const {
  if (status.code < 0) return false;
  if (status_.code < 0) {
    status.merge(status_);
    return false;
  }
  return true;
}

bool Store::validName(const char* name, voerr::PlatformStatus& status) const {
  const size_t length = name ? strnlen(name, kMaxName + 1) : 0;
  if (length == 0 || length > kMaxName) {
    fail(status, voerr::codes::kInvalidParameter.code, __LINE__);
    return false;
  }
  return true;
}

void Store::get(const char* name, bool defaultValue, bool& result,
                voerr::PlatformStatus& status) {
  result = defaultValue;
  if (!usable(status) || !validName(name, status)) return;
  try {
    voapal::GuardLock lock(accessor_->mutex());
    const auto cached = cache_.find(std::string_view(name));
    if (cached != cache_.end()) {
      result = cached->second;
      return;
    }
    loadLocked(status);
    if (status.code >= 0) lookUp(name, result, status);
    // Whatever was answered is the answer until clear or reload, so a
    // missing or unreadable file is not read again on every call.
    cache_.emplace(name, result);
  } catch (const std::exception&) {
    fail(status, voerr::codes::kMemoryFull.code, __LINE__);
  }
}

void Store::lookUp(const char* name, bool& result, voerr::PlatformStatus& status) const {
  if (keyPrefix_.empty()) {
    fail(status, voerr::codes::kInvalidParameter.code, __LINE__);
    return;
  }
  const FileUsers& users = accessor_->fileUsers();
  const auto user = users.find(this);
  if (user == users.end()) {
    fail(status, voerr::codes::kSoftwareFault.code, __LINE__);
    return;
  }
  bool value = false;
  switch (user->second->booleanEntry(keyPrefix_ + name, "Value", value)) {
    case BooleanEntry::kFound:
      result = value;
      return;
    case BooleanEntry::kNotFound:
      fail(status, voerr::codes::kResourceNotFound.code, __LINE__);
      return;
    case BooleanEntry::kInvalid:
      // An empty value ("") keeps the default, so the first answer and the
      // cached ones agree.
      fail(status, voerr::codes::kSoftwareFault.code, __LINE__);
      return;
  }
}

void Store::set(const char* name, bool value, voerr::PlatformStatus& status) {
  if (!usable(status) || !validName(name, status)) return;
  try {
    voapal::GuardLock lock(accessor_->mutex());
    cache_.insert_or_assign(name, value);
  } catch (const std::exception&) {
    fail(status, voerr::codes::kMemoryFull.code, __LINE__);
  }
}

void Store::load(voerr::PlatformStatus& status) {
  if (!usable(status)) return;
  try {
    voapal::GuardLock lock(accessor_->mutex());
    loadLocked(status);
  } catch (const std::exception&) {
    fail(status, voerr::codes::kMemoryFull.code, __LINE__);
  }
}

void Store::loadLocked(voerr::PlatformStatus& status) {
  std::string& path = accessor_->settingsPath();
  if (path.empty() && !computePath(path, status)) return;
  LoadedFiles& files = accessor_->loadedFiles();
  auto loaded = files.find(path);
  if (loaded == files.end()) {
    auto file = std::make_unique<SettingsFile>();
    file->load(path.c_str());
    loaded = files.emplace(path, std::move(file)).first;
  }
  // The reading result itself (-22 for a missing file, ...) for as long as
  // the file stays loaded.
  const int reading = loaded->second->result();
  if (reading != reading::kSuccess) fail(status, reading, __LINE__);
  accessor_->fileUsers().emplace(this, loaded->second.get());
}

bool Store::computePath(std::string& path, voerr::PlatformStatus& status) const {
  if (fileName_.empty()) {
    fail(status, voerr::codes::kInvalidParameter.code, __LINE__);
    return false;
  }
  std::string computed = baseDirectory_;
  if (!directoryName_.empty()) computed.append("/").append(directoryName_);
  computed.append("/systemsettings/");
  if (!keyPrefix_.empty()) computed.append(keyPrefix_).append("_");
  computed.append(fileName_);
  if (computed.size() > kMaxPath) {
    fail(status, voerr::codes::kInvalidParameter.code, __LINE__);
    return false;
  }
  path = std::move(computed);
  return true;
}

void Store::clear(voerr::PlatformStatus& status) {
  if (!usable(status)) return;
  voapal::GuardLock lock(accessor_->mutex());
  clearLocked();
}

void Store::clearLocked() {
  cache_.clear();
  FileUsers& users = accessor_->fileUsers();
  LoadedFiles& files = accessor_->loadedFiles();
  SettingsFile* file = nullptr;
  if (const auto mine = users.find(this); mine != users.end()) {
    file = mine->second;
  } else if (const auto loaded = files.find(accessor_->settingsPath()); loaded != files.end()) {
    file = loaded->second.get();
  }
  if (file == nullptr) return;
  for (auto user = users.begin(); user != users.end();) {
    user = user->second == file ? users.erase(user) : std::next(user);
  }
  for (auto loaded = files.begin(); loaded != files.end(); ++loaded) {
    if (loaded->second.get() == file) {
      files.erase(loaded);
      break;
    }
  }
}

void Store::reload(voerr::PlatformStatus& status) {
  if (!usable(status)) return;
  try {
    voapal::GuardLock lock(accessor_->mutex());  // nobody sees the store between the two
    clearLocked();
    loadLocked(status);
  } catch (const std::exception&) {
    fail(status, voerr::codes::kMemoryFull.code, __LINE__);
  }
}

}  // namespace runtime_toggles
