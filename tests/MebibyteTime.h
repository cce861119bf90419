// How long a parser may take for 1 MiB of input: well under a second in an
// optimised build. The sanitizer builds run unoptimised and instrumented.
// A quadratic parse needs minutes either way.
#pragma once

namespace test_limits {

#ifdef NDEBUG
constexpr double kMebibyteSeconds = 0.5;
#else
constexpr double kMebibyteSeconds = 2.5;
#endif

}  // namespace test_limits
