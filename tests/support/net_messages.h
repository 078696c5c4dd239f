// Test support: the network game's messages as the bytes a machine sends.
#pragma once

#include <cstdint>
#include <vector>

#include "net/messages.h"

// The bytes of `message` as EncodeMessage makes them; the test fails if it cannot be encoded.
std::vector<std::uint8_t> Encoded(const net::Message& message);
