// Compiled with -fsyntax-only for each target: the layout assertions in the
// headers must hold, and the entry point must have the type hosts call.

#include "interface/parameter_block.h"
#include "interface/pluginapi.h"

#ifndef PXB_EXPECT_POINTER_SIZE
#error "define PXB_EXPECT_POINTER_SIZE to the target's pointer size"
#endif

// Make sure the compiler really targets what the test claims, so the
// assertions above were checked for the intended pointer size.
static_assert(sizeof(void*) == PXB_EXPECT_POINTER_SIZE);
static_assert(sizeof(std::intptr_t) == PXB_EXPECT_POINTER_SIZE);

#if defined(_WIN32)
#define PXB_EXPORT __declspec(dllexport)
#else
#define PXB_EXPORT
#endif

extern "C" PXB_EXPORT void PXB_CDECL ENTRYPOINT(std::int16_t selector, void* record,
                                                std::intptr_t* data, std::int16_t* result);

// Fails to convert if the entry and the host's pointer type disagree on the
// calling convention (cdecl on 32-bit Windows).
[[maybe_unused]] constexpr pxb::api::PluginEntryProc kEntry = &ENTRYPOINT;
