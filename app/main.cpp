// The programs' entry point: loads the CD control built with them, makes the
// drive browser from its parts and runs its message loop until it closes.

#include "build_differences.h"
#include "built_cd_control_digest.h"
#include "control_loader.h"
#include "dll_search.h"
#include "failure_report.h"
#include "fso_drive_service.h"
#include "hosted_cd_control.h"
#include "identity.h"
#include "main_window.h"
#include "module_path.h"
#include "texts.h"
#include "worker_drive_service.h"

#include <ole2.h>

namespace {

#ifdef TARVOLO_9X
const BuildDifferences& kThisBuild = kTarvolo9x;
#else
const BuildDifferences& kThisBuild = kTarvolo;
#endif

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT type)
{
    return MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

int FailStart(const std::wstring& whatFailed, HRESULT status)
{
    std::wstring title;
    if (FAILED(ReadApplicationTitle(title)))
        title = kThisBuild.programName;
    ShowMessage(nullptr, DescribeFailure(whatFailed, status), title, MB_OK | MB_ICONERROR);
    return 1;
}

// The control's DLL is taken from the program's own folder and nowhere else.
std::wstring PathBesideProgram(const wchar_t* fileName)
{
    const std::wstring program = ModulePath(nullptr);
    return program.substr(0, program.find_last_of(L"\\/") + 1) + fileName;
}

int Run(int show)
{
    const std::wstring controlPath = PathBesideProgram(kThisBuild.cdControlDll);
    Microsoft::WRL::ComPtr<IClassFactory> cdControlClass;
    if (const HRESULT hr = LoadCdControlClass(controlPath, kBuiltCdControlDigest, kThisBuild.cdControlLibId,
                                              cdControlClass);
        FAILED(hr)) {
        const wchar_t* why = hr == kNotTheBuiltControl ? texts::kCdControlForeignAfter : texts::kCdControlMissingAfter;
        return FailStart(texts::kCdControlMissingBefore + controlPath + why, hr);
    }

    MainWindowParts parts{
        [](std::shared_ptr<DriveService>& service) {
            return CreateDriveServiceOnWorker(CreateFileSystemObject, service);
        },
        [cdControlClass](HWND parent, const RECT& rect, std::unique_ptr<CdControl>& control) {
            return CreateHostedCdControl(cdControlClass.Get(), parent, rect, control);
        },
        ShowMessage,
    };
    std::unique_ptr<MainWindow> window;
    if (const HRESULT hr = MainWindow::Create(kThisBuild, std::move(parts), window); FAILED(hr))
        return FailStart(texts::kWindowFailed, hr);
    ShowWindow(window->Handle(), show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The window's keys, then Tab, Shift+Tab, Enter and Space through the
        // dialog manager.
        if (!IsWindow(window->Handle()) ||
            (!window->TranslateWindowKeys(message) && !IsDialogMessageW(window->Handle(), &message))) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show)
{
    LimitDllSearchToSystem32();
    if (const HRESULT hr = OleInitialize(nullptr); FAILED(hr))
        return FailStart(texts::kComFailed, hr);
    int exitCode = 1;
    try {
        exitCode = Run(show);
    } catch (...) {
        exitCode = FailStart(texts::kOutOfMemory, E_OUTOFMEMORY);
    }
    OleUninitialize();
    return exitCode;
}
