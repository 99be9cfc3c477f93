// The numbers of the language texts of the safe commands, the replace
// confirmation and the folder properties; kSafeTextIds lists each of them
// for the test over the shipped English file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kNewFolder = 64;
inline constexpr int32_t kRenameFolder = 65;
inline constexpr int32_t kAskDeleteItems = 66;
inline constexpr int32_t kDeleteItems = 67;
inline constexpr int32_t kAddFiles = 68;
inline constexpr int32_t kAddFilesFilter = 69;
inline constexpr int32_t kRenameFile = 70;
inline constexpr int32_t kGetFiles = 71;
inline constexpr int32_t kBadFolderName = 808;
inline constexpr int32_t kBadFileName = 810;
inline constexpr int32_t kExtracted = 814;
inline constexpr int32_t kNothingSelected = 818;
inline constexpr int32_t kUnsafeNames = 2510;

inline constexpr int32_t kSafeTextIds[] = {
    6, 64, 65, 66, 67, 68, 69, 70, 71, 302, 303, 808, 810, 814, 818, 2510,
    // replace confirmation
    1300, 1301, 1302, 1303, 1304, 1305, 1306, 1307, 1308, 1309, 1310, 1311,
    // folder properties and the folder dialog
    1400, 1401, 1402, 1403, 1404, 1405, 1500,
};

}  // namespace kiv::txt
