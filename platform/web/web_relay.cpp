// The page's link to the relay: the room's host or guest end drives the page's MQTT client through these
// calls, and takes what the client heard from its queue whenever it pumps.
#include "platform/web/web_relay.h"

#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_host.h"
#include "net/relay/mqtt_link.h"

// The bodies of EM_JS are JavaScript.
// clang-format off
EM_JS(int, web_relay_open, (const char* address, const char* id, const char* user, int keepalive,
                            const char* will_topic, const std::uint8_t* will, int will_size, int retain), {
    return Module.lobshotRelay.open(UTF8ToString(address), UTF8ToString(id), UTF8ToString(user), keepalive,
                                    UTF8ToString(will_topic), HEAPU8.slice(will, will + will_size), retain != 0);
});

EM_JS(int, web_relay_subscribe, (int client, const char* filter), {
    return Module.lobshotRelay.subscribe(client, UTF8ToString(filter));
});

EM_JS(void, web_relay_publish, (int client, const char* topic, const std::uint8_t* bytes, int size, int retain), {
    Module.lobshotRelay.publish(client, UTF8ToString(topic), HEAPU8.slice(bytes, bytes + size), retain != 0);
});

EM_JS(void, web_relay_close, (int client, int goodbye), { Module.lobshotRelay.close(client, goodbye != 0); });

// The client's oldest news, held until web_relay_copy: its kind (0 none, 1 open, 2 lost,
// 3 subscribed, 4 message), the number of the request answered and the sizes of a message's parts.
EM_JS(int, web_relay_next, (int client, int* request, int* topic_size, int* payload_size), {
    const news = Module.lobshotRelay.take(client);
    Module.lobshotRelayHeld = news;
    if (!news) return 0;
    HEAP32[request >> 2] = news.mid || 0;
    HEAP32[topic_size >> 2] = news.topic ? lengthBytesUTF8(news.topic) : 0;
    HEAP32[payload_size >> 2] = news.payload ? news.payload.length : 0;
    return {open: 1, lost: 2, subscribed: 3, message: 4}[news.kind];
});

// The held message's topic (with room for its terminating zero) and payload.
EM_JS(void, web_relay_copy, (char* topic, int topic_room, std::uint8_t* payload), {
    const news = Module.lobshotRelayHeld;
    stringToUTF8(news.topic, topic, topic_room);
    HEAPU8.set(news.payload, payload);
});
// clang-format on

namespace {

// The kinds web_relay_next tells.
enum class News { None = 0, Opened = 1, Lost = 2, Subscribed = 3, Message = 4 };

// The page's link: the client is the page script's; this end only asks and takes news.
class WebRelayLink final : public net::MqttLink {
public:
    ~WebRelayLink() override {
        if (client_ != 0 && (state_ == State::Connecting || state_ == State::Open))
            web_relay_close(client_, 0);
    }

    bool Open(const std::string& host, std::uint16_t port, const std::string& client_id,
              const std::string& username, int keepalive_s, const Will& will, std::string*) override {
        const std::string address = host + ":" + std::to_string(port);
        client_ = web_relay_open(address.c_str(), client_id.c_str(), username.c_str(), keepalive_s,
                                 will.topic.c_str(), will.payload.data(),
                                 static_cast<int>(will.payload.size()), will.retain ? 1 : 0);
        return true;
    }

    int Subscribe(const std::string& filter) override {
        return state_ == State::Open ? web_relay_subscribe(client_, filter.c_str()) : -1;
    }

    // The page's client confirms every message.
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                 bool /*confirmed*/) override {
        if (state_ != State::Open) return false;
        web_relay_publish(client_, topic.c_str(), payload.data(), static_cast<int>(payload.size()),
                          retain ? 1 : 0);
        return true;
    }

    void Close() override {
        if (state_ == State::Open) web_relay_close(client_, 1);
        state_ = State::Closed;
    }

    // Takes up every piece of news; the client's own loop runs while the page's thread is away.
    void Pump(int) override {
        int request = 0, topicSize = 0, payloadSize = 0;
        for (;;) {
            const auto kind = static_cast<News>(web_relay_next(client_, &request, &topicSize, &payloadSize));
            if (kind == News::None) return;
            TakeNews(kind, request, topicSize, payloadSize);
        }
    }

    bool Waits() const override { return false; }

    using MqttLink::Open;

private:
    void TakeNews(News kind, int request, int topicSize, int payloadSize) {
        if (state_ == State::Closed) return;
        if (kind == News::Opened && state_ == State::Connecting) {
            state_ = State::Open;
        } else if (kind == News::Lost) {
            // The page's client connects again without waiting on the page, so any connection
            // that was open is worth making again.
            dropped_ = state_ == State::Open;
            state_ = State::Lost;
        } else if (kind == News::Subscribed) {
            subscribed_.insert(request);
        } else if (kind == News::Message) {
            std::vector<char> topic(static_cast<std::size_t>(topicSize) + 1);
            Incoming message{{}, std::vector<std::uint8_t>(static_cast<std::size_t>(payloadSize))};
            web_relay_copy(topic.data(), topicSize + 1, message.payload.data());
            message.topic = topic.data();
            incoming_.push_back(std::move(message));
        }
    }

    int client_ = 0;
};

// A page frozen by its browser (a phone's, while its person answers a message elsewhere) sends the
// broker nothing: the broker keeps it for one and a half keep-alives, longer than a host holds a
// machine whose person is away.
net::TransportOptions PageOptions(const net::TransportOptions& options) {
    net::TransportOptions page = options;
    page.relay_keepalive_s = 110;
    return page;
}

}  // namespace

std::unique_ptr<net::Transport> WebJoinRoom(const std::string& relay, const std::string& code,
                                            const net::TransportOptions& options, std::string* error) {
    return net::JoinRoom(std::make_unique<WebRelayLink>(), relay, code, PageOptions(options), error);
}

namespace {

std::unique_ptr<net::MqttLink> NewWebRelayLink() { return std::make_unique<WebRelayLink>(); }

}  // namespace

std::unique_ptr<net::Transport> WebOpenRoom(const std::string& relay, const std::string& code,
                                            const std::string& watch_code,
                                            const net::TransportOptions& options, std::string* error) {
    return net::OpenRoom(NewWebRelayLink, relay, code, watch_code, PageOptions(options), false, error);
}
