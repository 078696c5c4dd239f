// The broker for the relay's tests, run from the project's script, and a bare client beside it.
#include "relay_broker.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace net_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAttempts = 5;
constexpr auto kStartBudget = std::chrono::seconds(5);
constexpr auto kAnswerBudget = std::chrono::seconds(1);
constexpr auto kConnectBudget = std::chrono::seconds(5);

bool MosquittoInstalled() {
    if (access("/usr/sbin/mosquitto", X_OK) == 0) return true;
    return std::system("command -v mosquitto >/dev/null 2>&1") == 0;
}

// A TCP socket on 127.0.0.1 (or every address), bound to `port` (0: any free one); -1 if it cannot.
int BoundSocket(std::uint16_t port, bool loopback) {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    if (sock >= 0 && bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return sock;
    if (sock >= 0) close(sock);
    return -1;
}

// A port free on 127.0.0.1 whose next one is free on every address (the WebSocket listener's).
std::uint16_t FreePortPair() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int first = BoundSocket(0, true);
        const std::uint16_t port = PortOf(first);
        const int second = port < 65534 ? BoundSocket(port + 1, false) : -1;
        close(first);
        if (second >= 0) {
            close(second);
            return port;
        }
    }
    return 0;
}

bool Accepts(std::uint16_t port) {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(sock);
    return ok;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int ListeningSocket() {
    const int sock = BoundSocket(0, true);
    listen(sock, 4);
    return sock;
}

std::uint16_t PortOf(int socket) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

void CloseSocket(int socket) { close(socket); }

RelayBroker::~RelayBroker() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (!log_.empty()) unlink(log_.c_str());
}

void RelayBroker::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool RelayBroker::Start(std::string* error) {
    if (!MosquittoInstalled()) {
        *error = "Mosquitto is not installed (Debian package mosquitto): run scripts/install-deps.sh";
        return false;
    }
    char log[] = "/tmp/lobshot-relay-XXXXXX";
    const int log_fd = mkstemp(log);
    if (log_fd < 0) {
        *error = "no file for the broker's log";
        return false;
    }
    close(log_fd);
    log_ = log;
    // Another process may take the port between finding it and the broker binding it: try again.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::uint16_t port = FreePortPair();
        if (port != 0 && TryPort(port, error)) return true;
    }
    return false;
}

bool RelayBroker::TryPort(std::uint16_t port, std::string* error) {
    const std::string script = std::string(LOBSHOT_SOURCE_DIR) + "/scripts/relay.sh";
    const std::string port_text = std::to_string(port);
    pid_ = fork();
    if (pid_ == 0) {
        const int out = open(log_.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execl("/bin/bash", "bash", script.c_str(), port_text.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const Clock::time_point end = Clock::now() + kStartBudget;
    while (Clock::now() < end) {
        if (Accepts(port)) {
            port_ = port;
            return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    *error = "the relay did not start on port " + port_text + ":\n" + Contents(log_);
    return false;
}

namespace {

RawClient& Of(void* self) { return *static_cast<RawClient*>(self); }

void OnConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    Of(self).SetConnected(rc == 0);
}

void OnPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
    Of(self).Answer(mid, reason);
}

void OnSubscribe(mosquitto*, void* self, int mid, int, const int* granted, const mosquitto_property*) {
    Of(self).Answer(mid, granted[0]);
}

void OnMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*) {
    const auto* bytes = static_cast<const std::uint8_t*>(message->payload);
    Of(self).Take({message->topic, {bytes, bytes + message->payloadlen}});
}

}  // namespace

RawClient::RawClient(const std::string& id, const std::string& username, std::uint16_t port) {
    mosquitto_lib_init();
    handle_ = mosquitto_new(id.c_str(), true, this);
    mosquitto_int_option(handle_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    if (!username.empty()) mosquitto_username_pw_set(handle_, username.c_str(), nullptr);
    mosquitto_connect_v5_callback_set(handle_, OnConnect);
    mosquitto_publish_v5_callback_set(handle_, OnPublish);
    mosquitto_subscribe_v5_callback_set(handle_, OnSubscribe);
    mosquitto_message_v5_callback_set(handle_, OnMessage);
    if (mosquitto_connect_bind_v5(handle_, "127.0.0.1", port, 5, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
        return;
    const Clock::time_point end = Clock::now() + kConnectBudget;
    while (!connected_ && Clock::now() < end) Pump(10);
}

RawClient::~RawClient() {
    mosquitto_destroy(handle_);
    mosquitto_lib_cleanup();
}

void RawClient::Pump(int timeout_ms) { mosquitto_loop(handle_, timeout_ms, 1); }

int RawClient::WaitFor(int mid) {
    const Clock::time_point end = Clock::now() + kAnswerBudget;
    while (Clock::now() < end) {
        for (const auto& [answered, reason] : answers_)
            if (answered == mid) return reason;
        Pump(10);
    }
    return -1;
}

bool RawClient::Subscribe(const std::string& filter) {
    int mid = 0;
    return mosquitto_subscribe_v5(handle_, &mid, filter.c_str(), 1, 0, nullptr) == MOSQ_ERR_SUCCESS &&
           WaitFor(mid) == 1;
}

int RawClient::Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain) {
    int mid = 0;
    if (mosquitto_publish_v5(handle_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                             1, retain, nullptr) != MOSQ_ERR_SUCCESS)
        return -1;
    return WaitFor(mid);
}

}  // namespace net_test
