// The worker in this test program: calls made on its threads while this
// thread, with a window of its own, waits for them as the programs do. The
// user's keys go through the platform's input queue (SendInput).

#include "keyboard_and_mouse/keyboard_and_mouse.h"
#include "out_of_memory/out_of_memory.h"
#include "worker.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kLong = 10000;

// A call that answers at once, S_FALSE telling its own answer apart.
const std::function<HRESULT()> kAnswersAtOnce = [] { return S_FALSE; };

// A top-level window of this thread that notes what reaches it.
class TestWindow {
public:
    TestWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"WorkerTestWindow";
        RegisterClassW(&windowClass);
        hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"worker", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                               200, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestWindow() { DestroyWindow(hwnd); }

    // Dispatches what waits in the queue, as a message loop would.
    void Pump()
    {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
    }

    HWND hwnd = nullptr;
    std::vector<UINT> received;  // WM_APP messages and WM_CANCELMODE
    std::vector<WPARAM> keys;    // WM_KEYDOWN
    HCURSOR cursorAtCancelMode = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            if (message >= WM_APP || message == WM_CANCELMODE)
                self->received.push_back(message);
            if (message == WM_CANCELMODE)
                self->cursorAtCancelMode = GetCursor();
            if (message == WM_KEYDOWN)
                self->keys.push_back(wParam);
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

// An event that a call waits on until the test lets it answer.
struct Gate {
    Gate() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate()
    {
        Open();
        CloseHandle(event);
    }
    void Open() const { SetEvent(event); }
    std::function<HRESULT()> Call() const
    {
        return [event = event] { return WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0 ? S_OK : E_FAIL; };
    }
    HANDLE event;
};

class WorkerTest : public testing::Test {
protected:
    ULONGLONG Elapsed() const { return GetTickCount64() - start; }
    HRESULT Call(wchar_t drive, std::function<HRESULT()> call, DWORD timeoutMs = kLong)
    {
        start = GetTickCount64();
        return worker.Call(drive, std::move(call), timeoutMs);
    }

    // Whether the drive, whose call was given up on, takes calls again
    // within kLong once that call has answered.
    bool TakesCallsAgain(wchar_t drive)
    {
        return WaitFor([&] { return worker.Call(drive, kAnswersAtOnce, kLong) == S_FALSE; }, kLong);
    }

    TestWindow window;
    Worker worker{false};
    ULONGLONG start = 0;
};

TEST_F(WorkerTest, AnswersWhileWaitingAndKeepsPostedMessagesInOrderForAfter)
{
    EXPECT_EQ(Call(0, kAnswersAtOnce), S_FALSE);

    // Posted before the call and by it; the window answers a message sent
    // to it meanwhile.
    PostMessageW(window.hwnd, WM_APP + 1, 0, 0);
    PostMessageW(window.hwnd, WM_APP + 2, 0, 0);
    const auto postAndSend = [hwnd = window.hwnd] {
        PostMessageW(hwnd, WM_APP + 3, 0, 0);
        DWORD_PTR answer = 0;
        return SendMessageTimeoutW(hwnd, WM_APP + 4, 0, 0, SMTO_NORMAL, kLong, &answer) ? S_OK : E_FAIL;
    };
    EXPECT_EQ(Call(0, postAndSend), S_OK);
    EXPECT_EQ(window.received, (std::vector<UINT>{WM_APP + 4})) << "only the sent message is handled during the call";
    window.Pump();
    EXPECT_EQ(window.received, (std::vector<UINT>{WM_APP + 4, WM_APP + 1, WM_APP + 2, WM_APP + 3}));
}

// A call that does not answer in time is given up on; its drive gets no new
// call until it has answered, while other calls go to a fresh thread; what
// the call held is let go of when it ends.
TEST_F(WorkerTest, GivesUpOnTimeAndTheDriveStaysBusyUntilItsCallAnswers)
{
    const Gate gate;
    auto held = std::make_shared<int>(0);
    const std::weak_ptr<int> watch = held;
    auto holding = [call = gate.Call(), held = std::move(held)] { return call(); };
    EXPECT_EQ(Call(L'N', std::move(holding), 500), kCallTimedOut);
    EXPECT_GE(Elapsed(), 500u);
    EXPECT_LT(Elapsed(), static_cast<ULONGLONG>(kLong));

    bool ran = false;
    const auto noting = [&ran] {
        ran = true;
        return S_OK;
    };
    EXPECT_EQ(Call(L'N', noting), kDriveStillNotAnswering);
    EXPECT_FALSE(ran);
    EXPECT_EQ(Call(L'M', kAnswersAtOnce), S_FALSE) << "a call behind the one that hangs";
    EXPECT_FALSE(watch.expired());

    gate.Open();
    EXPECT_TRUE(TakesCallsAgain(L'N')) << "the drive stayed busy after its call answered";
    EXPECT_TRUE(watch.expired()) << "the given-up call still holds what it took";
}

// Memory that runs out while a call is given up on leaves no call half
// given up on: later calls go to a fresh thread at once, and the call's
// end, when it comes, finds the worker whole.
TEST_F(WorkerTest, OutOfMemoryWhileGivingUpLeavesTheWorkerWhole)
{
    const Gate gate;
    const auto outOfMemoryUntilGivenUp = [caller = GetCurrentThreadId(), call = gate.Call()] {
        threadOutOfMemory = caller;
        return call();
    };
    EXPECT_EQ(Call(L'N', outOfMemoryUntilGivenUp, 500), E_OUTOFMEMORY);
    threadOutOfMemory = 0;
    EXPECT_EQ(Call(L'M', kAnswersAtOnce, 500), S_FALSE) << "a call behind the one given up on";

    gate.Open();
    EXPECT_TRUE(TakesCallsAgain(L'N')) << "the drive stayed busy after its call answered";
}

// Once the wait cursor shows the user's input is dropped, Esc gives up on
// the call, and the window that held the mouse is told to let it go. The
// cursor from before comes back.
TEST_F(WorkerTest, EscGivesUpAndOtherInputIsDropped)
{
    SetCursor(LoadCursorW(nullptr, IDC_CROSS));
    SetForegroundWindow(window.hwnd);
    SetFocus(window.hwnd);
    SetCapture(window.hwnd);
    ASSERT_EQ(GetCapture(), window.hwnd);
    // Queued before the call: taken once input is dropped, at 0.3 s.
    Key('B');
    Key(VK_ESCAPE);
    const Gate gate;
    EXPECT_EQ(Call(0, gate.Call()), kCallCancelled);
    EXPECT_GE(Elapsed(), 300u);
    EXPECT_LT(Elapsed(), static_cast<ULONGLONG>(kLong));
    EXPECT_EQ(window.received, (std::vector<UINT>{WM_CANCELMODE}));
    EXPECT_EQ(window.cursorAtCancelMode, LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS)) << "the wait cursor stayed after the wait";
    EXPECT_FALSE(GetCapture());
    window.Pump();
    EXPECT_TRUE(window.keys.empty()) << "a key pressed during the wait reached the window";
}

TEST_F(WorkerTest, CloseRequestGivesUpAndWaitsInTheQueue)
{
    PostMessageW(window.hwnd, WM_CLOSE, 0, 0);
    const Gate gate;
    EXPECT_EQ(Call(0, gate.Call()), kCallAbandonedForClose);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window.hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "the close request is gone";
}

}  // namespace
