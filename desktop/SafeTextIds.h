// The numbers of the language texts of the safe commands, the replace
// confirmation and the folder properties; kSafeTextIds lists each of them
// for the test over the shipped English file.
#pragma once
#include <cstdint>

#include "desktop/TextIds.h"

namespace kiv::txt {

inline constexpr int32_t kNewFolder = 64;  // New folder
inline constexpr int32_t kRenameFolder = 65;  // Rename folder
inline constexpr int32_t kAskDeleteItems = 66;  // Delete the selected files and folders from the safe?
inline constexpr int32_t kDeleteItems = 67;  // Delete
inline constexpr int32_t kAddFiles = 68;  // Add files to the safe
inline constexpr int32_t kAddFilesFilter = 69;  // All files (*)
inline constexpr int32_t kRenameFile = 70;  // Rename file
inline constexpr int32_t kGetFiles = 71;  // Get files from the safe
inline constexpr int32_t kBadFolderName = 808;  // This folder name cannot be used.
inline constexpr int32_t kBadFileName = 810;  // This file name cannot be used.
inline constexpr int32_t kNothingSelected = 818;  // Nothing is selected.
inline constexpr int32_t kReplaceFileCaption = 1300;  // Replace the file?
inline constexpr int32_t kReplaceIncoming = 1301;  // Incoming file
inline constexpr int32_t kReplaceIncomingChanged = 1302;  // Changed
inline constexpr int32_t kReplaceIncomingSize = 1303;  // Size
inline constexpr int32_t kReplaceExisting = 1304;  // Existing file
inline constexpr int32_t kReplaceExistingChanged = 1305;  // Changed
inline constexpr int32_t kReplaceExistingSize = 1306;  // Size
inline constexpr int32_t kReplaceYes = 1307;  // Yes
inline constexpr int32_t kReplaceYesAll = 1308;  // Yes All
inline constexpr int32_t kReplaceNo = 1309;  // No
inline constexpr int32_t kReplaceNoAll = 1310;  // No All
inline constexpr int32_t kReplaceCancel = 1311;  // Cancel
inline constexpr int32_t kFolderPropsCaption = 1400;  // Folder properties
inline constexpr int32_t kFolderPropPath = 1401;  // Path
inline constexpr int32_t kFolderPropFolders = 1402;  // Folders
inline constexpr int32_t kFolderPropFiles = 1403;  // Files
inline constexpr int32_t kFolderPropSize = 1404;  // Size
inline constexpr int32_t kFolderPropStoredSize = 1405;  // Stored size
inline constexpr int32_t kUnsafeNames = 2510;  // These names cannot be written to disk, so they were left...

// The texts this part of the program shows, for the test over the
// shipped language files.
inline constexpr int32_t kSafeTextIds[] = {
    kClose, kNewFolder, kRenameFolder, kAskDeleteItems, kDeleteItems, kAddFiles, kAddFilesFilter,
    kRenameFile, kGetFiles, kCancel, kApply, kBadFolderName, kBadFileName, kFilesWritten,
    kNothingSelected, kUnsafeNames, kReplaceFileCaption, kReplaceIncoming, kReplaceIncomingChanged,
    kReplaceIncomingSize, kReplaceExisting, kReplaceExistingChanged, kReplaceExistingSize,
    kReplaceYes, kReplaceYesAll, kReplaceNo, kReplaceNoAll, kReplaceCancel, kFolderPropsCaption,
    kFolderPropPath, kFolderPropFolders, kFolderPropFiles, kFolderPropSize, kFolderPropStoredSize,
    kSelectFolder,
};

}  // namespace kiv::txt
