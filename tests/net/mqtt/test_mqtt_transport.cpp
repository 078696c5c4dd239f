// The transport over the relay against a real broker: messages in order between a host and two
// guests, duplicates, wills, goodbyes, limits, refusals at joining, and machines speaking for
// others.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay/envelope.h"
#include "tests/net/net_harness.h"

namespace {

using net::DisconnectReason;
using net::EnvelopeKind;
using net::NetEvent;
using net::PeerId;
using net_test::RawClient;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Wrap(EnvelopeKind kind, std::uint32_t sequence, const std::string& payload = "",
           DisconnectReason why = DisconnectReason::Closed, std::uint32_t from = 0) {
    return net::EncodeEnvelope({kind, sequence, Text(payload), why, from});
}

// What a bare client heard, but for signs of life, which come and go with timing, joiners'
// searches for the host and the host's answers.
std::vector<RawClient::Message> Said(const RawClient& raw) {
    std::vector<RawClient::Message> said;
    for (const RawClient::Message& message : raw.messages())
        if (message.payload.size() > 5 &&
            message.payload[0] != static_cast<std::uint8_t>(EnvelopeKind::Room) &&
            message.payload[0] != static_cast<std::uint8_t>(EnvelopeKind::Seek))
            said.push_back(message);
    return said;
}

// Bare clients give no signs of life: ends facing them wait this long before taking them to be gone.
constexpr int kPatientMs = 10000;

// The broker took a message (perhaps with no one subscribed to it).
bool Taken(int reason) { return reason >= 0 && reason < 0x80; }

// A broker for each test, and the ends it plays with, bare clients pumped between them.
class Relay : public testing::Test {
protected:
    void SetUp() override {
        world.beside = [this] {
            for (RawClient* raw : raws_) raw->Pump(0);
        };
    }

    static net::TransportOptions Options(int timeout_ms = 2000) {
        net::TransportOptions options;
        options.timeout_ms = timeout_ms;
        options.alive_every_ms = timeout_ms / 4;
        return options;
    }
    int Host(const net::TransportOptions& options) { return world.Listen(options); }
    int Guest(const net::TransportOptions& options) { return world.Connect(0, options); }
    int Watcher(const net::TransportOptions& options) {
        std::string error;
        return world.Add(net::MakeMqttWatcher(broker_.Address(), world.watchCode, options, &error), error);
    }
    // A bare client in this room (its code as user name), or under another name ("": none).
    std::unique_ptr<RawClient> Raw(const std::string& id, const char* username = nullptr) {
        auto raw = std::make_unique<RawClient>(id, username == nullptr ? code_ : username, broker_.Port());
        EXPECT_TRUE(raw->connected()) << id;
        raws_.push_back(raw.get());
        return raw;
    }

    // A bare guest joins the host as a guest would: it listens, asks who keeps the room, and says
    // hello to the host that answers. Returns the topic it speaks to the host on.
    std::string BareGuestJoins(RawClient& raw, const std::string& id) {
        EXPECT_TRUE(raw.Subscribe(Topic("to/" + id + "/+")));
        EXPECT_TRUE(world.RunUntil(
            [&] {
                return Taken(raw.Publish(Topic("host/" + id), Wrap(EnvelopeKind::Seek, 0))) &&
                       !raw.messages().empty();
            },
            3000));
        if (raw.messages().empty()) return "";
        EXPECT_EQ(raw.messages()[0].payload, Wrap(EnvelopeKind::Room, 0));
        const std::string from = raw.messages()[0].topic;
        const std::string up = Topic("to/" + from.substr(from.rfind('/') + 1) + "/" + id);
        EXPECT_TRUE(Taken(raw.Publish(up, Wrap(EnvelopeKind::Hello, 1))));
        return up;
    }
    // A bare host answers the search of the end `join` makes, which then says hello to it. Returns
    // the topics the end speaks to it on and it to the end.
    std::pair<std::string, std::string> BareHostIsJoined(RawClient& raw, const std::function<void()>& join) {
        EXPECT_TRUE(raw.Subscribe(Topic("to/BAREHOST23456789/+")) && raw.Subscribe(Topic("host/+")));
        join();
        EXPECT_TRUE(world.RunUntil([&] { return !raw.messages().empty(); }, 3000));
        if (raw.messages().empty()) return {};
        const std::string seeker = raw.messages()[0].topic.substr(Topic("host/").size());
        EXPECT_TRUE(
            Taken(raw.Publish(Topic("to/" + seeker + "/BAREHOST23456789"), Wrap(EnvelopeKind::Room, 0))));
        EXPECT_TRUE(world.RunUntil([&] { return !Said(raw).empty(); }, 3000));
        if (Said(raw).empty()) return {};
        const std::string up = Said(raw)[0].topic;
        EXPECT_EQ(Said(raw)[0].payload, Wrap(EnvelopeKind::Hello, 1));
        return {up, Topic("to/" + up.substr(up.rfind('/') + 1) + "/BAREHOST23456789")};
    }
    void PublishAll(RawClient& raw, const std::string& topic, const std::vector<Bytes>& messages) {
        for (const Bytes& message : messages) EXPECT_TRUE(Taken(raw.Publish(topic, message)));
    }

    // A host and two guests joined one after the other, so that the host knows the first as peer 1
    // and the second as peer 2. Returns the indices of the three ends.
    std::array<int, 3> HostAndTwoGuests(int timeout_ms = 2000) {
        const int host = Host(Options(timeout_ms));
        const int first = Guest(Options(timeout_ms));
        EXPECT_TRUE(world.RunUntil([&] { return world.Connected(host) && world.Connected(first); }, 5000));
        const int second = Guest(Options(timeout_ms));
        EXPECT_TRUE(
            world.RunUntil([&] { return world.Connected(host, 2) && world.Connected(second); }, 5000));
        EXPECT_EQ(world.End(host).Peers(), (std::vector<PeerId>{1, 2}));
        return {host, first, second};
    }
    int Disconnections(std::initializer_list<int> ends) const {
        int count = 0;
        for (int end : ends) count += world.Count(end, NetEvent::Disconnected);
        return count;
    }

    // The room's topics.
    std::string Topic(const std::string& rest) const { return "lobshot/" + code_ + "/" + rest; }

    net_test::World world{net_test::Kind::Rooms};
    net_test::RelayBroker& broker_ = world.broker;
    std::string& code_ = world.code;
    std::vector<RawClient*> raws_;
};

// A code typed as a player might; peers known by their client ids; a guest's sends to no one or
// over the limit refused. (The transport's promises over rooms are checked with the others'.)
TEST_F(Relay, GuestsJoinByACodeAsTypedAndKnowTheHostByItsId) {
    const int host = Host(Options());
    code_ = code_.substr(0, 4) + "-" + code_.substr(4);
    for (char& c : code_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const int first = Guest(Options()), second = Guest(Options());
    ASSERT_TRUE(world.RunUntil(
        [&] { return world.Connected(host, 2) && world.Connected(first) && world.Connected(second); }, 5000));
    EXPECT_EQ(world.End(host).Address(world.End(host).Peers()[0]).size(), 16u);
    EXPECT_EQ(world.End(first).Peers(), std::vector<PeerId>{1});
    EXPECT_EQ(world.End(first).Address(1), world.End(second).Address(1));
    EXPECT_EQ(world.End(first).Address(1).size(), 16u);
    EXPECT_EQ(world.End(host).Port(), 0);
    EXPECT_FALSE(world.End(first).Send(1, Bytes(net::kMaxMessageBytes + 1)));
    EXPECT_FALSE(world.End(first).Send(2, Text("x")));
    world.Run(200);
    EXPECT_EQ(world.Count(host, NetEvent::Received), 0);
}

// The host's will empties its notice, which tells its guests that the host vanished, and a guest
// joining later finds no room.
TEST_F(Relay, AVanishingHostEndsTheRoom) {
    const auto [host, first, second] = HostAndTwoGuests();
    ASSERT_FALSE(HasFailure());
    world.Vanish(host);
    ASSERT_TRUE(
        world.RunUntil([&, a = first, b = second] { return world.Ended(a) && world.Ended(b); }, 3000));
    EXPECT_EQ(world.LastReason(first), DisconnectReason::TimedOut);
    EXPECT_TRUE(world.End(first).Peers().empty());
    const int late = Guest(Options(500));
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(late); }, 3000));
    EXPECT_EQ(world.Count(late, NetEvent::Connected), 0);
    EXPECT_EQ(world.LastReason(late), DisconnectReason::TimedOut);
}

// A guest connects under each id of the host it can learn in turn and says what the host would
// under it: each guest takes all the host says to it and to all, in order, and nothing of the
// taker's; the host all they say. Taking a guest's id costs that one its seat and no one else.
TEST_F(Relay, AGuestTakingTheHostsIdCostsTheRoomNothing) {
    const auto [host, first, second] = HostAndTwoGuests();
    ASSERT_FALSE(HasFailure());
    net::Transport& end = world.End(host);
    ASSERT_TRUE(end.Watch(1) && end.Watch(2));
    std::vector<Bytes> down, up;
    const auto exchange = [&, a = first] {
        for (int i = 0; i < 3; ++i) {
            down.insert(down.end(), {Text("alone " + std::to_string(down.size())), Text("all")});
            up.push_back(Text("up " + std::to_string(up.size())));
            EXPECT_TRUE(end.Send(1, down.end()[-2]) && end.Send(2, down.end()[-2]) &&
                        end.SendToPlayers(down.back()) && world.End(a).Send(1, up.back()));
            world.Run(20);
        }
    };
    std::vector<std::unique_ptr<RawClient>> takers;
    for (int round = 0; round < 2; ++round) {
        exchange();
        const std::string taken = world.End(first).Address(1);
        takers.push_back(Raw(taken));
        PublishAll(*takers.back(), Topic("host/" + taken), {Bytes{}});
        for (std::uint32_t number = 1; number < 30; ++number)
            for (const std::string& to : {"to/" + end.Address(1) + "/", std::string("watch/")})
                takers.back()->Publish(Topic(to + taken), Wrap(EnvelopeKind::Data, number, "forged"));
        exchange();
        ASSERT_TRUE(world.RunUntil(
            [&, h = host, a = first, b = second] {
                return world.Received(a, 1).size() == down.size() &&
                       world.Received(b, 1).size() == down.size() && world.Received(h, 1).size() == up.size();
            },
            3000));
    }
    EXPECT_EQ(world.Received(first, 1), down);
    EXPECT_EQ(world.Received(second, 1), down);
    EXPECT_EQ(world.Received(host, 1), up);
    EXPECT_EQ(Disconnections({host, first, second}), 0);
    takers.push_back(Raw(end.Address(2)));
    ASSERT_TRUE(world.RunUntil(
        [&, b = second, h = host] { return world.Ended(b) && world.End(h).Peers().size() == 1; }, 3000));
    world.Run(300);
    EXPECT_EQ(Disconnections({first}), 0);
}

// An end that falls silent, its connection still open, is taken to be gone after the timeout (the
// broker's own keep-alive would take thirty seconds): first a guest, then the host.
TEST_F(Relay, SilentEndsTimeOut) {
    constexpr int kTimeoutMs = 1000;
    const auto [host, first, second] = HostAndTwoGuests(kTimeoutMs);
    ASSERT_FALSE(HasFailure());
    // Signs of life keep quiet connections open meanwhile.
    world.Run(2 * kTimeoutMs);
    EXPECT_EQ(Disconnections({host, first}), 0);
    for (const auto& [silent, listener] : {std::pair(first, host), std::pair(host, second)}) {
        const auto from = Clock::now();
        world.Silence(silent);
        ASSERT_TRUE(world.RunUntil([&, l = listener] { return world.Ended(l); }, 4 * kTimeoutMs));
        const auto waited = Clock::now() - from;
        EXPECT_EQ(world.LastReason(listener), DisconnectReason::TimedOut);
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
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(host) && world.Connected(guest); }, 5000));
    world.Run(3000);
    EXPECT_EQ(Disconnections({host, guest}), 0);
}

// A guest away for three seconds (its process stopped, say), longer than its own timeout, while the
// host goes on talking to it: back, it reads what waited for it, and neither end gave up.
TEST_F(Relay, AnEndAwayForAWhileFindsItsRoomAsItLeftIt) {
    const int host = Host(Options(15000));
    const int guest = Guest(Options(2000));
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(host) && world.Connected(guest); }, 5000));
    world.Silence(guest);
    std::vector<Bytes> sent;
    for (int i = 0; i < 3; ++i) {
        sent.push_back(Text("while away " + std::to_string(i)));
        ASSERT_TRUE(world.End(host).Send(1, sent.back()));
        world.Run(1000);
    }
    world.Silence(guest, false);
    ASSERT_TRUE(world.End(guest).Send(1, Text("back")));
    ASSERT_TRUE(world.RunUntil(
        [&] { return world.Received(guest, 1).size() == sent.size() && !world.Received(host, 1).empty(); },
        3000));
    EXPECT_EQ(world.Received(guest, 1), sent);
    EXPECT_EQ(world.Received(host, 1), std::vector<Bytes>{Text("back")});
    world.Run(500);
    EXPECT_EQ(Disconnections({host, guest}), 0);
}

// The broker killed: every end reports every peer gone with RelayLost at once, takes nothing more
// to send, and stays gone.
TEST_F(Relay, LosingTheBrokerEndsEveryConnectionAtOnce) {
    const auto [host, first, second] = HostAndTwoGuests();
    ASSERT_FALSE(HasFailure());
    const auto killed = Clock::now();
    broker_.Kill();
    ASSERT_TRUE(world.RunUntil(
        [&, h = host, a = first, b = second] {
            return world.Count(h, NetEvent::Disconnected) == 2 && world.Ended(a) && world.Ended(b);
        },
        3000));
    EXPECT_LT(Clock::now() - killed, std::chrono::milliseconds(1000));
    for (const NetEvent& event : world.Log(host)) {
        if (event.kind == NetEvent::Disconnected) {
            EXPECT_EQ(event.reason, DisconnectReason::RelayLost);
        }
    }
    EXPECT_EQ(world.LastReason(first), DisconnectReason::RelayLost);
    EXPECT_EQ(world.LastReason(second), DisconnectReason::RelayLost);
    EXPECT_TRUE(world.End(host).Peers().empty());
    EXPECT_FALSE(world.End(first).Send(1, Text("anyone?")));
    EXPECT_TRUE(world.End(host).Settled());
    world.Run(300);
    EXPECT_EQ(Disconnections({host, first}), 3);
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
    const auto ready = Clock::now() + std::chrono::seconds(3);
    while (!link.Open() && Clock::now() < ready) link.Pump(10);
    const int request = link.Subscribe(Topic("to/" + id + "/+"));
    while (!link.Acknowledged(request) && Clock::now() < ready) link.Pump(10);
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

TEST_F(Relay, JoiningNeedsAValidCodeAndARelay) {
    // Codes and addresses that are not valid, a broker not there, and something that takes
    // connections but says nothing.
    std::string error;
    EXPECT_EQ(net::MakeMqttClient(broker_.Address(), "ABCDEFG", Options(), &error), nullptr);
    EXPECT_EQ(error, "a room code has 8 characters");
    EXPECT_EQ(net::MakeMqttHost("127.0.0.1", code_, world.watchCode, Options(), &error), nullptr);
    EXPECT_FALSE(error.empty());
    const int mute = net_test::ListeningSocket();
    const std::string mute_address = "127.0.0.1:" + std::to_string(net_test::PortOf(mute));
    EXPECT_EQ(net::MakeMqttHost(mute_address, code_, world.watchCode, Options(300), &error), nullptr);
    EXPECT_EQ(error, "the relay at " + mute_address + " did not answer");
    net_test::CloseSocket(mute);
    EXPECT_EQ(net::MakeMqttHost(mute_address, code_, world.watchCode, Options(), &error), nullptr);
    EXPECT_EQ(error, "cannot reach the relay at " + mute_address);
}

// A bare guest says everything twice; the host takes each message once. Then it skips a number,
// which closes its connection.
TEST_F(Relay, TheHostTakesDuplicatesOnceAndClosesOnAGap) {
    const int host = Host(Options(kPatientMs));
    auto raw = Raw("BAREGUEST2345678");
    const std::string up = BareGuestJoins(*raw, "BAREGUEST2345678");
    PublishAll(*raw, up,
               {Wrap(EnvelopeKind::Data, 2, "a"), Wrap(EnvelopeKind::Data, 2, "a"),
                Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Data, 3, "b"),
                Wrap(EnvelopeKind::Data, 2, "a"), Wrap(EnvelopeKind::Data, 4, "c")});
    ASSERT_TRUE(world.RunUntil([&] { return world.Received(host, 1).size() == 3; }, 3000));
    world.Run(200);
    EXPECT_EQ(world.Count(host, NetEvent::Connected), 1);
    EXPECT_EQ(world.End(host).Address(1), "BAREGUEST2345678");
    EXPECT_EQ(world.Received(host, 1), (std::vector<Bytes>{Text("a"), Text("b"), Text("c")}));

    PublishAll(*raw, up, {Wrap(EnvelopeKind::Data, 6, "e")});
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(host); }, 3000));
    EXPECT_EQ(world.LastReason(host), DisconnectReason::Lost);
    ASSERT_TRUE(world.RunUntil([&] { return Said(*raw).size() == 2; }, 2000));
    EXPECT_EQ(Said(*raw)[0].payload.size(), 6 + net::kKeyBytes) << "a hello with the guest's key";
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Lost));
}

// A bare host answers twice and says everything twice; the guest is connected once and takes each
// message once.
TEST_F(Relay, TheGuestTakesDuplicatesOnce) {
    auto raw = Raw("BAREHOST23456789");
    int guest = -1;
    const auto [up, down] = BareHostIsJoined(*raw, [&] { guest = Guest(Options(kPatientMs)); });
    PublishAll(
        *raw, down,
        {Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Hello, 1), Wrap(EnvelopeKind::Data, 2, "x"),
         Wrap(EnvelopeKind::Data, 2, "x"), Wrap(EnvelopeKind::Data, 3, "y"), Wrap(EnvelopeKind::Hello, 1)});
    ASSERT_TRUE(world.RunUntil([&] { return world.Received(guest, 1).size() == 2; }, 3000));
    world.Run(200);
    EXPECT_EQ(world.Count(guest, NetEvent::Connected), 1);
    EXPECT_EQ(world.Count(guest, NetEvent::Disconnected), 0);
    EXPECT_EQ(world.End(guest).Address(1), "BAREHOST23456789");
    EXPECT_EQ(world.Received(guest, 1), (std::vector<Bytes>{Text("x"), Text("y")}));

    ASSERT_TRUE(world.End(guest).Send(1, Text("z")));
    ASSERT_TRUE(world.RunUntil([&] { return Said(*raw).size() == 2; }, 2000));
    EXPECT_EQ(Said(*raw)[1].topic, up);
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Data, 2, "z"));
}

// A message over the limit closes the sender's connection; one over the broker's packet limit
// never gets through it.
TEST_F(Relay, OversizedMessagesCloseTheConnection) {
    const int host = Host(Options(kPatientMs));
    auto raw = Raw("BIGGUEST23456789");
    const std::string up = BareGuestJoins(*raw, "BIGGUEST23456789");
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(host); }, 3000));
    EXPECT_NE(raw->Publish(up, Wrap(EnvelopeKind::Data, 2, std::string(100 * 1024, 'h'))), 0);
    world.Run(300);
    EXPECT_EQ(world.Count(host, NetEvent::Received) + world.Count(host, NetEvent::Disconnected), 0);

    auto again = Raw("BIGGUEST23456789");  // the broker may have dropped the first
    std::erase(raws_, raw.get());
    ASSERT_TRUE(again->Subscribe(Topic("to/BIGGUEST23456789/+")));
    PublishAll(*again, up, {Wrap(EnvelopeKind::Data, 2, std::string(net::kMaxMessageBytes + 1, 'o'))});
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(host); }, 3000));
    EXPECT_EQ(world.LastReason(host), DisconnectReason::Oversized);
    EXPECT_EQ(world.Count(host, NetEvent::Received), 0);
    ASSERT_TRUE(world.RunUntil([&] { return !Said(*again).empty(); }, 2000));
    EXPECT_EQ(Said(*again).back().payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Oversized));
}

// What the host sends all its spectators goes once, on their own topic: each spectator takes it from
// the moment it was made one, in order with what is said to it alone; a guest hears none of it, but
// what is sent to all the machines it was made to follow, and the spectators none of that.
TEST_F(Relay, SpectatorsTakeWhatIsSentToThemAllFromWhenTheyWereMadeSpectators) {
    const int host = Host(Options());
    const int guest = Guest(Options());
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(guest) && world.Connected(host); }, 5000));
    const int first = Watcher(Options());
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(first) && world.Connected(host, 2); }, 5000));
    net::Transport& end = world.End(host);
    const PeerId a = world.ConnectedPeer(host, 1);
    EXPECT_FALSE(end.Watch(a + 1)) << "no such peer";
    ASSERT_TRUE(end.SendToPlayers(Text("unheard")) && end.Watch(1) && end.SendToPlayers(Text("machines")));
    EXPECT_EQ(end.RoleOf(1), net::Transport::PeerRole::Player);
    EXPECT_EQ(end.RoleOf(a), net::Transport::PeerRole::Spectator);
    ASSERT_TRUE(end.SendToWatchers(Text("before")) && end.Send(a, Text("alone1")) && end.Watch(a) &&
                end.SendToWatchers(Text("all1")) && end.Send(a, Text("alone2")));
    const int second = Watcher(Options());
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(second) && world.Connected(host, 3); }, 5000));
    ASSERT_TRUE(end.SendToWatchers(Text("all2")) && end.Watch(world.ConnectedPeer(host, 2)) &&
                end.SendToWatchers(Text("all3")) && end.Send(1, Text("guest")));
    ASSERT_TRUE(world.RunUntil(
        [&] { return world.Received(first, 1).size() == 5 && world.Received(second, 1).size() == 1; }, 3000));
    world.Run(200);
    EXPECT_EQ(world.Received(first, 1),
              (std::vector<Bytes>{Text("alone1"), Text("all1"), Text("alone2"), Text("all2"), Text("all3")}));
    EXPECT_EQ(world.Received(second, 1), std::vector<Bytes>{Text("all3")});
    EXPECT_EQ(world.Received(guest, 1), (std::vector<Bytes>{Text("machines"), Text("guest")}));
    EXPECT_EQ(Disconnections({host, guest, first, second}), 0);
}

// A bare host makes a spectator follow from number 5 on the spectators' topic: what came before is
// let go, a duplicate is taken once, and a gap (the broker let messages go) ends the spectator's
// connection as lost, with a goodbye saying so.
TEST_F(Relay, ASpectatorTakesItsTopicFromWhereItIsToldAndClosesOnAGap) {
    world.watchCode = code_;
    auto raw = Raw("BAREHOST23456789");
    int watcher = -1;
    const auto [up, down] = BareHostIsJoined(*raw, [&] { watcher = Watcher(Options(kPatientMs)); });
    const std::string all = Topic("watch/BAREHOST23456789");
    PublishAll(*raw, down, {Wrap(EnvelopeKind::Hello, 1)});
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(watcher); }, 3000));
    PublishAll(*raw, all, {Wrap(EnvelopeKind::Data, 3, "old"), Wrap(EnvelopeKind::Data, 4, "older")});
    PublishAll(*raw, down, {Wrap(EnvelopeKind::Follow, 2, "", DisconnectReason::Closed, 5)});
    PublishAll(*raw, all,
               {Wrap(EnvelopeKind::Data, 5, "a"), Wrap(EnvelopeKind::Data, 5, "a"),
                Wrap(EnvelopeKind::Data, 6, "b")});
    ASSERT_TRUE(world.RunUntil([&] { return world.Received(watcher, 1).size() == 2; }, 3000));
    world.Run(200);
    EXPECT_EQ(world.Received(watcher, 1), (std::vector<Bytes>{Text("a"), Text("b")}));
    EXPECT_EQ(world.Count(watcher, NetEvent::Disconnected), 0);

    PublishAll(*raw, all, {Wrap(EnvelopeKind::Data, 8, "d")});
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(watcher); }, 3000));
    EXPECT_EQ(world.LastReason(watcher), DisconnectReason::Lost);
    ASSERT_TRUE(world.RunUntil([&] { return Said(*raw).size() == 2; }, 2000));
    EXPECT_EQ(Said(*raw)[1].payload, Wrap(EnvelopeKind::Bye, 2, "", DisconnectReason::Lost));
}

// What each kind of client can do on the relay (relay/acl): a guest, knowing the room's code, cannot
// speak for another machine nor hear what is said to one; a spectator, knowing the watch code, reaches
// nothing of the room where the game is played; a guest nothing of the spectators' room; an outsider,
// with another code or none, nothing at all. A spectator taking the spectators' room's host id costs
// the watching nothing (nor does a guest taking the room's: above); a flood on the spectators' topic under
// its own id reaches no spectator. Nothing a client says is retained, so nothing of it outlives it.
TEST_F(Relay, EachKindOfClientReachesOnlyWhatItsCodeOpens) {
    const int host = Host(Options());
    const int guest = Guest(Options());
    const int watcher = Watcher(Options());
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(guest) && world.Connected(watcher); }, 5000));
    net::Transport& end = world.End(host);
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(host, 2); }, 3000));
    const PeerId spectator = end.Peers().back();
    ASSERT_TRUE(end.Watch(spectator));
    const std::string room_host = world.End(guest).Address(1), watch_host = world.End(watcher).Address(1);
    const std::string guest_id = end.Address(1);
    EXPECT_NE(room_host, watch_host);
    const std::string room = "lobshot/" + code_ + "/", watching = "lobshot/" + world.watchCode + "/";

    auto as_guest = Raw("RAWGUEST23456789");
    auto as_watcher = Raw("RAWWATCH23456789", world.watchCode.c_str());
    auto outsider = Raw("OUTSIDER23456789", "ZZZZZZZZ");
    auto nameless = Raw("NAMELESS23456789", "");
    constexpr int kNotAuthorised = 0x87;
    const struct {
        RawClient* client;
        std::string topic;
        bool taken;
    } writes[] = {
        {as_guest.get(), room + "to/" + room_host + "/" + guest_id, false},
        {as_guest.get(), room + "to/" + guest_id + "/" + room_host, false},
        {as_guest.get(), room + "host/" + room_host, false},
        {as_guest.get(), room + "gone/" + guest_id, false},
        {as_watcher.get(), room + "to/" + room_host + "/RAWWATCH23456789", false},
        {as_watcher.get(), room + "host/RAWWATCH23456789", false},
        {as_watcher.get(), watching + "watch/" + watch_host, false},
        {as_watcher.get(), watching + "to/" + watch_host + "/RAWWATCH23456789", true},
        {as_guest.get(), watching + "to/" + watch_host + "/RAWGUEST23456789", false},
        {as_guest.get(), watching + "watch/RAWGUEST23456789", false},
        {outsider.get(), room + "to/" + room_host + "/OUTSIDER23456789", false},
        {outsider.get(), watching + "to/" + watch_host + "/OUTSIDER23456789", false},
    };
    for (const auto& w : writes) {
        const int reason = w.client->Publish(w.topic, Wrap(EnvelopeKind::Alive, 0));
        EXPECT_TRUE(w.taken ? Taken(reason) : reason == kNotAuthorised) << w.topic << " " << reason;
    }

    // A flood on the spectators' topic under the flooder's own id, more than the broker holds for a
    // client, while the spectator is away: it reaches no spectator.
    world.Silence(watcher);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(Taken(as_watcher->Publish(watching + "watch/RAWWATCH23456789",
                                              Wrap(EnvelopeKind::Data, 1, std::string(60000, 'f')))));
    // A spectator hears only its own tree; a guest nothing said to another machine, an outsider
    // nothing at all.
    for (RawClient* snoop : {as_guest.get(), as_watcher.get(), outsider.get(), nameless.get()}) {
        snoop->Subscribe("#");
        snoop->Subscribe("lobshot/+/to/+/+");
    }
    ASSERT_TRUE(end.SendToWatchers(Text("all")) && end.Send(1, Text("guest")));
    world.Silence(watcher, false);
    ASSERT_TRUE(world.RunUntil([&] { return world.Received(watcher, 1).size() == 1; }, 5000));
    EXPECT_EQ(world.Received(watcher, 1), std::vector<Bytes>{Text("all")});
    for (const RawClient::Message& message : as_watcher->messages())
        EXPECT_EQ(message.topic.rfind(watching, 0), 0u) << message.topic;
    for (RawClient* snoop : {as_guest.get(), outsider.get(), nameless.get()})
        EXPECT_TRUE(snoop->messages().empty()) << snoop->messages().front().topic;

    // A notice it would leave behind is not kept: a later comer finds nothing.
    as_guest->Publish(room + "host/RAWGUEST23456789", Wrap(EnvelopeKind::Room, 0), true);
    auto later = Raw("LATERCOMER234567");
    ASSERT_TRUE(later->Subscribe(Topic("host/+")));
    world.Run(200);
    EXPECT_TRUE(later->messages().empty());

    // Taking the spectators' room's host id costs the watching nothing either.
    auto usurper = Raw(watch_host, world.watchCode.c_str());
    ASSERT_TRUE(end.SendToWatchers(Text("on")));
    ASSERT_TRUE(world.RunUntil([&] { return world.Received(watcher, 1).size() == 2; }, 3000));
    EXPECT_EQ(world.Received(guest, 1), std::vector<Bytes>{Text("guest")});
    EXPECT_EQ(Disconnections({guest, watcher, host}), 0);
}

}  // namespace
