// Private base that forbids copying; it carries no data.
#pragma once

namespace vo {
namespace no_adl {

class noncopyable {
 protected:
  noncopyable() = default;
  ~noncopyable() = default;

 public:
  noncopyable(const noncopyable&) = delete;
  noncopyable& operator=(const noncopyable&) = delete;
};

}  // namespace no_adl
}  // namespace vo
