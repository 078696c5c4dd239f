// libFuzzer target: the relay's envelope decoder, with the promises its callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/relay/envelope.h"

namespace {

// Small, so that the size limit is reached often.
constexpr std::size_t kLimit = 64;

void Require(bool holds) {
    if (!holds) std::abort();
}

// The kinds that carry a message, or several: only these can be too large.
bool CarriesMessages(std::uint8_t kind) {
    using net::EnvelopeKind;
    for (const EnvelopeKind carrier : {EnvelopeKind::Data, EnvelopeKind::Batch, EnvelopeKind::ForAll})
        if (kind == static_cast<std::uint8_t>(carrier)) return true;
    return false;
}

}  // namespace

// An envelope accepted has exactly the bytes it was read from as its one form and carries messages
// within the limit together; one refused says why in printable text, and is oversized only for a
// kind that carries messages.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    net::Envelope envelope;
    std::string error;
    const net::EnvelopeFault fault = net::DecodeEnvelope(std::span(data, size), kLimit, &envelope, &error);
    if (fault == net::EnvelopeFault::None) {
        std::size_t carried = 0;
        for (const net::Envelope& message : net::Unbatch(envelope)) carried += message.payload.size();
        Require(carried <= kLimit);
        Require(net::EncodeEnvelope(envelope) == std::vector<std::uint8_t>(data, data + size));
    } else {
        Require(!error.empty());
        for (unsigned char c : error) Require(c >= 0x20 && c < 0x7F);
        Require(fault == net::EnvelopeFault::Malformed ||
                (size > 0 && CarriesMessages(data[0]) && size - 5 > kLimit));
    }
    return 0;
}
