// Counts the calling thread's operator new calls. Include it in exactly one
// source file of a test program: it replaces the global allocation functions.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace testing_support {
inline thread_local long allocations = 0;
}  // namespace testing_support

void* operator new(std::size_t size) {
  ++testing_support::allocations;
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
