# One INTERFACE target that carries the language standard and the warning set for every target.
add_library(threadwick_common INTERFACE)
target_compile_features(threadwick_common INTERFACE cxx_std_20)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
# The stricter set the code is kept free of; CI builds with warnings as errors.
target_compile_options(threadwick_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wold-style-cast
  -Woverloaded-virtual -Wnon-virtual-dtor)
# CI builds with warnings as errors, so that a warning cannot land; a user's build only warns.
option(THREADWICK_WERROR "Treat compiler warnings as errors" OFF)
if(THREADWICK_WERROR)
  target_compile_options(threadwick_common INTERFACE -Werror)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer for every target (make test-sanitize). Undefined
# behaviour stops the program, so that a finding fails its test instead of scrolling past.
option(THREADWICK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(THREADWICK_SANITIZE)
  target_compile_options(threadwick_common INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(threadwick_common INTERFACE -fsanitize=address,undefined)
endif()

# libFuzzer instrumentation for every library, with the sanitizers (make fuzz; clang only). The fuzz
# targets in fuzz/ link the fuzzer's own main.
option(THREADWICK_FUZZ "Build the libFuzzer targets in fuzz/ (clang)" OFF)
if(THREADWICK_FUZZ)
  target_compile_options(threadwick_common INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(threadwick_common INTERFACE -fsanitize=address,undefined)
endif()
