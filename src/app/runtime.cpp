// The little of a C and C++ runtime that the program's executables need, on KERNEL32
// alone: the process entry, memory from the process heap, the memory and string
// primitives the compiler and the program call, and operator new and delete.
//
// Windows 95 as first shipped has no msvcrt.dll, and MinGW's start-up code and
// prebuilt libraries are compiled for newer processors than the 386 the program must
// run on. So setup.exe, the demo game and the DirectX stand-in link no C runtime DLL
// and no start-up code at all: this file is their whole runtime. The Win32 tests link
// the product's code with the ordinary C library instead, which is why nothing here
// may be needed by that code beyond the standard names it defines.
#include <windows.h>

#include <stddef.h>

extern "C" {

// -- Memory and strings: called by the program and emitted by the compiler ----------

void* memcpy(void* to, const void* from, size_t size) {
    char* d = static_cast<char*>(to);
    const char* s = static_cast<const char*>(from);
    while (size--) *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t size) {
    char* d = static_cast<char*>(to);
    const char* s = static_cast<const char*>(from);
    if (d < s) {
        while (size--) *d++ = *s++;
    } else {
        while (size--) d[size] = s[size];
    }
    return to;
}

void* memset(void* block, int value, size_t size) {
    unsigned char* d = static_cast<unsigned char*>(block);
    while (size--) *d++ = static_cast<unsigned char>(value);
    return block;
}

int memcmp(const void* a, const void* b, size_t size) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; size--; ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* block, int value, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(block);
    for (; size--; ++p) {
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    }
    return nullptr;
}

size_t strlen(const char* text) {
    const char* p = text;
    while (*p) ++p;
    return static_cast<size_t>(p - text);
}

char* strchr(const char* text, int c) {
    for (;; ++text) {
        if (*text == static_cast<char>(c)) return const_cast<char*>(text);
        if (*text == '\0') return nullptr;
    }
}

int strncmp(const char* a, const char* b, size_t count) {
    for (; count--; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == '\0') return 0;
    }
    return 0;
}

char* strrchr(const char* text, int c) {
    const char* last = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c)) last = text;
        if (*text == '\0') return const_cast<char*>(last);
    }
}

char* strstr(const char* text, const char* part) {
    size_t length = strlen(part);
    for (; *text != '\0'; ++text) {
        if (strncmp(text, part, length) == 0) return const_cast<char*>(text);
    }
    return length == 0 ? const_cast<char*>(text) : nullptr;
}

int strcmp(const char* a, const char* b) {
    return strncmp(a, b, static_cast<size_t>(-1));
}

// -- The heap --------------------------------------------------------------------------

void* malloc(size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

void* calloc(size_t count, size_t size) {
    if (size != 0 && count > static_cast<size_t>(-1) / size) return nullptr;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size != 0 ? count * size : 1);
}

void free(void* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

void* realloc(void* block, size_t size) {
    if (block == nullptr) return malloc(size);
    return HeapReAlloc(GetProcessHeap(), 0, block, size != 0 ? size : 1);
}

// A call of a pure virtual function: a fault of the program itself.
void __cxa_pure_virtual() {
    ExitProcess(3);
}

}  // extern "C"

// No exception when memory runs out: the program throws nothing, and ends instead.
void* operator new(size_t size) {
    void* block = malloc(size);
    if (block == nullptr) ExitProcess(3);
    return block;
}

void operator delete(void* block) noexcept {
    free(block);
}

void operator delete(void* block, size_t) noexcept {
    free(block);
}
