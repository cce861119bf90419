# Helpers shared by the product, the stand-ins and the tests.

# tovik_test(<name> SOURCES ... [LINK ...] [LABELS ...] [ENV ...] [WRAPPER ...]
#            [ARGS ...] [TIMEOUT s])
# One GoogleTest program, registered with CTest as one test. Tests labelled
# "concurrency" are also collected into the target concurrency_tests, which
# the ThreadSanitizer run builds and runs.
function(tovik_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LINK;LABELS;ENV;WRAPPER;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${TOVIK_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LINK} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${T_WRAPPER} $<TARGET_FILE:${name}> ${T_ARGS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    if("concurrency" IN_LIST T_LABELS)
      set_property(GLOBAL APPEND PROPERTY TOVIK_CONCURRENCY_TESTS ${name})
    endif()
  endif()
  if(T_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
endfunction()

# tovik_library(<subsystem> SOURCES ... [DEPS ...] [EXTERNAL ...])
# Builds tovik_<subsystem>: a static library of PIC, hidden-visibility
# objects that libtovik.so.1 takes whole. DEPS are other subsystems
# (without the prefix), EXTERNAL other link libraries. Every source gets its
# bare file name as TOVIK_SOURCE_NAME for its raise sites.
function(tovik_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;EXTERNAL" ${ARGN})
  set(target tovik_${name})
  add_library(${target} STATIC ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src ${TOVIK_GENERATED_DIR})
  target_compile_options(${target} PRIVATE ${TOVIK_WARNINGS} ${TOVIK_INSTRUMENT})
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  foreach(dep ${L_DEPS})
    target_link_libraries(${target} PUBLIC tovik_${dep})
  endforeach()
  # The public headers and the platform's interfaces (platform/), never the
  # stand-ins' folders.
  target_link_libraries(${target} PUBLIC tovik_platform_interfaces ${L_EXTERNAL} Threads::Threads
                        ${CMAKE_DL_LIBS})
  get_target_property(sources ${target} SOURCES)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    set_property(SOURCE ${src} APPEND PROPERTY COMPILE_DEFINITIONS "TOVIK_SOURCE_NAME=\"${stem}\"")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TOVIK_LIBRARIES ${target})
endfunction()
