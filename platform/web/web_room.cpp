// The page's side of an online room: what page/room.js shows and asks, from the game's thread.
#include "platform/web/web_room.h"

#include <emscripten.h>

#include <cstdlib>

namespace {

void (*TheSay)(const std::string& line) = nullptr;

// A string the page's script made with _malloc, taken over and freed.
std::string TakeString(char* text) {
    std::string copy = text;
    std::free(text);
    return copy;
}

}  // namespace

// The bodies of EM_JS are JavaScript.
// clang-format off
// The kept name, or the one the person types into the page's question (the thread sleeps meanwhile).
EM_JS(char*, web_ask_name, (), {
    return Asyncify.handleSleep(function(wakeUp) {
        Module.lobshotRoom.askName(function(name) {
            const size = lengthBytesUTF8(name) + 1;
            const copy = _malloc(size);
            stringToUTF8(name, copy, size);
            wakeUp(copy);
        });
    });
});

EM_JS(void, web_keep_name, (const char* name), { Module.lobshotRoom.keepName(UTF8ToString(name)); });

EM_JS(void, web_show_chat, (), { Module.lobshotRoom.showChat(); });

EM_JS(void, web_show_hosted_room, (const char* code, const char* invite, const char* watch), {
    Module.lobshotRoom.showHosting(UTF8ToString(code), UTF8ToString(invite), UTF8ToString(watch));
});

EM_JS(char*, web_page_address, (), {
    const text = location.origin + location.pathname;
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
// clang-format on

extern "C" {

// The page's script: the person sent a chat line from the page's field.
EMSCRIPTEN_KEEPALIVE void web_chat(const char* line) {
    if (TheSay) TheSay(line);
}

}  // extern "C"

std::string WebPersonName() { return TakeString(web_ask_name()); }

void WebKeepPersonName(const std::string& name) { web_keep_name(name.c_str()); }

void WebSetChat(void (*say)(const std::string& line)) {
    TheSay = say;
    web_show_chat();
}

void WebShowHostedRoom(const std::string& code, const std::string& invite, const std::string& watch) {
    web_show_hosted_room(code.c_str(), invite.c_str(), watch.c_str());
}

std::string WebPageAddress() { return TakeString(web_page_address()); }
