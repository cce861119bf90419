// Time budgets of the size tests, scaled for builds that run slower.
#pragma once

namespace toggles_test {

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
constexpr double kSlowdown = 1.0;
#else
constexpr double kSlowdown = 5.0;  // unoptimised or instrumented
#endif

}  // namespace toggles_test
