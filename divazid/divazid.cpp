#include <windows.h>

STDAPI DllGetClassObject(REFCLSID, REFIID, void** object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return S_FALSE;
}
