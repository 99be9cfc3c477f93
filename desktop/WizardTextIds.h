// The texts of the new-secret and open wizards, the secret properties and
// the password generator, all in the desktop's English file (a test looks
// each one up there).
#pragma once
#include <cstdint>

#include "desktop/TextIds.h"

namespace kiv::txt {

inline constexpr int32_t kPleaseWait = 77;  // Please wait...
inline constexpr int32_t kCarrierCapacity = 79;  // Capacity of the carrier
inline constexpr int32_t kKindText = 200;  // Text
inline constexpr int32_t kKindFile = 201;  // File
inline constexpr int32_t kKindSafe = 202;  // Safe
inline constexpr int32_t kSecretKindCaption = 203;  // New secret: kind of secret
inline constexpr int32_t kKindTextInfo = 204;  // Text message A message you type; it is kept compressed an...
inline constexpr int32_t kKindFileInfo = 205;  // One file Any one file, kept compressed and encrypted.
inline constexpr int32_t kKindSafeInfo = 206;  // Safe A tree of folders and files, kept compressed and enc...
inline constexpr int32_t kPrevious = 300;  // Previous
inline constexpr int32_t kNext = 301;  // Next
inline constexpr int32_t kContainerFile = 400;  // File
inline constexpr int32_t kContainerPicture = 401;  // Picture
inline constexpr int32_t kContainerSound = 402;  // Sound
inline constexpr int32_t kContainerFileInfo = 403;  // Secret file The secret is stored in a file of its own (.k...
inline constexpr int32_t kContainerPictureInfo = 404;  // Picture The secret is hidden in a BMP, PNG, JPEG or GIF p...
inline constexpr int32_t kContainerSoundInfo = 405;  // Sound The secret is hidden in a WAVE or MP3 sound.
inline constexpr int32_t kContainerKindCaption = 406;  // New secret: kind of container
inline constexpr int32_t kContainerDocument = 407;  // Document
inline constexpr int32_t kContainerDocumentInfo = 408;  // Document The secret is hidden in a text document.
inline constexpr int32_t kMakeCopy = 409;  // Make copy
inline constexpr int32_t kContainerArchive = 410;  // Archives
inline constexpr int32_t kContainerArchiveInfo = 411;  // Archive The secret is hidden in a ZIP archive.
inline constexpr int32_t kSaveSecretTitle = 500;  // Save the secret as
inline constexpr int32_t kSecretFilter = 501;  // Kivora secrets (*.kvs);;All files (*)
inline constexpr int32_t kPictureFilter = 502;  // Pictures (*.bmp *.png *.jpg *.jpeg *.gif);;All files (*)
inline constexpr int32_t kSoundFilter = 503;  // Sounds (*.wav *.mp3);;All files (*)
inline constexpr int32_t kDocumentFilter = 504;  // Text documents (*.txt);;All files (*)
inline constexpr int32_t kChoosePictureTitle = 505;  // Choose the picture
inline constexpr int32_t kChooseSoundTitle = 506;  // Choose the sound
inline constexpr int32_t kChooseDocumentTitle = 507;  // Choose the document
inline constexpr int32_t kChooseArchiveTitle = 508;  // Choose the archive
inline constexpr int32_t kArchiveFilter = 509;  // ZIP archives (*.zip);;All files (*)
inline constexpr int32_t kSecretParamsCaption = 600;  // Secret parameters
inline constexpr int32_t kSettings = 602;  // Settings
inline constexpr int32_t kPasswordMode = 603;  // Password
inline constexpr int32_t kRsaKeyMode = 606;  // RSA key
inline constexpr int32_t kHashChoice = 607;  // Hash
inline constexpr int32_t kCipherChoice = 608;  // Cipher
inline constexpr int32_t kGostCipher = 610;  // GOST 28147-89. (USSR, Russian Federation)
inline constexpr int32_t kCapacityBytes = 612;  // Capacity (bytes):
inline constexpr int32_t kOpenSecretTitle = 700;  // Open a secret
inline constexpr int32_t kOpenSecretFilter = 701;  // Secrets and carriers (*.kvs *.bmp *.png *.jpg *.jpeg *.gi...
inline constexpr int32_t kSecretReadFailed = 702;  // The secret could not be read.
inline constexpr int32_t kCannotHoldSecret = 801;  // This kind of file cannot hold a secret.
inline constexpr int32_t kSecretCreateFailed = 806;  // The secret could not be created.
inline constexpr int32_t kNoKeyOpensSecret = 817;  // No key of the key storage opens this secret.
inline constexpr int32_t kOpenSecretCaption = 1000;  // Open secret
inline constexpr int32_t kOpenKindText = 1001;  // Text message
inline constexpr int32_t kOpenKindFile = 1002;  // File
inline constexpr int32_t kOpenKindSafe = 1003;  // Safe
inline constexpr int32_t kOpenContainerFile = 1004;  // Secret file
inline constexpr int32_t kOpenContainerPicture = 1005;  // Picture
inline constexpr int32_t kOpenContainerSound = 1006;  // Sound
inline constexpr int32_t kOpenContainerDocument = 1007;  // Document
inline constexpr int32_t kOpenPassword = 1008;  // Password:
inline constexpr int32_t kOpenVersion = 1009;  // Version
inline constexpr int32_t kOpenFile = 1010;  // File:
inline constexpr int32_t kOpenContainerArchive = 1011;  // Archive
inline constexpr int32_t kPropFile = 1100;  // File
inline constexpr int32_t kPropFileSize = 1101;  // File size
inline constexpr int32_t kPropCapacity = 1102;  // Capacity
inline constexpr int32_t kPropContentSize = 1103;  // Content size
inline constexpr int32_t kPropCreated = 1104;  // Created
inline constexpr int32_t kPropModified = 1105;  // Modified
inline constexpr int32_t kPropCipher = 1106;  // Cipher
inline constexpr int32_t kSecretPropsCaption = 1121;  // Secret properties
inline constexpr int32_t kPropRsaKey = 1122;  // RSA key
inline constexpr int32_t kPropKeyInStorage = 1123;  // The key is in the key storage
inline constexpr int32_t kPropKeyNotInStorage = 1124;  // The key is not in the key storage
inline constexpr int32_t kOpeningSecret = 1217;  // Opening the secret...
inline constexpr int32_t kRsaKeyButton = 1731;  // RSA Key
inline constexpr int32_t kSelectRsaKeyCaption = 1732;  // Select RSA key
inline constexpr int32_t kChooseRsaKeyFirst = 1733;  // Choose an RSA key first.
inline constexpr int32_t kPassGenCaption = 2201;  // Password generator
inline constexpr int32_t kPassGenFixed = 2202;  // Fixed password
inline constexpr int32_t kPassGenRandom = 2203;  // Random password
inline constexpr int32_t kPassGenSourcePhrase = 2204;  // Source phrase
inline constexpr int32_t kPassGenSize = 2205;  // Size
inline constexpr int32_t kPassGenPassword = 2206;  // Password
inline constexpr int32_t kCopyToClipboard = 2207;  // Copy to clipboard
inline constexpr int32_t kGenerate = 2208;  // Generate
inline constexpr int32_t kWrongPassword = 2530;  // The password does not open this secret.
inline constexpr int32_t kNoSecretFound = 2531;  // No secret was found in this file.

// The texts this part of the program shows, for the test over the
// shipped language files.
inline constexpr int32_t kWizardTextIds[] = {
    kPleaseWait, kCarrierCapacity, kKindText, kKindFile, kKindSafe, kSecretKindCaption,
    kKindTextInfo, kKindFileInfo, kKindSafeInfo, kPrevious, kNext, kContainerFile,
    kContainerPicture, kContainerSound, kContainerFileInfo, kContainerPictureInfo,
    kContainerSoundInfo, kContainerKindCaption, kContainerDocument, kContainerDocumentInfo,
    kMakeCopy, kContainerArchive, kContainerArchiveInfo, kSaveSecretTitle, kSecretFilter,
    kPictureFilter, kSoundFilter, kDocumentFilter, kChoosePictureTitle, kChooseSoundTitle,
    kChooseDocumentTitle, kChooseArchiveTitle, kArchiveFilter, kSecretParamsCaption, kSettings,
    kPasswordMode, kRsaKeyMode, kHashChoice, kCipherChoice, kGostCipher, kCapacityBytes,
    kOpenSecretTitle, kOpenSecretFilter, kSecretReadFailed, kCannotHoldSecret, kSecretCreateFailed,
    kNoKeyOpensSecret, kOpenSecretCaption, kOpenKindText, kOpenKindFile, kOpenKindSafe,
    kOpenContainerFile, kOpenContainerPicture, kOpenContainerSound, kOpenContainerDocument,
    kOpenPassword, kOpenVersion, kOpenFile, kOpenContainerArchive, kPropFile, kPropFileSize,
    kPropCapacity, kPropContentSize, kPropCreated, kPropModified, kPropCipher, kSecretPropsCaption,
    kPropRsaKey, kPropKeyInStorage, kPropKeyNotInStorage, kOpeningSecret, kSelectFolder,
    kRsaKeyButton, kSelectRsaKeyCaption, kChooseRsaKeyFirst, kPassGenCaption, kPassGenFixed,
    kPassGenRandom, kPassGenSourcePhrase, kPassGenSize, kPassGenPassword, kCopyToClipboard,
    kGenerate, kWrongPassword, kNoSecretFound,
};

}  // namespace kiv::txt
