// What the web build's C++ library (Emscripten 3.1.6's libc++) lacks of C++20 that the game uses,
// given to every source of the web build ahead of its own includes.
#pragma once

#include <memory>
#include <type_traits>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000
namespace std {

// An array of T left default-initialised, as the standard's make_unique_for_overwrite<T[]>.
template <class T>
requires is_unbounded_array_v<T> unique_ptr<T> make_unique_for_overwrite(size_t count) {
    return unique_ptr<T>(new remove_extent_t<T>[count]);
}

}  // namespace std
#endif
