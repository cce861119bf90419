#include "ivi/IviWrapperFactory.h"

#include "ivi/IviWrapper.h"

namespace miivi {

std::unique_ptr<IviWrapperInterface> IviWrapperFactory::createBinding(ViSession session) const {
  return std::make_unique<IviWrapper>(session);
}

}  // namespace miivi
