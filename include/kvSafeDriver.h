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
  // Loads the component libraries, the configuration and the language texts;
  // 0 at once when already started.
  virtual StatusCode Start() = 0;
  // A new secret object (-3 before Start).
  virtual StatusCode CreateSecret(IKivSecret** out) = 0;
  // The key storage, made on the first call and then kept.
  virtual StatusCode GetKeysCtrl(IKeysCtrl** out) = 0;
  virtual StatusCode GetAppParam(IAppParam** out) = 0;
  virtual StatusCode GetTextRes(ITextRes** out) = 0;
  // 0 when registered, -5 when not.
  virtual StatusCode IsFileTypeRegistered() = 0;
  virtual StatusCode RegisterFileType() = 0;
  virtual StatusCode UnregisterFileType() = 0;
  virtual StatusCode IsShellExtRegistered() = 0;
  virtual StatusCode RegisterShellExt() = 0;
  virtual StatusCode UnregisterShellExt() = 0;
  // A new text encoder given the application parameters.
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
  // Checks the prefix of a secret without changing the object.
  virtual StatusCode Probe(const char* path, int32_t format, int32_t* versionOut,
                           int32_t* contentTypeOut, int32_t* flagsOut) = 0;
  virtual StatusCode Close() = 0;
  // contentOut receives the content object's main interface (IMessage,
  // IKivFile or ISafe).
  virtual StatusCode Create(const char* path, const SecretParams* params, IBase** contentOut) = 0;
  virtual StatusCode Delete() = 0;
  // contentOut receives the content object as its ISetProvider; ask it for
  // IMessage, IKivFile or ISafe.
  virtual StatusCode Open(const char* path, const SecretParams* params, IBase** contentOut) = 0;
  virtual StatusCode GetProperties(SecretProperties* out) = 0;
  virtual StatusCode GetCapacity(const char* path, int32_t format, uint64_t* capacityOut) = 0;
};

// kiv.IStreamProvider: what a content object asks of its secret.
struct IStreamProvider : IBase {
  // large non-zero: a temporary file; else a memory stream.
  virtual StatusCode CreateStream(int32_t large, IFileStrem** out) = 0;
  // Stores the whole secret: extra (may be null) then content, from its start.
  virtual StatusCode Save(IFileStrem* content, IProgress* progress, const void* extra,
                          uint32_t extraLength) = 0;
  // Writes the decrypted content (at most limit bytes; 0 no limit) to out.
  virtual StatusCode Load(IFileStrem* out, uint64_t limit, IProgress* progress) = 0;
  virtual StatusCode GetContentSize(uint32_t* sizeOut) = 0;
};

// kiv.IMessage: the content of a message secret.
struct IMessage : IBase {
  virtual StatusCode GetText(char** textOut) = 0;
  virtual StatusCode SetText(const char* text) = 0;
};

// kiv.IKivFile: the content of a file secret.
struct IKivFile : IBase {
  virtual StatusCode SaveToDisk(const char* path, IProgress* progress) = 0;
  virtual StatusCode GetFileInfo(char** nameOut, FileContentInfo* infoOut) = 0;
  // flags bit 0: compress with arc.Lzpxj.
  virtual StatusCode LoadFromDisk(const char* path, int32_t flags, IProgress* progress) = 0;
};

// kiv.ISetProvider: binds a content object to its secret.
struct ISetProvider : IBase {
  // Keeps source's kiv.IStreamProvider (asked by id).
  virtual StatusCode SetProvider(IBase* source) = 0;
};

// kiv.ITextEncoder: short texts to printable blocks and back.
struct ITextEncoder : IBase {
  virtual StatusCode EncodeText(const char* text, const char* password, char** out) = 0;
  virtual StatusCode DecodeText(const char* armoured, const char* password, char** out) = 0;
};

// kiv.IKeysCtrl: the key storage (key pairs and other people's public keys).
// Indexes count from 0 in list order.
struct IKeysCtrl : IBase {
  virtual uint32_t GetPrivateKeyCount() = 0;  // a count, not a status
  virtual uint32_t GetPublicKeyCount() = 0;   // a count, not a status
  virtual StatusCode ChangePassword(const char* password) = 0;
  virtual StatusCode StorageExists() = 0;
  virtual StatusCode DeletePrivateKey(uint32_t index) = 0;
  virtual StatusCode DeletePublicKey(uint32_t index) = 0;
  virtual StatusCode GenerateKeyPair(const KeyOwner* owner, int32_t bits) = 0;
  virtual StatusCode GetPrivateKeyInfo(uint32_t index, KeyInfo* info) = 0;
  virtual StatusCode GetPublicKeyInfo(uint32_t index, KeyInfo* info) = 0;
  virtual StatusCode ImportKeys(const char* path, const char* password) = 0;
  virtual StatusCode Open(const char* password) = 0;
  virtual StatusCode Save() = 0;
  virtual StatusCode ExportPrivateKey(const char* path, const char* password, uint32_t index) = 0;
  virtual StatusCode ExportPublicKey(const char* path, uint32_t index) = 0;
  // blob: the caller's buffer of at least 520 bytes; makes the key the selection.
  virtual StatusCode GetPublicKeyBlob(void* blob, int32_t isPair, uint32_t index,
                                      uint32_t* lengthOut) = 0;
  virtual StatusCode ExportPublicPart(const char* path, uint32_t index) = 0;
  // info may be null.
  virtual StatusCode GetSelectedKeyInfo(int32_t* isPairOut, KeyInfo* info) = 0;
  // Each output may be null.
  virtual StatusCode GetPgpKeyInfo(const char* path, int32_t* isPrivateOut, int32_t* bitsOut,
                                   char** userIdOut, PgpCalendarTime* createdOut,
                                   PgpCalendarTime* secondOut) = 0;
  virtual StatusCode ImportPgpKey(const char* path, const char* passphrase,
                                  const KeyOwner* owner) = 0;
  virtual StatusCode ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t index) = 0;
  virtual StatusCode ExportPgpPrivateKey(const char* path, const char* passphrase,
                                         uint32_t index) = 0;
};

// kiv.IKeyOperations: raw RSA operations of a key pair on limb arrays (32-bit
// little-endian words, least significant first). The result is a runtime
// block the caller frees with zk_free.
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
  virtual StatusCode SignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex,
                              int32_t hashIndex) = 0;
  virtual StatusCode ReadSignature(const char* signaturePath, char** fileNameOut,
                                   CalendarTime* signTimeOut, int32_t* signerIsPairOut,
                                   int32_t* reservedOut, int32_t* hashIndexOut) = 0;
  virtual StatusCode VerifyFile(const char* filePath, const char* signaturePath) = 0;
};

// kiv.ISafeCallback: how a secret starts or loads a safe's catalogue.
struct ISafeCallback : IBase {
  // flowControlSource answers stream.IFlowControl, containerStreamSource
  // stream.IFileStrem.
  virtual StatusCode SaveCatalogue(IBase* flowControlSource, IBase* containerStreamSource) = 0;
  virtual StatusCode LoadCatalogue(IBase* flowControlSource, IBase* containerStreamSource) = 0;
};

// kiv.ISafe: the folder tree of an open safe. Paths use "\" between
// components; relative paths start at the current folder.
struct ISafe : IBase {
  // flags bit 0: compress with arc.Lzpxj.
  virtual StatusCode AddFile(const char* folderPath, const char* diskPath, uint32_t flags,
                             IProgress* progress) = 0;
  virtual StatusCode CopyFile(const char* filePath, const char* newFilePath,
                              IProgress* progress) = 0;
  virtual uint32_t GetFileCount(const char* folderPath) = 0;    // a count, not a status
  virtual uint32_t GetFolderCount(const char* folderPath) = 0;  // a count, not a status
  virtual StatusCode CreateFolder(const char* parentPath, const char* name) = 0;
  virtual StatusCode DeleteFile(const char* filePath) = 0;
  virtual StatusCode DeleteFolder(const char* folderPath) = 0;
  virtual StatusCode GetCurrentFolder(char** pathOut) = 0;
  // info may be null.
  virtual StatusCode GetFileAt(const char* folderPath, uint32_t index, char** nameOut,
                               SafeFileInfo* info) = 0;
  virtual StatusCode GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) = 0;
  virtual StatusCode ExtractFile(const char* filePath, const char* diskPath,
                                 IProgress* progress) = 0;
  virtual StatusCode MoveFile(const char* filePath, const char* folderPath) = 0;
  virtual StatusCode MoveFolder(const char* folderPath, const char* targetPath) = 0;
  virtual StatusCode RenameFile(const char* filePath, const char* newName) = 0;
  virtual StatusCode RenameFolder(const char* folderPath, const char* newName) = 0;
  // Writes the catalogue, packs the container and stores the secret.
  virtual StatusCode Commit() = 0;
  virtual StatusCode ChangeFolder(const char* path) = 0;
  virtual StatusCode FolderUp() = 0;
  // info may be null.
  virtual StatusCode GetFileInfo(const char* folderPath, const char* fileName,
                                 SafeFileInfo* info) = 0;
  virtual StatusCode GetFolderStats(const char* folderPath, uint32_t* foldersOut,
                                    uint32_t* filesOut, uint32_t* totalSizeOut,
                                    uint32_t* totalStoredOut) = 0;
  // The file's bytes followed by a zero byte, in a runtime block.
  virtual StatusCode ReadFile(const char* filePath, char** dataOut, IProgress* progress) = 0;
};

// opgp.IOpenPGPKey (class opgp.Key): the optional OpenPGP component.
struct IOpenPGPKey : IBase {
  virtual StatusCode GetKeyInfo(const char* path, PgpKeyInfo* info) = 0;
  virtual StatusCode ReadKey(const char* path, const char* passphrase, RsaKeyParts* keyParts) = 0;
  // keyParts->kind 1 writes a public key file (passphrase null), 2 a private
  // one under the passphrase; keyParts->userId holds the user id.
  virtual StatusCode WriteKey(const char* path, const char* passphrase, uint32_t created,
                              RsaKeyParts* keyParts) = 0;
};

}  // namespace zk
