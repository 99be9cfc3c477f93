// The numbers of the language texts the desktop program shows. Every id the
// program asks for is listed in kDesktopTextIds, which a test finds in the
// shipped English language file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kMenuSecret = 1;  // Secret
inline constexpr int32_t kMenuNew = 2;  // New...
inline constexpr int32_t kMenuOpen = 3;  // Open...
inline constexpr int32_t kMenuReopen = 4;  // Reopen
inline constexpr int32_t kMenuSave = 5;  // Save
inline constexpr int32_t kClose = 6;  // Close
inline constexpr int32_t kMenuExit = 7;  // Exit
inline constexpr int32_t kMenuEdit = 8;  // Edit
inline constexpr int32_t kMenuCut = 9;  // Cut
inline constexpr int32_t kMenuCopy = 10;  // Copy
inline constexpr int32_t kMenuPaste = 11;  // Paste
inline constexpr int32_t kMenuDelete = 12;  // Delete
inline constexpr int32_t kMenuSelectAll = 13;  // Select all
inline constexpr int32_t kMenuFind = 14;  // Find...
inline constexpr int32_t kMenuReplace = 15;  // Replace...
inline constexpr int32_t kMenuAddFolder = 16;  // Add folder...
inline constexpr int32_t kFileLabel = 20;  // File
inline constexpr int32_t kMenuAddFile = 21;  // Add file...
inline constexpr int32_t kMenuDeleteFile = 22;  // Delete file
inline constexpr int32_t kMenuGetFile = 23;  // Get file...
inline constexpr int32_t kMenuSecretProperties = 24;  // Properties...
inline constexpr int32_t kMenuFolder = 34;  // Folder
inline constexpr int32_t kMenuNewFolder = 35;  // New folder...
inline constexpr int32_t kMenuGetFolder = 36;  // Get folder...
inline constexpr int32_t kMenuDeleteFolder = 37;  // Delete folder
inline constexpr int32_t kMenuFolderProperties = 38;  // Properties...
inline constexpr int32_t kMenuRenameFolder = 39;  // Rename folder...
inline constexpr int32_t kMenuRenameFile = 40;  // Rename file...
inline constexpr int32_t kMenuHelp = 44;  // Help
inline constexpr int32_t kHelpContents = 45;  // Contents
inline constexpr int32_t kMenuAbout = 48;  // About Kivora...
inline constexpr int32_t kMenuTools = 50;  // Tools
inline constexpr int32_t kMenuOptions = 51;  // Options...
inline constexpr int32_t kMenuPhysicalDeletion = 52;  // Physical deletion...
inline constexpr int32_t kMenuDeleteSecret = 53;  // Delete secret
inline constexpr int32_t kColumnSafeName = 56;  // Name
inline constexpr int32_t kColumnSafeSize = 57;  // Size
inline constexpr int32_t kColumnSafeStoredSize = 58;  // Stored size
inline constexpr int32_t kColumnSafeCreated = 59;  // Created
inline constexpr int32_t kColumnSafeChanged = 60;  // Changed
inline constexpr int32_t kColumnFolderName = 61;  // Name
inline constexpr int32_t kColumnFolderSize = 62;  // Size
inline constexpr int32_t kColumnFolderChanged = 63;  // Changed
inline constexpr int32_t kMenuKeyStorage = 72;  // Key storage...
inline constexpr int32_t kMenuSignature = 74;  // Signature
inline constexpr int32_t kMenuCreateSignature = 75;  // Create signature...
inline constexpr int32_t kMenuCheckSignature = 76;  // Check signature...
inline constexpr int32_t kWarningCaption = 80;  // Warning
inline constexpr int32_t kDontShowAgain = 81;  // Don't show this message.
inline constexpr int32_t kMenuReadText = 82;  // Read text from file...
inline constexpr int32_t kMenuWriteText = 83;  // Write text to file...
inline constexpr int32_t kOneFileColumn = 84;  // File in the secret
inline constexpr int32_t kColumnFileType = 85;  // File type
inline constexpr int32_t kTrayShow = 86;  // Show Kivora
inline constexpr int32_t kTrayExit = 87;  // Exit
inline constexpr int32_t kMenuPasswordGenerator = 88;  // Password generator...
inline constexpr int32_t kMenuClipboardCoder = 89;  // Clipboard coder...
inline constexpr int32_t kMenuViewFile = 90;  // View file
inline constexpr int32_t kNotACarrier = 91;  // This file type cannot carry a secret.
inline constexpr int32_t kNoHelp = 92;  // The help file was not found in the program's folder.
inline constexpr int32_t kHintNewSecret = 101;  // New secret
inline constexpr int32_t kHintOpenSecret = 102;  // Open secret
inline constexpr int32_t kHintSaveSecret = 103;  // Save secret
inline constexpr int32_t kHintCut = 104;  // Cut
inline constexpr int32_t kHintCopy = 105;  // Copy
inline constexpr int32_t kHintPaste = 106;  // Paste
inline constexpr int32_t kHintSelectAll = 107;  // Select all
inline constexpr int32_t kHintFind = 108;  // Find text
inline constexpr int32_t kHintNewFolder = 109;  // New folder
inline constexpr int32_t kHintGetFolder = 110;  // Get folder
inline constexpr int32_t kHintFolderProperties = 111;  // Folder properties
inline constexpr int32_t kHintAddFile = 112;  // Add file
inline constexpr int32_t kHintGetFile = 113;  // Get file
inline constexpr int32_t kHintOpenOnDisk = 115;  // Open the folder on disk
inline constexpr int32_t kHintAddFolder = 116;  // Add folder
inline constexpr int32_t kHintInsertText = 117;  // Insert text from a file
inline constexpr int32_t kHintSaveText = 118;  // Save text to a file
inline constexpr int32_t kHintPutOneFile = 120;  // Put a file into the secret
inline constexpr int32_t kHintGetOneFile = 121;  // Get the file out of the secret
inline constexpr int32_t kHintViewFile = 122;  // View file
inline constexpr int32_t kCancel = 302;  // Cancel
inline constexpr int32_t kApply = 303;  // Apply
inline constexpr int32_t kPassword = 601;  // Password
inline constexpr int32_t kQuality = 604;  // Quality
inline constexpr int32_t kConfirm = 605;  // Confirm the password
inline constexpr int32_t kPasswordsDiffer = 611;  // The password and its confirmation differ. Type them again.
inline constexpr int32_t kEmptyPassword = 616;  // The key storage needs a password: an empty one cannot pro...
inline constexpr int32_t kAskSaveChanges = 800;  // The secret has unsaved changes. Save them?
inline constexpr int32_t kReadOnly = 802;  // Read only
inline constexpr int32_t kAskDeleteSecretFile = 803;  // Delete the secret file? It cannot be restored.
inline constexpr int32_t kDeleting = 804;  // Deleting the secret...
inline constexpr int32_t kDeleteFailed = 805;  // The secret could not be deleted
inline constexpr int32_t kSaving = 809;  // Saving the secret...
inline constexpr int32_t kPhysicalDeletion = 811;  // Physical deletion
inline constexpr int32_t kPhysicalDeletionFilter = 812;  // All files (*)
inline constexpr int32_t kAskPhysicalDeletion = 813;  // The chosen files will be overwritten with zeros and delet...
inline constexpr int32_t kFilesWritten = 814;  // The files were written to the disk.
inline constexpr int32_t kPhysicalDeletionDone = 815;  // The files have been physically deleted.
inline constexpr int32_t kAskDeleteCarrierSecret = 819;  // Remove the secret hidden in this file? The file itself st...
inline constexpr int32_t kErrNoMemory = 900;  // There is not enough memory for this operation.
inline constexpr int32_t kErrNotFound = 901;  // An object or value was not found: a component of Kivora m...
inline constexpr int32_t kErrNotAvailable = 902;  // This operation is not available.
inline constexpr int32_t kErrAccessDenied = 903;  // Access was denied.
inline constexpr int32_t kErrBadFormat = 904;  // The data has an unknown or damaged format.
inline constexpr int32_t kErrWrongPassword = 905;  // The password or key is wrong, or the data is too large.
inline constexpr int32_t kErrNewerVersion = 906;  // The data was written by a version of Kivora this one cann...
inline constexpr int32_t kErrBadHeader = 907;  // The header of the key or signature file is damaged.
inline constexpr int32_t kErrCannotOpen = 908;  // The file cannot be opened.
inline constexpr int32_t kErrTruncated = 909;  // The file ended before all of its data was read: it may be...
inline constexpr int32_t kErrCannotRead = 910;  // The file cannot be read.
inline constexpr int32_t kErrCannotWrite = 911;  // The file cannot be written: the disk may be full or write...
inline constexpr int32_t kErrBadDigest = 912;  // The data is damaged: its stored digest does not match.
inline constexpr int32_t kErrAlreadyExists = 914;  // The object already exists.
inline constexpr int32_t kStagingFolderRefused = 920;  // The folder for temporary files cannot be used:
inline constexpr int32_t kStagingFolderLink = 921;  // It is a symbolic link, which Kivora does not follow.
inline constexpr int32_t kStagingFolderOtherOwner = 922;  // It belongs to another user.
inline constexpr int32_t kStagingFolderNotFolder = 923;  // It is not a folder.
inline constexpr int32_t kErrFailed = 999;  // The operation failed.
inline constexpr int32_t kMonthFirst = 1108;  // January
inline constexpr int32_t kFebruary = 1109;  // February
inline constexpr int32_t kMarch = 1110;  // March
inline constexpr int32_t kApril = 1111;  // April
inline constexpr int32_t kMay = 1112;  // May
inline constexpr int32_t kJune = 1113;  // June
inline constexpr int32_t kJuly = 1114;  // July
inline constexpr int32_t kAugust = 1115;  // August
inline constexpr int32_t kSeptember = 1116;  // September
inline constexpr int32_t kOctober = 1117;  // October
inline constexpr int32_t kNovember = 1118;  // November
inline constexpr int32_t kDecember = 1119;  // December
inline constexpr int32_t kYearSuffix = 1120;  // (empty)
inline constexpr int32_t kProgramType = 1210;  // Program
inline constexpr int32_t kUnknownType = 1211;  // Unknown file type
inline constexpr int32_t kSelectFolder = 1500;  // Select folder
inline constexpr int32_t kKeyStorageNote = 1600;  // The key storage keeps your key pairs and the public keys...
inline constexpr int32_t kOpenKeyStorage = 1601;  // Open Key Storage
inline constexpr int32_t kSetKeyStoragePassword = 1602;  // Set key storage password
inline constexpr int32_t kKeyStorageQuery = 1603;  // Type the password of your key storage.
inline constexpr int32_t kAboutCaption = 1800;  // About Kivora
inline constexpr int32_t kAboutHtml = 1801;  // Kivora 1.01 Kivora keeps your data secret: text messages,...
inline constexpr int32_t kStorageDamaged = 1900;  // The key storage file is damaged or truncated.
inline constexpr int32_t kFileTooLarge = 1901;  // The password is wrong, or the file is too large (2 GB or...
inline constexpr int32_t kStorageNewerVersion = 1902;  // The key storage was written by a version of Kivora this o...
inline constexpr int32_t kStorageBadHeader = 1903;  // The header of the key storage file is damaged.
inline constexpr int32_t kCannotOpenFile = 1904;  // The file cannot be opened or created.
inline constexpr int32_t kReadFailed = 1905;  // The file cannot be read, or it was read only in part.
inline constexpr int32_t kWriteFailed = 1906;  // The file cannot be written, or it was written only in part.
inline constexpr int32_t kCarrierWarning = 2000;  // Keep the carrier file as it is Your secret is now hidden...
inline constexpr int32_t kGeneratePasswordHint = 2209;  // Generate a password
inline constexpr int32_t kViewerCaption = 2401;  // Text viewer
inline constexpr int32_t kViewerSaveHint = 2402;  // Save the text to a file
inline constexpr int32_t kViewerCopyHint = 2403;  // Copy the whole text
inline constexpr int32_t kViewerExitHint = 2404;  // Close the viewer
inline constexpr int32_t kViewerSaveTitle = 2405;  // Save text
inline constexpr int32_t kViewerSaveFilter = 2406;  // Text files (*.txt *.rtf);;All files (*)
inline constexpr int32_t kViewerSaveFailed = 2407;  // The file could not be written.
inline constexpr int32_t kViewerSaved = 2408;  // The file was saved.
inline constexpr int32_t kWipeSkipped = 2500;  // These were not wiped (missing, a folder, a link or not an...
inline constexpr int32_t kWipeFailed = 2501;  // A write failed, so these were kept:

// The texts this part of the program shows, for the test over the
// shipped language files.
inline constexpr int32_t kDesktopTextIds[] = {
    kErrNoMemory, kErrNotFound, kErrNotAvailable, kErrAccessDenied, kErrBadFormat,
    kErrWrongPassword, kErrNewerVersion, kErrBadHeader, kErrCannotOpen, kErrTruncated,
    kErrCannotRead, kErrCannotWrite, kErrBadDigest, kErrAlreadyExists, kErrFailed, kStorageDamaged,
    kFileTooLarge, kStorageNewerVersion, kStorageBadHeader, kCannotOpenFile, kReadFailed,
    kWriteFailed, kMonthFirst, kFebruary, kMarch, kApril, kMay, kJune, kJuly, kAugust, kSeptember,
    kOctober, kNovember, kDecember, kYearSuffix, kCancel, kApply, kPassword, kQuality, kConfirm,
    kPasswordsDiffer, kEmptyPassword, kKeyStorageNote, kOpenKeyStorage, kSetKeyStoragePassword,
    kKeyStorageQuery, kGeneratePasswordHint, kMenuSecret, kMenuNew, kMenuOpen, kMenuReopen,
    kMenuSave, kClose, kMenuExit, kMenuEdit, kMenuCut, kMenuCopy, kMenuPaste, kMenuDelete,
    kMenuSelectAll, kMenuFind, kMenuReplace, kMenuAddFolder, kFileLabel, kMenuAddFile,
    kMenuDeleteFile, kMenuGetFile, kMenuSecretProperties, kMenuFolder, kMenuNewFolder,
    kMenuGetFolder, kMenuDeleteFolder, kMenuFolderProperties, kMenuRenameFolder, kMenuRenameFile,
    kMenuHelp, kHelpContents, kMenuAbout, kMenuTools, kMenuOptions, kMenuPhysicalDeletion,
    kMenuDeleteSecret, kMenuKeyStorage, kMenuSignature, kMenuCreateSignature, kMenuCheckSignature,
    kMenuReadText, kMenuWriteText, kMenuPasswordGenerator, kMenuClipboardCoder, kMenuViewFile,
    kHintNewSecret, kHintOpenSecret, kHintSaveSecret, kHintCut, kHintCopy, kHintPaste,
    kHintSelectAll, kHintFind, kHintNewFolder, kHintGetFolder, kHintFolderProperties, kHintAddFile,
    kHintGetFile, kHintOpenOnDisk, kHintAddFolder, kHintInsertText, kHintSaveText, kHintPutOneFile,
    kHintGetOneFile, kHintViewFile, kOneFileColumn, kColumnFileType, kColumnSafeName,
    kColumnSafeSize, kColumnSafeStoredSize, kColumnSafeCreated, kColumnSafeChanged,
    kColumnFolderName, kColumnFolderSize, kColumnFolderChanged, kTrayShow, kTrayExit,
    kAskSaveChanges, kReadOnly, kAskDeleteSecretFile, kDeleting, kDeleteFailed, kSaving,
    kAskDeleteCarrierSecret, kNoHelp, kNotACarrier, kPhysicalDeletion, kPhysicalDeletionFilter,
    kAskPhysicalDeletion, kPhysicalDeletionDone, kWipeSkipped, kWipeFailed, kWarningCaption,
    kDontShowAgain, kAboutCaption, kAboutHtml, kCarrierWarning, kViewerCaption, kViewerSaveHint,
    kViewerCopyHint, kViewerExitHint, kViewerSaveTitle, kViewerSaveFilter, kViewerSaveFailed,
    kViewerSaved, kStagingFolderRefused, kStagingFolderLink, kStagingFolderOtherOwner, kStagingFolderNotFolder,
};

}  // namespace kiv::txt
