// RAII owners for the Win32 handle kinds the installer takes: each closes its
// handle exactly once, on whatever way out the owning scope takes.
#pragma once

#include <windows.h>
#include <tlhelp32.h>
#include <utility>

namespace zrl {

// Owns one handle value; Traits says what "no handle" is and how to close one.
template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept : value_(Traits::Invalid()) {}
    explicit UniqueResource(Value value) noexcept : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Value Get() const noexcept { return value_; }
    bool Valid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // Gives up ownership without closing.
    Value Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void Reset(Value value = Traits::Invalid()) noexcept {
        Value old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // For APIs that fill a handle through a pointer: closes the current one first.
    Value* Put() noexcept { Reset(); return &value_; }

private:
    Value value_;
};

// Kernel objects whose "none" is NULL: processes, threads, mutexes, tokens.
struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value h) noexcept { ::CloseHandle(h); }
};

// Kernel objects whose "none" is INVALID_HANDLE_VALUE: files, Toolhelp snapshots.
struct FileHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value h) noexcept { ::FindClose(h); }
};

struct RegKeyTraits {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value h) noexcept { ::RegCloseKey(h); }
};

struct ModuleTraits {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value h) noexcept { ::FreeLibrary(h); }
};

struct ResourceDataTraits {
    using Value = HGLOBAL;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value h) noexcept { ::FreeResource(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegKey = UniqueResource<RegKeyTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueResourceData = UniqueResource<ResourceDataTraits>;

// Runs a callable when the scope ends (for clean-ups that are no handle).
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
    ~ScopeExit() { if (armed_) f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Dismiss() noexcept { armed_ = false; }
private:
    F f_;
    bool armed_ = true;
};

} // namespace zrl
