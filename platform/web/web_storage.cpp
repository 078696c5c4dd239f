// The page's settings in the browser's localStorage, and the page's kind of pointer.
#include "platform/web/web_storage.h"

#include "platform/clipboard.h"

#include <emscripten.h>

#include <cstdlib>

namespace {

// clang-format off: the bodies of EM_JS are JavaScript.
EM_JS(char*, web_storage_read, (const char* key), {
    let text = "";
    try {
        text = localStorage.getItem(UTF8ToString(key)) || "";
    } catch (e) {
    }
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

EM_JS(void, web_storage_write, (const char* key, const char* text), {
    try {
        localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
    } catch (e) {
    }
});

// clang-format on

}  // namespace

std::string WebStorageRead() {
    char* stored = web_storage_read(WEB_SETTINGS_KEY);
    std::string text = stored ? stored : "";
    std::free(stored);
    return text;
}

void WebStorageWrite(const std::string& text) { web_storage_write(WEB_SETTINGS_KEY, text.c_str()); }

// The clipboard's backend asks the browser whether its pointer is a finger.
bool WebTouchScreen() { return PlatformTouchScreen(); }
