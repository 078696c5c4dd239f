// Finding the game's embedded data tables.
#include "core/data_resource.h"

#include "core/globals.h"
#include "diag/diag.h"
#include "platform/resource.h"

bool LoadDataResource(int id, std::uint32_t expectedSize, const void** data) {
    DIAG_SCOPE("main");
    *data = nullptr;
    HRSRC resource = FindResourceA(AppInstance, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (!resource) {
        DiagLastError();
        return false;
    }
    if (SizeofResource(AppInstance, resource) != expectedSize) return false;
    HGLOBAL loaded = LoadResource(AppInstance, resource);
    if (!loaded) {
        DiagLastError();
        return false;
    }
    *data = LockResource(loaded);
    return *data != nullptr;
}
