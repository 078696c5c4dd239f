// Resources embedded in the program at build time: pictures, sounds and data tables.
//
// Lookups follow the usual resource calls: a resource has a type (RT_BITMAP, RT_RCDATA or the
// string type "WAVE") and a name that is either a text ("IDB_TITLESCREEN") or a small number made
// with MAKEINTRESOURCEA. Resource bytes are read-only and live for the whole run.
#pragma once

#include "platform/win.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct ResourceEntry;
using HRSRC = const ResourceEntry*;
using HGLOBAL = const ResourceEntry*;

inline const char* MAKEINTRESOURCEA(int id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id)));
}
inline bool IS_INTRESOURCE(const char* name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

inline const char* const RT_BITMAP = MAKEINTRESOURCEA(2);
inline const char* const RT_RCDATA = MAKEINTRESOURCEA(10);
inline const char* const RT_WAVE = "WAVE";

// Null (and GetLastError set) when there is no such resource.
HRSRC FindResourceA(HINSTANCE module, const char* name, const char* type);
DWORD SizeofResource(HINSTANCE module, HRSRC resource);
HGLOBAL LoadResource(HINSTANCE module, HRSRC resource);
const void* LockResource(HGLOBAL loaded);

// Tests and tools: replace the bytes of a resource (or hide it, with a null span and hide set)
// until ResourceClearOverrides. The bytes are copied.
void ResourceOverride(const char* type, const char* name, std::span<const std::uint8_t> bytes,
                      bool hide = false);
void ResourceClearOverrides();
