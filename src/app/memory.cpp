// The program's own operator new and delete: plain malloc and free, and no exception
// when memory runs out (the program ends instead, as it throws nothing). Without
// these, the C++ library's versions bring its whole exception machinery into
// setup.exe, several times the size of the program's own code.
#include <stdlib.h>

#include <new>

void* operator new(size_t size) {
    void* block = malloc(size != 0 ? size : 1);
    if (block == nullptr) abort();
    return block;
}

void operator delete(void* block) noexcept {
    free(block);
}

void operator delete(void* block, size_t) noexcept {
    free(block);
}
