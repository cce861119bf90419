// The registered session: engine binding, language, resource name, plugin.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Noncopyable.h"

namespace miivi {
class IviWrapperInterface;
}
namespace tovik {
class Plugin;
}
namespace telemetry {
class SessionLogger;
}

namespace miivi {

class SessionInterface {
 public:
  virtual ~SessionInterface();
  virtual int32_t language() const = 0;
  virtual int32_t openedFromYm() const = 0;
  virtual IviWrapperInterface& iviWrapper() const = 0;
};

class Session : public SessionInterface, private vo::no_adl::noncopyable {
 public:
  Session(std::unique_ptr<IviWrapperInterface> iviWrapper, int32_t language, int32_t openedFromYm);
  ~Session() override;
  int32_t language() const override { return language_; }
  int32_t openedFromYm() const override { return openedFromYm_; }
  IviWrapperInterface& iviWrapper() const override { return *iviWrapper_; }

 private:
  std::unique_ptr<IviWrapperInterface> iviWrapper_;
  int32_t language_;
  int32_t openedFromYm_;
};

}  // namespace miivi

namespace dvl {

class Session final : public miivi::Session {
 public:
  // Pins the library in memory the first time a session is built; throws
  // -52005 with the loader's report when that fails.
  Session(std::unique_ptr<miivi::IviWrapperInterface> iviWrapper, int32_t language,
          int32_t openedFromYm, tovik::Plugin* plugin, std::string resourceName,
          std::unique_ptr<telemetry::SessionLogger> telemetryLogger);
  ~Session() override;

  const std::string& resourceName() const { return resourceName_; }
  tovik::Plugin* plugin() const { return plugin_; }
  telemetry::SessionLogger* telemetryLogger() const { return telemetryLogger_.get(); }

 private:
  std::string resourceName_;
  tovik::Plugin* plugin_;  // plugins live until process exit
  std::unique_ptr<telemetry::SessionLogger> telemetryLogger_;
};

// The name the library opens itself by when its own file is not known (its
// code linked into a program); otherwise it opens the file it was loaded from.
constexpr const char* kSelfPinName = "libtovik.so";

}  // namespace dvl
