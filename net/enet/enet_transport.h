// The transport over UDP with ENet: a host listening on a port, or a client joining one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/transport.h"

namespace net {

// Listens on the port of a local address: "" for every local address, or a numeric one such as
// "127.0.0.1". Port 0 lets the system choose; Port() tells which. Returns null and a message in
// *error if the address is not numeric or the port cannot be had.
std::unique_ptr<Transport> ListenEnet(const std::string& address, std::uint16_t port,
                                      const TransportOptions& options, std::string* error);

// Starts joining the host at HOST:PORT (a name or a numeric address). Polling then reports
// Connected, or Disconnected with TimedOut if no host answers within the timeout, or HostFull.
std::unique_ptr<Transport> ConnectEnet(const std::string& host, std::uint16_t port,
                                       const TransportOptions& options, std::string* error);

}  // namespace net
