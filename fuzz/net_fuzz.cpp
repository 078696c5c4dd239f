// libFuzzer target: the network game's message decoder, with the promises its callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/messages.h"

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

// A message accepted passes the checks and has exactly the bytes it was read from as its one form;
// one refused says why in printable text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    net::Message message;
    std::string error;
    if (net::DecodeMessage(std::span(data, size), &message, &error)) {
        std::string check_error;
        Require(net::CheckMessage(message, &check_error));
        std::vector<std::uint8_t> again;
        Require(net::EncodeMessage(message, &again, &check_error));
        Require(again == std::vector<std::uint8_t>(data, data + size));
    } else {
        Require(!error.empty());
        for (unsigned char c : error) Require(c >= 0x20 && c < 0x7F);
    }
    return 0;
}
