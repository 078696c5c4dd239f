// Helpers private to the projectile files: the intrusive lists of shot objects, and making one
// without letting a failed allocation escape.
#pragma once

#include <new>
#include <utility>

namespace projectiles {

// A new object, or null when there is no memory for it: such an object is simply not made.
template <class T, class... Args>
T* TryNew(Args&&... args) noexcept {
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Lists of objects with next and prev links; every insertion is at the head.
template <class T>
void LinkAtHead(T*& head, T* item) {
    item->prev = nullptr;
    item->next = head;
    if (head) head->prev = item;
    head = item;
}

template <class T>
void Unlink(T*& head, T* item) {
    if (item->prev)
        item->prev->next = item->next;
    else
        head = item->next;
    if (item->next) item->next->prev = item->prev;
    item->next = nullptr;
    item->prev = nullptr;
}

template <class T>
void DestroyAll(T*& head) {
    while (head) {
        T* next = head->next;
        delete head;
        head = next;
    }
}

}  // namespace projectiles
