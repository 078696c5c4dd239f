// A faulty UDP relay on 127.0.0.1 between clients and a host, for testing real transports on a bad link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "testkit/link_faults.h"

namespace net {

// Clients send to the relay's port instead of the host's; the relay forwards each client's
// datagrams to the host from a socket of that client's own, and the host's answers back, losing,
// repeating, delaying and reordering them as the faults say. Delays are real time. A thread of the
// relay's own does the work from Start until the relay is destroyed.
class UdpRelay {
public:
    // A relay in front of the host at 127.0.0.1:host_port. Returns null and a message in *error if
    // no socket can be had.
    static std::unique_ptr<UdpRelay> Start(std::uint16_t host_port, const LinkFaults& faults,
                                           std::string* error);

    virtual ~UdpRelay() = default;

    // The port on 127.0.0.1 that clients send to.
    virtual std::uint16_t Port() const = 0;

    // Cuts off a client (0 for the first one heard from, and so on): its datagrams and the host's
    // to it are lost from now on.
    virtual void Sever(int client) = 0;

    virtual LinkStats Stats() const = 0;
};

}  // namespace net
