# 32-bit x86 Linux with the build machine's own compiler and its multilib
# support (g++-multilib): the same 4-byte pointers, integer widths and SSE2
# arithmetic as the 32-bit Windows plug-in, in programs that run right here.
# The build machine executes them, so this is not set up as a cross build:
# tests are discovered and pxres is run as in the native build.
#
# There are no 32-bit libpng, libjpeg or GoogleTest libraries here: images go
# through the stb headers and GoogleTest is compiled from its Debian sources
# (see tests/CMakeLists.txt). Benchmarks and fuzzers are left out.
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(PXB_STB_IMAGES ON CACHE BOOL "Read and write images through the stb headers")
set(PXB_BENCH OFF CACHE BOOL "Build the benchmarks")
set(PXB_FUZZ OFF CACHE BOOL "Build the libFuzzer targets (clang only)")
# GIMP and its libraries are installed for the machine's own 64-bit
# architecture only.
set(PXB_GIMP OFF CACHE BOOL "Build the GIMP plug-in when libgimp is found")
