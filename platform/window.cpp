// The portable half of the platform layer: the window record, the message queue and errors.
#include <deque>
#include <string>

#include "platform/backend.h"
#include "platform/win.h"

struct PlatformWindow {
    WNDPROC procedure = nullptr;
    bool alive = false;
};

struct PlatformModule {
    int unused = 0;
};

namespace {

// One registered class and at most one window: the game needs no more.
struct PlatformState {
    WNDCLASSA windowClass{};
    std::string className;
    bool classRegistered = false;
    PlatformWindow window;
    bool windowKept = false;  // the window of the run before, for the next CreateWindowExA
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;
    bool timerRunning = false;
    DWORD lastError = ERROR_SUCCESS;
    std::string windowFailure;
};

PlatformState State;
PlatformModule Module;

HWND TheWindow() { return State.window.alive ? &State.window : nullptr; }

bool ValidWindow(HWND window) { return window && window == TheWindow(); }

// Reports the next message without taking it, making WM_QUIT and WM_TIMER when nothing else waits.
bool NextMessage(MSG* msg, bool remove) {
    if (!State.queue.empty()) {
        *msg = State.queue.front();
        if (remove) State.queue.pop_front();
        return true;
    }
    if (State.quitPosted) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(State.quitCode), 0, backend::Milliseconds()};
        if (remove) State.quitPosted = false;
        return true;
    }
    if (State.timerRunning && TheWindow() && backend::TimerDue(remove)) {
        *msg = MSG{TheWindow(), WM_TIMER, 0, 0, backend::Milliseconds()};
        return true;
    }
    return false;
}

}  // namespace

HINSTANCE PlatformModuleHandle() { return &Module; }

HWND PlatformMainWindow() { return TheWindow(); }

void PlatformResetForTests() {
    if (State.window.alive) backend::CloseWindow();
    backend::StopTimer();
    State = PlatformState{};
}

void PlatformResetKeepingWindow() {
    backend::StopTimer();
    const PlatformWindow window = State.window;
    State = PlatformState{};
    State.window = window;
    State.windowKept = window.alive;
}

BOOL RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName) {
        SetLastError(ERROR_GEN_FAILURE);
        return 0;
    }
    State.windowClass = *wc;
    State.className = wc->lpszClassName;
    State.windowClass.lpszClassName = State.className.c_str();
    State.classRegistered = true;
    return 1;
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD, int, int, int width, int height,
                     HWND, void*, HINSTANCE, void*) {
    if (!State.classRegistered || !className || State.className != className) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (State.windowKept) {
        State.windowKept = false;
        State.window.procedure = State.windowClass.lpfnWndProc;
        return &State.window;
    }
    if (State.window.alive || !backend::OpenWindow(title ? title : "", width, height)) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    State.window = PlatformWindow{State.windowClass.lpfnWndProc, true};
    return &State.window;
}

BOOL ShowWindow(HWND window, int) {
    if (!ValidWindow(window)) return 0;
    PlatformSendMessage(WM_ACTIVATEAPP, 1, 0);
    PlatformSendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    return 1;
}

BOOL UpdateWindow(HWND window) { return ValidWindow(window) ? 1 : 0; }

BOOL DestroyWindow(HWND window) {
    if (!ValidWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    PlatformSendMessage(WM_DESTROY, 0, 0);
    State.window.alive = false;
    backend::CloseWindow();
    return 1;
}

// Nothing the game's window leaves to the system needs doing here.
LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN) return backend::ScreenWidth();
    if (index == SM_CYSCREEN) return backend::ScreenHeight();
    return 0;
}

void SetCursor(std::nullptr_t) { backend::SetCursorHidden(true); }

LRESULT PlatformSendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = TheWindow();
    if (!window || !window->procedure) return 0;
    return window->procedure(window, message, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    if (!ValidWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    State.timerRunning = true;
    backend::StartTimer(milliseconds);
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND, UINT_PTR) {
    State.timerRunning = false;
    backend::StopTimer();
    return 1;
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags) {
    backend::PumpEvents(false);
    MSG local;
    return NextMessage(msg ? msg : &local, (removeFlags & PM_REMOVE) != 0) ? 1 : 0;
}

int GetMessageA(MSG* msg, HWND, UINT, UINT) {
    MSG local;
    if (!msg) msg = &local;
    for (;;) {
        if (NextMessage(msg, true)) {
            if (msg->message != WM_QUIT) return 1;
            backend::BeforeQuit();
            return 0;
        }
        backend::PumpEvents(true);
    }
}

BOOL TranslateMessage(const MSG*) { return 0; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !ValidWindow(msg->hwnd)) return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !ValidWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    State.queue.push_back(MSG{window, message, wParam, lParam, backend::Milliseconds()});
    return 1;
}

void PostQuitMessage(int exitCode) {
    State.quitPosted = true;
    State.quitCode = exitCode;
}

DWORD GetLastError() { return State.lastError; }

void SetLastError(DWORD code) { State.lastError = code; }

void PlatformSetWindowFailure(const std::string& why) { State.windowFailure = why; }
const std::string& PlatformWindowFailure() { return State.windowFailure; }

std::string PlatformErrorText(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return "The operation completed successfully.";
        case ERROR_NOT_ENOUGH_MEMORY:
            return "Not enough memory resources are available to process this command.";
        case ERROR_GEN_FAILURE:
            return "A device attached to the system is not functioning.";
        case ERROR_INVALID_WINDOW_HANDLE:
            return "Invalid window handle.";
        case ERROR_CANNOT_FIND_WND_CLASS:
            return "Cannot find window class.";
        case ERROR_CLASS_DOES_NOT_EXIST:
            return "Class does not exist.";
        case ERROR_RESOURCE_TYPE_NOT_FOUND:
            return "The specified resource type cannot be found in the image file.";
        case ERROR_RESOURCE_NAME_NOT_FOUND:
            return "The specified resource name cannot be found in the image file.";
        default:
            return "Unknown error " + std::to_string(code) + ".";
    }
}

DWORD timeGetTime() { return backend::Milliseconds(); }

DWORD GetTickCount() { return backend::BootMilliseconds(); }

void Sleep(DWORD milliseconds) { backend::SleepMilliseconds(milliseconds); }

BOOL QueryPerformanceCounter(std::int64_t* count) {
    if (!count) return 0;
    *count = backend::CounterTicks();
    return 1;
}

BOOL QueryPerformanceFrequency(std::int64_t* frequency) {
    if (!frequency) return 0;
    *frequency = backend::CounterFrequency();
    return 1;
}

void PlatformShutdown() { backend::Shutdown(); }

bool PlatformPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    if (!pixels || width <= 0 || height <= 0 || pitchPixels < width) return false;
    return backend::Present(pixels, width, height, pitchPixels);
}
