// What differs between the two builds, one table each: their names, window
// class, layout in twips and the CD control they load.

#include "build_differences.h"

const BuildDifferences kTarvolo = {
    .programName = L"Tarvolo",
    .mainWindowClass = L"FormPrincipal",
    .clientArea = {6636, 5448},
    .driveList = {240, 720, 2892, 1392},
    .detailCaptions = {3360, 840, 1452, 1572},
    .detailCaptionsWordWrap = true,
    .detailValues = {4920, 840, 1332, 1572},
    .trackListCaption = {1200, 2280, 1008, 192},
    .trackList = {240, 2760, 2892, 1584},
    .cdControl = {3960, 3000, 1332, 1212},
    .aboutButton = {4320, 4680, 1452, 372},
    .searchClearsDetailsFirst = false,
    .cdControlDll = L"Divazid.dll",
    .cdControlLibId = {0x3C6112DF, 0x46D1, 0x4EDE, {0x93, 0x04, 0x8D, 0x44, 0x71, 0x27, 0xC5, 0xBA}},
    .aboutClientArea = {5736, 3564},
    .separatorHighlight = {120, 2520, 5675, 2520},
    .separatorShadow = {120, 2520, 5690, 2520},
};

const BuildDifferences kTarvolo9x = {
    .programName = L"Tarvolo9x",
    .mainWindowClass = L"Form1",
    .clientArea = {6630, 5445},
    .driveList = {240, 720, 3012, 1230},
    .detailCaptions = {3480, 840, 1215, 1575},
    .detailCaptionsWordWrap = false,
    .detailValues = {4920, 840, 1455, 1575},
    .trackListCaption = {1200, 2280, 1005, 195},
    .trackList = {240, 2760, 3012, 1425},
    .cdControl = {4200, 2760, 1335, 1215},
    .aboutButton = {4440, 4680, 1452, 372},
    .searchClearsDetailsFirst = true,
    .cdControlDll = L"DIVAZID.DLL",
    .cdControlLibId = {0x0CE5E163, 0xA1BA, 0x11D7, {0x8F, 0xFC, 0x00, 0x50, 0x56, 0x72, 0x02, 0xF7}},
    .aboutClientArea = {5730, 3555},
    .separatorHighlight = {120, 2514, 5669, 2514},
    .separatorShadow = {120, 2514, 5684, 2514},
};
