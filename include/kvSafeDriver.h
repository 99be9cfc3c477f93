// Interfaces of the safe engine kiv_safe: the driver kiv.ISafeDriverApp
// (the one object the desktop program creates), secrets and their contents,
// the text encoder, the key storage, safes, and the optional OpenPGP
// component's opgp.IOpenPGPKey; the records passed through them; and the
// engine's own class and interface ids.
//
// Conventions as in every toolkit header: interfaces are abstract classes,
// virtual functions in slot order after the five std.IBase ones, no data
// and no virtual destructor. Strings and blocks handed out come from the
// runtime's heap (zk_free); an out-parameter that already holds a string or
// block has it freed first. An out interface pointer first loses the
// reference it held (released and set to null). Records are little-endian
// and laid out exactly as their sizes below say.
//
// Each operation says what it returns and the codes it fails with (names of
// zk5Status.h); errors of the toolkit objects it uses (file system, streams,
// ciphers, carriers, coders) pass through unchanged. Any operation may also
// give kNoMemory, and a progress object's non-zero answer stops a long one
// with that answer. A content object used before its secret is bound, or a
// safe before its catalogue is loaded, takes the fatal stop (kNullPointer).
#pragma once
#include <cstddef>
#include <cstdint>

#include "zk5Arc.h"
#include "zk5Base.h"
#include "zk5Clsid.h"
#include "zk5Rsa.h"
#include "zk5Stream.h"
#include "zk5script.h"

// ---------------------------------------------------------------------------
// Ids. The engine keeps its ids as constants of its own, beside (not in) the
// toolkit's ordered catalogue.
namespace zk::id {

// Classes.
inline constexpr char KivSafeDriverApp[] = "kiv.SafeDriverApp";
inline constexpr char KivSecret[] = "kiv.Secret";
inline constexpr char KivMessage[] = "kiv.Message";
inline constexpr char KivFile[] = "kiv.File";
inline constexpr char KivCFileWrap[] = "kiv.CFileWrap";
inline constexpr char KivCTextEncoder[] = "kiv.CTextEncoder";
inline constexpr char KivKeys[] = "kiv.Keys";
inline constexpr char KivSafe[] = "kiv.Safe";

// Interfaces.
inline constexpr char KivISafeDriverApp[] = "kiv.ISafeDriverApp";
inline constexpr char KivIKivSecret[] = "kiv.IKivSecret";
inline constexpr char KivIStreamProvider[] = "kiv.IStreamProvider";
inline constexpr char KivIMessage[] = "kiv.IMessage";
inline constexpr char KivIKivFile[] = "kiv.IKivFile";
inline constexpr char KivISetProvider[] = "kiv.ISetProvider";
inline constexpr char KivITextEncoder[] = "kiv.ITextEncoder";
inline constexpr char KivIKeysCtrl[] = "kiv.IKeysCtrl";
inline constexpr char KivIKeyOperations[] = "kiv.IKeyOperations";
inline constexpr char KivIKeySign[] = "kiv.IKeySign";
inline constexpr char KivISafeCallback[] = "kiv.ISafeCallback";
inline constexpr char KivISafe[] = "kiv.ISafe";
// The driver's second interface: what its Start has to tell the user.
inline constexpr char KivIStartNotes[] = "kiv.IStartNotes";

// The class id of the file-manager context-menu extension (kiv_shell_ext),
// written by the driver's shell registration and by the extension's own.
inline constexpr char KivShellExtGuid[] = "{FF5CD962-68B8-4F96-B1CB-C7F468E6A50C}";

}  // namespace zk::id

namespace zk {

// ---------------------------------------------------------------------------
// Index tables and kinds shared by secrets, the text encoder and the desktop.

enum BlockCipherIndex : int32_t {
  kCipherBlowfish = 1,
  kCipherIDEA = 2,
  kCipherRC5 = 3,
  kCipherAES32 = 4,
  kCipherGOST = 5,
  kCipher3Way = 6,
  kCipherCAST128 = 7,
};

enum HashIndex : int32_t {
  kHashMD5 = 1,
  kHashSHA = 2,
  kHashSHA32 = 3,
  kHashGOST = 4,
};

enum ContentType : int32_t {
  kContentMessage = 1,
  kContentFile = 2,
  kContentSafe = 3,
  kContentText = 16,  // the text encoder's blocks
};

enum CarrierFormat : int32_t {
  kFormatSecretFile = 1,
  kFormatBMP = 2,
  kFormatPNG = 3,
  kFormatJPEG = 4,
  kFormatGIF = 5,
  kFormatText = 16,
  kFormatWAVE = 32,
  kFormatMP3 = 33,
  kFormatZIP = 48,
};

// ---------------------------------------------------------------------------
// Records.

// A time as the C runtime's local-time conversion gives it.
struct CalendarTime {
  int32_t year;    // years since 1900
  int32_t month;   // 0-11
  int32_t day;     // 1-31
  int32_t hour;
  int32_t minute;
  int32_t second;
};
static_assert(sizeof(CalendarTime) == 24);

// The calendar record of the OpenPGP key information (16-bit fields).
struct PgpCalendarTime {
  uint16_t year;          // full year
  uint16_t month;         // 1-12
  uint16_t dayOfWeek;     // always 0
  uint16_t day;           // 1-31
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;  // always 0
};
static_assert(sizeof(PgpCalendarTime) == 16);

// The parameters of a secret, filled by the desktop program for
// IKivSecret::Create and Open; copied whole into the secret.
struct SecretParams {
  uint8_t contentType;    // ContentType (Create; Open takes it from the prefix)
  uint8_t flags;          // bit 0: RSA mode
  uint8_t format;         // CarrierFormat
  uint8_t hashIndex;      // HashIndex of the content digest
  uint8_t cipherIndex;    // BlockCipherIndex
  uint8_t headerByte;     // stored at content header byte 10 (the desktop puts 1)
  uint16_t keyLength;     // password bytes, or public key blob bytes
  uint32_t reserved;      // 0
  uint8_t key[520];       // the password (no terminator), or the public key blob
};
static_assert(sizeof(SecretParams) == 532);
static_assert(offsetof(SecretParams, keyLength) == 6 && offsetof(SecretParams, key) == 12);

// The owner of a key: four zero-terminated texts of at most 32 characters.
struct KeyOwner {
  char name[33];
  char secondName[33];
  char country[33];
  char city[33];
};
static_assert(sizeof(KeyOwner) == 132);

// What the key storage reports of one key.
struct KeyInfo {
  CalendarTime created;  // local time of the record's creation time
  int32_t bits;
  KeyOwner owner;
};
static_assert(sizeof(KeyInfo) == 160);
static_assert(offsetof(KeyInfo, bits) == 24 && offsetof(KeyInfo, owner) == 28);

// What a secret reports of itself (IKivSecret::GetProperties).
struct SecretProperties {
  uint64_t mediumSize;    // size of the secret file or carrier file
  uint64_t capacity;
  uint64_t contentSize;
  uint32_t cipherIndex;
  uint32_t hashIndex;
  uint32_t flags;         // bit 0: RSA mode
  CalendarTime created;
  CalendarTime modified;
  KeyInfo key;            // the RSA key that seals the secret (zero in password mode)
  uint32_t keyListFlag;   // 1 key pair, 0 public key
};
static_assert(sizeof(SecretProperties) == 248);
static_assert(offsetof(SecretProperties, created) == 36 && offsetof(SecretProperties, key) == 84 &&
              offsetof(SecretProperties, keyListFlag) == 244);

// What IKivFile::GetFileInfo reports of the file in a secret.
struct FileContentInfo {
  uint32_t size;        // file size before coding
  uint32_t storedSize;  // content size less the info block and the name
  uint32_t flags;       // bit 0: coded by arc.Lzpxj
  CalendarTime created;
  CalendarTime modified;
};
static_assert(sizeof(FileContentInfo) == 60);

// What ISafe::GetFileAt and GetFileInfo report of a file in a safe.
struct SafeFileInfo {
  uint32_t size;
  uint32_t storedSize;  // the flow's size for a compressed entry, else size
  uint32_t flags;       // bit 0: compressed by arc.Lzpxj
  CalendarTime created;
  CalendarTime modified;
};
static_assert(sizeof(SafeFileInfo) == 60);

// What the OpenPGP component reports of a key file. Twenty bytes where a
// pointer takes four; on this platform the user id pointer takes eight, so
// the record is laid out packed and holds 16 bytes beside the pointer.
#pragma pack(push, 4)
struct PgpKeyInfo {
  int32_t kind;     // 2: the file holds a private key; otherwise a public key
  int32_t bits;
  char* userId;     // ToolkitString, freed by the receiver
  uint32_t created; // seconds since 1970-01-01 00:00 UTC
  uint32_t second;  // the key's second time value, same form
};
#pragma pack(pop)
static_assert(sizeof(PgpKeyInfo) == 16 + sizeof(char*));
static_assert(sizeof(char*) != 4 || sizeof(PgpKeyInfo) == 20);

// ---------------------------------------------------------------------------
// Interfaces.

struct IKivSecret;
struct IKeysCtrl;
struct ITextEncoder;

// kiv.ISafeDriverApp: the engine driver.
struct ISafeDriverApp : IBase {
  // Loads the component libraries, kiv_config.txt and the language texts
  // from the program folder; kOk at once when already started; fails with
  // the file system's kCannotOpen or the parameter script's and text
  // resource's codes (then not started, and Start may be called again).
  virtual StatusCode Start() = 0;
  // A new secret object; kInvalidArg null out, kNotExecuted before Start.
  virtual StatusCode CreateSecret(IKivSecret** out) = 0;
  // The key storage on "key_storage" (relative: in the program folder),
  // made on the first call and then kept; kInvalidArg null out,
  // kNotInitialized before Start, or the parameter's kNotFound.
  virtual StatusCode GetKeysCtrl(IKeysCtrl** out) = 0;
  // The application parameters; kInvalidArg null out, kNotInitialized
  // before Start.
  virtual StatusCode GetAppParam(IAppParam** out) = 0;
  // The language texts; kInvalidArg null out, kNotInitialized before Start.
  virtual StatusCode GetTextRes(ITextRes** out) = 0;
  // kOk when ".kvs" is registered as the user's secret file type, kNegative
  // when not.
  virtual StatusCode IsFileTypeRegistered() = 0;
  // Registers the file type (per-user registry, MIME type and desktop
  // entry); kNotExecuted when the registry cannot be written.
  virtual StatusCode RegisterFileType() = 0;
  // Removes the file type's entries; always kOk (failures are logged).
  virtual StatusCode UnregisterFileType() = 0;
  // kOk when the file-manager extension is registered, kNegative when not.
  virtual StatusCode IsShellExtRegistered() = 0;
  // Registers the extension and runs its registration tool; always kOk
  // (failures are logged).
  virtual StatusCode RegisterShellExt() = 0;
  // Unregisters the extension; always kOk (failures are logged).
  virtual StatusCode UnregisterShellExt() = 0;
  // A new text encoder given the application parameters (the defaults
  // before Start); kInvalidArg null out.
  virtual StatusCode CreateTextEncoder(ITextEncoder** out) = 0;
};

// kiv.IStartNotes, asked of the driver: what the last Start has to tell the
// user in plain English (settings or keys copied from an earlier build's
// program folder and where they went, a settings file left unused and
// why), one note a paragraph, separated by an empty line; null when there
// is nothing to tell.
struct IStartNotes : IBase {
  virtual StatusCode GetStartNotes(char** notesOut) = 0;
};

// kiv.IKivSecret: one secret in one medium (a secret file or a carrier).
struct IKivSecret : IBase {
  // Reads the prefix of the secret in path (a secret file, or hidden in a
  // carrier of that format) into version, content type and flags without
  // changing the object; kInvalidArg null path, kCannotOpen, kNotFound no
  // carrier class for the format, kInvalidFormat fewer than 10 bytes,
  // kNoMessages no secret there, kBadVersion.
  virtual StatusCode Probe(const char* path, int32_t format, int32_t* versionOut,
                           int32_t* contentTypeOut, int32_t* flagsOut) = 0;
  // Lets go of the medium and forgets the secret; always kOk.
  virtual StatusCode Close() = 0;
  // Makes a new secret in path; contentOut receives the content object's
  // main interface (IMessage, IKivFile or ISafe), stored by its first
  // save. kInvalidArg null argument, bad content type or key length,
  // kNotExecuted unknown cipher or hash index, kNotFound no carrier class
  // for the format (or, in RSA mode, no key storage), kCannotOpen, or the
  // carrier's codes.
  virtual StatusCode Create(const char* path, const SecretParams* params, IBase** contentOut) = 0;
  // Removes the open secret (a secret file zeroed, then deleted; a carrier
  // rewritten without it) and closes; kNotOpen, kWriteError, kCannotDelete.
  virtual StatusCode Delete() = 0;
  // Opens the secret in path with the password or key of params;
  // contentOut receives the content object as its ISetProvider, ask it for
  // IMessage, IKivFile or ISafe. kInvalidArg null argument, kCannotOpen
  // (the medium, or a staging folder that cannot be used), Probe's codes,
  // kNotExecuted unknown cipher or hash, kAccessDenied wrong password or
  // no key pair of the storage opens it, kNotFound no key storage,
  // kInvalidFormat truncated, kDigestMismatch damaged content.
  virtual StatusCode Open(const char* path, const SecretParams* params, IBase** contentOut) = 0;
  // Fills out (zeroed first); kInvalidArg null out, kNotOpen.
  virtual StatusCode GetProperties(SecretProperties* out) = 0;
  // The carrier's capacity for a secret of that format; kInvalidArg,
  // kNotFound no carrier class (format 1 included), kCannotOpen, or the
  // carrier's kInvalidFormat.
  virtual StatusCode GetCapacity(const char* path, int32_t format, uint64_t* capacityOut) = 0;
};

// kiv.IStreamProvider: what a content object asks of its secret.
struct IStreamProvider : IBase {
  // large non-zero: a delete-on-close file in the staging folder; else a
  // memory stream. kInvalidArg null out, kCannotOpen a staging folder that
  // cannot be used.
  virtual StatusCode CreateStream(int32_t large, IFileStrem** out) = 0;
  // Stores the whole secret: extra (may be null) then content, from its
  // start, written beside and put in place whole; kInvalidArg null content,
  // kNotOpen, kTooMuch beyond the carrier's capacity, kCannotOpen,
  // kWriteError.
  virtual StatusCode Save(IFileStrem* content, IProgress* progress, const void* extra,
                          uint32_t extraLength) = 0;
  // Writes the decrypted content (at most limit bytes; 0 no limit) to out;
  // kInvalidArg null out, kNotOpen, or the streams' codes.
  virtual StatusCode Load(IFileStrem* out, uint64_t limit, IProgress* progress) = 0;
  // The content's length from its header (0 first); kInvalidArg, kNotOpen,
  // kAccessDenied a header that fails its check.
  virtual StatusCode GetContentSize(uint32_t* sizeOut) = 0;
};

// kiv.IMessage: the content of a message secret.
struct IMessage : IBase {
  // The message as a runtime string (null for an empty one); kInvalidArg
  // null out, kNotFound damaged coding.
  virtual StatusCode GetText(char** textOut) = 0;
  // Codes the text and saves the secret (IStreamProvider::Save's codes);
  // kInvalidArg null text, kTooMuch a text too long.
  virtual StatusCode SetText(const char* text) = 0;
};

// kiv.IKivFile: the content of a file secret.
struct IKivFile : IBase {
  // Writes the file to path (beside, then renamed over) with its stored
  // times; kInvalidArg null path, kNotFound damaged content, kCannotOpen,
  // kWriteError.
  virtual StatusCode SaveToDisk(const char* path, IProgress* progress) = 0;
  // The stored file's name (a runtime string) and information; kInvalidArg
  // null out, kNotFound damaged content.
  virtual StatusCode GetFileInfo(char** nameOut, FileContentInfo* infoOut) = 0;
  // Reads the file at path (flags bit 0: compress with arc.Lzpxj) and saves
  // the secret; kInvalidArg null path or a name too long, kCannotOpen,
  // kTooMuch a file of 2 GiB or more, or Save's codes.
  virtual StatusCode LoadFromDisk(const char* path, int32_t flags, IProgress* progress) = 0;
};

// kiv.ISetProvider: binds a content object to its secret.
struct ISetProvider : IBase {
  // Keeps source's kiv.IStreamProvider (asked by id); kOk, or the query's
  // kNotImplemented.
  virtual StatusCode SetProvider(IBase* source) = 0;
};

// kiv.ITextEncoder: short texts to printable blocks and back.
struct ITextEncoder : IBase {
  // The text compressed, encrypted under password and armoured as
  // Radix-64 (a runtime string); kInvalidArg null argument, kTooMuch.
  virtual StatusCode EncodeText(const char* text, const char* password, char** out) = 0;
  // The text of an armoured block; kInvalidArg null argument,
  // kInvalidFormat not a block or damaged, kBadVersion, kHeaderCheck a
  // damaged prefix, kAccessDenied wrong password, kDigestMismatch damaged
  // text, kNotExecuted a coding that does not give the stored length.
  virtual StatusCode DecodeText(const char* armoured, const char* password, char** out) = 0;
};

// kiv.IKeysCtrl: the key storage (key pairs and other people's public keys).
// Indexes count from 0 in list order.
// Changes stay in memory until Save (or ChangePassword) writes the storage
// file beside and renames it over. An index past its list gives
// kInvalidArg. The OpenPGP operations give kNotFound when the optional
// component is not there.
struct IKeysCtrl : IBase {
  virtual uint32_t GetPrivateKeyCount() = 0;  // a count, not a status
  virtual uint32_t GetPublicKeyCount() = 0;   // a count, not a status
  // Rewrites the storage under a new password (kept old on failure);
  // kInvalidArg null or empty, kNotInitialized before Open, or Save's codes.
  virtual StatusCode ChangePassword(const char* password) = 0;
  // kOk when the storage file can be opened, else the file system's
  // kCannotOpen.
  virtual StatusCode StorageExists() = 0;
  // Removes key pair index; kInvalidArg.
  virtual StatusCode DeletePrivateKey(uint32_t index) = 0;
  // Removes public key index; kInvalidArg.
  virtual StatusCode DeletePublicKey(uint32_t index) = 0;
  // Makes a key pair of 512 to 4096 bits for owner, sorted in by name;
  // kInvalidArg null owner or bits out of range, kNotExecuted a blob too
  // large, or the RSA class's codes.
  virtual StatusCode GenerateKeyPair(const KeyOwner* owner, int32_t bits) = 0;
  // Fills info of key pair index; kInvalidArg null info or index.
  virtual StatusCode GetPrivateKeyInfo(uint32_t index, KeyInfo* info) = 0;
  // Fills info of public key index; kInvalidArg null info or index.
  virtual StatusCode GetPublicKeyInfo(uint32_t index, KeyInfo* info) = 0;
  // Adds the key of a .kvk file (a key pair under password, or a public
  // key); kInvalidArg null path, kCannotOpen, kInvalidFormat not a key file
  // or a wrong size, kHeaderCheck a damaged header or wrong password,
  // kDigestMismatch damaged keys.
  virtual StatusCode ImportKeys(const char* path, const char* password) = 0;
  // Opens the storage with password, or makes an empty one when the file is
  // missing; kInvalidArg null or empty password, kCannotOpen, kInvalidFormat
  // not a storage or a wrong size, kAccessDenied wrong password,
  // kDigestMismatch damaged records.
  virtual StatusCode Open(const char* password) = 0;
  // Writes the storage; kNotInitialized before Open, kTooMuch, kCannotOpen,
  // kWriteError.
  virtual StatusCode Save() = 0;
  // Writes key pair index to a .kvk file under password; kInvalidArg,
  // kCannotOpen, kWriteError.
  virtual StatusCode ExportPrivateKey(const char* path, const char* password, uint32_t index) = 0;
  // Writes public key index to a .kvk file; kInvalidArg, kCannotOpen,
  // kWriteError.
  virtual StatusCode ExportPublicKey(const char* path, uint32_t index) = 0;
  // The public key blob (blob: the caller's buffer of at least 520 bytes)
  // and its length; makes the key the selection. kInvalidArg null blob or
  // index, kNotExecuted a blob too large.
  virtual StatusCode GetPublicKeyBlob(void* blob, int32_t isPair, uint32_t index,
                                      uint32_t* lengthOut) = 0;
  // Writes the public part of key pair index to a .kvk file; kInvalidArg,
  // kNotExecuted, kCannotOpen, kWriteError.
  virtual StatusCode ExportPublicPart(const char* path, uint32_t index) = 0;
  // The selected key's list and information (info may be null); kOk.
  virtual StatusCode GetSelectedKeyInfo(int32_t* isPairOut, KeyInfo* info) = 0;
  // What an OpenPGP key file holds; each output may be null. kInvalidArg
  // null path, kNotFound, or the component's codes.
  virtual StatusCode GetPgpKeyInfo(const char* path, int32_t* isPrivateOut, int32_t* bitsOut,
                                   char** userIdOut, PgpCalendarTime* createdOut,
                                   PgpCalendarTime* secondOut) = 0;
  // Adds the key of an OpenPGP key file under owner; kInvalidArg null path
  // or owner, kNotFound, kNotExecuted a key too large, or the component's
  // codes.
  virtual StatusCode ImportPgpKey(const char* path, const char* passphrase,
                                  const KeyOwner* owner) = 0;
  // Writes the public key of a pair or public key as an OpenPGP file;
  // kInvalidArg null path or index, kNotFound, or the component's codes.
  virtual StatusCode ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t index) = 0;
  // Writes key pair index as an OpenPGP private key under passphrase;
  // as ExportPgpPublicKey.
  virtual StatusCode ExportPgpPrivateKey(const char* path, const char* passphrase,
                                         uint32_t index) = 0;
};

// kiv.IKeyOperations: raw RSA operations of a key pair on limb arrays (32-bit
// little-endian words, least significant first). The result is a runtime
// block the caller frees with zk_free. Each gives kInvalidArg for a null or
// empty argument or a key index past the key pairs, else the RSA class's
// codes (kKeyTooSmall a value too large for the key).
struct IKeyOperations : IBase {
  virtual StatusCode PrivateDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                                    uint32_t** out, uint32_t* outCount) = 0;
  virtual StatusCode PublicDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                                   uint32_t** out, uint32_t* outCount) = 0;
  virtual StatusCode PublicEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                                   uint32_t** out, uint32_t* outCount) = 0;
  virtual StatusCode PrivateEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                                    uint32_t** out, uint32_t* outCount) = 0;
};

// kiv.IKeySign: detached signatures of files.
struct IKeySign : IBase {
  // Writes a .kvg signature of the file by key pair keyIndex; kInvalidArg
  // null path, index or hash, kCannotOpen, kNotExecuted a key whose
  // signature does not fit, kWriteError.
  virtual StatusCode SignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex,
                              int32_t hashIndex) = 0;
  // What a signature says (signed file's name, time, signer's list, hash);
  // kInvalidArg null path, kCannotOpen, kInvalidFormat, kHeaderCheck,
  // kDigestMismatch a damaged signature, kNotFound the signer's key is not
  // in the storage.
  virtual StatusCode ReadSignature(const char* signaturePath, char** fileNameOut,
                                   CalendarTime* signTimeOut, int32_t* signerIsPairOut,
                                   int32_t* reservedOut, int32_t* hashIndexOut) = 0;
  // kOk when the signature holds for the file; ReadSignature's codes, and
  // kDigestMismatch when the file differs.
  virtual StatusCode VerifyFile(const char* filePath, const char* signaturePath) = 0;
};

// kiv.ISafeCallback: how a secret starts or loads a safe's catalogue.
struct ISafeCallback : IBase {
  // flowControlSource answers stream.IFlowControl, containerStreamSource
  // stream.IFileStrem. Writes an empty catalogue into a new container; the
  // flow container's codes.
  virtual StatusCode SaveCatalogue(IBase* flowControlSource, IBase* containerStreamSource) = 0;
  // Reads the catalogue of an opened container; kInvalidFormat a damaged
  // catalogue, or the flow container's codes.
  virtual StatusCode LoadCatalogue(IBase* flowControlSource, IBase* containerStreamSource) = 0;
};

// kiv.ISafe: the folder tree of an open safe. Paths use "\" between
// components; relative paths start at the current folder. A folder path
// that names no folder gives kNotFound; a new name that is empty, holds
// "\" or "/", or is "." or "..", gives kInvalidArg, one too long kTooMuch.
// Changes stay in the safe until Commit stores it.
struct ISafe : IBase {
  // Adds the disk file under its own name (flags bit 0: compress with
  // arc.Lzpxj); kInvalidArg null disk path or a bad name, kAlreadyExists a
  // file of that name in the folder, kCannotOpen, kTooMuch a file of 2 GiB
  // or more, or the flow container's codes.
  virtual StatusCode AddFile(const char* folderPath, const char* diskPath, uint32_t flags,
                             IProgress* progress) = 0;
  // Copies a file of the safe to a new path in it; kNotFound, kInvalidArg,
  // kAlreadyExists.
  virtual StatusCode CopyFile(const char* filePath, const char* newFilePath,
                              IProgress* progress) = 0;
  virtual uint32_t GetFileCount(const char* folderPath) = 0;    // a count, not a status
  virtual uint32_t GetFolderCount(const char* folderPath) = 0;  // a count, not a status
  // Makes folder name in the parent; kNotFound, kInvalidArg, kTooMuch,
  // kAlreadyExists.
  virtual StatusCode CreateFolder(const char* parentPath, const char* name) = 0;
  // Removes a file; kNotFound.
  virtual StatusCode DeleteFile(const char* filePath) = 0;
  // Removes a folder with everything in it; kNotFound, kInvalidArg the root.
  virtual StatusCode DeleteFolder(const char* folderPath) = 0;
  // The current folder's path (a runtime string); kInvalidArg null out.
  virtual StatusCode GetCurrentFolder(char** pathOut) = 0;
  // The name (and info, which may be null) of file index of the folder;
  // kInvalidArg null out or index, kNotFound.
  virtual StatusCode GetFileAt(const char* folderPath, uint32_t index, char** nameOut,
                               SafeFileInfo* info) = 0;
  // The name of subfolder index; kInvalidArg null out or index, kNotFound.
  virtual StatusCode GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) = 0;
  // Writes a file of the safe to diskPath (beside, then renamed over) with
  // its stored times; kInvalidArg null disk path, kNotFound, kCannotOpen,
  // kWriteError, or the coder's codes for damaged content.
  virtual StatusCode ExtractFile(const char* filePath, const char* diskPath,
                                 IProgress* progress) = 0;
  // Moves a file into another folder; kNotFound, kAlreadyExists.
  virtual StatusCode MoveFile(const char* filePath, const char* folderPath) = 0;
  // Moves a folder into another; kNotFound, kInvalidArg the root or into
  // itself, kAlreadyExists, kTooMuch a tree too deep.
  virtual StatusCode MoveFolder(const char* folderPath, const char* targetPath) = 0;
  // Renames a file; kNotFound, kInvalidArg, kTooMuch, kAlreadyExists.
  virtual StatusCode RenameFile(const char* filePath, const char* newName) = 0;
  // Renames a folder; kNotFound, kInvalidArg (also the root), kTooMuch,
  // kAlreadyExists.
  virtual StatusCode RenameFolder(const char* folderPath, const char* newName) = 0;
  // Writes the catalogue, packs the container and stores the secret; the
  // flow container's and IStreamProvider::Save's codes.
  virtual StatusCode Commit() = 0;
  // Makes path the current folder; kNotFound.
  virtual StatusCode ChangeFolder(const char* path) = 0;
  // The current folder's parent becomes current (nothing at the root); kOk.
  virtual StatusCode FolderUp() = 0;
  // The information of a file (info may be null); kInvalidArg null name,
  // kNotFound.
  virtual StatusCode GetFileInfo(const char* folderPath, const char* fileName,
                                 SafeFileInfo* info) = 0;
  // Counts and sizes of everything under the folder (each out may be
  // null); kNotFound.
  virtual StatusCode GetFolderStats(const char* folderPath, uint32_t* foldersOut,
                                    uint32_t* filesOut, uint32_t* totalSizeOut,
                                    uint32_t* totalStoredOut) = 0;
  // The file's bytes followed by a zero byte, in a runtime block;
  // kInvalidArg null out, kNotFound, or the coder's codes.
  virtual StatusCode ReadFile(const char* filePath, char** dataOut, IProgress* progress) = 0;
};

// opgp.IOpenPGPKey (class opgp.Key): the optional OpenPGP component.
// Its codes are the component's own; the engine passes them on.
struct IOpenPGPKey : IBase {
  // What the key file at path holds.
  virtual StatusCode GetKeyInfo(const char* path, PgpKeyInfo* info) = 0;
  // The key's parts, a private key unlocked with passphrase.
  virtual StatusCode ReadKey(const char* path, const char* passphrase, RsaKeyParts* keyParts) = 0;
  // keyParts->kind 1 writes a public key file (passphrase null), 2 a private
  // one under the passphrase; keyParts->userId holds the user id.
  virtual StatusCode WriteKey(const char* path, const char* passphrase, uint32_t created,
                              RsaKeyParts* keyParts) = 0;
};

}  // namespace zk
