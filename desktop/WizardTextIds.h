// The texts of the new-secret and open wizards, the secret properties and
// the password generator, all in the desktop's English file (a test looks
// each one up there).
#pragma once
#include <cstdint>

namespace kiv::txt {

// The open chain's own findings.
inline constexpr int32_t kWrongPassword = 2530;
inline constexpr int32_t kNoSecretFound = 2531;

inline constexpr int32_t kWizardTextIds[] = {
    77, 79, 200, 201, 202, 203, 204, 205, 206, 300, 301, 400, 401, 402, 403, 404, 405, 406, 407,
    408, 409, 410, 411, 500, 501, 502, 503, 504, 505, 506, 507, 508, 509, 600, 602, 603, 606, 607,
    608, 610, 612, 700, 701, 702, 801, 806, 817, 1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007,
    1008, 1009, 1010, 1011, 1100, 1101, 1102, 1103, 1104, 1105, 1106, 1121, 1122, 1123, 1124,
    1217, 1500, 1731, 1732, 1733, 2201, 2202, 2203, 2204, 2205, 2206, 2207, 2208, 2530, 2531,
};

}  // namespace kiv::txt
