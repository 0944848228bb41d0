// The one place a COM method stops exceptions: none may unwind into a caller
// that knows only HRESULTs (Explorer ends on one).
#pragma once
#include <windows.h>

#include <new>

template <typename Body>
HRESULT ComWall(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
