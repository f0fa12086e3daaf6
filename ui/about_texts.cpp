// The About dialog's caption and title line (about_texts.h).

#include "about_texts.h"

#include "texts.h"

std::wstring AboutCaption(std::wstring_view title)
{
    std::wstring caption = texts::kAboutCaptionBefore;
    caption += title;
    return caption;
}

std::wstring AboutTitleLine(std::wstring_view title, short major, short minor)
{
    std::wstring line(title);
    line += texts::kAboutVersionBefore;
    line += std::to_wstring(major);
    line += L'.';
    line += std::to_wstring(minor);
    return line;
}
