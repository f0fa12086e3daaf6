#include "hosted_cd_control.h"

HRESULT LoadCdControlClass(const std::wstring&, const GUID&, Microsoft::WRL::ComPtr<IClassFactory>&)
{
    return E_NOTIMPL;
}

HRESULT CreateHostedCdControl(IClassFactory*, HWND, const RECT&, std::unique_ptr<CdControl>&)
{
    return E_NOTIMPL;
}
