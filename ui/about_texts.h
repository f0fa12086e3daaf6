// The texts the About dialog composes from the application identity. No
// window is needed for any of them.
#pragma once

#include <string>
#include <string_view>

// The title bar: "Despre " and the application title.
std::wstring AboutCaption(std::wstring_view title);

// The title line: the title, " versiunea ", then major "." minor, each number
// in plain decimal ("1.0", never "1.00").
std::wstring AboutTitleLine(std::wstring_view title, short major, short minor);
