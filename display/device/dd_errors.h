// Result codes of the display objects, with their classic values, and their names for the trace.
#pragma once

#include <cstdint>

// Codes of the display family: the facility 0x876 with the error bit set.
constexpr std::uint32_t MakeDisplayResult(std::uint32_t code) { return 0x88760000u | code; }

constexpr std::uint32_t DD_OK = 0;
constexpr std::uint32_t E_NOTIMPL = 0x80004001u;
constexpr std::uint32_t E_FAIL = 0x80004005u;
constexpr std::uint32_t E_INVALIDARG = 0x80070057u;
constexpr std::uint32_t E_OUTOFMEMORY = 0x8007000Eu;

constexpr std::uint32_t DDERR_GENERIC = E_FAIL;
constexpr std::uint32_t DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr std::uint32_t DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr std::uint32_t DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr std::uint32_t DDERR_INVALIDMODE = MakeDisplayResult(120);
constexpr std::uint32_t DDERR_INVALIDOBJECT = MakeDisplayResult(130);
constexpr std::uint32_t DDERR_INVALIDRECT = MakeDisplayResult(150);
constexpr std::uint32_t DDERR_NOEXCLUSIVEMODE = MakeDisplayResult(225);
constexpr std::uint32_t DDERR_NODIRECTDRAWHW = MakeDisplayResult(563);
constexpr std::uint32_t DDERR_NOTFLIPPABLE = MakeDisplayResult(582);
constexpr std::uint32_t DDERR_NODC = MakeDisplayResult(586);
constexpr std::uint32_t DDERR_OUTOFVIDEOMEMORY = MakeDisplayResult(380);
constexpr std::uint32_t DDERR_SURFACEBUSY = MakeDisplayResult(430);
constexpr std::uint32_t DDERR_SURFACELOST = MakeDisplayResult(450);
constexpr std::uint32_t DDERR_WASSTILLDRAWING = MakeDisplayResult(540);
constexpr std::uint32_t DDERR_WRONGMODE = MakeDisplayResult(587);
constexpr std::uint32_t DDERR_INVALIDSURFACETYPE = MakeDisplayResult(592);
constexpr std::uint32_t DDERR_DCALREADYCREATED = MakeDisplayResult(620);

// The name of a code ("DD_OK", "DDERR_SURFACELOST", "Unknown Error" for codes we do not know).
const char* DDErrorName(std::uint32_t code);
// 0 for DD_OK, 1 to 107 for the known codes in the alphabetical order of their names, 108 else.
int DDErrorNumber(std::uint32_t code);
