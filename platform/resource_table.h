// The table of embedded resources, generated at build time from the files under resources/.
#pragma once

#include <cstddef>
#include <cstdint>

// Type is "BITMAP", "WAVE" or "RCDATA"; a resource is named by text (name set, id -1) or by a
// number (name null).
struct ResourceEntry {
    const char* type;
    const char* name;
    int id;
    const std::uint8_t* data;
    std::size_t size;
};

extern const ResourceEntry EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;
