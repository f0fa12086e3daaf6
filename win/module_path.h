// The full path of a loaded module.

#pragma once

#include <windows.h>

#include <string>

// The full path of a loaded module (null: the program), however long; empty
// when it cannot be read.
std::wstring ModulePath(HMODULE module);
