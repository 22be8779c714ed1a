// Owners for the handles the program opens, so that every one is released on
// every way out of the operation that acquired it.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <stdlib.h>

#include "app/bounded_format.h"

// Each owner holds one thing and releases it once: none may be copied or assigned.
class SingleOwner {
public:
    SingleOwner(const SingleOwner&) = delete;
    SingleOwner& operator=(const SingleOwner&) = delete;

protected:
    SingleOwner() = default;
    ~SingleOwner() = default;
};

// A registry key. close() reports the result of RegCloseKey, which the install
// record counts towards its own result; the destructor closes a key left open.
class RegKey : SingleOwner {
public:
    ~RegKey() { close(); }
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }
    int close() {
        if (key_ == nullptr) return 1;
        LONG status = RegCloseKey(key_);
        key_ = nullptr;
        return status == ERROR_SUCCESS ? 1 : 0;
    }

private:
    HKEY key_ = nullptr;
};

// A kernel object handle (file, thread, process, event, mapping).
class KernelHandle : SingleOwner {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() { reset(nullptr); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle;
    }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// A block from the process heap, zero-filled when it is taken and when it grows.
class HeapBlock : SingleOwner {
public:
    ~HeapBlock() { reset(); }
    // False when the heap has no room.
    bool allocate(SIZE_T size) {
        reset();
        data_ = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
        size_ = data_ != nullptr ? size : 0;
        return data_ != nullptr;
    }
    // To at least size bytes, keeping what the block holds. False when the heap has no
    // room; the block is then as it was.
    bool grow(SIZE_T size) {
        if (size <= size_) return true;
        if (data_ == nullptr) return allocate(size);
        void* grown = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, data_, size);
        if (grown == nullptr) return false;
        data_ = static_cast<BYTE*>(grown);
        size_ = size;
        return true;
    }
    void reset() {
        if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
        size_ = 0;
    }
    BYTE* get() const { return data_; }
    SIZE_T size() const { return size_; }

private:
    BYTE* data_ = nullptr;
    SIZE_T size_ = 0;
};

// A block the C library allocated for us (the WININIT.INI editor's result).
class MallocBlock : SingleOwner {
public:
    ~MallocBlock() { free(data_); }
    char** out() { return &data_; }
    const char* get() const { return data_; }

private:
    char* data_ = nullptr;
};

// A GDI object (palette, bitmap, brush).
template <typename Handle>
class GdiObject : SingleOwner {
public:
    ~GdiObject() { reset(nullptr); }
    Handle get() const { return handle_; }
    void reset(Handle handle) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

// A device context of a window's client area, or of the whole screen when the
// window is null (for a look at its capabilities).
class WindowDC : SingleOwner {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A COM interface pointer, released when it goes.
template <typename Interface>
class ComRef : SingleOwner {
public:
    ~ComRef() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    void** out() { return reinterpret_cast<void**>(&pointer_); }
    Interface** put() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// A block the shell handed out (an item list), given back to the allocator it came from: the
// shell's own (SHGetMalloc), which on Windows 95 need not be COM's task allocator.
template <typename Block>
class ShellBlock : SingleOwner {
public:
    explicit ShellBlock(IMalloc* allocator) : allocator_(allocator) {}
    ~ShellBlock() {
        if (block_ != nullptr) allocator_->Free(block_);
    }
    Block** out() { return &block_; }
    Block* get() const { return block_; }

private:
    IMalloc* allocator_;
    Block* block_ = nullptr;
};

// COM started on this thread for the owner's lifetime, in a single-threaded apartment:
// calls from other programs then arrive through this thread's message loop. A thread
// that had COM already is counted once more and given back the same.
class ComApartment : SingleOwner {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    bool started() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// A library loaded at run time, freed when it goes.
class LoadedLibrary : SingleOwner {
public:
    ~LoadedLibrary() { reset(nullptr); }
    void reset(HMODULE module) {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = module;
    }
    bool loaded() const { return module_ != nullptr; }
    // An entry point cast to its type; null when the library lacks it.
    template <typename Entry>
    Entry entry(const char* name) const {
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
};

// The current directory, saved when the guard is made and restored when it goes. One
// that does not fit the buffer is not saved, and then nothing is restored: a cut or
// empty path would move the process somewhere else.
class CurrentDirectoryGuard : SingleOwner {
public:
    CurrentDirectoryGuard() {
        DWORD length = GetCurrentDirectoryA(sizeof saved_, saved_);
        if (length == 0 || length >= sizeof saved_) saved_[0] = '\0';
    }
    ~CurrentDirectoryGuard() {
        if (saved()) SetCurrentDirectoryA(saved_);
    }
    bool saved() const { return saved_[0] != '\0'; }

private:
    char saved_[TextBufferSize] = {};
};
