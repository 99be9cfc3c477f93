// The numbers of the language texts the desktop program shows. Every id the
// program asks for is listed in kDesktopTextIds, which a test finds in the
// shipped English language file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kMonthFirst = 1108;  // 1108 January ... 1119 December
inline constexpr int32_t kYearSuffix = 1120;  // after the year of a date

inline constexpr int32_t kCancel = 302;
inline constexpr int32_t kApply = 303;
inline constexpr int32_t kPassword = 601;
inline constexpr int32_t kQuality = 604;
inline constexpr int32_t kConfirm = 605;
inline constexpr int32_t kPasswordsDiffer = 611;
inline constexpr int32_t kEmptyPassword = 616;
inline constexpr int32_t kKeyStorageNote = 1600;
inline constexpr int32_t kOpenKeyStorage = 1601;
inline constexpr int32_t kSetKeyStoragePassword = 1602;
inline constexpr int32_t kKeyStorageQuery = 1603;
inline constexpr int32_t kGeneratePasswordHint = 2209;

inline constexpr int32_t kDesktopTextIds[] = {
    // status texts
    900, 901, 902, 903, 904, 905, 906, 907, 908, 909, 910, 911, 912, 914, 999,
    1900, 1901, 1902, 1903, 1904, 1905, 1906,
    // dates
    1108, 1109, 1110, 1111, 1112, 1113, 1114, 1115, 1116, 1117, 1118, 1119, 1120,
    // key storage password dialogs
    302, 303, 601, 604, 605, 611, 616, 1600, 1601, 1602, 1603, 2209,
};

}  // namespace kiv::txt
