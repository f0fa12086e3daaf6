// Drive letters as the system names drives.

#pragma once

// A drive letter as the system names drives: a lower-case letter in upper
// case, anything else as it is.
constexpr wchar_t UpperDriveLetter(wchar_t letter)
{
    return letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
}
