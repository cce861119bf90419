# One build directory per sanitizer flavour; the flags apply to every target.
if(TOVIK_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TOVIK_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TOVIK_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TOVIK_SANITIZE must be address, thread or empty")
endif()

# A fuzz build (clang) instruments the code under test, every tovik_<subsystem>
# library, for libFuzzer's coverage feedback and checks it with
# AddressSanitizer and UndefinedBehaviorSanitizer; the harnesses link
# libFuzzer itself (fuzz/CMakeLists.txt). Only the fuzzers are built there.
set(TOVIK_INSTRUMENT "")
if(TOVIK_FUZZ)
  if(NOT TOVIK_SANITIZE STREQUAL "")
    message(FATAL_ERROR "TOVIK_FUZZ brings its own sanitizers; leave TOVIK_SANITIZE empty")
  endif()
  set(TOVIK_FUZZ_SANITIZERS address,undefined)
  set(TOVIK_INSTRUMENT -fsanitize=fuzzer-no-link,${TOVIK_FUZZ_SANITIZERS}
      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
endif()
