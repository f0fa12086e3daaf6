// Every text the CD control shows, in Romanian: the summary under its emblem.
#pragma once

namespace texts {

inline constexpr wchar_t kTrackCount[] = L"Track-uri: ";
inline constexpr wchar_t kDuration[] = L"Durata: ";

}  // namespace texts
