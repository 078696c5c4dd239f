// The browser's clipboard, paste events and share sheet for the page, and whether it is touched.
#include <emscripten.h>

#include <string>

#include "platform/clipboard.h"
#include "platform/input.h"
#include "platform/win.h"

namespace {

// The text of the page's last paste, until the game takes it.
std::string Pasted;

}  // namespace

// The bodies of EM_JS are JavaScript, left as written.
// clang-format off
EM_JS(int, web_copy_text, (const char* text), {
    if (!navigator.clipboard) return 0;
    navigator.clipboard.writeText(UTF8ToString(text)).catch(function() {});
    return 1;
});

EM_JS(int, web_can_share, (), { return navigator.share ? 1 : 0; });

EM_JS(int, web_share_link, (const char* title, const char* link), {
    if (!navigator.share) return 0;
    navigator.share({title: UTF8ToString(title), url: UTF8ToString(link)}).catch(function() {});
    return 1;
});

EM_JS(int, web_touch_screen, (), {
    return window.matchMedia && window.matchMedia('(pointer: coarse)').matches ? 1 : 0;
});

// A paste on the page (Ctrl+V, or the menu's "Paste" once the browser lets it read the clipboard)
// hands its text to the game and presses Insert, the game's key for taking it.
EM_JS(void, web_listen_for_paste, (), {
    document.addEventListener('paste', function(event) {
        var text = event.clipboardData ? event.clipboardData.getData('text') : '';
        if (text) Module.ccall('lobshot_pasted', null, ['string'], [text]);
    });
});

EM_JS(void, web_read_clipboard, (), {
    if (!navigator.clipboard || !navigator.clipboard.readText) return;
    navigator.clipboard.readText().then(function(text) {
        if (text) Module.ccall('lobshot_pasted', null, ['string'], [text]);
    }).catch(function() {});
});
// clang-format on

extern "C" EMSCRIPTEN_KEEPALIVE void lobshot_pasted(const char* text) {
    Pasted = text;
    PostInput(InputEvent::Down(VK_INSERT));
    PostInput(InputEvent::Up(VK_INSERT));
}

bool PlatformCopyText(const std::string& text) { return web_copy_text(text.c_str()) != 0; }

namespace {

void ListenForPaste() {
    static bool listening = false;
    if (!listening) web_listen_for_paste();
    listening = true;
}

}  // namespace

std::string PlatformPastedText() {
    ListenForPaste();
    if (Pasted.empty()) web_read_clipboard();
    std::string text;
    text.swap(Pasted);
    return text;
}

bool PlatformCanShare() { return web_can_share() != 0; }

bool PlatformShareLink(const std::string& title, const std::string& link) {
    return web_share_link(title.c_str(), link.c_str()) != 0;
}

// Asked on every frame of the title: the page listens for pastes from then on.
bool PlatformTouchScreen() {
    ListenForPaste();
    return web_touch_screen() != 0;
}
