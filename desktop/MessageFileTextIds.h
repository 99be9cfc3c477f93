// The texts of the message and one-file commands. Every id here is in
// kMessageFileTextIds, which a test finds in the shipped English file.
#pragma once
#include <cstdint>

#include "desktop/TextIds.h"

namespace kiv::txt {

inline constexpr int32_t kOneFileOpenTitle = 78;  // Choose the file to put into the secret
inline constexpr int32_t kNotCompressed = 807;  // not compressed
inline constexpr int32_t kNoMemory = 1907;  // There is not enough memory for this file.
inline constexpr int32_t kReadTextTitle = 2100;  // Read text from a file
inline constexpr int32_t kTextFilter = 2101;  // Text files (*.txt);;All files (*)
inline constexpr int32_t kWriteSelectionTitle = 2102;  // Write the selected text to a file
inline constexpr int32_t kWriteTextTitle = 2103;  // Write the message to a file
inline constexpr int32_t kTextWritten = 2104;  // The text was written to the file.
inline constexpr int32_t kFindWhat = 2105;  // Find what:
inline constexpr int32_t kReplaceWith = 2106;  // Replace with:
inline constexpr int32_t kMatchCase = 2107;  // Match case
inline constexpr int32_t kFindNext = 2108;  // Find next
inline constexpr int32_t kReplaceButton = 2109;  // Replace
inline constexpr int32_t kReplaceAllButton = 2110;  // Replace all
inline constexpr int32_t kFindCaption = 2111;  // Find
inline constexpr int32_t kReplaceCaption = 2112;  // Replace
inline constexpr int32_t kNoFileYet = 2532;  // No file was put into the new secret, so it holds none yet...

// The texts this part of the program shows, for the test over the
// shipped language files.
inline constexpr int32_t kMessageFileTextIds[] = {
    kOneFileOpenTitle, kNotCompressed, kFilesWritten, kProgramType, kUnknownType, kFileTooLarge,
    kCannotOpenFile, kReadFailed, kWriteFailed, kNoMemory, kReadTextTitle, kTextFilter,
    kWriteSelectionTitle, kWriteTextTitle, kTextWritten, kFindWhat, kReplaceWith, kMatchCase,
    kFindNext, kReplaceButton, kReplaceAllButton, kFindCaption, kReplaceCaption, kCancel,
    kNoFileYet,
};

}  // namespace kiv::txt
