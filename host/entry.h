// The plug-in's exported entry point. Hosts find it by the name the
// property list gives ("ENTRYPOINT") and call it with C linkage and the C
// calling convention for every selector.
#pragma once

#include <cstdint>

#include "interface/pluginapi.h"

#if defined(_WIN32)
#define PXB_EXPORT __declspec(dllexport)
#else
#define PXB_EXPORT __attribute__((visibility("default")))
#endif

// selector: one of the six filter selectors. record: the FilterRecord, or
// for the about selector the AboutRecord. data: the slot the host keeps for
// the plug-in between calls (it holds the parameter block's handle).
// result: the host's result word, 0 on entry.
extern "C" PXB_EXPORT void PXB_CDECL ENTRYPOINT(std::int16_t selector, void* record,
                                                std::intptr_t* data, std::int16_t* result);
