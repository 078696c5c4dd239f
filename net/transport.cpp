// Phrases for the reasons a connection ends.
#include "net/transport.h"

namespace net {

const char* DescribeReason(DisconnectReason why) {
    switch (why) {
        case DisconnectReason::Closed:
            return "closed by the other machine";
        case DisconnectReason::TimedOut:
            return "timed out";
        case DisconnectReason::HostFull:
            return "the game is full";
        case DisconnectReason::Oversized:
            return "a message was too large";
        case DisconnectReason::Malformed:
            return "a message made no sense";
    }
    return "unknown reason";
}

}  // namespace net
