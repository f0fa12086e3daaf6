// Who the program is: its title and version from its version resource, and
// its icon.
#pragma once

#include <windows.h>

#include <string>

// The application identity, read at each call from the running program's
// own version resource, so that it always agrees with what Windows shows.
HRESULT ReadApplicationTitle(std::wstring& title);
HRESULT ReadVersionNumbers(short& major, short& minor);

// The program icon at the given size in pixels, from the program's resources.
HICON LoadProgramIcon(int size);
