// Lookup of the embedded resources by type and name or number, with test overrides.
#include "platform/resource.h"

#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "platform/resource_table.h"

namespace {

// A replaced resource: its own copy of the bytes, or hidden altogether.
struct Override {
    std::string type;
    std::string name;
    int id;
    bool hidden;
    std::vector<std::uint8_t> bytes;
    ResourceEntry entry;
};

std::list<Override> Overrides;

// The table's name for a resource type given as a number or a text.
std::string TypeName(const char* type) {
    if (type == RT_BITMAP) return "BITMAP";
    if (type == RT_RCDATA) return "RCDATA";
    if (IS_INTRESOURCE(type)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(type));
    return type;
}

bool NameMatches(const char* name, const char* entryName, int entryId) {
    if (IS_INTRESOURCE(name))
        return !entryName && entryId == static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    return entryName && std::strcmp(name, entryName) == 0;
}

}  // namespace

HRSRC FindResourceA(HINSTANCE, const char* name, const char* type) {
    if (!name || !type) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // The newest override of this resource wins over the embedded bytes.
    std::string typeName = TypeName(type);
    for (const Override& o : Overrides) {
        if (o.type != typeName || !NameMatches(name, o.name.empty() ? nullptr : o.name.c_str(), o.id))
            continue;
        if (!o.hidden) return &o.entry;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (std::size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const ResourceEntry& e = EmbeddedResources[i];
        if (typeName != e.type) continue;
        typeSeen = true;
        if (NameMatches(name, e.name, e.id)) return &e;
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) { return resource ? static_cast<DWORD>(resource->size) : 0; }

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) {
    if (!resource) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return resource;
}

const void* LockResource(HGLOBAL loaded) { return loaded ? loaded->data : nullptr; }

void ResourceOverride(const char* type, const char* name, std::span<const std::uint8_t> bytes, bool hide) {
    Override& o = Overrides.emplace_front();
    o.type = TypeName(type);
    o.name = IS_INTRESOURCE(name) ? "" : name;
    o.id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<std::uintptr_t>(name)) : -1;
    o.hidden = hide;
    o.bytes.assign(bytes.begin(), bytes.end());
    o.entry = ResourceEntry{nullptr, nullptr, o.id, o.bytes.data(), o.bytes.size()};
}

void ResourceClearOverrides() { Overrides.clear(); }
