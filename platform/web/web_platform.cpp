// The web backend of the platform layer: browser events become the game's input, the browser's
// frame callbacks drive the timer, and the game's thread returns to the browser between frames.
#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "diag/diag.h"
#include "platform/audio.h"
#include "platform/backend.h"
#include "platform/input.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_options.h"
#include "platform/web/web_pacing.h"
#include "platform/web/web_pointer.h"
#include "platform/web/web_video.h"
#include "pointer/pointer_screen.h"

// clang-format off: the bodies of EM_JS are JavaScript.
// The game's thread sleeps here and the browser runs until it is woken: at the next frame
// callback or, with steps, when the page's script asks for steps. Without steps, a wait of
// `fallback` milliseconds (0: none) also wakes it, as browsers hold frame callbacks back from a page
// in the background. Timed waits go through the page's timer (page/room.js), which a page keeping a
// room takes from a worker, as browsers slow a background page's own timers to one a second. A picture
// standing still waits for no frame callback but `still` milliseconds
// (-1: it moves), until the next step is due, so that a browser with nothing to show idles. The
// time the thread was awake before it is kept as the script time of that frame (the last 3000
// frames).
EM_JS(void, web_wait, (int steps, int fallback, int still), {
    Asyncify.handleSleep(function(wakeUp) {
        const now = performance.now();
        if (Module.lobshotAwakeSince != undefined) {
            if (Module.lobshotScriptMs.length >= 3000) Module.lobshotScriptMs.shift();
            Module.lobshotScriptMs.push(now - Module.lobshotAwakeSince);
        }
        Module.lobshotWake = function() {
            Module.lobshotWake = null;
            Module.lobshotAwakeSince = performance.now();
            wakeUp();
        };
        const wake = function() {
            if (Module.lobshotWake) Module.lobshotWake();
        };
        if (still >= 0) return Module.lobshotTimer(wake, still);
        if (!steps) requestAnimationFrame(wake);
        if (!steps && fallback > 0) Module.lobshotTimer(wake, fallback);
    });
});

// The game's thread gives the browser a turn of at least `ms` (a network game waiting for news that
// only comes in meanwhile).
EM_JS(void, web_yield, (int ms),
      { Asyncify.handleSleep(function(wakeUp) { Module.lobshotTimer(wakeUp, ms); }); });

EM_JS(void, web_keep_awake, (), { Module.lobshotKeepAwake = true; });

// Steps: every step asked for has run and the game waits for more.
EM_JS(void, web_steps_done, (), {
    if (Module.lobshotReadyAt == undefined) Module.lobshotReadyAt = performance.now();
    const done = Module.lobshotStepsDone;
    Module.lobshotStepsDone = null;
    if (done) done();
});

EM_JS(void, web_game_ended, (int status), {
    Module.lobshotGames = (Module.lobshotGames || 0) + 1;
    Module.lobshotEnded = status;
    if (Module.lobshotShowEnd) Module.lobshotShowEnd(status);
    const done = Module.lobshotStepsDone;
    Module.lobshotStepsDone = null;
    if (done) done();
});

// After the end of a game the thread sleeps here until the page asks for another game.
EM_JS(void, web_wait_for_another_game, (), {
    Asyncify.handleSleep(function(wakeUp) {
        Module.lobshotAnotherGame = function() {
            Module.lobshotAnotherGame = null;
            wakeUp();
        };
    });
});

// The on-screen controls that apply: the aiming ones while a person here aims, the answers while a
// prompt is shown.
EM_JS(void, web_controls_apply, (int aiming, int prompt), {
    if (Module.lobshotControls) Module.lobshotControls(aiming != 0, prompt != 0);
});

EM_JS(char*, web_fragment, (), {
    const text = location.hash;
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

// How long the game's thread has been awake since the browser last woke it, in milliseconds.
EM_JS(double, web_awake_ms, (),
      { return Module.lobshotAwakeSince == undefined ? 0 : performance.now() - Module.lobshotAwakeSince; });

// The page's host name, with its port when it came over HTTPS (443 unless the address names
// another): a deployed page's relay is on its own origin.
EM_JS(char*, web_host_name, (), {
    const secure = location.protocol == 'https:';
    const text = secure ? location.hostname + ':' + (location.port || '443') : location.hostname;
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

// The browser's preferred language ("de-AT"), in memory the caller frees.
EM_JS(char*, web_browser_language, (), {
    const text = navigator.language || "";
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

EM_JS(int, web_page_in_front, (), { return document.hasFocus() && !document.hidden ? 1 : 0; });

EM_JS(double, web_date_now, (), { return Date.now(); });

// The browser freezes a page (a phone's, in the background) after telling it, and says when it
// resumes; the page is away meanwhile, and back only once in sight again. A page closed for good
// is gone (2).
EM_JS(void, web_listen_lifecycle, (), {
    document.addEventListener(
        'freeze', function() { Module._web_presence(1); });
    document.addEventListener(
        'resume', function() { Module._web_presence(document.hidden ? 1 : 0); });
    window.addEventListener(
        'pagehide', function(event) {
            if (!event.persisted) Module._web_presence(2);
        });
});

EM_JS(void, web_toggle_fullscreen, (), {
    if (Module.lobshotToggleFullscreen) Module.lobshotToggleFullscreen();
});

EM_JS(void, web_audio_unlock, (), {
    if (Module.lobshotUnlockAudio) Module.lobshotUnlockAudio();
});
// clang-format on

namespace {

constexpr DWORD TICK_MILLISECONDS = 20;
// A page in a room wakes at least this often, frame callbacks or not.
constexpr int ROOM_WAKE_MILLISECONDS = 250;
// A page in a room that is stepped gives the browser a turn at least this often.
constexpr double ROOM_STEP_TURN_MILLISECONDS = 20.0;

struct WebState {
    WebPageOptions options;
    bool started = false;
    bool listening = false;
    bool inFront = true;
    StepPacer pacer;
    // A tick was taken since the game last waited: the game runs one step for any number of ticks
    // taken before it, so the next is due only once it waits again.
    bool tickTaken = false;
    std::uint32_t ticks = 0;
    DWORD stepClock = 0;
    int stepsPending = 0;
    std::vector<InputEvent> input;
    // The controls applying, as last told to the page (-1: not yet).
    int controlsApplying = -1;
    // Keys down now; and those down as another game started, whose release that game never hears.
    std::array<bool, 256> held{};
    std::array<bool, 256> heldBefore{};
    void (*beforeQuit)() = nullptr;
    void (*presence)(int presence) = nullptr;
    bool inRoom = false;     // the page is in an online room (WebInRoom)
    bool keepAwake = false;  // and keeps it
    double lastTurn = 0.0;   // when a stepped page in a room last gave the browser a turn
};

WebState Web;

void Queue(const InputEvent& event) { Web.input.push_back(event); }

void QueueAll(const std::vector<InputEvent>& events) {
    for (const InputEvent& event : events) Queue(event);
}

// The pointer's keys due at this look at the events, and the controls that apply on the screen the
// pointer last heard of.
void PointerTick() {
    std::vector<InputEvent> keys;
    WebPointerTick(&keys);
    QueueAll(keys);
    const PointerScreen& screen = PointerScreenShown();
    const bool aiming = screen.mode == PointerScreen::Aiming && screen.mayAim && !screen.prompt;
    const int applying = (aiming ? 1 : 0) | (screen.prompt ? 2 : 0);
    if (applying == Web.controlsApplying) return;
    Web.controlsApplying = applying;
    web_controls_apply(aiming ? 1 : 0, screen.prompt ? 1 : 0);
}

// Input waits here until the game's thread takes it, in the order it came.
void FlushInput() {
    for (const InputEvent& event : Web.input) PostInput(event);
    Web.input.clear();
}

// The page came to the front or left it, as a window gains or loses the focus.
void SetInFront(bool inFront) {
    if (inFront == Web.inFront) return;
    Web.inFront = inFront;
    if (inFront) {
        Queue(InputEvent::AppActivation(true));
        Queue(InputEvent::WindowActivation(WA_ACTIVE));
    } else {
        Queue(InputEvent::WindowActivation(WA_INACTIVE));
        Queue(InputEvent::AppActivation(false));
    }
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void*) {
    web_audio_unlock();
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (TogglesFullscreen(event->code, event->altKey)) {
        if (down && !event->repeat) web_toggle_fullscreen();
        return EM_TRUE;
    }
    const int vk = VirtualKeyFromWeb(event->code, event->key);
    if (vk == 0) return EM_FALSE;
    const auto key = static_cast<std::size_t>(vk & 0xFF);
    Web.held[key] = down;
    if (Web.heldBefore[key] && (!down || event->repeat)) {
        Web.heldBefore[key] = down;
    } else {
        Web.heldBefore[key] = false;
        Queue(down ? InputEvent::Down(vk, event->repeat != 0) : InputEvent::Up(vk));
    }
    return BrowserKeepsKey(event->code, event->ctrlKey, event->metaKey) ? EM_FALSE : EM_TRUE;
}

// With steps the page's script says when the game is in front, so the browser's own focus (which
// a headless browser barely has) never changes a test's game.
EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
    if (!Web.options.steps) SetInFront(type == EMSCRIPTEN_EVENT_FOCUS && web_page_in_front());
    return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    if (!Web.options.steps) SetInFront(!event->hidden && web_page_in_front());
    if (Web.presence) Web.presence(event->hidden ? 1 : 0);
    return EM_FALSE;
}

void Tick() {
    Web.stepClock += TICK_MILLISECONDS;
    ++Web.ticks;
    PostMessageA(PlatformMainWindow(), WM_TIMER, 0, 0);
}

// A loop that runs frame steps without waiting for the timer (a replay played fast) hands the page
// back to the browser once a frame's time has gone, until the next frame callback, so that the
// browser shows the picture and hears keys (Space again, Esc). Only while the game's timer runs:
// before it, start-up may pump messages below a call the browser cannot return through (see
// ASYNCIFY_IGNORE_INDIRECT in page/CMakeLists.txt).
void YieldWhenAwakeLong() {
    if (Web.options.steps || !Web.pacer.Running() || web_awake_ms() < TICK_MILLISECONDS) return;
    WebVideoShow();
    web_wait(0, 0, -1);
    FlushInput();
}

// How long a wait lasts at most when frame callbacks stop (a page in the background): a page in a
// room goes on hearing the others (and saying it is there), and the page keeping the room goes on
// stepping its game at full pace for them.
int FallbackWake() {
    if (Web.keepAwake) return std::max(1, Web.pacer.MillisecondsToNext(emscripten_get_now()));
    return Web.inRoom ? ROOM_WAKE_MILLISECONDS : 0;
}

// Steps: one tick a call while steps are owed, as the replay runner's `wait`; otherwise the page
// hears that they have all run and the thread sleeps until it asks for more. Steps asked for one
// after another never leave the page's own thread, where the news of a room comes in: in a room,
// the browser gets a turn between them as often as a paced page gives it one, or the others there
// would hear nothing from it, nor it from them, for as long as it steps on its own.
void StepWait() {
    if (Web.stepsPending == 0) {
        WebVideoShow();
        web_steps_done();
        web_wait(1, 0, -1);
    }
    if (Web.inRoom && emscripten_get_now() - Web.lastTurn >= ROOM_STEP_TURN_MILLISECONDS) {
        web_yield(0);
        Web.lastTurn = emscripten_get_now();
    }
    FlushInput();
    if (Web.stepsPending > 0) {
        --Web.stepsPending;
        Tick();
    }
}

}  // namespace

extern "C" {

// The page's script: owes the game `count` more steps and wakes it.
EMSCRIPTEN_KEEPALIVE void web_add_steps(int count) {
    if (count > 0) Web.stepsPending += count;
}

// The page's script: an event of the page's pointer (see web_pointer.h), in the picture's pixels.
EMSCRIPTEN_KEEPALIVE void web_pointer(int kind, int value, int x, int y) {
    std::vector<InputEvent> keys;
    WebPointerEvent(kind, value, x, y, static_cast<std::uint32_t>(emscripten_get_now()), &keys);
    QueueAll(keys);
}

// The page's script: the page is about to be frozen (1), resumed (0) in sight, or closed (2).
EMSCRIPTEN_KEEPALIVE void web_presence(int presence) {
    if (Web.presence) Web.presence(presence);
}

// The page's script: the application is activated (1) or deactivated (0), as `activate` in a
// replay runner's script.
EMSCRIPTEN_KEEPALIVE void web_activate(int active) { Queue(InputEvent::AppActivation(active != 0)); }

}  // extern "C"

void WebStartFromPage() {
    char* fragment = web_fragment();
    std::string error;
    WebPageOptions options;
    if (!WebParsePageOptions(fragment, &options, &error)) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "WebStartFromPage", "The page's address: %s", error.c_str());
        options = WebPageOptions{};
    }
    std::free(fragment);
    Web.options = options;
    Web.stepClock = options.seed;
}

const WebPageOptions& WebOptions() { return Web.options; }

std::string WebRelayAddress() {
    if (!Web.options.relay.empty()) return Web.options.relay;
    char* host = web_host_name();
    std::string address = host[0] != '\0' ? host : "127.0.0.1";
    std::free(host);
    if (address.back() == ']' || address.find(':') == std::string::npos)
        address += ":" + std::to_string(DEFAULT_WEB_RELAY_PORT);
    return address;
}

void WebGameEnded(int status) {
    WebVideoShow();
    web_game_ended(status);
}

bool WebWaitForAnotherGame() {
    web_wait_for_another_game();
    WebReadyAnotherGame();
    return true;
}

void WebReadyAnotherGame() {
    // The new game starts with the page's clock and input as a visit's would, the keys held
    // meanwhile (the one that asked for it) unheard until pressed again.
    Web.input.clear();
    WebPointerReset();
    Web.controlsApplying = -1;
    Web.heldBefore = Web.held;
    Web.stepsPending = 0;
    Web.stepClock = Web.options.seed;
    Web.ticks = 0;
    Web.started = false;
    Web.inFront = true;
}

void WebInRoom(bool keeps) {
    Web.inRoom = true;
    if (!keeps) return;
    Web.keepAwake = true;
    web_keep_awake();
}

void WebSetBeforeQuit(void (*beforeQuit)()) { Web.beforeQuit = beforeQuit; }
void WebSetPresence(void (*presence)(int presence)) { Web.presence = presence; }

std::uint32_t WebTickCount() { return Web.ticks; }

namespace backend {

// The browser's events are heard from the first window on, also between games, so that the keys
// held as another game starts are known (see WebWaitForAnotherGame).
bool OpenWindow(const char*, int, int) {
    if (!Web.listening) {
        Web.listening = true;
        const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
        emscripten_set_keydown_callback(window, nullptr, EM_FALSE, OnKey);
        emscripten_set_keyup_callback(window, nullptr, EM_FALSE, OnKey);
        emscripten_set_focus_callback(window, nullptr, EM_FALSE, OnFocus);
        emscripten_set_blur_callback(window, nullptr, EM_FALSE, OnFocus);
        emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, OnVisibility);
        web_listen_lifecycle();
    }
    return WebVideoOpen();
}

void CloseWindow() {}
void SetCursorHidden(bool) {}

void PumpEvents(bool wait) {
    // A page opened behind others starts in the background.
    if (!Web.started) {
        Web.started = true;
        if (!Web.options.steps) SetInFront(web_page_in_front());
    }
    PointerTick();
    FlushInput();
    if (!wait) {
        YieldWhenAwakeLong();
        return;
    }
    Web.tickTaken = false;
    if (Web.options.steps) {
        StepWait();
    } else {
        if (!TimerDue(false)) {
            WebVideoShow();
            const int still = WebVideoStill() ? Web.pacer.MillisecondsToNext(emscripten_get_now()) : -1;
            web_wait(0, FallbackWake(), still);
        }
        FlushInput();
    }
    // Every frame, stepped or not, hands the sound its tick, so a sound played later never finds
    // hundreds of ticks owed and renders them all in one frame.
    AudioCatchUp();
}

// Steps: ticks come from the page's script, never from a clock. Otherwise every tick the clock
// owes is due, a few at most (web_pacing.h), one at a time: the next once the game waits again.
bool TimerDue(bool consume) {
    const double now = emscripten_get_now();
    if (Web.options.steps || Web.tickTaken || !Web.pacer.Due(now)) return false;
    if (consume) {
        Web.pacer.Take(now);
        Web.tickTaken = true;
        ++Web.ticks;
    }
    return true;
}

void StartTimer(UINT milliseconds) { Web.pacer.Start(emscripten_get_now(), milliseconds); }

void StopTimer() { Web.pacer.Stop(); }
void BeforeQuit() {
    if (Web.beforeQuit) Web.beforeQuit();
}

DWORD Milliseconds() {
    if (Web.options.steps) return Web.stepClock;
    return static_cast<DWORD>(static_cast<std::uint64_t>(emscripten_get_now()));
}

// The calendar clock, which seeds a visit without a seed: each visit plays a different game. With
// steps the clock starts at the seed, as the replay runner's does.
DWORD BootMilliseconds() {
    if (Web.options.steps) return Web.stepClock;
    return static_cast<DWORD>(static_cast<std::uint64_t>(web_date_now()));
}

// The page's thread cannot block: it gives the browser the time instead (only the network game
// waits, for news that comes in meanwhile).
void SleepMilliseconds(DWORD milliseconds) {
    WebVideoShow();
    web_yield(static_cast<int>(milliseconds));
}

std::int64_t CounterTicks() { return static_cast<std::int64_t>(emscripten_get_now() * 1000.0); }
std::int64_t CounterFrequency() { return 1000000; }

bool Present(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    return WebVideoPresent(pixels, width, height, pitchPixels);
}

int ScreenWidth() { return 320; }
void Shutdown() {}
int ScreenHeight() { return 200; }

std::string SystemLanguage() {
    char* language = web_browser_language();
    std::string text = language ? language : "";
    std::free(language);
    return text;
}

}  // namespace backend
