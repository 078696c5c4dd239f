// Test support: the network game's messages as the bytes a machine sends.
#include "tests/support/net_messages.h"

#include <gtest/gtest.h>

#include <string>

std::vector<std::uint8_t> Encoded(const net::Message& message) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(net::EncodeMessage(message, &bytes, &error)) << error;
    return bytes;
}
