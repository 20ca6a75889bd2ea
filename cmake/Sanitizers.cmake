# Instrumentation applied to every target of the build, so that a report in
# any library stops the program that triggered it.
#
#   SHMD_SANITIZE=address,undefined   memory errors, leaks and undefined behaviour
#   SHMD_SANITIZE=thread              data races (cannot be combined with address)
#   SHMD_BUILD_FUZZ=ON                libFuzzer's coverage feedback on top of
#                                     address,undefined (clang only); the fuzzers
#                                     link the libFuzzer driver themselves
#
# Every report is fatal (-fno-sanitize-recover=all): a test or fuzz input that
# triggers one fails instead of printing and passing.
set(SHMD_SANITIZE "" CACHE STRING
    "Sanitizers for every target, as for -fsanitize= (address,undefined or thread; empty: none)")

if(SHMD_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SHMD_BUILD_FUZZ needs clang++ (libFuzzer)")
  endif()
  if(SHMD_SANITIZE STREQUAL "")
    set(SHMD_SANITIZE address,undefined)
  elseif(NOT SHMD_SANITIZE MATCHES "address")
    message(FATAL_ERROR "SHMD_BUILD_FUZZ runs under AddressSanitizer; SHMD_SANITIZE=${SHMD_SANITIZE} lacks it")
  endif()
endif()

if(NOT SHMD_SANITIZE STREQUAL "")
  add_compile_options(-fsanitize=${SHMD_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${SHMD_SANITIZE})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Instrumented code defeats g++'s flow analysis: it reports members of
    # standard-library objects (std::function inside std::regex) as maybe
    # uninitialised. The uninstrumented build keeps the warning as an error.
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

if(SHMD_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
