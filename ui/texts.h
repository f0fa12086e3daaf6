// Every text the program shows, in Romanian: the windows' captions and
// labels, the drive browser's words and its messages.
#pragma once

namespace texts {

// The drive browser.
inline constexpr wchar_t kSearchButton[] = L"Cauta Drive";
inline constexpr wchar_t kAboutButton[] = L"Despre program";
inline constexpr wchar_t kTrackListCaption[] = L"Lista Track-uri";
inline constexpr wchar_t kDriveListCaption[] = L"Lista Drive-uri";

// A drive line: this, the drive's letter, ": " and the text of its type.
inline constexpr wchar_t kDriveLineBefore[] = L"Drive ";

// The drive types, by the service's code 0 to 5.
inline constexpr const wchar_t* kDriveTypes[] = {
    L"Tip necunoscut", L"Drive removabil", L"Disc Fix", L"Disc Remote", L"CDROM", L"Disc RAM",
};

// The captions column of a drive's details, each with its trailing blank.
inline constexpr const wchar_t* kDetailsCaptions[] = {
    L"Specificatii Drive ", L"Spatiul Liber: ", L"Sistem de Fisiere: ",
    L"Numar Serial: ",      L"Spatiul Total: ", L"Nume Volum: ",
};

// After a size in whole megabytes in the values column.
inline constexpr wchar_t kMegabytes[] = L" MB";
// A track line: this, the track's number, two tabs and its length.
inline constexpr wchar_t kTrackLineBefore[] = L"Track";

inline constexpr wchar_t kNotReady[] = L"Drive-ul nu este accesibil";
// The item of the lists' menu.
inline constexpr wchar_t kCopyMenuItem[] = L"&Copiaza\tCtrl+C";

// What failed, at the head of the message that reports a failed call.
inline constexpr wchar_t kServiceFailed[] = L"Serviciul de informatii despre drive-uri nu a putut fi pornit.";
inline constexpr wchar_t kDrivesFailed[] = L"Lista drive-urilor nu a putut fi citita.";
inline constexpr wchar_t kDrivesIncomplete[] = L"Lista drive-urilor nu a putut fi citita complet.";
inline constexpr wchar_t kDriveLetterFailed[] = L"Litera drive-ului nu a putut fi citita.";
inline constexpr wchar_t kDriveTypeFailed[] = L"Tipul drive-ului nu a putut fi citit.";
inline constexpr wchar_t kAddDriveFailed[] = L"Drive-ul nu a putut fi adaugat in lista.";
inline constexpr wchar_t kGetDriveFailed[] = L"Drive-ul nu a putut fi gasit.";
inline constexpr wchar_t kReadyFailed[] = L"Nu se poate afla daca drive-ul este pregatit.";
inline constexpr wchar_t kDetailsFailed[] = L"Specificatiile drive-ului nu au putut fi citite.";
inline constexpr wchar_t kShowDetailsFailed[] = L"Specificatiile drive-ului nu au putut fi afisate.";
inline constexpr wchar_t kCdVisibleFailed[] = L"Controlul CD nu a putut fi afisat sau ascuns.";
inline constexpr wchar_t kCdDriveFailed[] = L"Controlul CD nu a putut fi indreptat spre drive.";
inline constexpr wchar_t kTrackCountFailed[] = L"Numarul de track-uri nu a putut fi citit.";
inline constexpr wchar_t kTrackLengthFailed[] = L"Durata track-ului nu a putut fi citita.";
inline constexpr wchar_t kAddTrackFailed[] = L"Track-ul nu a putut fi adaugat in lista.";
inline constexpr wchar_t kAboutFailed[] = L"Fereastra Despre program nu a putut fi deschisa.";
inline constexpr wchar_t kLayoutFailed[] = L"Controlul CD nu a putut fi asezat pe fereastra.";
inline constexpr wchar_t kOutOfMemory[] = L"Memoria nu ajunge.";
inline constexpr wchar_t kUnexpected[] = L"Eroare neasteptata.";
// Then the platform's own message, and this before the status's code.
inline constexpr wchar_t kErrorCode[] = L"Cod de eroare: ";

// Start-up, before the window exists.
inline constexpr wchar_t kComFailed[] = L"Componentele COM ale sistemului nu au putut fi pornite.";
inline constexpr wchar_t kWindowFailed[] = L"Fereastra principala nu a putut fi creata.";
// Around the full path of the CD control's DLL.
inline constexpr wchar_t kCdControlMissingBefore[] = L"Controlul CD nu poate fi incarcat: fisierul ";
inline constexpr wchar_t kCdControlMissingAfter[] = L" lipseste sau nu este cel potrivit.";
inline constexpr wchar_t kCdControlForeignAfter[] = L" nu este controlul CD livrat cu acest program.";

// The About dialog. The stored caption and title line are replaced before
// the dialog shows.
inline constexpr wchar_t kAboutStoredCaption[] = L"Despre aplicatie";
inline constexpr wchar_t kAboutStoredTitleLine[] = L"Cauta Drive versiunea 1.0";
inline constexpr wchar_t kAboutCaptionBefore[] = L"Despre ";
inline constexpr wchar_t kAboutVersionBefore[] = L" versiunea ";
inline constexpr wchar_t kDisclaimer[] =
    L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi Zuzaziduzov ed "
    L"Ovavederovareza din cadrul Universitatii Brandavel.";
inline constexpr wchar_t kOK[] = L"OK";

}  // namespace texts
