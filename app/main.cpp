#include "build_differences.h"
#include "dll_search.h"
#include "failure_report.h"
#include "fso_drive_service.h"
#include "hosted_cd_control.h"
#include "identity.h"
#include "main_window.h"
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
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return fileName;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

int Run(int show)
{
    const std::wstring controlPath = PathBesideProgram(kThisBuild.cdControlDll);
    Microsoft::WRL::ComPtr<IClassFactory> cdControlClass;
    if (const HRESULT hr = LoadCdControlClass(controlPath, kThisBuild.cdControlLibId, cdControlClass); FAILED(hr))
        return FailStart(L"Controlul CD nu poate fi incarcat: fisierul " + controlPath +
                             L" lipseste sau nu este cel potrivit.",
                         hr);

    MainWindowParts parts{
        [](std::shared_ptr<DriveService>& fso) { return CreateDriveServiceOnWorker(CreateFileSystemObject, fso); },
        [cdControlClass](HWND parent, const RECT& rect, std::unique_ptr<CdControl>& control) {
            return CreateHostedCdControl(cdControlClass.Get(), parent, rect, control);
        },
        ShowMessage,
    };
    std::unique_ptr<MainWindow> window;
    if (const HRESULT hr = MainWindow::Create(kThisBuild, std::move(parts), window); FAILED(hr))
        return FailStart(L"Fereastra principala nu a putut fi creata.", hr);
    ShowWindow(window->Handle(), show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab, Enter and Space go through the dialog manager.
        if (!IsWindow(window->Handle()) || !IsDialogMessageW(window->Handle(), &message)) {
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
        return FailStart(L"Componentele COM ale sistemului nu au putut fi pornite.", hr);
    int exitCode = 1;
    try {
        exitCode = Run(show);
    } catch (...) {
        exitCode = FailStart(L"Memoria nu ajunge.", E_OUTOFMEMORY);
    }
    OleUninitialize();
    return exitCode;
}
