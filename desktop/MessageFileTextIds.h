// The texts of the message and one-file commands. Every id here is in
// kMessageFileTextIds, which a test finds in the shipped English file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kOneFileOpenTitle = 78;
inline constexpr int32_t kNotCompressed = 807;
inline constexpr int32_t kFilesGot = 814;
inline constexpr int32_t kProgramType = 1210;
inline constexpr int32_t kUnknownType = 1211;
inline constexpr int32_t kNoFileYet = 2532;  // a new one-file secret left empty
// Read from file and Write to file.
inline constexpr int32_t kFileTooLarge = 1901;
inline constexpr int32_t kCannotOpenFile = 1904;
inline constexpr int32_t kReadFailed = 1905;
inline constexpr int32_t kWriteFailed = 1906;
inline constexpr int32_t kNoMemory = 1907;
inline constexpr int32_t kReadTextTitle = 2100;
inline constexpr int32_t kTextFilter = 2101;
inline constexpr int32_t kWriteSelectionTitle = 2102;
inline constexpr int32_t kWriteTextTitle = 2103;
inline constexpr int32_t kTextWritten = 2104;
// The find and replace dialogs.
inline constexpr int32_t kFindWhat = 2105;
inline constexpr int32_t kReplaceWith = 2106;
inline constexpr int32_t kMatchCase = 2107;
inline constexpr int32_t kFindNext = 2108;
inline constexpr int32_t kReplaceButton = 2109;
inline constexpr int32_t kReplaceAllButton = 2110;
inline constexpr int32_t kFindCaption = 2111;
inline constexpr int32_t kReplaceCaption = 2112;

inline constexpr int32_t kMessageFileTextIds[] = {
    78, 807, 814, 1210, 1211, 1901, 1904, 1905, 1906, 1907, 2100, 2101, 2102, 2103, 2104,
    2105, 2106, 2107, 2108, 2109, 2110, 2111, 2112, 302, 2532,
};

}  // namespace kiv::txt
