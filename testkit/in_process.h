// The in-process twin of the transport: machines in one process on a simulated link with faults.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/transport.h"
#include "testkit/link_faults.h"

namespace net {

// Above the faulty link every end keeps the promises of the transport (sequence numbers,
// acknowledgements and resends, duplicates dropped, a buffer that puts early arrivals back in order,
// keep-alives and timeouts), so only delays show through.
//
// The network: a simulated clock, the link, and the ends made from it. Time passes only inside
// Poll and Advance, in steps of a few milliseconds, so a test runs as fast as the machine allows and
// the same calls give the same outcome. Ends share the network's state; either may outlive the
// other.
class InProcessNetwork {
public:
    explicit InProcessNetwork(const LinkFaults& faults = {});
    ~InProcessNetwork();

    // A host on a simulated port (0: the next free one). Returns null and a message in *error if
    // the port is taken.
    std::unique_ptr<Transport> Listen(std::uint16_t port, const TransportOptions& options,
                                      std::string* error);

    // A client joining the host on the port. With no host there it reports TimedOut in due course.
    // Its peers see it at the address `from` ("" for one of its own, "10.0.0.N"); clients may
    // share one, as machines behind one router do.
    std::unique_ptr<Transport> Connect(std::uint16_t port, const TransportOptions& options,
                                       const std::string& from = "");

    void SetFaults(const LinkFaults& faults);

    // Cuts an end off: every datagram to or from it is lost from now on, as if its cable were
    // pulled. Its peers, and the end itself, notice by timeout.
    void Sever(const Transport& end);

    // Runs the whole network for ms milliseconds of simulated time.
    void Advance(int ms);

    std::int64_t NowMs() const;
    LinkStats Stats() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace net
