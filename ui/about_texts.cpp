#include "about_texts.h"

std::wstring AboutCaption(std::wstring_view title)
{
    std::wstring caption = L"Despre ";
    caption += title;
    return caption;
}

std::wstring AboutTitleLine(std::wstring_view title, short major, short minor)
{
    std::wstring line(title);
    line += L" versiunea ";
    line += std::to_wstring(major);
    line += L'.';
    line += std::to_wstring(minor);
    return line;
}
