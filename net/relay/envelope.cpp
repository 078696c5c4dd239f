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

// A Batch's body: its count, then each message after its length, nothing left over; its numbers
// must not run past the last.
EnvelopeFault DecodeBatch(std::span<const std::uint8_t> body, std::size_t max_payload, Envelope* envelope,
                          std::string* error) {
    if (body.empty() || body[0] < 2) return Refuse("a batch holds two messages or more", error);
    if (envelope->sequence == 0 || body[0] - 1u > 0xFFFFFFFFu - envelope->sequence)
        return Refuse("a batch's numbers run out", error);
    std::size_t at = 1, total = 0;
    for (std::size_t i = 0; i < body[0]; ++i) {
        if (body.size() - at < 2) return Refuse("a batch is cut short", error);
        const std::size_t length = body[at] | static_cast<std::size_t>(body[at + 1]) << 8;
        at += 2;
        if (length == 0) return Refuse("a message is empty", error);
        if (body.size() - at < length) return Refuse("a batch is cut short", error);
        total += length;
        if (total > max_payload) {
            *error = "a message exceeds the size limit";
            return EnvelopeFault::Oversized;
        }
        envelope->batch.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(at),
                                     body.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    if (at != body.size()) return Refuse("a batch has bytes left over", error);
    return EnvelopeFault::None;
}

// The body after the header, by kind; the header is already in *envelope.
EnvelopeFault DecodeBody(std::span<const std::uint8_t> body, std::size_t max_payload, Envelope* envelope,
                         std::string* error) {
    switch (envelope->kind) {
        case EnvelopeKind::Hello:
        case EnvelopeKind::Room:
        case EnvelopeKind::Seek:
            if (body.empty() || body[0] != kEnvelopeVersion)
                return Refuse("another version of the envelope", error);
            if (body.size() != 1 && (envelope->kind != EnvelopeKind::Hello || body.size() != 1 + kKeyBytes))
                return Refuse("a greeting holds its version and a hello perhaps a key", error);
            envelope->payload.assign(body.begin() + 1, body.end());
            if (envelope->kind == EnvelopeKind::Hello && envelope->sequence != 1)
                return Refuse("a hello is numbered 1", error);
            if (envelope->kind != EnvelopeKind::Hello && envelope->sequence != 0)
                return Refuse("a room notice or a search is numbered 0", error);
            return EnvelopeFault::None;
        case EnvelopeKind::Moved:
            if (body.size() != kKeyBytes || envelope->sequence != 0)
                return Refuse("a move holds a key and is numbered 0", error);
            envelope->payload.assign(body.begin(), body.end());
            return EnvelopeFault::None;
        case EnvelopeKind::Data:
        case EnvelopeKind::ForAll:
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
        case EnvelopeKind::Batch:
            return DecodeBatch(body, max_payload, envelope, error);
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
            bytes.insert(bytes.end(), envelope.payload.begin(), envelope.payload.end());
            break;
        case EnvelopeKind::Data:
        case EnvelopeKind::ForAll:
        case EnvelopeKind::Moved:
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
        case EnvelopeKind::Batch:
            bytes.push_back(static_cast<std::uint8_t>(envelope.batch.size()));
            for (const std::vector<std::uint8_t>& message : envelope.batch) {
                bytes.push_back(static_cast<std::uint8_t>(message.size()));
                bytes.push_back(static_cast<std::uint8_t>(message.size() >> 8));
                bytes.insert(bytes.end(), message.begin(), message.end());
            }
            break;
    }
    return bytes;
}

std::vector<Envelope> Unbatch(const Envelope& envelope) {
    if (envelope.kind == EnvelopeKind::Data) return {envelope};
    std::vector<Envelope> messages;
    if (envelope.kind != EnvelopeKind::Batch) return messages;
    for (std::size_t i = 0; i < envelope.batch.size(); ++i) {
        Envelope message;
        message.sequence = envelope.sequence + static_cast<std::uint32_t>(i);
        message.payload = envelope.batch[i];
        messages.push_back(std::move(message));
    }
    return messages;
}

EnvelopeFault DecodeEnvelope(std::span<const std::uint8_t> bytes, std::size_t max_payload, Envelope* envelope,
                             std::string* error) {
    if (bytes.size() < kHeaderBytes) return Refuse("an envelope is cut short", error);
    if (bytes[0] < static_cast<std::uint8_t>(EnvelopeKind::Hello) ||
        bytes[0] > static_cast<std::uint8_t>(EnvelopeKind::ForAll))
        return Refuse("an envelope of an unknown kind", error);
    *envelope = Envelope{};
    envelope->kind = static_cast<EnvelopeKind>(bytes[0]);
    for (int i = 0; i < 4; ++i) envelope->sequence |= static_cast<std::uint32_t>(bytes[1 + i]) << (8 * i);
    return DecodeBody(bytes.subspan(kHeaderBytes), max_payload, envelope, error);
}

}  // namespace net
