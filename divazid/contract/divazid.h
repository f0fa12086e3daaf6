// What a host of the Divazid CD information control relies on: its members,
// its saved state and its window. Plain C++, shared with the control itself.
#pragma once

// The control is created through DllGetClassObject of Divazid.dll, from the
// class "VAdaveve" of the type library (registration) the host refers to.

// Members of the control's automation interface, called through IDispatch.
constexpr long kDispidTrackLength = 1;          // (VT_I2 | VT_BYREF track number) -> seconds
constexpr long kDispidDrive = 2;                // property: drive letter whose disc is read
constexpr long kDispidTrackCount = 0x60020005;  // () -> number of tracks

// The saved state that IPersistStreamInit::Save writes and Load reads back
// (a new control starts from InitNew): three 32-bit little-endian values,
// the format version and the control's width and height in hundredths of a
// millimetre.
constexpr unsigned long kSavedStateVersion = 0x300;
constexpr unsigned long kSavedStateSize = 12;

// The window class of the control's in-place window. Its window text is the
// summary the control shows under its emblem: the disc's number of tracks
// and its playing time, one per line (separated by LF); empty without tracks.
#define DIVAZID_WINDOW_CLASS L"VAdaveve"
