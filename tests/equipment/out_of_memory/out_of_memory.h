// Test equipment that plays memory running out: the global operator new of
// a test program that links out_of_memory.cpp fails every allocation of the
// thread named here.

#pragma once

#include <windows.h>

#include <atomic>

// The thread whose every allocation throws std::bad_alloc; 0 for none.
extern std::atomic<DWORD> threadOutOfMemory;
