// Opening a room on a relay of several brokers: the broker a fresh code names, or the next that answers.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/transport.h"

namespace net {

// Opens a fresh room on one of the brokers of `setting`: draws its codes (net::MakeRoomCodesOn) for
// a broker chosen at random and calls `open` with that broker's address; if it fails, draws codes
// naming the next broker, until one keeps the room or every broker has failed. Fills in the codes
// and the broker's address of the room opened; null with the last broker's message otherwise.
using OpenRoomOn = std::function<std::unique_ptr<Transport>(
    const std::string& relay, const std::string& code, const std::string& watch_code, std::string* error)>;
std::unique_ptr<Transport> OpenRoomOnSomeRelay(const std::string& setting, const OpenRoomOn& open,
                                               std::string* code, std::string* watch_code, std::string* relay,
                                               std::string* error);

}  // namespace net
