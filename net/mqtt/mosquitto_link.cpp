// The relay connection of the programs: libmosquitto driven from the owner's thread, its callbacks kept as
// state.
#include "net/mqtt/mosquitto_link.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/transport.h"

namespace net {
namespace {

constexpr int kAtMostOnce = 0;
constexpr int kAtLeastOnce = 1;
// How long Open waits for a TLS handshake and the broker's answer.
constexpr auto kTlsWait = std::chrono::seconds(5);
// Open's waits are cut into slices this long.
constexpr int kTlsSliceMs = 10;
// Packets read in one round of the loop beyond libmosquitto's own.
constexpr int kMostReadsPerPump = 1000;

// True if the socket has something to read now (or has closed).
bool Readable(int socket) {
    if (socket < 0) return false;
    pollfd entry{socket, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

// libmosquitto is initialised while any link exists.
std::mutex library_mutex;
int library_users = 0;

void AcquireLibrary() {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (library_users++ == 0) mosquitto_lib_init();
}

void ReleaseLibrary() {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (--library_users == 0) mosquitto_lib_cleanup();
}

}  // namespace

// Every callback runs inside mosquitto_loop, called from Pump, on the owner's thread.
struct MosquittoCallbacks {
    static MosquittoLink& Of(void* self) { return *static_cast<MosquittoLink*>(self); }

    static void Connect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
        Of(self).state_ = rc == 0 ? MosquittoLink::State::Open : MosquittoLink::State::Lost;
    }

    // A connection the broker closed (another client took its id, say) reads as lost, reset or
    // taken over; one that fell silent, as a keep-alive missed.
    static void Disconnect(mosquitto*, void* self, int reason, const mosquitto_property*) {
        MosquittoLink& link = Of(self);
        if (link.state_ == MosquittoLink::State::Closed) return;
        if (link.state_ == MosquittoLink::State::Open)
            link.dropped_ = reason == MOSQ_ERR_CONN_LOST || reason == MOSQ_ERR_ERRNO ||
                            reason == MQTT_RC_SESSION_TAKEN_OVER;
        link.state_ = MosquittoLink::State::Lost;
    }

    // The broker took a message; a refusal (not authorised, say) means this end is misbehaving or
    // misconfigured, and ends the connection as lost rather than leave a gap.
    static void Publish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
        MosquittoLink& link = Of(self);
        link.unacknowledged_.erase(mid);
        if (reason >= 0x80 && link.state_ == MosquittoLink::State::Open)
            link.state_ = MosquittoLink::State::Lost;
    }

    static void Subscribe(mosquitto*, void* self, int mid, int, const int*, const mosquitto_property*) {
        Of(self).subscribed_.insert(mid);
    }

    static void Message(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*) {
        const auto* bytes = static_cast<const std::uint8_t*>(message->payload);
        Of(self).incoming_.push_back({message->topic, {bytes, bytes + message->payloadlen}});
    }

    // libmosquitto tells why a TLS handshake failed only in its log, OpenSSL's words.
    static void Log(mosquitto*, void* self, int level, const char* text) {
        if (level != MOSQ_LOG_ERR || std::strncmp(text, "OpenSSL Error", 13) != 0) return;
        Of(self).tls_failed_ = true;
        if (std::strstr(text, "certificate verify failed") != nullptr) Of(self).certificate_refused_ = true;
    }
};

MosquittoLink::MosquittoLink(RelayTls tls) : tls_(std::move(tls)) { AcquireLibrary(); }

MosquittoLink::~MosquittoLink() {
    if (handle_ != nullptr) mosquitto_destroy(handle_);
    ReleaseLibrary();
}

bool MosquittoLink::Open(const std::string& host, std::uint16_t port, const std::string& client_id,
                         const std::string& username, int keepalive_s, const Will& will, std::string* error) {
    // A clean session each time: nothing is kept for this client id after it goes.
    handle_ = mosquitto_new(client_id.c_str(), true, this);
    if (handle_ == nullptr) {
        *error = says::kRelayClientNotMade;
        return false;
    }
    mosquitto_int_option(handle_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    // A key is one small message: it goes at once, not held back to gather more (Nagle's delay).
    mosquitto_int_option(handle_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_username_pw_set(handle_, username.c_str(), nullptr);
    mosquitto_connect_v5_callback_set(handle_, MosquittoCallbacks::Connect);
    mosquitto_disconnect_v5_callback_set(handle_, MosquittoCallbacks::Disconnect);
    mosquitto_publish_v5_callback_set(handle_, MosquittoCallbacks::Publish);
    mosquitto_subscribe_v5_callback_set(handle_, MosquittoCallbacks::Subscribe);
    mosquitto_message_v5_callback_set(handle_, MosquittoCallbacks::Message);
    if (mosquitto_will_set_v5(handle_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                              will.payload.data(), kAtMostOnce, will.retain, nullptr) != MOSQ_ERR_SUCCESS) {
        *error = says::kRelayNoWill;
        return false;
    }
    if (tls_.on && !StartTls(error)) return false;
    const std::string where = host + ":" + std::to_string(port);
    // The handshake happens here or in the first rounds of the loop, as the system goes.
    const int rc = mosquitto_connect_bind_v5(handle_, host.c_str(), port, keepalive_s, nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS) return !tls_.on || AwaitTls(where, error);
    *error =
        tls_failed_ || rc == MOSQ_ERR_TLS ? TlsRefused(where) : Compose(says::kRelayUnreachable, {where});
    return false;
}

bool MosquittoLink::StartTls(std::string* error) {
    // The broker's certificate must verify and name the host (libmosquitto checks the name unless
    // told to be insecure, which this link never is).
    mosquitto_log_callback_set(handle_, MosquittoCallbacks::Log);
    const int rc = tls_.ca_file.empty()
                       ? mosquitto_int_option(handle_, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                       : mosquitto_tls_set(handle_, tls_.ca_file.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc == MOSQ_ERR_SUCCESS) return true;
    *error = tls_.ca_file.empty() ? std::string(says::kNoAuthorities)
                                  : Compose(says::kAuthorityUnreadable, {tls_.ca_file});
    return false;
}

// Why a TLS connection failed, as the player reads it.
std::string MosquittoLink::TlsRefused(const std::string& where) const {
    return Compose(certificate_refused_ ? says::kCertificateRefused : says::kNoTls, {where});
}

bool MosquittoLink::AwaitTls(const std::string& where, std::string* error) {
    // A broker that answers, refuses or stays silent for some other reason is judged later, as any.
    const auto end = std::chrono::steady_clock::now() + kTlsWait;
    while (state_ == State::Connecting && !tls_failed_ && std::chrono::steady_clock::now() < end)
        Pump(kTlsSliceMs);
    if (!tls_failed_) return true;
    *error = TlsRefused(where);
    return false;
}

int MosquittoLink::Subscribe(const std::string& filter) {
    int mid = 0;
    if (state_ != State::Open ||
        mosquitto_subscribe_v5(handle_, &mid, filter.c_str(), kAtLeastOnce, 0, nullptr) != MOSQ_ERR_SUCCESS)
        return -1;
    return mid;
}

bool MosquittoLink::Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                            bool confirmed) {
    int mid = 0;
    if (state_ != State::Open ||
        mosquitto_publish_v5(handle_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                             confirmed ? kAtLeastOnce : kAtMostOnce, retain, nullptr) != MOSQ_ERR_SUCCESS)
        return false;
    if (confirmed) unacknowledged_.insert(mid);
    return true;
}

void MosquittoLink::Close() {
    if (state_ == State::Open) mosquitto_disconnect_v5(handle_, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    state_ = State::Closed;
}

void MosquittoLink::Pump(int timeout_ms) {
    // One round of waiting for the socket, reading, writing and keeping alive.
    if (state_ != State::Connecting && state_ != State::Open) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        return;
    }
    if (mosquitto_loop(handle_, timeout_ms, 1) != MOSQ_ERR_SUCCESS && state_ != State::Closed) {
        state_ = State::Lost;
        return;
    }
    // A round of libmosquitto's loop reads only as many packets as this client has messages
    // awaiting an answer, at least one: read on while more has arrived, so that a round takes all
    // that is waiting (up to a bound, so that a flood cannot hold the owner).
    for (int n = 0; n < kMostReadsPerPump && state_ == State::Open && Readable(mosquitto_socket(handle_));
         ++n)
        if (mosquitto_loop_read(handle_, 1) != MOSQ_ERR_SUCCESS && state_ != State::Closed)
            state_ = State::Lost;
}

}  // namespace net
