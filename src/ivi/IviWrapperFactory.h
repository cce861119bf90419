// Makes IVI engine bindings, so that their users can be given other ones.
#pragma once

#include <memory>

#include "ivi/IviWrapperInterface.h"

namespace miivi {

class IviWrapperFactoryInterface {
 public:
  virtual ~IviWrapperFactoryInterface() = default;
  // A new binding for `session`, owned by the caller.
  virtual std::unique_ptr<IviWrapperInterface> createBinding(ViSession session) const = 0;
};

class IviWrapperFactory : public IviWrapperFactoryInterface {
 public:
  std::unique_ptr<IviWrapperInterface> createBinding(ViSession session) const override;
};

}  // namespace miivi
