// The platform layer in the shape the game expects: window messages, a timer, clocks and errors.
//
// Two backends implement this header: platform/sdl (the real game) and platform/headless (tests,
// tools and the replay runner). Only those backends know what lies beneath. Everything here runs
// on the game's one thread.
#pragma once

#include <cstdint>
#include <string>

using BOOL = int;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

struct PlatformWindow;
struct PlatformModule;
using HWND = PlatformWindow*;
using HINSTANCE = PlatformModule*;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Window messages used by the game, with their usual numbers.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_APP = 0x8000;  // the first of an application's own messages

constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

// Virtual-key codes (all below 256; letters and digits are their ASCII capitals).
constexpr int VK_BACK = 8;
constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_SHIFT = 16;
constexpr int VK_CONTROL = 17;
constexpr int VK_MENU = 18;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_PRIOR = 33;
constexpr int VK_NEXT = 34;
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_INSERT = 45;
constexpr int VK_DELETE = 46;
constexpr int VK_F1 = 112;
constexpr int VK_F2 = 113;
constexpr int VK_F3 = 114;
constexpr int VK_F4 = 115;
constexpr int VK_F7 = 118;
constexpr int VK_F8 = 119;
constexpr int VK_F9 = 120;
constexpr int VK_F12 = 123;
// The keys of ';' (':' with Shift), '-' and '.' on a US keyboard, for typing a relay's address.
constexpr int VK_OEM_1 = 0xBA;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;  // the slash
// A gamepad's X and Y buttons, keys of their own whose meaning depends on the screen.
constexpr int VK_GAMEPAD_X = 0xC5;
constexpr int VK_GAMEPAD_Y = 0xC6;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
};

struct WNDCLASSA {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    HINSTANCE hInstance = nullptr;
    const char* lpszClassName = nullptr;
};

constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// Error codes of the layer, readable through GetLastError after a failing call.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;

// The program's own module: every embedded resource is found through it.
HINSTANCE PlatformModuleHandle();

// Window class and the one window. ShowWindow delivers the first activation to the window
// procedure at once (WM_ACTIVATEAPP with wParam 1, then WM_ACTIVATE with WA_ACTIVE), as a
// window manager does when a new top-level window appears.
BOOL RegisterClassA(const WNDCLASSA* wc);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, void* menu, HINSTANCE instance, void* param);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int GetSystemMetrics(int index);
void SetCursor(std::nullptr_t);

// The message queue. WM_TIMER is made when the queue is empty and the timer is due, and never
// more than one is waiting; WM_QUIT comes after every message posted before it.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void* callback);
BOOL KillTimer(HWND window, UINT_PTR id);
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
int GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Errors: the code of the last failing call, and its text.
DWORD GetLastError();
void SetLastError(DWORD code);
std::string PlatformErrorText(DWORD code);
// Why the window could not be opened, in words for the player ("there is no display ..."), as the
// backend said when it failed; empty when it said nothing. Cleared by PlatformResetForTests.
void PlatformSetWindowFailure(const std::string& why);
const std::string& PlatformWindowFailure();

// Clocks. timeGetTime is milliseconds since an arbitrary origin (the game's clock); GetTickCount
// is milliseconds since the system started, wrapping after 49.7 days, and is read once at start-up
// for the random seed when the runner gave none (headless, both read the scripted clock); the
// performance counter counts ticks of QueryPerformanceFrequency per second.
DWORD timeGetTime();
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
BOOL QueryPerformanceCounter(std::int64_t* count);
BOOL QueryPerformanceFrequency(std::int64_t* frequency);

// Releases what the backend holds; called once as the program ends.
void PlatformShutdown();

// Presenting a finished 16-bit RGB565 frame on the visible output. Returns false when the backend
// could not show it.
bool PlatformPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels);
