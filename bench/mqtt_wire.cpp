// MQTT 5 packets for the room load generator: writing what a client sends, reading what a broker
// answers.
#include "bench/mqtt_wire.h"

namespace bench {
namespace {

constexpr std::uint8_t kProtocolLevel = 5;
// Connect flags: a user name, a will at least once (QoS 1), a clean start.
constexpr std::uint8_t kUserName = 0x80, kWillAtLeastOnce = 0x08, kWill = 0x04, kCleanStart = 0x02;
constexpr std::uint8_t kAtLeastOnceFlag = 0x02;
constexpr std::size_t kLongestLength = 4;  // bytes of a variable byte integer

void AppendVarint(Bytes* out, std::size_t value) {
    do {
        std::uint8_t byte = value % 128;
        value /= 128;
        if (value > 0) byte |= 0x80;
        out->push_back(byte);
    } while (value > 0);
}

void AppendU16(Bytes* out, std::size_t value) {
    out->push_back(static_cast<std::uint8_t>(value >> 8));
    out->push_back(static_cast<std::uint8_t>(value));
}

void AppendBinary(Bytes* out, std::span<const std::uint8_t> bytes) {
    AppendU16(out, bytes.size());
    out->insert(out->end(), bytes.begin(), bytes.end());
}

void AppendString(Bytes* out, const std::string& text) {
    AppendBinary(out, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The fixed header before a body made apart, then the body.
void AppendPacket(Bytes* out, std::uint8_t first, const Bytes& body) {
    out->push_back(first);
    AppendVarint(out, body.size());
    out->insert(out->end(), body.begin(), body.end());
}

// Reads a body front to back; any read past its end makes it bad for good.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Good() const { return good_; }
    std::size_t Left() const { return good_ ? bytes_.size() - at_ : 0; }
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(good_ ? at_ : bytes_.size()); }

    std::uint8_t U8() { return Take(1) ? bytes_[at_ - 1] : 0; }
    std::uint16_t U16() {
        if (!Take(2)) return 0;
        return static_cast<std::uint16_t>(bytes_[at_ - 2] << 8 | bytes_[at_ - 1]);
    }
    std::string String() {
        const std::size_t size = U16();
        if (!Take(size)) return {};
        return {reinterpret_cast<const char*>(bytes_.data() + at_ - size), size};
    }
    // Properties: their length, then skipped (the generator asks for none and needs none).
    void SkipProperties() {
        std::size_t size = 0;
        for (std::size_t i = 0, scale = 1; good_; ++i, scale *= 128) {
            const std::uint8_t byte = U8();
            size += (byte & 0x7f) * scale;
            if ((byte & 0x80) == 0) break;
            if (i + 1 == kLongestLength) good_ = false;
        }
        Take(size);
    }

private:
    bool Take(std::size_t size) {
        good_ = good_ && bytes_.size() - at_ >= size;
        if (good_) at_ += size;
        return good_;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool good_ = true;
};

}  // namespace

void AppendConnect(Bytes* out, const ConnectFields& fields) {
    Bytes body;
    AppendString(&body, "MQTT");
    body.push_back(kProtocolLevel);
    body.push_back(kUserName | kWillAtLeastOnce | kWill | kCleanStart);
    AppendU16(&body, fields.keepalive_s);
    AppendVarint(&body, 0);  // no properties
    AppendString(&body, fields.client_id);
    AppendVarint(&body, 0);  // the will's: none
    AppendString(&body, fields.will_topic);
    AppendBinary(&body, fields.will_payload);
    AppendString(&body, fields.username);
    AppendPacket(out, static_cast<std::uint8_t>(PacketType::Connect) << 4, body);
}

void AppendSubscribe(Bytes* out, std::uint16_t id, const std::string& filter, std::uint8_t qos) {
    Bytes body;
    AppendU16(&body, id);
    AppendVarint(&body, 0);
    AppendString(&body, filter);
    body.push_back(qos);
    AppendPacket(out, static_cast<std::uint8_t>(PacketType::Subscribe) << 4 | 0x02, body);
}

void AppendPublish(Bytes* out, const std::string& topic, std::span<const std::uint8_t> payload,
                   std::uint16_t id) {
    // Written in place: the generator's most common packet.
    const std::size_t size = 2 + topic.size() + (id != 0 ? 2 : 0) + 1 + payload.size();
    out->push_back(static_cast<std::uint8_t>(PacketType::Publish) << 4 | (id != 0 ? kAtLeastOnceFlag : 0));
    AppendVarint(out, size);
    AppendString(out, topic);
    if (id != 0) AppendU16(out, id);
    AppendVarint(out, 0);
    out->insert(out->end(), payload.begin(), payload.end());
}

void AppendPuback(Bytes* out, std::uint16_t id) {
    out->push_back(static_cast<std::uint8_t>(PacketType::Puback) << 4);
    out->push_back(2);
    AppendU16(out, id);
}

void AppendPingreq(Bytes* out) { out->insert(out->end(), {static_cast<std::uint8_t>(0xc0), 0}); }

void AppendDisconnect(Bytes* out) { out->insert(out->end(), {static_cast<std::uint8_t>(0xe0), 0}); }

Split SplitPacket(std::span<const std::uint8_t> bytes, std::size_t largest, Packet* packet,
                  std::size_t* used) {
    // The first byte, then the body's length in one to four bytes, low seven bits first.
    std::size_t size = 0, at = 1;
    for (std::size_t scale = 1;; ++at, scale *= 128) {
        if (at > kLongestLength) return Split::Malformed;
        if (at >= bytes.size()) return Split::Partial;
        size += (bytes[at] & 0x7f) * scale;
        if ((bytes[at] & 0x80) == 0) break;
    }
    ++at;
    if (size > largest) return Split::Malformed;
    if (bytes.size() - at < size) return Split::Partial;
    packet->type = static_cast<PacketType>(bytes[0] >> 4);
    packet->flags = bytes[0] & 0x0f;
    packet->body = bytes.subspan(at, size);
    *used = at + size;
    return Split::Whole;
}

bool ReadConnack(std::span<const std::uint8_t> body, std::uint8_t* reason) {
    Reader reader(body);
    reader.U8();  // whether a session was kept: never, on a clean start
    *reason = reader.U8();
    reader.SkipProperties();
    return reader.Good();
}

bool ReadSuback(std::span<const std::uint8_t> body, std::uint16_t* id, std::uint8_t* reason) {
    Reader reader(body);
    *id = reader.U16();
    reader.SkipProperties();
    *reason = reader.U8();
    return reader.Good();
}

bool ReadPublish(std::uint8_t flags, std::span<const std::uint8_t> body, std::string* topic,
                 std::span<const std::uint8_t>* payload, std::uint16_t* id) {
    Reader reader(body);
    *topic = reader.String();
    *id = (flags & 0x06) != 0 ? reader.U16() : 0;
    reader.SkipProperties();
    *payload = reader.Rest();
    return reader.Good() && !topic->empty();
}

bool ReadPuback(std::span<const std::uint8_t> body, std::uint16_t* id, std::uint8_t* reason) {
    Reader reader(body);
    *id = reader.U16();
    *reason = reader.Left() > 0 ? reader.U8() : 0;
    return reader.Good();
}

}  // namespace bench
