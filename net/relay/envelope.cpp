// The relay's envelope: writing it and reading it back with every check.
#include "net/relay/envelope.h"

namespace net {
namespace {

constexpr std::size_t kHeaderBytes = 5;

bool KnownReason(std::uint8_t value) {
    return value >= static_cast<std::uint8_t>(DisconnectReason::Closed) &&
           (value <= static_cast<std::uint8_t>(DisconnectReason::Lost) ||
            value == static_cast<std::uint8_t>(DisconnectReason::WrongCode));
}

EnvelopeFault Refuse(const char* why, std::string* error) {
    *error = why;
    return EnvelopeFault::Malformed;
}

// The body after the header, by kind; the header is already in *envelope.
EnvelopeFault DecodeBody(std::span<const std::uint8_t> body, std::size_t max_payload, Envelope* envelope,
                         std::string* error) {
    switch (envelope->kind) {
        case EnvelopeKind::Hello:
        case EnvelopeKind::Room:
        case EnvelopeKind::Seek:
            if (body.size() != 1) return Refuse("a greeting holds one byte", error);
            if (body[0] != kEnvelopeVersion) return Refuse("another version of the envelope", error);
            if (envelope->kind == EnvelopeKind::Hello && envelope->sequence != 1)
                return Refuse("a hello is numbered 1", error);
            if (envelope->kind != EnvelopeKind::Hello && envelope->sequence != 0)
                return Refuse("a room notice or a search is numbered 0", error);
            return EnvelopeFault::None;
        case EnvelopeKind::Data:
            if (body.empty()) return Refuse("a message is empty", error);
            if (body.size() > max_payload) {
                *error = "a message exceeds the size limit";
                return EnvelopeFault::Oversized;
            }
            if (envelope->sequence == 0) return Refuse("a message is numbered 0", error);
            envelope->payload.assign(body.begin(), body.end());
            return EnvelopeFault::None;
        case EnvelopeKind::Bye:
            if (body.size() != 1 || !KnownReason(body[0])) return Refuse("a goodbye without a reason", error);
            envelope->reason = static_cast<DisconnectReason>(body[0]);
            return EnvelopeFault::None;
        case EnvelopeKind::Alive:
            if (!body.empty() || envelope->sequence != 0)
                return Refuse("a sign of life holds nothing", error);
            return EnvelopeFault::None;
        case EnvelopeKind::Follow:
            if (body.size() != 4 || envelope->sequence == 0)
                return Refuse("a call to follow holds a number and is numbered", error);
            for (int i = 0; i < 4; ++i) envelope->first |= static_cast<std::uint32_t>(body[i]) << (8 * i);
            if (envelope->first == 0) return Refuse("the spectators' numbers start at 1", error);
            return EnvelopeFault::None;
    }
    return Refuse("an envelope of an unknown kind", error);
}

}  // namespace

std::vector<std::uint8_t> EncodeEnvelope(const Envelope& envelope) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(envelope.kind)};
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(envelope.sequence >> shift));
    switch (envelope.kind) {
        case EnvelopeKind::Hello:
        case EnvelopeKind::Room:
        case EnvelopeKind::Seek:
            bytes.push_back(kEnvelopeVersion);
            break;
        case EnvelopeKind::Data:
            bytes.insert(bytes.end(), envelope.payload.begin(), envelope.payload.end());
            break;
        case EnvelopeKind::Bye:
            bytes.push_back(static_cast<std::uint8_t>(envelope.reason));
            break;
        case EnvelopeKind::Alive:
            break;
        case EnvelopeKind::Follow:
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<std::uint8_t>(envelope.first >> shift));
            break;
    }
    return bytes;
}

EnvelopeFault DecodeEnvelope(std::span<const std::uint8_t> bytes, std::size_t max_payload, Envelope* envelope,
                             std::string* error) {
    if (bytes.size() < kHeaderBytes) return Refuse("an envelope is cut short", error);
    if (bytes[0] < static_cast<std::uint8_t>(EnvelopeKind::Hello) ||
        bytes[0] > static_cast<std::uint8_t>(EnvelopeKind::Seek))
        return Refuse("an envelope of an unknown kind", error);
    *envelope = Envelope{};
    envelope->kind = static_cast<EnvelopeKind>(bytes[0]);
    for (int i = 0; i < 4; ++i) envelope->sequence |= static_cast<std::uint32_t>(bytes[1 + i]) << (8 * i);
    return DecodeBody(bytes.subspan(kHeaderBytes), max_payload, envelope, error);
}

}  // namespace net
