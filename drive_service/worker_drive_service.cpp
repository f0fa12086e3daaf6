// The drive service, its drive collection and drives wrapped so that every
// call runs on a worker thread, given up on after 10 s or on Esc.

#include "worker_drive_service.h"

#include "drive_letter.h"
#include "status.h"
#include "worker.h"

#include <utility>

namespace {

constexpr DWORD kCallTimeoutMs = 10000;

// Runs body(result) on the worker and hands the result over when the call
// succeeded. What a failed call left behind is let go of on the worker.
template <class Result, class Body>
HRESULT CallOn(Worker& worker, wchar_t drive, Result& out, Body body)
{
    auto result = std::make_shared<Result>();
    const HRESULT hr = worker.Call(
        drive, [result, body] { return body(*result); }, kCallTimeoutMs);
    if (SUCCEEDED(hr))
        out = std::move(*result);
    else
        worker.Post([left = std::move(result)] {});
    return hr;
}

// The worker's key for a drive: its upper-case letter, 0 for a name of none.
wchar_t DriveKey(const std::wstring& letter)
{
    return letter.size() == 1 ? UpperDriveLetter(letter[0]) : 0;
}

// An object of the inner service, held here and let go of on the worker.
template <class T>
class Inner {
public:
    Inner(std::shared_ptr<Worker> worker, std::shared_ptr<T> object)
        : worker_(std::move(worker)), object_(std::move(object))
    {
    }
    ~Inner()
    {
        worker_->Post([object = std::move(object_)] {});
    }
    Inner(const Inner&) = delete;
    Inner& operator=(const Inner&) = delete;

    Worker& worker() const { return *worker_; }
    const std::shared_ptr<Worker>& sharedWorker() const { return worker_; }
    const std::shared_ptr<T>& object() const { return object_; }

private:
    std::shared_ptr<Worker> worker_;
    std::shared_ptr<T> object_;
};

class WorkerDrive final : public Drive {
public:
    WorkerDrive(std::shared_ptr<Worker> worker, wchar_t letter, std::shared_ptr<Drive> drive)
        : inner_(std::move(worker), std::move(drive)), letter_(letter)
    {
    }

    // The letter is the drive object's own: reading it does not ask the
    // device, as the drive collection reads it too, so a drive whose earlier
    // call has not answered still tells its letter.
    HRESULT DriveLetter(std::wstring& letter) override { return Read(0, &Drive::DriveLetter, letter); }
    HRESULT DriveType(long& code) override { return Read(letter_, &Drive::DriveType, code); }
    HRESULT IsReady(bool& ready) override { return Read(letter_, &Drive::IsReady, ready); }
    HRESULT FreeSpace(double& bytes) override { return Read(letter_, &Drive::FreeSpace, bytes); }
    HRESULT FileSystem(std::wstring& name) override { return Read(letter_, &Drive::FileSystem, name); }
    HRESULT SerialNumber(long& serial) override { return Read(letter_, &Drive::SerialNumber, serial); }
    HRESULT TotalSize(double& bytes) override { return Read(letter_, &Drive::TotalSize, bytes); }
    HRESULT VolumeName(std::wstring& name) override { return Read(letter_, &Drive::VolumeName, name); }

private:
    template <class T>
    HRESULT Read(wchar_t key, HRESULT (Drive::*member)(T&), T& value)
    {
        return Guarded([&] {
            return CallOn(inner_.worker(), key, value,
                          [drive = inner_.object(), member](T& result) { return (*drive.*member)(result); });
        });
    }

    Inner<Drive> inner_;
    const wchar_t letter_;
};

std::shared_ptr<Drive> WrapDrive(const std::shared_ptr<Worker>& worker, const std::wstring& letter,
                                 std::shared_ptr<Drive> drive)
{
    return std::make_shared<WorkerDrive>(worker, DriveKey(letter), std::move(drive));
}

class WorkerDriveCollection final : public DriveCollection {
public:
    WorkerDriveCollection(std::shared_ptr<Worker> worker, std::shared_ptr<DriveCollection> drives)
        : inner_(std::move(worker), std::move(drives))
    {
    }

    HRESULT Next(std::shared_ptr<Drive>& drive) override
    {
        return Guarded([&] {
            // Each drive handed out knows its letter, so that a drive that
            // stopped answering is known again by later calls.
            std::pair<std::shared_ptr<Drive>, std::wstring> next;
            const HRESULT hr = CallOn(inner_.worker(), 0, next, [drives = inner_.object()](auto& found) {
                const HRESULT status = drives->Next(found.first);
                return status == S_OK ? found.first->DriveLetter(found.second) : status;
            });
            drive.reset();
            if (hr == S_OK)
                drive = WrapDrive(inner_.sharedWorker(), next.second, std::move(next.first));
            return hr;
        });
    }

private:
    Inner<DriveCollection> inner_;
};

class WorkerDriveService final : public DriveService {
public:
    WorkerDriveService(std::shared_ptr<Worker> worker, std::shared_ptr<DriveService> service)
        : inner_(std::move(worker), std::move(service))
    {
    }

    HRESULT Drives(std::shared_ptr<DriveCollection>& drives) override
    {
        return Guarded([&] {
            std::shared_ptr<DriveCollection> found;
            const HRESULT hr = CallOn(inner_.worker(), 0, found,
                                      [service = inner_.object()](auto& result) { return service->Drives(result); });
            if (SUCCEEDED(hr))
                drives = std::make_shared<WorkerDriveCollection>(inner_.sharedWorker(), std::move(found));
            return hr;
        });
    }

    HRESULT GetDrive(const std::wstring& letter, std::shared_ptr<Drive>& drive) override
    {
        return Guarded([&] {
            std::shared_ptr<Drive> found;
            const HRESULT hr = CallOn(inner_.worker(), DriveKey(letter), found,
                                      [service = inner_.object(), letter](auto& result) {
                                          return service->GetDrive(letter, result);
                                      });
            if (SUCCEEDED(hr))
                drive = WrapDrive(inner_.sharedWorker(), letter, std::move(found));
            return hr;
        });
    }

private:
    Inner<DriveService> inner_;
};

}  // namespace

HRESULT CreateDriveServiceOnWorker(const DriveServiceFactory& create, std::shared_ptr<DriveService>& service)
{
    return Guarded([&] {
        auto worker = std::make_shared<Worker>(true);
        std::shared_ptr<DriveService> inner;
        const HRESULT hr = CallOn(*worker, 0, inner, [create](auto& result) { return create(result); });
        if (SUCCEEDED(hr))
            service = std::make_shared<WorkerDriveService>(std::move(worker), std::move(inner));
        return hr;
    });
}
