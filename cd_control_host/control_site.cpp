// The control site of control_site.h: its interfaces, and the window and
// place it gives the control.
#include "control_site.h"

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** object)
{
    return QueryInterfaceFrom(iid, object,
                              {
                                  {IID_IUnknown, static_cast<IOleClientSite*>(this)},
                                  {IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                                  {IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(this)},
                                  {IID_IOleWindow, static_cast<IOleInPlaceSite*>(this)},
                                  {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(this)},
                                  {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(this)},
                                  {IID_IOleControlSite, static_cast<IOleControlSite*>(this)},
                              });
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = parent_;
    return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the frame is the document window
    *position = rect_;
    *clip = rect_;
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}
