// The tests' own plain Lzpxj decoder (see LzpxjModel.cpp).
#pragma once
#include <cstdint>
#include <vector>

namespace arctest::model {
// Decodes a whole stream; false when it is not one.
bool Decode(const std::vector<uint8_t>& stream, std::vector<uint8_t>* out);
}
