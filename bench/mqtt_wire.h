// MQTT 5 packets as the room load generator writes and reads them over plain sockets: the few a
// room's ends need (connect with a will, subscribe, publish, keep alive), nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

// Control packet types, the high four bits of a packet's first byte.
enum class PacketType : std::uint8_t {
    Connect = 1,
    Connack = 2,
    Publish = 3,
    Puback = 4,
    Subscribe = 8,
    Suback = 9,
    Pingreq = 12,
    Pingresp = 13,
    Disconnect = 14
};

// What a client says when it connects: a clean start, a user name without a password, and a will
// the broker publishes at least once (QoS 1), not retained, if the connection ends without a
// goodbye. No properties.
struct ConnectFields {
    std::string client_id;
    std::string username;
    std::uint16_t keepalive_s = 0;
    std::string will_topic;
    Bytes will_payload;
};

// Each appends one whole packet to *out. Strings and payloads are taken as they are: the caller
// keeps them within the protocol's sizes (strings below 64 KiB, a packet below 256 MiB).
void AppendConnect(Bytes* out, const ConnectFields& fields);
// A subscription to one filter at the given QoS, request number `id` (1 to 65535).
void AppendSubscribe(Bytes* out, std::uint16_t id, const std::string& filter, std::uint8_t qos);
// A message, not retained: at most once (QoS 0) when `id` is 0, else at least once numbered `id`.
void AppendPublish(Bytes* out, const std::string& topic, std::span<const std::uint8_t> payload,
                   std::uint16_t id);
void AppendPuback(Bytes* out, std::uint16_t id);
void AppendPingreq(Bytes* out);
// A normal disconnection: the broker drops the will.
void AppendDisconnect(Bytes* out);

// One packet at the front of a stream of bytes: its type, the low four bits of its first byte and
// what follows the fixed header (a view into the stream).
struct Packet {
    PacketType type = PacketType::Connect;
    std::uint8_t flags = 0;
    std::span<const std::uint8_t> body;
};

// Whether the front of a stream holds a whole packet, only part of one so far, or bytes that no
// packet begins with (a length longer than four bytes, or a packet over `largest` bytes).
enum class Split { Whole, Partial, Malformed };
Split SplitPacket(std::span<const std::uint8_t> bytes, std::size_t largest, Packet* packet,
                  std::size_t* used);

// The fields of packets from the broker, read from a packet's body; false if it is malformed.
// A publish's payload is a view into the body; `id` is 0 for one sent at most once.
bool ReadConnack(std::span<const std::uint8_t> body, std::uint8_t* reason);
bool ReadSuback(std::span<const std::uint8_t> body, std::uint16_t* id, std::uint8_t* reason);
bool ReadPublish(std::uint8_t flags, std::span<const std::uint8_t> body, std::string* topic,
                 std::span<const std::uint8_t>* payload, std::uint16_t* id);
bool ReadPuback(std::span<const std::uint8_t> body, std::uint16_t* id, std::uint8_t* reason);

}  // namespace bench
