// The tests' own plain Lzpxj decoder (see RefLzpxj.cpp).
#pragma once
#include <cstdint>
#include <vector>

namespace reflzpxj {
// Decodes a whole stream; false when it is not one.
bool Decode(const std::vector<uint8_t>& stream, std::vector<uint8_t>* out);
}
