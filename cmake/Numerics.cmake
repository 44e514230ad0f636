# Compiler settings shared by every target.
#
# Filters are regrown from a seed and must give the same pixels on every
# platform, so floating point follows IEEE 754 to the letter: no fused
# multiply-add contraction, no fast-math reassociation, and on 32-bit x86
# the SSE2 unit instead of the x87 stack with its extended precision.

add_library(pxb_settings INTERFACE)
target_compile_features(pxb_settings INTERFACE cxx_std_20)
target_compile_options(pxb_settings INTERFACE
  -ffp-contract=off
  -fno-fast-math
  -fno-finite-math-only
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wmissing-declarations)

# GCC 12 at -O3 reports overlapping copies inside std::string's operator+
# that cannot happen (a known false alarm of that release).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(pxb_settings INTERFACE -Wno-restrict)
endif()

# A -m32 build on an x86-64 machine reports the machine's processor, so its
# pointer size tells it apart.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$"
   OR (CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$" AND CMAKE_SIZEOF_VOID_P EQUAL 4))
  target_compile_options(pxb_settings INTERFACE -msse2 -mfpmath=sse)
endif()

if(PXB_WERROR)
  target_compile_options(pxb_settings INTERFACE -Werror)
endif()

if(PXB_SANITIZE)
  target_compile_options(pxb_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  # GCC's flow analysis sees through the sanitizers' checks and warns about
  # std::function members in <regex> that are always set before use.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(pxb_settings INTERFACE -Wno-maybe-uninitialized)
  endif()
  target_link_options(pxb_settings INTERFACE -fsanitize=address,undefined)
endif()

if(PXB_FUZZ)
  # Coverage instrumentation for every library the fuzzers reach.
  target_compile_options(pxb_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()

if(PXB_TSAN)
  target_compile_options(pxb_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(pxb_settings INTERFACE -fsanitize=thread)
endif()
