// The envelope of every message on the relay: who is speaking in which order, and what they say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "net/transport.h"

namespace net {

// Raised whenever the envelope changes; machines with different numbers do not meet.
constexpr std::uint8_t kEnvelopeVersion = 3;

// The form, all numbers little-endian:
//   kind (1 byte) sequence (4 bytes) then by kind:
//   Hello  version (1 byte) [key]       a guest asking to join, or the host taking it; sequence 1.
//                                       The host's carries the guest's key (kKeyBytes), which
//                                       proves the host to it if the host moves
//   Data   payload (1 byte or more)     a message of the transport
//   Bye    reason (1 byte)              the sender closes; sequence 0 when it is a last will
//   Room   version (1 byte)             a host's notice that it keeps the room; sequence 0
//   Seek   version (1 byte)             a joiner asking who keeps the room; sequence 0
//   Alive  nothing                      the sender is still there; sequence 0
//   Follow first (4 bytes)              the host to a guest or a spectator: from here on it also
//                                       reads the host's topic for all, from the number `first`
//   Batch  count (1 byte) then count times length (2 bytes) and message (that many bytes)
//                                       2 to kMaxBatch messages of the transport, numbered
//                                       sequence, sequence + 1...: what one sender said to one
//                                       topic in a row, sent as one
//   Moved  key (kKeyBytes)              the host to a guest: it speaks from the sender's id from
//                                       here on (its old id was taken over); sequence 0
//   ForAll payload (1 byte or more)     a message of the host's topic for all, numbered there, sent
//                                       to one guest alone (while it moves to the host's new topic)
// Each sender numbers what it sends to one receiver 1, 2, 3... (Alive, Room and Seek are outside the
// numbering): a receiver takes the next number, ignores a number it already had (the broker
// delivers at least once) and closes the connection on a gap (the broker dropped something). What
// the host says to all its spectators at once (Data only) has a numbering of its own, 1, 2, 3...,
// read the same way. A receiver takes a Batch as its messages one after another, each a Data.
enum class EnvelopeKind : std::uint8_t {
    Hello = 1,
    Data = 2,
    Bye = 3,
    Room = 4,
    Alive = 5,
    Follow = 6,
    Seek = 7,
    Batch = 8,
    Moved = 9,
    ForAll = 10
};

// A guest's key, as its host's hello and Moved carry it.
constexpr std::size_t kKeyBytes = 16;

// A Batch holds at most this many messages, and its messages together at most the largest one
// (the receiver's max_payload).
constexpr std::size_t kMaxBatch = 255;

struct Envelope {
    EnvelopeKind kind = EnvelopeKind::Data;
    std::uint32_t sequence = 0;
    std::vector<std::uint8_t> payload;                   // Data and ForAll; the key of Hello and Moved
    DisconnectReason reason = DisconnectReason::Closed;  // Bye only
    std::uint32_t first = 0;                             // Follow only
    std::vector<std::vector<std::uint8_t>> batch{};      // Batch only: 2 to kMaxBatch messages
    bool operator==(const Envelope&) const = default;
};

// What a decoder found wrong, if anything.
enum class EnvelopeFault { None, Oversized, Malformed };

// The bytes of an envelope. Its fields are taken as they are: the caller builds only well-formed
// envelopes.
std::vector<std::uint8_t> EncodeEnvelope(const Envelope& envelope);

// The messages of a Data or a Batch envelope, each as a Data envelope with its number; none for
// another kind.
std::vector<Envelope> Unbatch(const Envelope& envelope);

// Reads an envelope whose Data payload (a Batch's messages together) may hold at most max_payload
// bytes. On a fault, returns it
// with a printable message in *error and leaves *envelope unspecified.
EnvelopeFault DecodeEnvelope(std::span<const std::uint8_t> bytes, std::size_t max_payload, Envelope* envelope,
                             std::string* error);

}  // namespace net
