// The worker: calls run on threads of their own, one at a time, while the
// calling window waits answering, and the give-up of a call that does not answer.

#include "worker.h"

#include "handles.h"
#include "status.h"

#include <objbase.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <new>
#include <set>
#include <vector>

namespace {

// Most calls answer at once: for this long the caller waits as for any
// call, without taking messages, which nobody sees.
constexpr ULONGLONG kQuickAnswerMs = 50;
// Then the window answers again, and input waits in the queue until the
// wait cursor shows; from then on it is dropped.
constexpr ULONGLONG kWaitCursorDelayMs = 300;

// The platform's own lock, whose waits need no round trip to the system
// when the answer comes at once.
class Held {
public:
    explicit Held(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Held() { ReleaseSRWLockExclusive(&lock_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    SRWLOCK& lock_;
};

bool IsUserInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_NCMOUSEHOVER ||
           message == WM_NCMOUSELEAVE;
}

// Painting and the system's own requests are answered while a call runs.
bool IsAnsweredDuringCall(UINT message)
{
    return message == WM_PAINT || message == WM_TIMER || message == WM_SYSCOMMAND || message == WM_NULL;
}

void Repost(const MSG& msg)
{
    if (msg.hwnd)
        PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    else
        PostThreadMessageW(GetCurrentThreadId(), msg.message, msg.wParam, msg.lParam);
}

// The close box, Alt+F4, or a close that the system or another program
// asked for. The request is queued again for after the call.
bool RequestsClose(const MSG& msg)
{
    if (msg.message == WM_CLOSE || (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE)) {
        Repost(msg);
        return true;
    }
    if ((msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) ||
        (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4)) {
        PostMessageW(GetAncestor(msg.hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    return false;
}

// Keeps a posted message for after the call. Without the memory for it, the
// messages kept so far and this one go back to the queue, in their order.
bool KeepForLater(const MSG& msg, std::vector<MSG>& later)
{
    try {
        later.push_back(msg);
        return true;
    } catch (const std::bad_alloc&) {
        for (const MSG& kept : later)
            Repost(kept);
        later.clear();
        Repost(msg);
        return false;
    }
}

// Takes the waiting messages: S_OK, or why the call is given up on. Posted
// messages that can wait are kept in later, in their order. The user's
// input is left queued until the wait cursor shows, and dropped from then on.
HRESULT TakeMessages(bool dropInput, std::vector<MSG>& later)
{
    const UINT take = dropInput ? PM_REMOVE : PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, take)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return kCallAbandonedForClose;
        }
        if (RequestsClose(msg))
            return kCallAbandonedForClose;
        if (IsUserInput(msg.message)) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
                return kCallCancelled;
        } else if (IsAnsweredDuringCall(msg.message)) {
            DispatchMessageW(&msg);
        } else if (!KeepForLater(msg, later)) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

// S_OK once done is set, or why the wait for a call made at start was
// given up on.
HRESULT WaitResponsively(HANDLE done, ULONGLONG start, ULONGLONG timeoutMs)
{
    std::vector<MSG> later;
    HCURSOR cursorBefore = nullptr;
    bool waitCursor = false;
    HRESULT outcome = S_OK;
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= timeoutMs) {
            outcome = kCallTimedOut;
            break;
        }
        if (!waitCursor && elapsed >= kWaitCursorDelayMs) {
            cursorBefore = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            waitCursor = true;
            // Input is dropped from now on: a control in the middle of a
            // gesture, such as a list box following the mouse, would never
            // see its button go up, so the window that holds the mouse lets
            // it go.
            if (const HWND capture = GetCapture())
                SendMessageW(capture, WM_CANCELMODE, 0, 0);
        }
        const ULONGLONG until = waitCursor ? timeoutMs : std::min(timeoutMs, kWaitCursorDelayMs);
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &done, static_cast<DWORD>(until - elapsed),
                                                       waitCursor ? QS_ALLINPUT : QS_ALLINPUT & ~QS_INPUT,
                                                       waitCursor ? MWMO_INPUTAVAILABLE : 0);
        if (woke == WAIT_OBJECT_0)
            break;
        if (woke == WAIT_FAILED) {
            outcome = LastError();
            break;
        }
        if (woke == WAIT_OBJECT_0 + 1) {
            outcome = TakeMessages(waitCursor, later);
            if (outcome != S_OK)
                break;
            // A mouse move that was dropped may have set the window's own cursor.
            if (waitCursor)
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        }
    }
    if (waitCursor)
        SetCursor(cursorBefore);
    for (const MSG& msg : later)
        Repost(msg);
    return outcome;
}

}  // namespace

// One call, shared by the thread that waits for it and the one that makes it.
struct Worker::Job {
    std::function<HRESULT()> call;
    // Guarded by Worker::Shared::lock.
    HRESULT result = E_PENDING;
    bool finished = false;
    bool abandoned = false;
    // Made once the caller waits taking messages; set when the call is finished.
    UniqueHandle done;
};

struct Worker::Shared {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;
    std::multiset<wchar_t> drivesNotAnswering;
};

// A thread that runs its queued work in order until it is retired.
class Worker::Thread {
public:
    explicit Thread(bool multithreadedApartment) : multithreadedApartment_(multithreadedApartment) {}

    // nullptr when no thread could be started.
    static std::shared_ptr<Thread> Start(bool multithreadedApartment)
    {
        auto thread = std::make_shared<Thread>(multithreadedApartment);
        // The thread keeps the module that holds its code loaded: a control's
        // DLL may be let go of while a call given up on still runs.
        HMODULE module = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Thread::Main),
                                &module))
            return nullptr;
        auto* launch = new (std::nothrow) Launch{thread, module};
        const HANDLE handle = launch ? CreateThread(nullptr, 0, &Thread::Main, launch, 0, nullptr) : nullptr;
        if (!handle) {
            delete launch;
            FreeLibrary(module);
            return nullptr;
        }
        CloseHandle(handle);
        return thread;
    }

    void Queue(std::function<void()> work)
    {
        {
            const Held hold(lock_);
            work_.push_back(std::move(work));
        }
        WakeConditionVariable(&wake_);
    }

    // The thread ends once its queued work is done.
    void Retire()
    {
        {
            const Held hold(lock_);
            retired_ = true;
        }
        WakeConditionVariable(&wake_);
    }

private:
    struct Launch {
        std::shared_ptr<Thread> thread;
        HMODULE module;
    };

    static DWORD WINAPI Main(void* parameter)
    {
        const HMODULE module = static_cast<Launch*>(parameter)->module;
        {
            const std::unique_ptr<Launch> launch(static_cast<Launch*>(parameter));
            launch->thread->Run();
        }
        FreeLibraryAndExitThread(module, 0);
    }

    void Run()
    {
        const bool com = multithreadedApartment_ && SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        for (;;) {
            std::function<void()> next;
            {
                const Held hold(lock_);
                while (!retired_ && work_.empty())
                    SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
                if (work_.empty())
                    break;
                next = std::move(work_.front());
                work_.pop_front();
            }
            next();
        }
        if (com)
            CoUninitialize();
    }

    const bool multithreadedApartment_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
    std::deque<std::function<void()>> work_;
    bool retired_ = false;
};

Worker::Worker(bool multithreadedApartment)
    : multithreadedApartment_(multithreadedApartment), shared_(std::make_shared<Shared>())
{
}

Worker::~Worker()
{
    if (thread_)
        thread_->Retire();
}

std::shared_ptr<Worker::Thread> Worker::CurrentThread()
{
    if (!thread_)
        thread_ = Thread::Start(multithreadedApartment_);
    return thread_;
}

HRESULT Worker::Call(wchar_t drive, std::function<HRESULT()> call, DWORD timeoutMs)
{
    return Guarded([&] {
        if (IsStillNotAnswering(drive))
            return kDriveStillNotAnswering;
        auto job = std::make_shared<Job>();
        job->call = std::move(call);
        const std::shared_ptr<Thread> thread = CurrentThread();
        if (!thread)
            return LastError();
        thread->Queue(JobWork(job, drive));
        // From here on nothing throws but the last step, which allows for it.
        return Conclude(*job, thread, drive, Wait(*job, timeoutMs));
    });
}

bool Worker::IsStillNotAnswering(wchar_t drive) const
{
    const Held hold(shared_->lock);
    return drive != 0 && shared_->drivesNotAnswering.count(drive) != 0;
}

// What the thread runs: the call, then its result handed to the caller, or
// to nobody when the caller gave up on it.
std::function<void()> Worker::JobWork(std::shared_ptr<Job> job, wchar_t drive) const
{
    return [job, shared = shared_, drive] {
        HRESULT result = E_UNEXPECTED;
        try {
            result = job->call();
        } catch (const std::bad_alloc&) {
            result = E_OUTOFMEMORY;
        } catch (...) {
        }
        // What the call holds is let go of on this thread.
        job->call = nullptr;
        const Held hold(shared->lock);
        job->result = result;
        job->finished = true;
        if (job->abandoned && drive != 0)
            shared->drivesNotAnswering.erase(shared->drivesNotAnswering.find(drive));
        if (job->done)
            SetEvent(job->done.get());
        WakeAllConditionVariable(&shared->finished);
    };
}

// S_OK once the job has finished, or why the wait was given up on: first a
// short wait that takes no messages, then one that keeps the window answering.
HRESULT Worker::Wait(Job& job, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    {
        const Held hold(shared_->lock);
        for (ULONGLONG waiting = 0; !job.finished && waiting < kQuickAnswerMs; waiting = GetTickCount64() - start)
            SleepConditionVariableSRW(&shared_->finished, &shared_->lock, static_cast<DWORD>(kQuickAnswerMs - waiting),
                                      0);
        if (job.finished)
            return S_OK;
        job.done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!job.done)
            return LastError();
    }
    return WaitResponsively(job.done.get(), start, timeoutMs);
}

// The job's result, or, when it has not finished, the call given up on: its
// thread ends once the call answers, later calls go to a fresh one, and its
// drive gets no call until then. Marking the drive may run out of memory, so
// it comes last: the call then counts as the drive's no longer, nothing else.
HRESULT Worker::Conclude(Job& job, const std::shared_ptr<Thread>& thread, wchar_t drive, HRESULT waited)
{
    const Held hold(shared_->lock);
    if (job.finished)
        return job.result;
    thread->Retire();
    if (thread_ == thread)
        thread_.reset();
    if (drive != 0)
        shared_->drivesNotAnswering.insert(drive);
    job.abandoned = true;
    return waited;
}

void Worker::Post(std::function<void()> work) noexcept
{
    try {
        if (const std::shared_ptr<Thread> thread = CurrentThread())
            thread->Queue(std::move(work));
    } catch (const std::bad_alloc&) {
        // Nothing to run it on: what work holds goes here instead.
    }
}
