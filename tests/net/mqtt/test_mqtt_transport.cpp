// The transport over the relay against a real broker: messages in order between a host and two
// guests, duplicates, wills, goodbyes, limits, refusals at joining, and machines speaking for
// others.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay/envelope.h"
#include "net/room_code.h"
#include "relay_broker.h"

namespace {

using net::DisconnectReason;
using net::Envelope;
using net::EnvelopeKind;
using net::NetEvent;
using net::PeerId;
using net_test::RawClient;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Wrap(EnvelopeKind kind, std::uint32_t sequence, const std::string& payload = "",
           DisconnectReason why = DisconnectReason::Closed) {
    return net::EncodeEnvelope({kind, sequence, Text(payload), why});
}

// What a bare client heard, but for signs of life, which come and go with timing.
std::vector<RawClient::Message> Said(const RawClient& raw) {
    std::vector<RawClient::Message> said;
    for (const RawClient::Message& message : raw.messages())
        if (message.payload != Wrap(EnvelopeKind::Alive, 0)) said.push_back(message);
    return said;
}

// Bare clients give no signs of life: ends facing them wait this long before taking them to be gone.
constexpr int kPatientMs = 10000;

// The broker took a message (perhaps with no one subscribed to it).
bool Taken(int reason) { return reason >= 0 && reason < 0x80; }

// A broker for each test, and the ends it plays with: transports polled in turn, bare clients
// pumped between them, every transport's events logged.
class Relay : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(broker_.Start(&error)) << error;
        ASSERT_TRUE(net::MakeRoomCode(&code_, &error)) << error;
    }

    net::TransportOptions Options(int timeout_ms = 2000, int max_peers = net::kMaxPeers) {
        net::TransportOptions options;
        options.timeout_ms = timeout_ms;
        options.alive_every_ms = timeout_ms / 4;
        options.max_peers = max_peers;
        return options;
    }

    int Host(const net::TransportOptions& options) {
        std::string error;
        return Add(net::MakeMqttHost(broker_.Address(), code_, options, &error), error);
    }
    int Guest(const net::TransportOptions& options) {
        std::string error;
        return Add(net::MakeMqttClient(broker_.Address(), code_, options, &error), error);
    }
    int Watcher(const net::TransportOptions& options) {
        std::string error;
        return Add(net::MakeMqttWatcher(broker_.Address(), code_, options, &error), error);
    }
    int Add(std::unique_ptr<net::Transport> end, const std::string& error) {
        EXPECT_NE(end, nullptr) << error;
        ends_.push_back(std::move(end));
        logs_.emplace_back();
        return static_cast<int>(ends_.size()) - 1;
    }
    // A bare client in this room (its code as user name), or under another name ("": none).
    std::unique_ptr<RawClient> Raw(const std::string& id, const char* username = nullptr) {
        auto raw = std::make_unique<RawClient>(id, username == nullptr ? code_ : username, broker_.Port());
        EXPECT_TRUE(raw->connected()) << id;
        raws_.push_back(raw.get());
        return raw;
    }
    void Forget(RawClient* raw) { std::erase(raws_, raw); }

    // A bare guest waits for the host's notice as a guest would (the host listens from then on)
    // and returns the host's id, or "" if no notice came.
    std::string AwaitHost(RawClient& raw) {
        EXPECT_TRUE(raw.Subscribe(Topic("host/+")));
        if (!RunUntil([&] { return !raw.messages().empty(); }, 3000)) return "";
        EXPECT_EQ(raw.messages()[0].payload, Wrap(EnvelopeKind::Room, 0));
        return raw.messages()[0].topic.substr(Topic("host/").size());
    }

    // Makes an end vanish without a word: its connection drops, and the broker publishes its will.
    void Vanish(int end) { ends_[end].reset(); }
    // Makes an end fall silent: it is no longer polled, so it no longer keeps its connection alive.
    void Silence(int end) { silent_.push_back(end); }
    // Makes a silent end take up polling again, as a stopped process resumed.
    void Resume(int end) { std::erase(silent_, end); }

    bool RunUntil(const std::function<bool()>& done, int budget_ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(budget_ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            for (std::size_t i = 0; i < ends_.size(); ++i) {
                NetEvent event;
                if (std::find(silent_.begin(), silent_.end(), static_cast<int>(i)) != silent_.end()) continue;
                while (ends_[i] && ends_[i]->Poll(&event, 1)) logs_[i].push_back(event);
            }
            for (RawClient* raw : raws_) raw->Pump(0);
        }
        return true;
    }
    void Run(int ms) {
        RunUntil([] { return false; }, ms);
    }

    int Count(int end, NetEvent::Kind kind) const {
        int count = 0;
        for (const NetEvent& event : logs_[end]) count += event.kind == kind;
        return count;
    }
    std::vector<Bytes> Received(int end, PeerId from) const {
        std::vector<Bytes> received;
        for (const NetEvent& event : logs_[end])
            if (event.kind == NetEvent::Received && event.peer == from) received.push_back(event.bytes);
        return received;
    }
    // The reason of an end's last event, which must be a Disconnected.
    DisconnectReason LastReason(int end) const {
        EXPECT_FALSE(logs_[end].empty());
        EXPECT_EQ(logs_[end].back().kind, NetEvent::Disconnected);
        return logs_[end].back().reason;
    }
    bool Connected(int end, int count = 1) const { return Count(end, NetEvent::Connected) == count; }
    bool Ended(int end) const { return Count(end, NetEvent::Disconnected) > 0; }

    // A host and two guests joined one after the other, so that the host knows the first as peer 1
    // and the second as peer 2. Returns the indices of the three ends.
    std::array<int, 3> HostAndTwoGuests() {
        const int host = Host(Options());
        const int first = Guest(Options());
        EXPECT_TRUE(RunUntil([&] { return Connected(host) && Connected(first); }, 5000));
        const int second = Guest(Options());
        EXPECT_TRUE(RunUntil([&] { return Connected(host, 2) && Connected(second); }, 5000));
        EXPECT_EQ(End(host).Peers(), (std::vector<PeerId>{1, 2}));
        return {host, first, second};
    }

    // The room's topics.
    std::string Topic(const std::string& rest) const { return "lobshot/" + code_ + "/" + rest; }

    net::Transport& End(int index) { return *ends_[index]; }

    net_test::RelayBroker broker_;
    std::string code_;
    std::vector<std::unique_ptr<net::Transport>> ends_;
    std::vector<std::vector<NetEvent>> logs_;
    std::vector<RawClient*> raws_;
    std::vector<int> silent_;
};

TEST_F(Relay, HostAndTwoGuestsExchangeMessagesWholeAndInOrder) {
    const int host = Host(Options());
    code_ = code_.substr(0, 4) + "-" + code_.substr(4);  // as a player might type it
    for (char& c : code_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const int first = Guest(Options()), second = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(host, 2) && Connected(first) && Connected(second); }, 5000));

    // Peers are known by their client ids.
    const std::vector<PeerId> peers = End(host).Peers();
    ASSERT_EQ(peers.size(), 2u);
    EXPECT_NE(End(host).Address(peers[0]), End(host).Address(peers[1]));
    EXPECT_EQ(End(host).Address(peers[0]).size(), 16u);
    EXPECT_EQ(End(first).Peers(), std::vector<PeerId>{1});
    EXPECT_EQ(End(first).Address(1), End(second).Address(1));
    EXPECT_EQ(End(first).Address(1).size(), 16u);
    EXPECT_EQ(End(host).Port(), 0);

    // Twenty messages each way on both connections, one of them as large as allowed.
    for (int i = 0; i < 20; ++i) {
        Bytes message = Text("message " + std::to_string(i));
        if (i == 7) message.resize(net::kMaxMessageBytes, static_cast<std::uint8_t>(i));
        for (PeerId peer : peers) ASSERT_TRUE(End(host).Send(peer, message));
        ASSERT_TRUE(End(first).Send(1, message));
        ASSERT_TRUE(End(second).Send(1, message));
    }
    ASSERT_TRUE(RunUntil(
        [&] {
            return Received(first, 1).size() == 20 && Received(second, 1).size() == 20 &&
                   Received(host, peers[0]).size() == 20 && Received(host, peers[1]).size() == 20;
        },
        5000));
    for (int end : {first, second}) {
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(Received(end, 1)[i].size(), i == 7 ? net::kMaxMessageBytes : 9u + (i > 9));
            if (i != 7) {
                EXPECT_EQ(Received(end, 1)[i], Text("message " + std::to_string(i)));
            }
        }
    }
    EXPECT_EQ(Received(host, peers[0]), Received(first, 1));
    EXPECT_EQ(Received(host, peers[1]), Received(first, 1));

    // Refused by Send, nothing sent: empty, over the limit, a peer unknown.
    EXPECT_FALSE(End(host).Send(peers[0], {}));
    EXPECT_FALSE(End(host).Send(peers[0], Bytes(net::kMaxMessageBytes + 1)));
    EXPECT_FALSE(End(host).Send(99, Text("x")));
    EXPECT_FALSE(End(first).Send(1, Bytes(net::kMaxMessageBytes + 1)));
    EXPECT_FALSE(End(first).Send(2, Text("x")));
    Run(200);
    EXPECT_EQ(Received(first, 1).size(), 20u);
    EXPECT_EQ(Received(host, peers[0]).size(), 20u);
}

// The host's messages queued before its goodbye arrive first; the goodbye's reason follows them,
// and the guest's own goodbye reaches the host the same way.
TEST_F(Relay, GoodbyesComeAfterWhatWasQueuedAndCarryTheirReason) {
    const std::array<int, 3> ends = HostAndTwoGuests();
    const int host = ends[0], first = ends[1], second = ends[2];
    ASSERT_FALSE(HasFailure());
    const PeerId to_first = 1, to_second = 2;

    for (const char* text : {"one", "two", "three"}) ASSERT_TRUE(End(host).Send(to_first, Text(text)));
    End(host).Disconnect(to_first, DisconnectReason::GameFull);
    EXPECT_EQ(End(host).Peers(), std::vector<PeerId>{to_second});
    for (const char* text : {"four", "five"}) ASSERT_TRUE(End(second).Send(1, Text(text)));
    End(second).Disconnect(1, DisconnectReason::Closed);
    EXPECT_TRUE(End(second).Peers().empty());
    ASSERT_TRUE(RunUntil(
        [&] { return Ended(first) && Ended(host) && End(second).Settled() && End(host).Settled(); }, 5000));
    EXPECT_EQ(Received(first, 1), (std::vector<Bytes>{Text("one"), Text("two"), Text("three")}));
    EXPECT_EQ(LastReason(first), DisconnectReason::GameFull);
    EXPECT_EQ(Received(host, to_second), (std::vector<Bytes>{Text("four"), Text("five")}));
    EXPECT_EQ(LastReason(host), DisconnectReason::Closed);
    EXPECT_EQ(logs_[host].back().peer, to_second);
    // Nothing more is reported for either connection.
    Run(300);
    EXPECT_EQ(Count(host, NetEvent::Disconnected), 1);
    EXPECT_EQ(Count(second, NetEvent::Disconnected), 0);
}

TEST_F(Relay, AGuestThatVanishesReachesTheHostByItsWillAndAVanishingHostEndsTheRoom) {
    const std::array<int, 3> ends = HostAndTwoGuests();
    const int host = ends[0], gone = ends[1], stays = ends[2];
    ASSERT_FALSE(HasFailure());

    // The guest's connection drops without a goodbye; the broker publishes its will at once.
    Vanish(gone);
    ASSERT_TRUE(RunUntil([&] { return Ended(host); }, 3000));
    EXPECT_EQ(LastReason(host), DisconnectReason::TimedOut);
    EXPECT_EQ(logs_[host].back().peer, 1u);
    EXPECT_EQ(End(host).Peers(), std::vector<PeerId>{2});
    ASSERT_TRUE(End(host).Send(2, Text("still here")));
    ASSERT_TRUE(RunUntil([&] { return Received(stays, 1).size() == 1; }, 3000));

    // The host's will empties its notice, which tells the guest left that the host vanished, and
    // a guest joining later finds no room.
    Vanish(host);
    ASSERT_TRUE(RunUntil([&] { return Ended(stays); }, 3000));
    EXPECT_EQ(LastReason(stays), DisconnectReason::TimedOut);
    EXPECT_TRUE(End(stays).Peers().empty());
    const int late = Guest(Options(500));
    ASSERT_TRUE(RunUntil([&] { return Ended(late); }, 3000));
    EXPECT_EQ(Count(late, NetEvent::Connected), 0);
    EXPECT_EQ(LastReason(late), DisconnectReason::TimedOut);
}

// An end that falls silent, its connection still open, is taken to be gone after the timeout (the
// broker's own keep-alive would take thirty seconds): first a guest, then the host.
TEST_F(Relay, SilentEndsTimeOut) {
    constexpr int kTimeoutMs = 1000;
    const int host = Host(Options(kTimeoutMs));
    const int first = Guest(Options(kTimeoutMs));
    ASSERT_TRUE(RunUntil([&] { return Connected(host) && Connected(first); }, 5000));
    const int second = Guest(Options(kTimeoutMs));
    ASSERT_TRUE(RunUntil([&] { return Connected(host, 2) && Connected(second); }, 5000));
    // Signs of life keep quiet connections open meanwhile.
    Run(2 * kTimeoutMs);
    EXPECT_EQ(Count(host, NetEvent::Disconnected) + Count(first, NetEvent::Disconnected), 0);

    for (const int silent : {first, host}) {
        const int listener = silent == first ? host : second;
        const auto from = std::chrono::steady_clock::now();
        Silence(silent);
        ASSERT_TRUE(RunUntil([&] { return Ended(listener); }, 4 * kTimeoutMs));
        const auto waited = std::chrono::steady_clock::now() - from;
        EXPECT_EQ(LastReason(listener), DisconnectReason::TimedOut);
        EXPECT_GE(waited, std::chrono::milliseconds(kTimeoutMs / 2));
        EXPECT_LE(waited, std::chrono::milliseconds(2 * kTimeoutMs));
    }
}

// A host slow to give up on its guests still tells them it is alive often enough for their own,
// shorter patience.
TEST_F(Relay, AnEndWithALongTimeoutSpeaksWithinItsPeersShortOne) {
    net::TransportOptions patient = Options(8000);
    patient.alive_every_ms = 250;
    const int host = Host(patient);
    const int guest = Guest(Options(1000));
    ASSERT_TRUE(RunUntil([&] { return Connected(host) && Connected(guest); }, 5000));
    Run(3000);
    EXPECT_EQ(Count(host, NetEvent::Disconnected) + Count(guest, NetEvent::Disconnected), 0);
}

// A guest away for eight seconds (its process stopped, say), longer than its own timeout and than
// the broker would wait for a client silent under a keep-alive of that timeout, while the host goes
// on talking to it: back, it reads what waited for it, and neither end nor the broker gave up.
TEST_F(Relay, AnEndAwayForAWhileFindsItsRoomAsItLeftIt) {
    constexpr int kGuestTimeoutMs = 5000, kHostTimeoutMs = 15000;
    const int host = Host(Options(kHostTimeoutMs));
    const int guest = Guest(Options(kGuestTimeoutMs));
    ASSERT_TRUE(RunUntil([&] { return Connected(host) && Connected(guest); }, 5000));

    Silence(guest);
    std::vector<Bytes> sent;
    for (int i = 0; i < 8; ++i) {
        sent.push_back(Text("while away " + std::to_string(i)));
        ASSERT_TRUE(End(host).Send(1, sent.back()));
        Run(1000);
    }
    Resume(guest);
    ASSERT_TRUE(End(guest).Send(1, Text("back")));
    ASSERT_TRUE(RunUntil(
        [&] { return Received(guest, 1).size() == sent.size() && !Received(host, 1).empty(); }, 3000));
    EXPECT_EQ(Received(guest, 1), sent);
    EXPECT_EQ(Received(host, 1), std::vector<Bytes>{Text("back")});
    Run(500);
    EXPECT_EQ(Count(host, NetEvent::Disconnected) + Count(guest, NetEvent::Disconnected), 0);
}

// The broker killed: every end reports every peer gone with RelayLost at once, takes nothing more
// to send, and stays gone when a broker comes back on the same port.
TEST_F(Relay, LosingTheBrokerEndsEveryConnectionAtOnce) {
    const std::array<int, 3> ends = HostAndTwoGuests();
    const int host = ends[0], first = ends[1], second = ends[2];
    ASSERT_FALSE(HasFailure());
    const auto killed = std::chrono::steady_clock::now();
    broker_.Kill();
    ASSERT_TRUE(RunUntil(
        [&] { return Count(host, NetEvent::Disconnected) == 2 && Ended(first) && Ended(second); }, 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::milliseconds(1000));
    for (const NetEvent& event : logs_[host]) {
        if (event.kind == NetEvent::Disconnected) {
            EXPECT_EQ(event.reason, DisconnectReason::RelayLost);
        }
    }
    EXPECT_EQ(LastReason(first), DisconnectReason::RelayLost);
    EXPECT_EQ(LastReason(second), DisconnectReason::RelayLost);
    EXPECT_TRUE(End(host).Peers().empty());
    EXPECT_TRUE(End(first).Peers().empty());
    EXPECT_FALSE(End(first).Send(1, Text("anyone?")));
    EXPECT_TRUE(End(host).Settled());
    Run(300);
    EXPECT_EQ(Count(host, NetEvent::Disconnected), 2);
    EXPECT_EQ(Count(first, NetEvent::Disconnected), 1);
}

// One round of the link's loop takes everything that has arrived, not one packet (libmosquitto's
// own round reads no more packets than its client awaits answers, so a machine polling once a
// frame would fall ever further behind a host that sends more than one message a frame).
TEST_F(Relay, ARoundOfTheLinkTakesAllThatArrived) {
    net::MosquittoLink link;
    std::string error;
    const std::string id = "LINKCLIENT234567";
    ASSERT_TRUE(
        link.Open("127.0.0.1", broker_.Port(), id, code_, 20, {Topic("gone/" + id), {}, false}, &error))
        << error;
    const auto ready = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!link.Open() && std::chrono::steady_clock::now() < ready) link.Pump(10);
    const int request = link.Subscribe(Topic("to/" + id + "/+"));
    while (!link.Acknowledged(request) && std::chrono::steady_clock::now() < ready) link.Pump(10);
    ASSERT_TRUE(link.Acknowledged(request));

    // As many as the broker sends a client before it must answer (relay/mosquitto.conf).
    auto raw = Raw("RAWSENDER2345678");
    constexpr int kMessages = 20;
    for (int i = 0; i < kMessages; ++i)
        ASSERT_TRUE(Taken(raw->Publish(Topic("to/" + id + "/RAWSENDER2345678"), Text(std::to_string(i)))));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    link.Pump(0);
    net::MqttLink::Incoming message;
    int taken = 0;
    while (link.TakeIncoming(&message)) EXPECT_EQ(message.payload, Text(std::to_string(taken++)));
    EXPECT_EQ(taken, kMessages);
}

TEST_F(Relay, JoiningIsRefusedWithoutAHostAndBeyondTheHostsLimit) {
    // A room no host keeps: the attempt times out.
    const auto started = std::chrono::steady_clock::now();
    const int nobody = Guest(Options(500));
    ASSERT_TRUE(RunUntil([&] { return Ended(nobody); }, 3000));
    EXPECT_EQ(LastReason(nobody), DisconnectReason::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));

    const int host = Host(Options(2000, 1));
    const int first = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(host) && Connected(first); }, 5000));
    const int second = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Ended(second); }, 3000));
    EXPECT_EQ(Count(second, NetEvent::Connected), 0);
    EXPECT_EQ(LastReason(second), DisconnectReason::HostFull);
    EXPECT_EQ(Count(host, NetEvent::Connected), 1);

    // Codes and addresses that are not valid, and a broker not there.
    std::string error;
    EXPECT_EQ(net::MakeMqttClient(broker_.Address(), "ABCDEFG", Options(), &error), nullptr);
    EXPECT_EQ(error, "a room code has 8 characters");
    EXPECT_EQ(net::MakeMqttHost("127.0.0.1", code_, Options(), &error), nullptr);
    EXPECT_FALSE(error.empty());
    std::string gone_address;
    {
        net_test::RelayBroker other;
        ASSERT_TRUE(other.Start(&error)) << error;
        gone_address = other.Address();
    }
    EXPECT_EQ(net::MakeMqttHost(gone_address, code_, Options(), &error), nullptr);
    EXPECT_EQ(error, "cannot reach the relay at " + gone_address);

    // Something that takes connections but says nothing is no relay.
    const int mute = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(mute, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(mute, 4), 0);
    getsockname(mute, reinterpret_cast<sockaddr*>(&address), &size);
    const std::string mute_address = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    EXPECT_EQ(net::MakeMqttHost(mute_address, code_, Options(300), &error), nullptr);
    EXPECT_EQ(error, "the relay at " + mute_address + " did not answer");
    close(mute);
}

// A bare guest says everything twice; the host takes each message once. Then it skips a number,
// which closes its connection.
TEST_F(Relay, TheHostTakesDuplicatesOnceAndClosesOnAGap) {
    const int host = Host(Options(kPatientMs));
    auto raw = Raw("BAREGUEST2345678");
    const std::string up = Topic("to/" + AwaitHost(*raw) + "/BAREGUEST2345678");
    ASSERT_TRUE(raw->Subscribe(Topic("to/BAREGUEST2345678/+")));
    ASSERT_TRUE(Taken(raw->Publish(up, Wrap(EnvelopeKind::Hello, 1))));
    for (const Bytes& message : {Wrap(EnvelopeKind::Data, 2, "a"), Wrap(EnvelopeKind::Data, 2, "a"),
                                 Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Data, 3, "b"),
                                 Wrap(EnvelopeKind::Data, 2, "a"), Wrap(EnvelopeKind::Data, 4, "c")})
        ASSERT_TRUE(Taken(raw->Publish(up, message)));
    ASSERT_TRUE(RunUntil([&] { return Received(host, 1).size() == 3; }, 3000));
    Run(200);
    EXPECT_EQ(Count(host, NetEvent::Connected), 1);
    EXPECT_EQ(End(host).Address(1), "BAREGUEST2345678");
    EXPECT_EQ(Received(host, 1), (std::vector<Bytes>{Text("a"), Text("b"), Text("c")}));

    ASSERT_TRUE(Taken(raw->Publish(up, Wrap(EnvelopeKind::Data, 6, "e"))));
    ASSERT_TRUE(RunUntil([&] { return Ended(host); }, 3000));
    EXPECT_EQ(LastReason(host), DisconnectReason::Lost);
    ASSERT_TRUE(RunUntil([&] { return Said(*raw).size() == 3; }, 2000));
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Hello, 1));
    EXPECT_EQ(Said(*raw)[2].payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Lost));
}

// A bare host answers twice and says everything twice; the guest is connected once and takes each
// message once.
TEST_F(Relay, TheGuestTakesDuplicatesOnce) {
    auto raw = Raw("BAREHOST23456789");
    ASSERT_TRUE(raw->Subscribe(Topic("to/BAREHOST23456789/+")));
    ASSERT_TRUE(Taken(raw->Publish(Topic("host/BAREHOST23456789"), Wrap(EnvelopeKind::Room, 0), true)));
    const int guest = Guest(Options(kPatientMs));
    ASSERT_TRUE(RunUntil([&] { return !Said(*raw).empty(); }, 3000));
    const std::string up = Said(*raw)[0].topic;
    EXPECT_EQ(Said(*raw)[0].payload, Wrap(EnvelopeKind::Hello, 1));
    const std::string down = Topic("to/" + up.substr(up.rfind('/') + 1) + "/BAREHOST23456789");
    for (const Bytes& message :
         {Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Data, 2, "x"),
          Wrap(EnvelopeKind::Data, 2, "x"), Wrap(EnvelopeKind::Data, 3, "y"), Wrap(EnvelopeKind::Hello, 1)})
        ASSERT_TRUE(Taken(raw->Publish(down, message)));
    ASSERT_TRUE(RunUntil([&] { return Received(guest, 1).size() == 2; }, 3000));
    Run(200);
    EXPECT_EQ(Count(guest, NetEvent::Connected), 1);
    EXPECT_EQ(Count(guest, NetEvent::Disconnected), 0);
    EXPECT_EQ(End(guest).Address(1), "BAREHOST23456789");
    EXPECT_EQ(Received(guest, 1), (std::vector<Bytes>{Text("x"), Text("y")}));

    ASSERT_TRUE(End(guest).Send(1, Text("z")));
    ASSERT_TRUE(RunUntil([&] { return Said(*raw).size() == 2; }, 2000));
    EXPECT_EQ(Said(*raw)[1].topic, up);
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Data, 2, "z"));
}

// A message over the limit closes the sender's connection; one over the broker's packet limit
// never gets through it.
TEST_F(Relay, OversizedMessagesCloseTheConnection) {
    const int host = Host(Options(kPatientMs));
    auto raw = Raw("BIGGUEST23456789");
    const std::string up = Topic("to/" + AwaitHost(*raw) + "/BIGGUEST23456789");
    ASSERT_TRUE(raw->Subscribe(Topic("to/BIGGUEST23456789/+")));
    ASSERT_TRUE(Taken(raw->Publish(up, Wrap(EnvelopeKind::Hello, 1))));
    ASSERT_TRUE(RunUntil([&] { return Connected(host); }, 3000));

    Bytes huge = Wrap(EnvelopeKind::Data, 2);
    huge.resize(huge.size() + 100 * 1024, 'h');
    EXPECT_NE(raw->Publish(up, huge), 0);
    Run(300);
    EXPECT_EQ(Count(host, NetEvent::Received) + Count(host, NetEvent::Disconnected), 0);

    auto again = Raw("BIGGUEST23456789");  // the broker may have dropped the first
    Forget(raw.get());
    ASSERT_TRUE(again->Subscribe(Topic("to/BIGGUEST23456789/+")));
    Bytes over = Wrap(EnvelopeKind::Data, 2);
    over.resize(over.size() + net::kMaxMessageBytes + 1, 'o');
    ASSERT_TRUE(Taken(again->Publish(up, over)));
    ASSERT_TRUE(RunUntil([&] { return Ended(host); }, 3000));
    EXPECT_EQ(LastReason(host), DisconnectReason::Oversized);
    EXPECT_EQ(Count(host, NetEvent::Received), 0);
    ASSERT_TRUE(RunUntil([&] { return !Said(*again).empty(); }, 2000));
    EXPECT_EQ(Said(*again).back().payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Oversized));
}

// The broker refuses a client's messages on topics carrying another's id, and keeps what is said
// to a machine from everyone else, and every room from those who do not know its code. A false
// host notice makes later joiners refuse the room.
TEST_F(Relay, NoMachineCanSpeakForAnotherOrHearWhatIsNotForIt) {
    const int host = Host(Options());
    const int guest = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(host) && Connected(guest); }, 5000));
    const std::string guest_id = End(host).Address(1), host_id = End(guest).Address(1);

    // Inside the room, listening to everything, and outside it, with another code or none.
    auto intruder = Raw("INTRUDER23456789");
    auto outsider = Raw("OUTSIDER23456789", "ZZZZZZZZ");
    auto nameless = Raw("NAMELESS23456789", "");
    for (RawClient* snoop : {intruder.get(), outsider.get(), nameless.get()}) {
        snoop->Subscribe("#");
        snoop->Subscribe("lobshot/+/to/+/+");
    }
    constexpr int kNotAuthorised = 0x87;
    const Bytes forged = Wrap(EnvelopeKind::Data, 2, "forged");
    EXPECT_EQ(intruder->Publish(Topic("to/" + host_id + "/" + guest_id), forged), kNotAuthorised);
    EXPECT_EQ(intruder->Publish(Topic("to/" + guest_id + "/" + host_id), forged), kNotAuthorised);
    EXPECT_EQ(intruder->Publish(Topic("host/" + host_id), {}, true), kNotAuthorised);
    EXPECT_EQ(intruder->Publish(Topic("gone/" + guest_id),
                                Wrap(EnvelopeKind::Bye, 0, "", DisconnectReason::TimedOut)),
              kNotAuthorised);
    EXPECT_EQ(outsider->Publish(Topic("to/" + host_id + "/OUTSIDER23456789"), Wrap(EnvelopeKind::Hello, 1)),
              kNotAuthorised);
    ASSERT_TRUE(End(host).Send(1, Text("secret")));
    ASSERT_TRUE(End(guest).Send(1, Text("real")));
    ASSERT_TRUE(
        RunUntil([&] { return Received(host, 1).size() == 1 && Received(guest, 1).size() == 1; }, 3000));
    Run(200);
    EXPECT_EQ(Received(host, 1), std::vector<Bytes>{Text("real")});
    EXPECT_EQ(Received(guest, 1), std::vector<Bytes>{Text("secret")});
    EXPECT_EQ(Count(host, NetEvent::Disconnected) + Count(guest, NetEvent::Disconnected), 0);
    // The intruder hears only the room's notice; the others hear nothing at all.
    ASSERT_FALSE(intruder->messages().empty());
    for (const RawClient::Message& message : intruder->messages())
        EXPECT_EQ(message.topic, Topic("host/" + host_id));
    EXPECT_TRUE(outsider->messages().empty());
    EXPECT_TRUE(nameless->messages().empty());

    // Its own notice it may put up: a joiner then sees two hosts and will not guess.
    EXPECT_TRUE(Taken(intruder->Publish(Topic("host/INTRUDER23456789"), Wrap(EnvelopeKind::Room, 0), true)));
    const int joiner = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Ended(joiner); }, 3000));
    EXPECT_EQ(LastReason(joiner), DisconnectReason::Malformed);
    EXPECT_EQ(Count(joiner, NetEvent::Connected), 0);
    EXPECT_EQ(Count(host, NetEvent::Connected), 1);
}

// What the host sends all its spectators goes once, on their own topic: each spectator takes it from
// the moment it was made one, in order with what is said to it alone; a guest that is no spectator
// hears none of it.
TEST_F(Relay, SpectatorsTakeWhatIsSentToThemAllFromWhenTheyWereMadeSpectators) {
    const int host = Host(Options());
    const int guest = Guest(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(guest) && Connected(host); }, 5000));
    const int first = Watcher(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(first) && Connected(host, 2); }, 5000));
    EXPECT_FALSE(End(host).Watch(9)) << "no such peer";
    ASSERT_TRUE(End(host).SendToWatchers(Text("before")));
    ASSERT_TRUE(End(host).Send(2, Text("alone1")));
    ASSERT_TRUE(End(host).Watch(2));
    ASSERT_TRUE(End(host).SendToWatchers(Text("all1")));
    ASSERT_TRUE(End(host).Send(2, Text("alone2")));
    const int second = Watcher(Options());
    ASSERT_TRUE(RunUntil([&] { return Connected(second) && Connected(host, 3); }, 5000));
    ASSERT_TRUE(End(host).SendToWatchers(Text("all2")));
    ASSERT_TRUE(End(host).Watch(3));
    ASSERT_TRUE(End(host).SendToWatchers(Text("all3")));
    ASSERT_TRUE(End(host).Send(1, Text("guest")));
    ASSERT_TRUE(
        RunUntil([&] { return Received(first, 1).size() == 5 && Received(second, 1).size() == 1; }, 3000));
    Run(200);
    EXPECT_EQ(Received(first, 1),
              (std::vector<Bytes>{Text("alone1"), Text("all1"), Text("alone2"), Text("all2"), Text("all3")}));
    EXPECT_EQ(Received(second, 1), std::vector<Bytes>{Text("all3")});
    EXPECT_EQ(Received(guest, 1), std::vector<Bytes>{Text("guest")});
    for (int end : {host, guest, first, second}) EXPECT_EQ(Count(end, NetEvent::Disconnected), 0) << end;
}

// A bare host makes a spectator follow from number 5 on the spectators' topic: what came before is
// let go, a duplicate is taken once, and a gap (the broker let messages go) ends the spectator's
// connection as lost, with a goodbye saying so.
TEST_F(Relay, ASpectatorTakesItsTopicFromWhereItIsToldAndClosesOnAGap) {
    auto raw = Raw("BAREHOST23456789");
    ASSERT_TRUE(raw->Subscribe(Topic("to/BAREHOST23456789/+")));
    ASSERT_TRUE(Taken(raw->Publish(Topic("host/BAREHOST23456789"), Wrap(EnvelopeKind::Room, 0), true)));
    const int watcher = Watcher(Options(kPatientMs));
    ASSERT_TRUE(RunUntil([&] { return !Said(*raw).empty(); }, 3000));
    const std::string up = Said(*raw)[0].topic;
    const std::string down = Topic("to/" + up.substr(up.rfind('/') + 1) + "/BAREHOST23456789");
    const std::string all = Topic("watch/BAREHOST23456789");
    Envelope follow{EnvelopeKind::Follow, 2, {}, DisconnectReason::Closed, 5};
    ASSERT_TRUE(Taken(raw->Publish(down, Wrap(EnvelopeKind::Hello, 1))));
    for (const Bytes& message : {Wrap(EnvelopeKind::Data, 3, "old"), Wrap(EnvelopeKind::Data, 4, "older")})
        ASSERT_TRUE(Taken(raw->Publish(all, message)));
    ASSERT_TRUE(Taken(raw->Publish(down, net::EncodeEnvelope(follow))));
    for (const Bytes& message : {Wrap(EnvelopeKind::Data, 5, "a"), Wrap(EnvelopeKind::Data, 5, "a"),
                                 Wrap(EnvelopeKind::Data, 6, "b")})
        ASSERT_TRUE(Taken(raw->Publish(all, message)));
    ASSERT_TRUE(RunUntil([&] { return Received(watcher, 1).size() == 2; }, 3000));
    Run(200);
    EXPECT_EQ(Received(watcher, 1), (std::vector<Bytes>{Text("a"), Text("b")}));
    EXPECT_EQ(Count(watcher, NetEvent::Disconnected), 0);

    ASSERT_TRUE(Taken(raw->Publish(all, Wrap(EnvelopeKind::Data, 8, "d"))));
    ASSERT_TRUE(RunUntil([&] { return Ended(watcher); }, 3000));
    EXPECT_EQ(LastReason(watcher), DisconnectReason::Lost);
    ASSERT_TRUE(RunUntil([&] { return Said(*raw).size() == 2; }, 2000));
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Lost));
}

}  // namespace
