// The numbers of the language texts of the key storage, signature, clipboard
// coder and options windows. kToolTextIds lists each of them (beside the
// common ones in TextIds.h) for the test over the shipped language file.
#pragma once
#include <cstdint>

#include "desktop/TextIds.h"

namespace kiv::txt {

inline constexpr int32_t kAddExtensionTitle = 73;  // Extension to add
inline constexpr int32_t kExportPasswordTitle = 119;  // Password of the exported key
inline constexpr int32_t kGostHash = 609;  // GOST 34.11-94
inline constexpr int32_t kLanguageChanged = 820;  // The new language is used after Kivora starts again.
inline constexpr int32_t kHashLabel = 1107;  // Hash
inline constexpr int32_t kOptionsCaption = 1200;  // Environment options
inline constexpr int32_t kOptPageExtensions = 1201;  // Extensions
inline constexpr int32_t kOptPageFont = 1202;  // Font
inline constexpr int32_t kOptCompressedExtensions = 1203;  // Files with these extensions are compressed before they ar...
inline constexpr int32_t kOptColumnExt = 1204;  // Ext
inline constexpr int32_t kOptColumnDescription = 1205;  // Description
inline constexpr int32_t kOptAdd = 1206;  // Add
inline constexpr int32_t kOptClear = 1207;  // Clear
inline constexpr int32_t kOptDelete = 1208;  // Delete
inline constexpr int32_t kOptClose = 1209;  // Close
inline constexpr int32_t kOptMessageEditor = 1212;  // Message editor
inline constexpr int32_t kOptFontName = 1213;  // Font name
inline constexpr int32_t kOptFontSize = 1214;  // Size
inline constexpr int32_t kOptChooseFont = 1215;  // Choose font...
inline constexpr int32_t kOptLanguage = 1216;  // Language
inline constexpr int32_t kOptPageShell = 1218;  // Shell
inline constexpr int32_t kOptShellCommands = 1219;  // Add Kivora's commands to the file manager's menu
inline constexpr int32_t kOptAssociate = 1220;  // Associate the extension with Kivora
inline constexpr int32_t kOptSystemTray = 1221;  // Minimize Kivora to system tray icon
inline constexpr int32_t kOptMinimizedStart = 1222;  // Minimize Kivora after startup
inline constexpr int32_t kKeyStorageCaption = 1700;  // Key Storage
inline constexpr int32_t kPrivateKeys = 1701;  // Private Keys
inline constexpr int32_t kPublicKeys = 1702;  // Public Keys
inline constexpr int32_t kKeyColumnName = 1703;  // Name
inline constexpr int32_t kKeyColumnCreated = 1704;  // Created
inline constexpr int32_t kKeyBits = 1705;  // Bits
inline constexpr int32_t kMenuCreatePrivateKey = 1706;  // Create Private Key
inline constexpr int32_t kMenuLoadKey = 1707;  // Load Key
inline constexpr int32_t kMenuSaveKey = 1708;  // Save Key
inline constexpr int32_t kMenuDeleteKey = 1709;  // Delete
inline constexpr int32_t kRsaKeyParamsCaption = 1710;  // RSA key parameters
inline constexpr int32_t kOwnerName = 1711;  // Name
inline constexpr int32_t kOwnerSecondName = 1712;  // Second name
inline constexpr int32_t kOwnerCountry = 1713;  // Country
inline constexpr int32_t kOwnerCity = 1714;  // City
inline constexpr int32_t kNewStoragePasswordTitle = 1715;  // New key storage password
inline constexpr int32_t kStoragePasswordChanged = 1716;  // The key storage password has been changed.
inline constexpr int32_t kStoragePasswordNotChanged = 1717;  // The key storage password could not be changed.
inline constexpr int32_t kChangePassword = 1718;  // Change password
inline constexpr int32_t kSaveKeyPairTitle = 1719;  // Save key pair
inline constexpr int32_t kKeyFilter = 1720;  // Kivora Key|*.kvk
inline constexpr int32_t kKeyPairCreateFailed = 1721;  // The key pair could not be created.
inline constexpr int32_t kKeySaved = 1722;  // The key has been saved.
inline constexpr int32_t kKeySaveFailed = 1723;  // The key could not be saved.
inline constexpr int32_t kSavePublicKeyTitle = 1724;  // Save public key
inline constexpr int32_t kLoadKeyTitle = 1725;  // Load key
inline constexpr int32_t kKeyLoaded = 1726;  // The key has been loaded into the key storage.
inline constexpr int32_t kKeyLoadFailed = 1727;  // The key could not be loaded.
inline constexpr int32_t kAskDeletePublicKey = 1728;  // Delete this public key?
inline constexpr int32_t kAskDeleteKeyPair = 1729;  // Delete this key pair? Secrets sealed to it can no longer...
inline constexpr int32_t kCreatingKeyPair = 1730;  // Creating the key pair, please wait...
inline constexpr int32_t kMenuSavePublicComponent = 1734;  // Save public component
inline constexpr int32_t kCreateSignatureCaption = 1735;  // Create signature
inline constexpr int32_t kSignatureFileLabel = 1736;  // Signature file
inline constexpr int32_t kCreateSignatureButton = 1737;  // Create signature
inline constexpr int32_t kSignatureFileTitle = 1738;  // Signature file
inline constexpr int32_t kSignatureFilter = 1739;  // Kivora Signature|*.kvg
inline constexpr int32_t kNoKeyPairToSign = 1740;  // Choose a key pair to sign with (the key storage holds non...
inline constexpr int32_t kSigningFile = 1741;  // Signing the file, please wait...
inline constexpr int32_t kSignatureCreated = 1742;  // The signature has been created.
inline constexpr int32_t kCheckSignatureCaption = 1743;  // Check signature
inline constexpr int32_t kOpenSignatureTitle = 1744;  // Open signature file
inline constexpr int32_t kSignatureFileRow = 1745;  // Signature file
inline constexpr int32_t kSignedFileRow = 1746;  // Signed file
inline constexpr int32_t kSignedOnRow = 1747;  // Signed on
inline constexpr int32_t kCheckButton = 1748;  // Check
inline constexpr int32_t kChooseSignedFileTitle = 1749;  // Choose the signed file
inline constexpr int32_t kSignatureReportLabel = 1750;  // Signature
inline constexpr int32_t kFileReportLabel = 1751;  // File
inline constexpr int32_t kSignatureMatches = 1752;  // The file matches its signature.
inline constexpr int32_t kSignatureDiffers = 1753;  // The signature does not confirm this file: the file differ...
inline constexpr int32_t kSignerKeyMissing = 1754;  // The key that made this signature is not in the key storage.
inline constexpr int32_t kSignKeyLabel = 1755;  // Key
inline constexpr int32_t kSignHashLabel = 1756;  // Hash
inline constexpr int32_t kKeyPairCreated = 1757;  // The key pair has been created.
inline constexpr int32_t kMenuExportPgp = 1758;  // Export to PGP format
inline constexpr int32_t kMenuImportPgp = 1759;  // Import from PGP format
inline constexpr int32_t kMenuExportPublicPgp = 1760;  // Export public component to PGP format
inline constexpr int32_t kHintCreateKeyPair = 1761;  // Create a key pair
inline constexpr int32_t kHintLoadKeyFile = 1762;  // Load a key file
inline constexpr int32_t kHintSaveKey = 1763;  // Save the key to a file
inline constexpr int32_t kHintSavePublicComponent = 1764;  // Save the public component
inline constexpr int32_t kHintImportPgp = 1765;  // Import an OpenPGP key
inline constexpr int32_t kHintExportPgp = 1766;  // Export to OpenPGP format
inline constexpr int32_t kHintExportPublicPgp = 1767;  // Export the public component to OpenPGP format
inline constexpr int32_t kPgpKeyFilter = 1768;  // OpenPGP key|*.txt;*.asc|All files|*
inline constexpr int32_t kExportPgpTitle = 1769;  // Export OpenPGP key
inline constexpr int32_t kImportPgpTitle = 1770;  // Import OpenPGP key
inline constexpr int32_t kPgpKey = 1771;  // OpenPGP key
inline constexpr int32_t kPgpKeyImported = 1772;  // The OpenPGP key has been imported.
inline constexpr int32_t kPublicKey = 1773;  // Public key
inline constexpr int32_t kPrivateKey = 1774;  // Private key
inline constexpr int32_t kKeyCreated = 1775;  // Created
inline constexpr int32_t kAskKeyOwner = 1776;  // Who owns this key? The names are kept with it in the key...
inline constexpr int32_t kPgpKeyPassword = 1777;  // Password of the OpenPGP key
inline constexpr int32_t kKeyFilePassword = 1778;  // Password of the key file
inline constexpr int32_t kCoderCaption = 2301;  // Clipboard coder
inline constexpr int32_t kCoderPassword = 2302;  // Password
inline constexpr int32_t kCoderEncode = 2303;  // Encode
inline constexpr int32_t kCoderEncodeHint = 2304;  // Encrypt the text and put it on the clipboard
inline constexpr int32_t kCoderDecode = 2305;  // Decode
inline constexpr int32_t kCoderDecodeHint = 2306;  // Decrypt the text on the clipboard into the window
inline constexpr int32_t kCoderEncoding = 2307;  // Encoding
inline constexpr int32_t kCoderDecoding = 2308;  // Decoding
inline constexpr int32_t kCoderNoText = 2309;  // The clipboard holds no text.
inline constexpr int32_t kCoderEncoded = 2310;  // The coded text is on the clipboard: paste it where it is...
inline constexpr int32_t kCoderDecoded = 2311;  // The text from the clipboard is decoded above.

// The texts this part of the program shows, for the test over the
// shipped language files.
inline constexpr int32_t kToolTextIds[] = {
    kClose, kFileLabel, kAddExtensionTitle, kExportPasswordTitle, kGostHash, kLanguageChanged,
    kHashLabel, kOptionsCaption, kOptPageExtensions, kOptPageFont, kOptCompressedExtensions,
    kOptColumnExt, kOptColumnDescription, kOptAdd, kOptClear, kOptDelete, kOptClose, kProgramType,
    kUnknownType, kOptMessageEditor, kOptFontName, kOptFontSize, kOptChooseFont, kOptLanguage,
    kOptPageShell, kOptShellCommands, kOptAssociate, kOptSystemTray, kOptMinimizedStart,
    kKeyStorageCaption, kPrivateKeys, kPublicKeys, kKeyColumnName, kKeyColumnCreated, kKeyBits,
    kMenuCreatePrivateKey, kMenuLoadKey, kMenuSaveKey, kMenuDeleteKey, kRsaKeyParamsCaption,
    kOwnerName, kOwnerSecondName, kOwnerCountry, kOwnerCity, kNewStoragePasswordTitle,
    kStoragePasswordChanged, kStoragePasswordNotChanged, kChangePassword, kSaveKeyPairTitle,
    kKeyFilter, kKeyPairCreateFailed, kKeySaved, kKeySaveFailed, kSavePublicKeyTitle,
    kLoadKeyTitle, kKeyLoaded, kKeyLoadFailed, kAskDeletePublicKey, kAskDeleteKeyPair,
    kCreatingKeyPair, kMenuSavePublicComponent, kKeyPairCreated, kMenuExportPgp, kMenuImportPgp,
    kMenuExportPublicPgp, kHintCreateKeyPair, kHintLoadKeyFile, kHintSaveKey,
    kHintSavePublicComponent, kHintImportPgp, kHintExportPgp, kHintExportPublicPgp, kPgpKeyFilter,
    kExportPgpTitle, kImportPgpTitle, kPgpKey, kPgpKeyImported, kPublicKey, kPrivateKey,
    kKeyCreated, kAskKeyOwner, kPgpKeyPassword, kKeyFilePassword, kCreateSignatureCaption,
    kSignatureFileLabel, kCreateSignatureButton, kSignatureFileTitle, kSignatureFilter,
    kNoKeyPairToSign, kSigningFile, kSignatureCreated, kCheckSignatureCaption, kOpenSignatureTitle,
    kSignatureFileRow, kSignedFileRow, kSignedOnRow, kCheckButton, kChooseSignedFileTitle,
    kSignatureReportLabel, kFileReportLabel, kSignatureMatches, kSignatureDiffers,
    kSignerKeyMissing, kSignKeyLabel, kSignHashLabel, kCoderCaption, kCoderPassword, kCoderEncode,
    kCoderEncodeHint, kCoderDecode, kCoderDecodeHint, kCoderEncoding, kCoderDecoding, kCoderNoText,
    kCoderEncoded, kCoderDecoded,
};

}  // namespace kiv::txt
