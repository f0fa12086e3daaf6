// The replaced global operator new and delete of out_of_memory.h: on the
// process heap, which the compiler does not take for a mismatch, and failing
// for the thread named. A replacement may not be inline, hence a file of its own.

#include "out_of_memory.h"

#include <new>

std::atomic<DWORD> threadOutOfMemory{0};

void* operator new(std::size_t size)
{
    if (GetCurrentThreadId() == threadOutOfMemory.load())
        throw std::bad_alloc();
    if (void* memory = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    HeapFree(GetProcessHeap(), 0, memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    HeapFree(GetProcessHeap(), 0, memory);
}
