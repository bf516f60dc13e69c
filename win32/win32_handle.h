#pragma once

// Owners for Win32 handles, so that every path out of a function releases them.

#include <windows.h>

namespace kestrow {

// Traits name the handle type, the value that means "none", and how to release one.
template <typename Traits> class UniqueHandle {
    using Handle = typename Traits::Handle;
    static Handle Invalid() { return Traits::Invalid(); }

public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    bool IsValid() const { return handle_ != Invalid(); }
    Handle Release() {
        Handle handle = handle_;
        handle_ = Invalid();
        return handle;
    }
    void Reset(Handle handle = Invalid()) {
        if (handle_ != Invalid()) {
            Traits::Close(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_ = Invalid();
};

namespace detail {
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};
// CreateFileW fails with INVALID_HANDLE_VALUE where most other calls return null.
struct FileHandleTraits : KernelHandleTraits {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
};
struct FindHandleTraits : FileHandleTraits {
    static void Close(Handle handle) { ::FindClose(handle); }
};
struct MappedViewTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle view) { ::UnmapViewOfFile(view); }
};
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle memory) { ::LocalFree(memory); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle memory) { ::GlobalFree(memory); }
};
// For device contexts made with CreateDC or CreateCompatibleDC or returned by the print
// dialog, not GetDC.
struct CreatedDeviceContextTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle context) { ::DeleteDC(context); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle library) { ::FreeLibrary(library); }
};
struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle window) { ::DestroyWindow(window); }
};
// Icons made by LoadImage without LR_SHARED belong to their loader.
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle icon) { ::DestroyIcon(icon); }
};
struct BitmapTraits {
    using Handle = HBITMAP;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle bitmap) { ::DeleteObject(bitmap); }
};
struct FontTraits {
    using Handle = HFONT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle font) { ::DeleteObject(font); }
};
struct WindowsHookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle hook) { ::UnhookWindowsHookEx(hook); }
};
// A thread is waited for before its handle goes, so that nothing it uses can go before it.
struct JoinedThreadTraits : KernelHandleTraits {
    static void Close(Handle thread) {
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    }
};
} // namespace detail

using KernelHandle = UniqueHandle<detail::KernelHandleTraits>;
using FileHandle = UniqueHandle<detail::FileHandleTraits>;
using FindHandle = UniqueHandle<detail::FindHandleTraits>;
using MappedView = UniqueHandle<detail::MappedViewTraits>;
using LocalMemory = UniqueHandle<detail::LocalMemoryTraits>;
using GlobalMemory = UniqueHandle<detail::GlobalMemoryTraits>;
using CreatedDeviceContext = UniqueHandle<detail::CreatedDeviceContextTraits>;
using Library = UniqueHandle<detail::LibraryTraits>;
using Window = UniqueHandle<detail::WindowTraits>;
using Icon = UniqueHandle<detail::IconTraits>;
using Bitmap = UniqueHandle<detail::BitmapTraits>;
using Font = UniqueHandle<detail::FontTraits>;
using WindowsHook = UniqueHandle<detail::WindowsHookTraits>;
using JoinedThread = UniqueHandle<detail::JoinedThreadTraits>;

// A window's device context from GetDC (null: the screen's), given back when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A font, pen or brush selected into a device context for a while; the one it replaced is
// selected again when it goes. The object itself stays its owner's.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc),
          previous_(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_ != nullptr) {
            ::SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace kestrow
