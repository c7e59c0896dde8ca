// Keeps exceptions (in practice, failed allocations) inside the image library: its
// operations answer false with a message instead.
#pragma once

#include <exception>
#include <new>
#include <string>

namespace Tam::Gfx::detail {

template <class Body> bool noThrow(std::string* error, Body&& body) noexcept {
    const char* why;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    } catch (const std::exception& e) {
        why = e.what();
    } catch (...) {
        why = "unexpected failure";
    }
    if (error) {
        try {
            *error = why;
        } catch (...) {
            error->clear();
        }
    }
    return false;
}

} // namespace Tam::Gfx::detail
