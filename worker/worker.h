// Waiting for a call made on a worker thread while the calling window goes
// on answering; the statuses of a call given up on are in call_status.h.

#pragma once

#include "call_status.h"

#include <windows.h>

#include <functional>
#include <memory>

// Runs calls on a worker thread, one at a time, while the calling GUI thread
// waits without freezing: it keeps its windows painted and answers the
// system, shows the wait cursor after 0.3 s and from then on drops the
// user's mouse and keyboard input, the window holding the mouse told to let
// it go (WM_CANCELMODE). It gives up on a call that has not
// answered in time, on Esc, and when a window of the thread is to be closed
// (the request then waits in the queue). Other messages posted meanwhile are
// handled after the call. A call given up on goes on on its own thread;
// later calls go to a fresh one. Destroying the Worker never waits for its
// threads.
class Worker {
public:
    // multithreadedApartment: the threads join COM's multithreaded apartment,
    // where objects created by one of them may be used by any other.
    explicit Worker(bool multithreadedApartment);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // drive: the letter of the drive the call reaches, 0 for none; a drive
    // whose given-up call still runs gets kDriveStillNotAnswering at once.
    HRESULT Call(wchar_t drive, std::function<HRESULT()> call, DWORD timeoutMs);

    // Runs work on the worker without waiting for it, such as releasing
    // objects that only the worker's threads may touch.
    void Post(std::function<void()> work) noexcept;

private:
    class Thread;
    struct Shared;
    struct Job;

    std::shared_ptr<Thread> CurrentThread();
    bool IsStillNotAnswering(wchar_t drive) const;
    std::function<void()> JobWork(std::shared_ptr<Job> job, wchar_t drive) const;
    HRESULT Wait(Job& job, DWORD timeoutMs);
    HRESULT Conclude(Job& job, const std::shared_ptr<Thread>& thread, wchar_t drive, HRESULT waited);

    const bool multithreadedApartment_;
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<Thread> thread_;
};
