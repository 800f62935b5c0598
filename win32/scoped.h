#pragma once
// Small owners for Windows resources: each frees what it holds exactly once.
#include <windows.h>
#include <objbase.h>

#include <utility>

#include "win32/com_ptr.h"

namespace rw::win {

template <class T, class Traits> class Scoped {
public:
    Scoped() = default;
    explicit Scoped(T value) : value_(value) {}
    ~Scoped() { Reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : value_(other.Release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    T Get() const { return value_; }
    // For out-parameters: frees the current value first.
    T* Put() {
        Reset();
        return &value_;
    }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    T Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(T value = Traits::Invalid()) {
        if (value_ != Traits::Invalid()) {
            Traits::Free(value_);
        }
        value_ = value;
    }

private:
    T value_ = Traits::Invalid();
};

// Kernel objects whose "none" is null: processes, threads, events, mappings.
struct HandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Free(HANDLE h) { ::CloseHandle(h); }
};
// Files, whose "none" is INVALID_HANDLE_VALUE.
struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { ::CloseHandle(h); }
};
// File searches of FindFirstFile.
struct FindTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { ::FindClose(h); }
};
struct GdiTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static void Free(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    static HDC Invalid() { return nullptr; }
    static void Free(HDC h) { DeleteDC(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Free(HKEY h) { RegCloseKey(h); }
};
struct GlobalTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static void Free(HGLOBAL h) { GlobalFree(h); }
};

struct MetafileTraits {
    static HMETAFILE Invalid() { return nullptr; }
    static void Free(HMETAFILE h) { ::DeleteMetaFile(h); }
};

using ScopedHandle = Scoped<HANDLE, HandleTraits>;
using ScopedFile = Scoped<HANDLE, FileTraits>;
using ScopedFind = Scoped<HANDLE, FindTraits>;
using ScopedGdiObject = Scoped<HGDIOBJ, GdiTraits>;
using ScopedMemoryDc = Scoped<HDC, MemoryDcTraits>;
using ScopedRegKey = Scoped<HKEY, RegKeyTraits>;
using ScopedGlobal = Scoped<HGLOBAL, GlobalTraits>;
using ScopedMetafile = Scoped<HMETAFILE, MetafileTraits>;

// A locked global memory block; unlocks on destruction.
template <class T> class GlobalLockPtr {
public:
    explicit GlobalLockPtr(HGLOBAL memory)
        : memory_(memory), data_(static_cast<T*>(GlobalLock(memory))) {}
    ~GlobalLockPtr() {
        if (data_) {
            GlobalUnlock(memory_);
        }
    }
    GlobalLockPtr(const GlobalLockPtr&) = delete;
    GlobalLockPtr& operator=(const GlobalLockPtr&) = delete;
    T* Get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    HGLOBAL memory_;
    T* data_;
};

// COM interface pointers: the one owner of win32/com_ptr.h.
template <class T> using ComPtr = rw::com::ComPtr<T>;

// COM initialised on this thread for the lifetime of the owner.
class ComApartment {
public:
    // A multithreaded apartment makes no window, so a program without one needs no desktop.
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
        : hr_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT hr_;
};

} // namespace rw::win
