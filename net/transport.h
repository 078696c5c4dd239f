// The transport beneath network play: reliable, ordered byte messages between a host and its peers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace net {

// A peer as this end knows it. Ids start at 1, count up, and are never reused by one transport; a
// client's only peer is its host.
using PeerId = std::uint32_t;

// A host takes at most this many joining machines (eight machines in all with itself).
constexpr int kMaxJoiningPeers = 7;
// And at most this many spectators, which watch the game and play no seat.
constexpr int kMaxWatchingPeers = 64;
// Beyond those, a host's transport keeps room for this many connections that have yet to say who
// they are, so that connections that never do cannot keep a real machine out.
constexpr int kMaxWaitingPeers = 16;
constexpr int kMaxPeers = kMaxJoiningPeers + kMaxWatchingPeers + kMaxWaitingPeers;

// The largest message either end sends or accepts. A larger one is refused by Send, and one
// received closes the connection to the peer that sent it.
constexpr std::size_t kMaxMessageBytes = 64 * 1024;

// Why a connection ended. The values travel between machines, so they never change.
enum class DisconnectReason : std::uint8_t {
    Closed = 1,     // the other end said goodbye
    TimedOut = 2,   // nothing heard for the timeout, or no answer to a connection attempt
    HostFull = 3,   // the host already has all the connections it takes
    Oversized = 4,  // a message exceeded the size limit
    Malformed = 5,  // a message made no sense to its receiver
    // The host's refusals of a machine that asked to join, each with a Refuse saying more.
    GameFull = 6,         // the game already has eight machines (or all the spectators it takes)
    Busy = 7,             // too many connections were waiting to join at once
    Silent = 8,           // no hello within the time allowed
    VersionDiffers = 9,   // the two machines run different versions of the game
    TooManyRejoins = 10,  // the address left and rejoined too often lately
    // Messages on the way were let go: a relay drops what waits too long for a receiver too slow
    // to take it, and the receiver then closes rather than go on with a gap.
    Lost = 11,
    // Reported by this end, never sent: the relay between the machines went away, taking every
    // connection with it (an online room's broker stopped or could no longer be reached).
    RelayLost = 12,
    WrongCode = 13,  // a host's refusal: the join code it asks for was not given (with a Refuse)
};

// Marks a text for the player, in English, as one to translate: it does nothing here, beneath the
// languages (text/), but scripts/update-pot.sh extracts its argument, and the layer that shows the
// text passes it through Tr.
constexpr const char* NetText(const char* english) { return english; }

// The faults of addresses (ParseHostPort, ParseHostOptionalPort, CheckRelayAddress and FindRelay
// in net/relay_address.h) and of a relay that cannot be reached (net/relay/) as formats with %s for each
// blank, marked with NetText. Compose fills one; the layer that shows the message translates it by these with
// TrComposed (text/text.h).
namespace says {
inline constexpr const char* kPortNotNumber = NetText("the port in \"%s\" is not a number from 1 to 65535");
inline constexpr const char* kNotBracketed = NetText("\"%s\" is not [IPv6 ADDRESS]:PORT");
inline constexpr const char* kPortMissing =
    NetText("\"%s\" is not HOST:PORT (the port is missing after the address)");
inline constexpr const char* kNotHostPort = NetText("\"%s\" is not HOST:PORT");
inline constexpr const char* kBracketsForPort =
    NetText("\"%s\" is not HOST:PORT (an IPv6 address with a port goes in brackets: [ADDRESS]:PORT)");
inline constexpr const char* kNotIpv6 =
    NetText("\"%s\" is not an IPv6 address (one with a port goes in brackets: [ADDRESS]:PORT)");
inline constexpr const char* kNoHost = NetText("\"%s\" names no host");
inline constexpr const char* kRelayTooLong = NetText("%s: the relay's address is too long");
inline constexpr const char* kRelayControl = NetText("%s: the relay's address has a control character");
inline constexpr const char* kRelayNotAddress =
    NetText("%s: %s (the relay is ADDRESS:PORT, as in %s, or mqtts://ADDRESS:PORT)");
inline constexpr const char* kRelaySpace = NetText("%s: the relay's address \"%s\" has a space");
inline constexpr const char* kRelayNotOneLine = NetText("%s: not one line ADDRESS:PORT");
inline constexpr const char* kRelayRefused = NetText("the relay at %s refused the connection");
inline constexpr const char* kRelaySilent = NetText("the relay at %s did not answer");
inline constexpr const char* kRelayUnreachable = NetText("cannot reach the relay at %s");
inline constexpr const char* kRelayClientNotMade = NetText("the relay's client could not be made");
inline constexpr const char* kRelayNoWill = NetText("the relay's client could not be given its will");
inline constexpr const char* kNoAuthorities =
    NetText("this machine's trusted authorities could not be loaded");
inline constexpr const char* kAuthorityUnreadable = NetText("cannot read the relay's authority %s");
inline constexpr const char* kCertificateRefused =
    NetText("the certificate of the relay at %s is not trusted");
inline constexpr const char* kNoTls = NetText("no TLS connection to the relay at %s");
inline constexpr std::array kAll = {kPortNotNumber,
                                    kNotBracketed,
                                    kPortMissing,
                                    kNotHostPort,
                                    kBracketsForPort,
                                    kNotIpv6,
                                    kNoHost,
                                    kRelayTooLong,
                                    kRelayControl,
                                    kRelayNotAddress,
                                    kRelaySpace,
                                    kRelayNotOneLine,
                                    kRelayRefused,
                                    kRelaySilent,
                                    kRelayUnreachable,
                                    kRelayClientNotMade,
                                    kRelayNoWill,
                                    kNoAuthorities,
                                    kAuthorityUnreadable,
                                    kCertificateRefused,
                                    kNoTls};
}  // namespace says

// `format` with each %s replaced by the next of `blanks`, in order.
std::string Compose(const char* format, std::initializer_list<std::string_view> blanks);

// A reason as a short English phrase for messages ("timed out"), marked with NetText: whoever shows
// it passes it through Tr.
const char* DescribeReason(DisconnectReason why);

// Splits "HOST:PORT" as a player types it: a name, a numeric IPv4 address or an IPv6 one in
// brackets ("[::1]:26510", the host then without them), and a decimal port from 1 to 65535.
// Returns false with a message for the player in *error otherwise.
bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port, std::string* error);
// The same with the port optional ("HOST", "::1", "[::1]" take defaultPort).
bool ParseHostOptionalPort(const std::string& text, std::uint16_t defaultPort, std::string* host,
                           std::uint16_t* port, std::string* error);

struct NetEvent {
    enum Kind { Connected, Received, Disconnected };
    Kind kind = Connected;
    PeerId peer = 0;
    std::vector<std::uint8_t> bytes;                     // Received only
    DisconnectReason reason = DisconnectReason::Closed;  // Disconnected only
};

struct TransportOptions {
    std::size_t max_message_bytes = kMaxMessageBytes;
    int max_peers = kMaxPeers;  // a host's limit of connections, joined or waiting, 1 to kMaxPeers
    int timeout_ms = 5000;      // silence after which a peer is taken to be gone
    // How often an end with nothing to say tells its peers it is alive: a peer's timeout may be
    // shorter than this end's own, so this stays well inside the shortest one any end uses.
    int alive_every_ms = 1250;
    // The relay's own keep-alive, in seconds: the broker drops a client that sends it nothing for
    // one and a half of these (30 s here, longer than any end of a room waits for a peer, so that
    // the room's own rules judge a machine paused or busy). A page, which its browser may freeze
    // for minutes while its person is away, asks for a longer one.
    int relay_keepalive_s = 20;
};

// One end of the network game: a host listening for peers or a client joined to a host. Every call
// comes from one thread; nothing happens between calls except the operating system buffering
// datagrams, so the owner polls often (every frame, or in a loop with a timeout).
//
// Destroying a transport drops every connection at once without telling anyone, like a machine
// that loses its power; its peers notice by timeout. Disconnect first to leave politely.
class Transport {
public:
    virtual ~Transport() = default;

    // Waits at most timeout_ms (0: not at all) for the next event and returns it in *event; returns
    // false if none came. Connected comes once per peer before anything it sends; Disconnected comes
    // once and is the peer's last event.
    virtual bool Poll(NetEvent* event, int timeout_ms) = 0;

    // Queues bytes for the peer, delivered whole, once and in order after everything sent before.
    // Returns false, sending nothing, if the peer is not connected or the message is empty or
    // larger than the limit.
    virtual bool Send(PeerId peer, std::span<const std::uint8_t> bytes) = 0;

    // Delivers what is already queued for the peer, then closes the connection, telling it why.
    // No more events are reported for that peer, not even Disconnected.
    virtual void Disconnect(PeerId peer, DisconnectReason why = DisconnectReason::Closed) = 0;

    // The peers connected now.
    virtual std::vector<PeerId> Peers() const = 0;

    // The address a connected peer's datagrams come from, without the port: a numeric IPv4 address
    // over UDP ("127.0.0.1"), the twin's own name in process; "" for a peer not connected. Many
    // machines may share one address.
    virtual std::string Address(PeerId peer) const = 0;

    // True once every connection closed with Disconnect has finished closing, everything queued for
    // it delivered; an owner about to go away polls until then (for a while) so nothing is lost.
    virtual bool Settled() const = 0;

    // A host lets a peer stay silent for `timeout_ms` rather than the options' timeout (0: the
    // options' again), while its person is away and its page may be frozen. Transports that cannot
    // keep one peer's timeout apart ignore it.
    virtual void HoldPeer(PeerId, int /*timeout_ms*/) {}

    // A host's addresses on its networks, numeric ("192.168.1.5"), for people to join it by; none
    // where the transport cannot tell (a relay's, the twin's).
    virtual std::vector<std::string> LocalAddresses() const { return {}; }

    // A host's port (the one chosen by the system if it asked for 0); 0 for a client.
    virtual std::uint16_t Port() const = 0;

    // Spectators, for a host whose transport sends one message to many at once (the relay's does;
    // the others do not, and their owner sends to each spectator in turn). Watch makes a connected
    // peer a spectator and returns true: from then on it also gets what SendToWatchers sends, in
    // order with everything sent to it on its own. SendToWatchers sends the bytes once to every
    // spectator; false when it cannot (not connected, empty or too large). A spectator too slow to
    // take what is sent to it loses its connection (Lost) rather than make the others wait.
    virtual bool Watch(PeerId) { return false; }
    virtual bool SendToWatchers(std::span<const std::uint8_t>) { return false; }
    // The same for the joined machines (the relay's again): Watch on a machine's peer makes it read
    // what SendToPlayers sends once to every machine so made, in order with the rest.
    virtual bool SendToPlayers(std::span<const std::uint8_t>) { return false; }

    // Sends what Send and the calls above have queued. A transport may gather what is sent in a row
    // to go as one (the relay's does, a tick's messages at a time) until Push or the next Poll;
    // what is sent to all spectators at once may wait a little longer still, as they play seconds
    // behind. The others send at once, and ignore it.
    virtual void Push() {}

    // What a host's peer came in to do, for a transport that keeps the two doors apart (the
    // relay's: a room's code lets a machine in to play, its watch code lets one in to watch); the
    // owner turns away a peer asking for the other. Either for the transports with one door.
    enum class PeerRole { Either, Player, Spectator };
    virtual PeerRole RoleOf(PeerId) const { return PeerRole::Either; }
};

}  // namespace net
