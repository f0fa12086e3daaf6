// The drive information service over the Scripting Runtime's FileSystemObject,
// its drive collection and drives, reached late bound through IDispatch.

#include "fso_drive_service.h"

#include "com.h"
#include "status.h"

#include <oleauto.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// The Scripting Runtime has no headers here: its objects are reached late
// bound, through the dispatch side of their dual interfaces.
constexpr CLSID kFileSystemObject = {0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};
constexpr IID kIFileSystem3 = {0x2A0B9D10, 0x4B87, 0x11D3, {0xA9, 0x7A, 0x00, 0x10, 0x4B, 0x36, 0x5C, 0x9F}};
constexpr IID kIDriveCollection = {0xC7C3F5A1, 0x88A3, 0x11D0, {0xAB, 0xCB, 0x00, 0xA0, 0xC9, 0x0F, 0xFF, 0xC0}};
constexpr IID kIDrive = {0xC7C3F5A0, 0x88A3, 0x11D0, {0xAB, 0xCB, 0x00, 0xA0, 0xC9, 0x0F, 0xFF, 0xC0}};

// A member by its name, as late-bound callers of the Scripting Runtime do.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount, Variant& result)
{
    auto* names = const_cast<LPOLESTR>(name);
    DISPID member = DISPID_UNKNOWN;
    if (const HRESULT hr = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &member); FAILED(hr))
        return hr;
    return InvokeMember(object, member, flags, args, argCount, result.get());
}

// A property converted to type, handed to read.
template <class Read>
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARTYPE type, Read read)
{
    return Guarded([&] {
        Variant value;
        HRESULT hr = Call(object, name, DISPATCH_PROPERTYGET, nullptr, 0, value);
        if (SUCCEEDED(hr))
            hr = value.ChangeType(type);
        if (SUCCEEDED(hr))
            read(*value);
        return hr;
    });
}

HRESULT GetText(IDispatch* object, const wchar_t* name, std::wstring& text)
{
    return GetProperty(object, name, VT_BSTR, [&](const VARIANT& value) {
        text.assign(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal));
    });
}

HRESULT GetLong(IDispatch* object, const wchar_t* name, long& number)
{
    return GetProperty(object, name, VT_I4, [&](const VARIANT& value) { number = value.lVal; });
}

HRESULT GetDouble(IDispatch* object, const wchar_t* name, double& number)
{
    return GetProperty(object, name, VT_R8, [&](const VARIANT& value) { number = value.dblVal; });
}

// Queries an object handed back in a variant for one interface; dual
// interfaces are IDispatch to their callers.
HRESULT DispatchFrom(const VARIANT& value, const IID& iid, ComPtr<IDispatch>& object)
{
    IUnknown* unknown = nullptr;
    if (value.vt == VT_DISPATCH)
        unknown = value.pdispVal;
    else if (value.vt == VT_UNKNOWN)
        unknown = value.punkVal;
    else
        return DISP_E_TYPEMISMATCH;
    if (!unknown)
        return E_POINTER;
    return unknown->QueryInterface(iid, reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
}

class FsoDrive final : public Drive {
public:
    explicit FsoDrive(ComPtr<IDispatch> drive) : drive_(std::move(drive)) {}

    HRESULT DriveLetter(std::wstring& letter) override { return GetText(drive_.Get(), L"DriveLetter", letter); }
    HRESULT DriveType(long& code) override { return GetLong(drive_.Get(), L"DriveType", code); }
    HRESULT IsReady(bool& ready) override
    {
        // Only the automation true value (-1) means ready; a 16-bit reading
        // keeps any other non-zero value from passing for it.
        return GetProperty(drive_.Get(), L"IsReady", VT_I2,
                           [&](const VARIANT& value) { ready = value.iVal == VARIANT_TRUE; });
    }
    HRESULT FreeSpace(double& bytes) override { return GetDouble(drive_.Get(), L"FreeSpace", bytes); }
    HRESULT FileSystem(std::wstring& name) override { return GetText(drive_.Get(), L"FileSystem", name); }
    HRESULT SerialNumber(long& serial) override { return GetLong(drive_.Get(), L"SerialNumber", serial); }
    HRESULT TotalSize(double& bytes) override { return GetDouble(drive_.Get(), L"TotalSize", bytes); }
    HRESULT VolumeName(std::wstring& name) override { return GetText(drive_.Get(), L"VolumeName", name); }

private:
    ComPtr<IDispatch> drive_;
};

HRESULT WrapDrive(const VARIANT& value, std::shared_ptr<Drive>& drive)
{
    ComPtr<IDispatch> object;
    if (const HRESULT hr = DispatchFrom(value, kIDrive, object); FAILED(hr))
        return hr;
    drive = std::make_shared<FsoDrive>(std::move(object));
    return S_OK;
}

class FsoDriveCollection final : public DriveCollection {
public:
    explicit FsoDriveCollection(ComPtr<IEnumVARIANT> items) : items_(std::move(items)) {}

    HRESULT Next(std::shared_ptr<Drive>& drive) override
    {
        return Guarded([&] {
            drive.reset();
            Variant item;
            ULONG fetched = 0;
            const HRESULT hr = items_->Next(1, item.get(), &fetched);
            if (FAILED(hr))
                return hr;
            if (hr == S_FALSE || fetched == 0)
                return S_FALSE;
            return WrapDrive(*item, drive);
        });
    }

private:
    ComPtr<IEnumVARIANT> items_;
};

class FsoDriveService final : public DriveService {
public:
    explicit FsoDriveService(ComPtr<IDispatch> fso) : fso_(std::move(fso)) {}

    HRESULT Drives(std::shared_ptr<DriveCollection>& drives) override
    {
        return Guarded([&] {
            Variant value;
            if (const HRESULT hr = Call(fso_.Get(), L"Drives", DISPATCH_PROPERTYGET, nullptr, 0, value); FAILED(hr))
                return hr;
            ComPtr<IDispatch> collection;
            if (const HRESULT hr = DispatchFrom(*value, kIDriveCollection, collection); FAILED(hr))
                return hr;
            Variant enumerator;
            if (const HRESULT hr = InvokeMember(collection.Get(), DISPID_NEWENUM,
                                                DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0, enumerator.get());
                FAILED(hr))
                return hr;
            if (enumerator->vt != VT_UNKNOWN && enumerator->vt != VT_DISPATCH)
                return DISP_E_TYPEMISMATCH;
            if (!enumerator->punkVal)
                return E_POINTER;
            ComPtr<IEnumVARIANT> items;
            if (const HRESULT hr = enumerator->punkVal->QueryInterface(IID_PPV_ARGS(&items)); FAILED(hr))
                return hr;
            drives = std::make_shared<FsoDriveCollection>(std::move(items));
            return S_OK;
        });
    }

    HRESULT GetDrive(const std::wstring& letter, std::shared_ptr<Drive>& drive) override
    {
        return Guarded([&] {
            Variant name;
            name->vt = VT_BSTR;
            name->bstrVal = SysAllocStringLen(letter.data(), static_cast<UINT>(letter.size()));
            if (!name->bstrVal)
                return E_OUTOFMEMORY;
            Variant value;
            if (const HRESULT hr = Call(fso_.Get(), L"GetDrive", DISPATCH_METHOD, name.get(), 1, value); FAILED(hr))
                return hr;
            return WrapDrive(*value, drive);
        });
    }

private:
    ComPtr<IDispatch> fso_;
};

}  // namespace

HRESULT CreateFileSystemObject(std::shared_ptr<DriveService>& fso)
{
    return Guarded([&] {
        ComPtr<IDispatch> object;
        if (const HRESULT hr = CoCreateInstance(kFileSystemObject, nullptr, CLSCTX_INPROC_SERVER, kIFileSystem3,
                                                reinterpret_cast<void**>(object.GetAddressOf()));
            FAILED(hr))
            return hr;
        fso = std::make_shared<FsoDriveService>(std::move(object));
        return S_OK;
    });
}
