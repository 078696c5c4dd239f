// Test support: the network game's messages as the bytes a machine sends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/messages.h"

// The bytes of `message` as EncodeMessage makes them; the test fails if it cannot be encoded.
inline std::vector<std::uint8_t> Encoded(const net::Message& message) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(net::EncodeMessage(message, &bytes, &error)) << error;
    return bytes;
}
