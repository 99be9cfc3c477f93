// kiv.Secret: one secret in one medium, a plain secret file or a carrier
// file, and the stream provider of its content object.
//
// Every save builds the complete new medium beside the old one (the secret
// file, or the carrier with the secret embedded) and renames it over the old
// one only when it is complete and flushed: a failure, a full disk or a
// cancel leaves the old medium as it was.
#include <sys/stat.h>

#include <cstring>
#include <ctime>

#include "ByteOrder.h"
#include "EngineFactories.h"
#include "EngineTables.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "FileWrap.h"
#include "RunningDigest.h"
#include "SecretContents.h"
#include "SecretCopy.h"
#include "SecretFiles.h"
#include "SecretFormat.h"
#include "SecretKeyBlock.h"
#include "SecretPipe.h"
#include "zk5Steg.h"

namespace zk::engine {

// The tests' seam (declared in tests/SeamTestSupport.h): fixes the free
// space a secret reports.
namespace seam {
uint64_t (*diskFree)() = nullptr;
}  // namespace seam

namespace {

constexpr int32_t kModeReadWrite = kOpenBinary | kOpenReadWrite;  // 0x8002
constexpr int32_t kModeReadOnly = kOpenBinary;                   // 0x8000
constexpr int32_t kPermOwner = 0x0180;                           // 0600
constexpr uint32_t kCarrierProbeLimit = 4096;


class Secret final : public ToolkitObject<Secret, IKivSecret, IStreamProvider, IDigestingStreams> {
 public:
  static constexpr const char* kClassId = id::KivSecret;
  static constexpr InterfaceSlot kInterfaces[] = {
      {id::KivIKivSecret, 0}, {id::KivIStreamProvider, 1}, {kIdDigestingStreams, 2}};

  ~Secret() {
    Close();
    if (path_) zk_free(path_);
    ReleaseAndNull(crc_);
    ReleaseAndNull(fs_);
    ReleaseAndNull(driver_);
  }

  StatusCode Init(ISafeDriverApp* driver) {
    if (driver) {
      driver->AddRef();
      driver_ = driver;
    }
    StatusCode st = CreateFace(id::FosFileSys, id::StreamIFileSystem, &fs_);
    if (st == kOk) st = CreateFace(id::CRCStdCRC, id::CryptoICRC, &crc_);
    return st;
  }

  // ------------------------------------------------------------ IKivSecret

  StatusCode Probe(const char* path, int32_t format, int32_t* versionOut, int32_t* contentTypeOut,
                   int32_t* flagsOut) override {
    if (!path || !versionOut || !contentTypeOut || !flagsOut) return kInvalidArg;
    ZK_REQUIRE(fs_, id::StreamIFileSystem);
    Held<IFileStrem> file;
    StatusCode st = fs_->OpenFile(path, kModeReadOnly, &file);
    if (st != kOk) return st;
    if (!file) return kNoMemory;
    uint8_t stored[kSecretPrefixSize];
    if (format == kFormatSecretFile) {
      st = ReadFully(file, stored, kSecretPrefixSize);
    } else {
      Held<ICarrier> carrier;
      bool copyType = false;
      if ((st = MakeCarrier(format, &carrier, &copyType)) != kOk) return st;
      Held<IFileStrem> hidden;
      if ((st = CreateFace(id::StorageMemStream, id::StreamIFileStrem, &hidden)) != kOk) return st;
      if ((st = carrier->Extract(file, hidden, kSecretPrefixSize)) != kOk) return st;
      hidden->Seek(0, kSeekSet);
      st = ReadFully(hidden, stored, kSecretPrefixSize);
    }
    if (st != kOk) return st;
    PrefixFields f;
    if ((st = ReadPrefix(crc_, stored, &f)) != kOk) return st;
    *versionOut = f.version;
    *contentTypeOut = f.contentType;
    *flagsOut = f.flags;
    return kOk;
  }

  StatusCode Close() override {
    ReleaseAndNull(medium_);
    ReleaseAndNull(stagedCopy_);
    ReleaseAndNull(carrier_);
    ReleaseAndNull(cipher_);
    Wipe(params_, sizeof params_);
    Wipe(contentKey_, sizeof contentKey_);
    std::memset(keyBlock_, 0, sizeof keyBlock_);
    std::memset(prefix_, 0, sizeof prefix_);
    std::memset(&keyInfo_, 0, sizeof keyInfo_);
    keyListFlag_ = 0;
    created_ = modified_ = 0;
    capacity_ = contentSize_ = 0;
    copyType_ = false;
    readOnly_ = false;
    open_ = false;
    return kOk;
  }

  StatusCode Create(const char* path, const SecretParams* params, IBase** contentOut) override {
    if (!path || !params || !contentOut) return kInvalidArg;
    ReleaseAndNull(*contentOut);
    Close();
    std::memcpy(params_, params, kParamsSize);
    StatusCode st = Guard([&] { return CreateSecret(path, contentOut); });
    if (st != kOk) Close();
    return st;
  }

  StatusCode Delete() override {
    if (!open_) return kNotOpen;
    StatusCode st = Guard([&] { return carrier_ ? DeleteFromCarrier() : DeleteSecretFile(); });
    Close();
    return st;
  }

  StatusCode Open(const char* path, const SecretParams* params, IBase** contentOut) override {
    if (!path || !params || !contentOut) return kInvalidArg;
    ReleaseAndNull(*contentOut);
    Close();
    std::memcpy(params_, params, kParamsSize);
    StatusCode st = Guard([&] { return OpenSecret(path, contentOut); });
    if (st != kOk) Close();
    return st;
  }

  StatusCode GetProperties(SecretProperties* out) override {
    if (!out) return kInvalidArg;
    std::memset(out, 0, sizeof *out);
    if (!open_) return kNotOpen;
    ZK_REQUIRE(medium_, id::StreamIFileStrem);
    StatusCode st = medium_->GetSize(&out->mediumSize);
    if (st != kOk) return st;
    out->capacity = capacity_;
    out->contentSize = contentSize_;
    out->cipherIndex = P().cipherIndex;
    out->hashIndex = P().hashIndex;
    out->flags = P().flags & 1;
    out->created = LocalCalendar(created_);
    out->modified = LocalCalendar(modified_);
    out->key = keyInfo_;
    out->keyListFlag = keyListFlag_;
    return kOk;
  }

  StatusCode GetCapacity(const char* path, int32_t format, uint64_t* capacityOut) override {
    if (!path || !capacityOut) return kInvalidArg;
    *capacityOut = 0;
    ZK_REQUIRE(fs_, id::StreamIFileSystem);
    Held<ICarrier> carrier;
    bool copyType = false;
    StatusCode st = MakeCarrier(format, &carrier, &copyType);
    if (st != kOk) return st;
    Held<IFileStrem> file;
    if ((st = fs_->OpenFile(path, kModeReadOnly, &file)) != kOk) return st;
    if (!file) return kNoMemory;
    return carrier->GetCapacity(file, capacityOut);
  }

  // ------------------------------------------------------- IStreamProvider

  StatusCode CreateStream(int32_t large, IFileStrem** out) override {
    if (!out) return kInvalidArg;
    ReleaseAndNull(*out);
    if (large) return MakeTempFile(fs_, out);
    return CreateFace(id::StorageMemStream, id::StreamIFileStrem, out);
  }

  // A work stream that digests its writes with the hash of this secret's
  // header, so that a save of it needs no digest pass of its own; a plain
  // one when the hash cannot be had.
  StatusCode CreateDigestingStream(int32_t large, IFileStrem** out) override {
    StatusCode st = CreateStream(large, out);
    if (st != kOk || !*out) return st;
    Held<IHash> hash;
    if (MakeHash(P().hashIndex, &hash) != kOk || !hash) return kOk;
    IFileStrem* plain = *out;
    *out = nullptr;
    return MakeDigestingStream(plain, hash.Take(), P().hashIndex, out);
  }

  StatusCode Save(IFileStrem* content, IProgress* progress, const void* extra, uint32_t extraLength) override {
    return Guard([&] { return DoSave(content, progress, extra, extraLength); });
  }

  StatusCode Load(IFileStrem* out, uint64_t limit, IProgress* progress) override {
    return Guard([&] { return DoLoad(out, limit, progress); });
  }

 private:
  StatusCode DoSave(IFileStrem* content, IProgress* progress, const void* extra, uint32_t extraLength) {
    if (!content) return kInvalidArg;
    if (!open_) return kNotOpen;
    if (!extra) extraLength = 0;
    uint64_t size = 0;
    StatusCode st = content->GetSize(&size);
    if (st != kOk) return st;
    const uint64_t total = size + extraLength;
    if (total >= kContentLimit) return kTooMuch;
    // A medium that could only be opened for reading is not replaced.
    if (readOnly_) return kWriteError;
    const uint64_t overhead = ContentOffset(Rsa());
    if (carrier_) {
      uint64_t capacity = 0;
      medium_->Seek(0, kSeekSet);
      if ((st = carrier_->GetCapacity(medium_, &capacity)) != kOk) return st;
      capacity_ = capacity;
      if (capacity < total + overhead) return kTooMuch;
    }

    // The digest: the one a digesting work stream ran while it was written,
    // else a pass of its own.
    HeaderFields h;
    h.created = created_;
    h.modified = Now();
    h.hashIndex = P().hashIndex;
    h.safeMark = P().contentType == kContentSafe ? 5 : 0;
    h.headerByte = P().headerByte;
    h.totalLength = uint32_t(total);
    Held<IHash> hash;
    if ((st = MakeHash(h.hashIndex, &hash)) != kOk) return st;
    if (!(extraLength == 0 && TakeRunningDigest(content, h.hashIndex, h.digest)) &&
        (st = Digest(hash, content, extra, extraLength, h.digest)) != kOk)
      return st;
    uint8_t header[kContentHeaderSize];
    BuildHeader(crc_, h, header);

    // The secret stream: straight into the new secret file, or into a
    // staging stream that the carrier then embeds.
    FileReplacement replacement(fs_);
    Held<IFileStrem> staging;
    IFileStrem* target = nullptr;
    if (carrier_) {
      if ((st = MakeStage(fs_, size, &staging)) != kOk) return st;
      target = staging;
    } else {
      if ((st = replacement.Begin(path_)) != kOk) return st;
      target = replacement.stream();
    }
    if ((st = WriteSecret(target, header, content, progress, extra, extraLength, hash, size)) != kOk)
      return st;

    if (carrier_) {
      if ((st = replacement.Begin(path_)) != kOk) return st;
      staging->Seek(0, kSeekSet);
      if (copyType_) {
        stagedCopy_->Seek(0, kSeekSet);
        st = static_cast<ICarrierCopy*>(carrier_)->Embed(stagedCopy_, staging, replacement.stream());
      } else {
        st = CopyMediumInto(replacement.stream());
        if (st == kOk) {
          replacement.stream()->Seek(0, kSeekSet);
          st = static_cast<ICarrierDirect*>(carrier_)->Embed(replacement.stream(), staging);
        }
      }
      if (st != kOk) return st;
    }
    if ((st = PutInPlace(replacement)) != kOk) return st;
    contentSize_ = total;
    modified_ = h.modified;
    return kOk;
  }

  StatusCode DoLoad(IFileStrem* out, uint64_t limit, IProgress* progress) {
    if (!out) return kInvalidArg;
    if (!open_) return kNotOpen;
    Held<IFileStrem> view;
    StatusCode st = SecretView(limit, &view);
    if (st != kOk) return st;
    Held<IFileStrem> plain;
    if ((st = AttachSecretCipher(view, cipher_, prefix_, ContentOffset(Rsa()), &plain)) != kOk) return st;
    uint64_t size = 0, position = 0;
    if ((st = plain->GetSize(&size)) != kOk || (st = plain->GetPosition(&position)) != kOk) return st;
    uint64_t total = size > position ? size - position : 0;
    if (limit != 0 && limit < total) total = limit;
    // Reading and decrypting on a thread of their own, the copy with its
    // progress and the writes here.
    ReadAhead decrypted;
    const uint32_t block = cipher_->GetBlockSize();
    const uint64_t start = ContentOffset(Rsa());
    st = decrypted.Start(total, [&](IFileStrem* w) {
      return CopyWithProgress(plain, w, limit, nullptr, nullptr, nullptr, block, start);
    });
    if (st != kOk) return st;
    st = CopyWithProgress(decrypted.stream(), out, 0, progress);
    if ((st = decrypted.Finish(st)) != kOk) return st;
    return out->Commit();
  }

 public:
  StatusCode GetContentSize(uint32_t* sizeOut) override {
    if (!sizeOut) return kInvalidArg;
    *sizeOut = 0;
    if (!open_) return kNotOpen;
    Held<IFileStrem> view;
    StatusCode st = SecretView(0, &view, /*headerOnly=*/true);
    if (st != kOk) return st;
    HeaderFields h;
    if ((st = ReadHeader(view, &h)) != kOk) return st;
    *sizeOut = h.totalLength;
    return kOk;
  }

 private:
  SecretParams& P() { return *reinterpret_cast<SecretParams*>(params_); }
  bool Rsa() { return P().flags & 1; }

  // The carrier object of a format, as its copy or its direct face (both
  // extend steg.ICarrier, so the pointer serves as either).
  StatusCode MakeCarrier(int32_t format, ICarrier** out, bool* copyType) {
    *out = nullptr;
    const char* cls = CarrierClassId(format);
    if (!cls) return kNotFound;
    Held<IBase> base;
    StatusCode st = zk_CreateInstance(cls, &base);
    if (st != kOk) return st;
    if (!base) return kNoMemory;
    void* face = nullptr;
    if (base->QueryInterface(id::StegICarrierCopy, &face) == kOk && face) {
      *copyType = true;
      *out = static_cast<ICarrierCopy*>(face);
      return kOk;
    }
    face = nullptr;
    if (base->QueryInterface(id::StegICarrierDirect, &face) == kOk && face) {
      *copyType = false;
      *out = static_cast<ICarrierDirect*>(face);
      return kOk;
    }
    return kNoInterface;
  }

  StatusCode DiskFree(uint64_t* out) {
    uint64_t free = 0;
    StatusCode st = kOk;
    if (seam::diskFree) {
      free = seam::diskFree();
    } else {
      st = fs_->GetDiskFree(&free);
    }
    *out = free > kDiskFreeCut ? kDiskFreeCut : free;
    return st;
  }

  // The key of the content: the password, or the content key in RSA mode.
  StatusCode KeyCipher() {
    ReleaseAndNull(cipher_);
    if (Rsa()) return MakeKeyedCipher(P().cipherIndex, contentKey_, kContentKeySize, &cipher_);
    return MakeKeyedCipher(P().cipherIndex, P().key, P().keyLength, &cipher_);
  }

  // The content object of a type, bound to this secret.
  StatusCode MakeContent(IBase** setProviderOut, const char** mainId, IFileStrem* decrypted) {
    *setProviderOut = nullptr;
    StatusCode st;
    Held<ISetProvider> content;
    switch (P().contentType) {
      case kContentMessage:
        *mainId = id::KivIMessage;
        st = MakeMessage(&content);
        break;
      case kContentFile:
        *mainId = id::KivIKivFile;
        st = MakeFile(&content);
        break;
      case kContentSafe:
        *mainId = id::KivISafe;
        st = MakeSafeContent(&content, decrypted);
        break;
      default:
        return kInvalidArg;
    }
    if (st != kOk) return st;
    if (!content) return kNoMemory;
    if ((st = content->SetProvider(static_cast<IStreamProvider*>(this))) != kOk) return st;
    *setProviderOut = content.Take();
    return kOk;
  }

  // A safe over an empty flow container (decrypted null), or over the
  // decrypted content copied out of the secret.
  StatusCode MakeSafeContent(ISetProvider** out, IFileStrem* decrypted) {
    Held<ISafe> safe;
    StatusCode st = MakeSafe(&safe);
    if (st != kOk) return st;
    if (!safe) return kNoMemory;
    Held<ISafeCallback> callback;
    if ((st = safe->QueryInterface(id::KivISafeCallback, reinterpret_cast<void**>(&callback))) != kOk) return st;
    Held<ISetProvider> provider;
    if ((st = safe->QueryInterface(id::KivISetProvider, reinterpret_cast<void**>(&provider))) != kOk) return st;
    Held<IFlowControl> flows;
    if ((st = CreateFace(id::StorageDynFlowCtrl, id::StreamIFlowControl, &flows)) != kOk) return st;
    Held<IFileStrem> container, work;
    if ((st = CreateStream(1, &container)) != kOk) return st;
    if ((st = CreateStream(1, &work)) != kOk) return st;
    if (!decrypted) {
      if ((st = flows->Create(container, work, 0, 0, 1)) != kOk) return st;
      st = callback->SaveCatalogue(flows, container);
    } else {
      if ((st = CopyStream(container, decrypted, 0)) != kOk) return st;
      container->Seek(0, kSeekSet);
      if ((st = flows->Open(container, work, 0, 0)) != kOk) return st;
      st = callback->LoadCatalogue(flows, container);
    }
    if (st != kOk) return st;
    *out = provider.Take();
    return kOk;
  }

  StatusCode KeepPath(const char* path) {
    if (path_) zk_free(path_);
    path_ = zk_DupString(path);
    return path_ ? kOk : kNoMemory;
  }

  StatusCode CreateSecret(const char* path, IBase** contentOut) {
    // Everything that can be checked is checked before the medium is touched.
    const SecretParams& p = P();
    if (p.contentType < kContentMessage || p.contentType > kContentSafe) return kInvalidArg;
    if (!CipherClassId(p.cipherIndex) || !HashClassId(p.hashIndex)) return kNotExecuted;
    const bool plainFile = p.format == kFormatSecretFile;
    if (!plainFile && !CarrierClassId(p.format)) return kNotFound;
    if (p.keyLength > kMaxKeyBytes) return kInvalidArg;
    P().flags &= 1;
    StatusCode st = KeepPath(path);
    if (st != kOk) return st;

    created_ = modified_ = Now();
    uint16_t mask = 0;
    if ((st = NewSecretMask(&mask)) != kOk) return st;
    // The masked prefix of a new secret: version 1.
    BuildMaskedPrefix(crc_, mask, 1, p.cipherIndex, p.contentType, p.flags, prefix_);
    if (Rsa()) {
      KeyBlockResult kb;
      st = MakeKeyBlock(driver_, p, keyBlock_, &kb);
      std::memcpy(contentKey_, kb.contentKey, kContentKeySize);
      keyInfo_ = kb.keyInfo;
      keyListFlag_ = kb.keyListFlag;
      Wipe(kb.contentKey, kContentKeySize);
      if (st != kOk) return st;
    }
    if ((st = KeyCipher()) != kOk) return st;

    Held<IBase> content;
    const char* mainId = nullptr;
    if ((st = MakeContent(&content, &mainId, nullptr)) != kOk) return st;

    if (plainFile) {
      // A new file is made empty; an existing one is only opened: what it
      // holds stays until the first save replaces it.
      struct stat info;
      if (stat(path, &info) == 0) {
        st = fs_->OpenFile(path, kModeReadWrite, &medium_);
      } else {
        st = fs_->CreateFile(path, kModeReadWrite, kPermOwner, &medium_);
      }
      if (st != kOk) return st;
      if (!medium_) return kNoMemory;
      if ((st = DiskFree(&capacity_)) != kOk) return st;
    } else {
      bool copyType = false;
      if ((st = MakeCarrier(p.format, &carrier_, &copyType)) != kOk) return st;
      copyType_ = copyType;
      if ((st = OpenCarrierFile(path, kModeReadWrite)) != kOk) return st;
      if ((st = carrier_->GetCapacity(medium_, &capacity_)) != kOk) return st;
      if (copyType_) {
        uint64_t carrierSize = 0;
        medium_->GetSize(&carrierSize);
        if ((st = MakeStage(fs_, carrierSize, &stagedCopy_)) != kOk) return st;
        medium_->Seek(0, kSeekSet);
        if ((st = static_cast<ICarrierCopy*>(carrier_)->Wipe(medium_, stagedCopy_)) != kOk) return st;
      }
    }
    void* face = nullptr;
    if ((st = content->QueryInterface(mainId, &face)) != kOk) return st;
    *contentOut = static_cast<IBase*>(face);
    open_ = true;
    return kOk;
  }

  StatusCode OpenCarrierFile(const char* path, int32_t mode) {
    Held<IFileStrem> file;
    StatusCode st = fs_->OpenFile(path, mode, &file);
    if (st != kOk) return st;
    if (!file) return kNoMemory;
    return MakeFileWrap(fs_, file, path, &medium_);
  }

  StatusCode OpenSecret(const char* path, IBase** contentOut) {
    const int32_t format = P().format;
    const bool plainFile = format == kFormatSecretFile;
    if (!plainFile && !CarrierClassId(format)) return kNotFound;
    StatusCode st = KeepPath(path);
    if (st != kOk) return st;
    bool copyType = false;
    if (!plainFile) {
      if ((st = MakeCarrier(format, &carrier_, &copyType)) != kOk) return st;
      copyType_ = copyType;
    }
    // Read and write when allowed, else read only (Save then refuses).
    if (plainFile) {
      st = fs_->OpenFile(path, kModeReadWrite, &medium_);
      if (st != kOk) {
        readOnly_ = true;
        st = fs_->OpenFile(path, kModeReadOnly, &medium_);
      }
      if (st == kOk && !medium_) st = kNoMemory;
    } else {
      st = OpenCarrierFile(path, kModeReadWrite);
      if (st != kOk) {
        readOnly_ = true;
        st = OpenCarrierFile(path, kModeReadOnly);
      }
    }
    if (st != kOk) return st;
    // Part files of saves that were cut short go.
    RemoveStaleParts(path);

    // The beginning of the secret: the file itself, or the first hidden
    // bytes extracted from the carrier.
    Held<IFileStrem> head;
    if (plainFile) {
      if ((st = DiskFree(&capacity_)) != kOk) return st;
      medium_->AddRef();
      head.p = medium_;
    } else {
      medium_->Seek(0, kSeekSet);
      if ((st = carrier_->GetCapacity(medium_, &capacity_)) != kOk) return st;
      uint64_t hidden = 0;
      medium_->Seek(0, kSeekSet);
      if ((st = carrier_->GetHiddenSize(medium_, &hidden)) != kOk) return st;
      if (hidden > kCarrierProbeLimit) hidden = kCarrierProbeLimit;
      if (hidden < kSecretPrefixSize) return kInvalidFormat;
      if ((st = CreateFace(id::StorageMemStream, id::StreamIFileStrem, &head)) != kOk) return st;
      medium_->Seek(0, kSeekSet);
      if ((st = carrier_->Extract(medium_, head, hidden)) != kOk) return st;
    }
    head->Seek(0, kSeekSet);
    if ((st = ReadFully(head, prefix_, kSecretPrefixSize)) != kOk) return st;
    PrefixFields f;
    if ((st = ReadPrefix(crc_, prefix_, &f)) != kOk) return st;
    P().contentType = f.contentType;
    P().flags = f.flags & 1;
    P().cipherIndex = f.cipherIndex;
    if (P().contentType < kContentMessage || P().contentType > kContentSafe) return kInvalidArg;
    if (!CipherClassId(P().cipherIndex)) return kNotExecuted;
    if (!Rsa() && P().keyLength > kMaxKeyBytes) return kInvalidArg;
    if (Rsa()) {
      if ((st = ReadFully(head, keyBlock_, kKeyBlockSize)) != kOk) return st;
      KeyBlockResult kb;
      // A pair whose check value fits must also open the header.
      kb.headerCheck = [&](const uint8_t* key) {
        std::memcpy(contentKey_, key, kContentKeySize);
        HeaderFields tried;
        StatusCode s = KeyCipher();
        if (s == kOk) s = ReadHeader(head, &tried);
        return s;
      };
      st = OpenKeyBlock(driver_, P().cipherIndex, keyBlock_, &kb);
      std::memcpy(contentKey_, kb.contentKey, kContentKeySize);
      keyInfo_ = kb.keyInfo;
      keyListFlag_ = kb.keyListFlag;
      Wipe(kb.contentKey, kContentKeySize);
      if (st != kOk) return st;
    }
    if ((st = KeyCipher()) != kOk) return st;
    HeaderFields h;
    if ((st = ReadHeader(head, &h)) != kOk) return st;
    if (!HashClassId(h.hashIndex)) return kNotExecuted;
    created_ = h.created;
    modified_ = h.modified;
    P().hashIndex = h.hashIndex;
    P().headerByte = h.headerByte;

    // The whole secret, as a stream from offset 0.
    const uint64_t start = ContentOffset(Rsa());
    Held<IFileStrem> whole;
    if (plainFile) {
      whole.p = head.Take();
    } else {
      const uint64_t needed = start + h.totalLength;
      if ((st = MakeStage(fs_, needed, &whole)) != kOk) return st;
      if (copyType_) {
        uint64_t carrierSize = 0;
        medium_->GetSize(&carrierSize);
        if ((st = MakeStage(fs_, carrierSize, &stagedCopy_)) != kOk) return st;
        medium_->Seek(0, kSeekSet);
        if ((st = CopyStream(stagedCopy_, medium_, 0)) != kOk) return st;
      }
      medium_->Seek(0, kSeekSet);
      if ((st = carrier_->Extract(medium_, whole, needed)) != kOk) return st;
      uint64_t got = 0;
      whole->GetSize(&got);
      if (got < needed) return kInvalidFormat;
    }
    Held<IFileStrem> plain;
    if ((st = AttachSecretCipher(whole, cipher_, prefix_, start, &plain)) != kOk) return st;
    uint64_t size = 0;
    if ((st = plain->GetSize(&size)) != kOk) return st;
    contentSize_ = size > start ? size - start : 0;

    // The digest of everything after the header.
    Held<IHash> hash;
    if ((st = MakeHash(h.hashIndex, &hash)) != kOk) return st;
    uint8_t digest[32] = {};
    if ((st = hash->Init()) != kOk) return st;
    {
      // Decrypted on a thread of its own, hashed here.
      ReadAhead decrypted;
      const uint32_t block = cipher_->GetBlockSize();
      st = decrypted.Start(contentSize_, [&](IFileStrem* w) {
        return CopyWithProgress(plain, w, 0, nullptr, nullptr, nullptr, block, start);
      });
      if (st != kOk) return st;
      st = HashRest(hash, decrypted.stream(), nullptr);
      if ((st = decrypted.Finish(st)) != kOk) return st;
    }
    if ((st = hash->Final(digest, sizeof digest)) != kOk) return st;
    if (std::memcmp(digest, h.digest, hash->GetDigestSize()) != 0) return kDigestMismatch;

    Held<IBase> content;
    const char* mainId = nullptr;
    if (P().contentType == kContentSafe) plain->Seek(int64_t(start), kSeekSet);
    if ((st = MakeContent(&content, &mainId, P().contentType == kContentSafe ? plain.p : nullptr)) != kOk)
      return st;
    *contentOut = content.Take();
    open_ = true;
    return kOk;
  }

  // Reads and checks the content header of a stream that holds the secret
  // from offset 0.
  StatusCode ReadHeader(IFileStrem* whole, HeaderFields* h) {
    Held<IFileStrem> plain;
    StatusCode st = AttachSecretCipher(whole, cipher_, prefix_, HeaderOffset(Rsa()), &plain);
    if (st != kOk) return st;
    uint8_t header[kContentHeaderSize];
    if ((st = ReadFully(plain, header, kContentHeaderSize)) != kOk) return st;
    return ParseHeader(crc_, header, h);
  }

  // The secret as a stream from offset 0: the secret file itself, or the
  // hidden bytes extracted from the carrier (the header only, or the
  // header and at most limit bytes of content).
  StatusCode SecretView(uint64_t limit, IFileStrem** out, bool headerOnly = false) {
    *out = nullptr;
    ZK_REQUIRE(medium_, id::StreamIFileStrem);
    if (!carrier_) {
      medium_->AddRef();
      *out = medium_;
      return kOk;
    }
    const uint64_t start = ContentOffset(Rsa());
    Held<IFileStrem> head;
    StatusCode st = CreateFace(id::StorageMemStream, id::StreamIFileStrem, &head);
    if (st != kOk) return st;
    medium_->Seek(0, kSeekSet);
    if ((st = carrier_->Extract(medium_, head, start)) != kOk) return st;
    if (headerOnly) {
      *out = head.Take();
      return kOk;
    }
    HeaderFields h;
    if ((st = ReadHeader(head, &h)) != kOk) return st;
    uint64_t total = start + (limit != 0 && limit < h.totalLength ? limit : h.totalLength);
    Held<IFileStrem> whole;
    if ((st = MakeStage(fs_, total, &whole)) != kOk) return st;
    medium_->Seek(0, kSeekSet);
    if ((st = carrier_->Extract(medium_, whole, total)) != kOk) return st;
    *out = whole.Take();
    return kOk;
  }

  // Hashes the extra bytes and the whole content stream.
  StatusCode Digest(IHash* hash, IFileStrem* content, const void* extra, uint32_t extraLength,
                    uint8_t digest[32]) {
    std::memset(digest, 0, 32);
    StatusCode st = hash->Init();
    if (st == kOk && extraLength) st = hash->Update(extra, extraLength);
    if (st == kOk) st = content->Seek(0, kSeekSet);
    if (st == kOk) st = HashRest(hash, content, nullptr);
    if (st == kOk) st = hash->Final(digest, 32);
    return st;
  }

  // Writes the whole secret stream to target (from offset 0): prefix and
  // key block as stored, then through the cipher the header, the extra
  // bytes and the content. A content that reads back otherwise than the
  // digest saw is refused.
  StatusCode WriteSecret(IFileStrem* target, const uint8_t header[kContentHeaderSize], IFileStrem* content,
                         IProgress* progress, const void* extra, uint32_t extraLength, IHash* hash,
                         uint64_t size) {
    StatusCode st = target->Seek(0, kSeekSet);
    if (st == kOk) st = target->Write(prefix_, kSecretPrefixSize);
    if (st == kOk && Rsa()) st = target->Write(keyBlock_, kKeyBlockSize);
    if (st != kOk) return st;
    // Three stages: reading, hashing and progress here; encrypting on a
    // thread; writing the target on another.
    WriteBehind disk;
    if ((st = disk.Start(target)) != kOk) return st;
    Held<IFileStrem> cs;
    if ((st = AttachSecretCipher(disk.stream(), cipher_, prefix_, HeaderOffset(Rsa()), &cs)) != kOk)
      return disk.Finish(st);
    WriteBehind crypt;
    const uint32_t block = cipher_->GetBlockSize();
    if ((st = crypt.Start(cs, block)) != kOk) return disk.Finish(st);
    st = cs->Write(header, kContentHeaderSize);
    if (st == kOk && extraLength) st = cs->Write(extra, extraLength);
    // The copy pass hashes again what it copies.
    if (st == kOk) st = hash->Init();
    if (st == kOk && extraLength) st = hash->Update(extra, extraLength);
    if (st == kOk) st = content->Seek(0, kSeekSet);
    uint64_t copied = 0;
    if (st == kOk)
      st = CopyWithProgress(content, crypt.stream(), 0, progress, hash, &copied, block,
                            ContentOffset(Rsa()) + extraLength);
    st = crypt.Finish(st);
    uint8_t again[32] = {};
    if (st == kOk) st = hash->Final(again, sizeof again);
    if (st == kOk && (copied != size || std::memcmp(again, header + 16, hash->GetDigestSize()) != 0))
      st = kReadError;
    if (st == kOk) st = cs->Commit();
    return disk.Finish(st);
  }

  // Copies the carrier file as it stands into target.
  StatusCode CopyMediumInto(IFileStrem* target) {
    StatusCode st = medium_->Seek(0, kSeekSet);
    if (st == kOk) st = target->Seek(0, kSeekSet);
    if (st == kOk) st = target->CopyFrom(medium_, 0);
    return st;
  }

  // Puts a complete new medium in the old one's place and keeps it open as
  // the medium; a carrier keeps its file times.
  StatusCode PutInPlace(FileReplacement& replacement) {
    uint32_t created = 0, modified = 0;
    if (carrier_) FileWrapTimes(medium_, &created, &modified);
    StatusCode st = replacement.Commit();
    if (st != kOk) return st;
    Held<IFileStrem> fresh;
    fresh.p = replacement.TakeStream();
    ReleaseAndNull(medium_);
    if (!carrier_) {
      medium_ = fresh.Take();
      return kOk;
    }
    fs_->SetFileTimes(path_, created, modified);
    return MakeFileWrapWithTimes(fs_, fresh, path_, created, modified, &medium_);
  }

  StatusCode DeleteFromCarrier() {
    if (readOnly_) return kWriteError;
    FileReplacement replacement(fs_);
    StatusCode st = replacement.Begin(path_);
    if (st != kOk) return st;
    if (copyType_) {
      stagedCopy_->Seek(0, kSeekSet);
      st = static_cast<ICarrierCopy*>(carrier_)->Wipe(stagedCopy_, replacement.stream());
    } else {
      st = CopyMediumInto(replacement.stream());
      if (st == kOk) {
        replacement.stream()->Seek(0, kSeekSet);
        st = static_cast<ICarrierDirect*>(carrier_)->Wipe(replacement.stream());
      }
    }
    if (st != kOk) return st;
    return PutInPlace(replacement);
  }

  // The secret file's bytes are overwritten with zeros before it is removed.
  StatusCode DeleteSecretFile() {
    if (readOnly_) return kWriteError;
    uint64_t size = 0;
    StatusCode st = medium_->GetSize(&size);
    if (st == kOk) st = medium_->Seek(0, kSeekSet);
    if (st != kOk) return st;
    static const uint8_t zeros[65536] = {};
    while (size > 0) {
      uint32_t piece = size < sizeof zeros ? uint32_t(size) : uint32_t(sizeof zeros);
      if ((st = medium_->Write(zeros, piece)) != kOk) return st;
      size -= piece;
    }
    if ((st = medium_->Commit()) != kOk) return st;
    medium_->Seek(0, kSeekSet);
    medium_->SetEnd();
    medium_->Close();
    ReleaseAndNull(medium_);
    return fs_->DeleteFile(path_);
  }

  ISafeDriverApp* driver_ = nullptr;
  IFileSystem* fs_ = nullptr;
  ICRC* crc_ = nullptr;
  IBlockCipher* cipher_ = nullptr;
  uint8_t params_[kParamsSize] = {};
  uint8_t contentKey_[kContentKeySize] = {};
  bool open_ = false;
  bool readOnly_ = false;
  bool copyType_ = false;
  IFileStrem* medium_ = nullptr;
  ICarrier* carrier_ = nullptr;
  IFileStrem* stagedCopy_ = nullptr;
  uint8_t prefix_[kSecretPrefixSize] = {};
  uint8_t keyBlock_[kKeyBlockSize] = {};
  uint32_t created_ = 0;
  uint32_t modified_ = 0;
  uint64_t capacity_ = 0;
  uint64_t contentSize_ = 0;
  char* path_ = nullptr;
  KeyInfo keyInfo_ = {};
  uint32_t keyListFlag_ = 0;
};

}  // namespace

StatusCode MakeSecret(ISafeDriverApp* driver, IKivSecret** out) {
  if (!out) return kInvalidArg;
  *out = nullptr;
  Secret* s = nullptr;
  StatusCode st = Guard([&] {
    s = new Secret();
    return kOk;
  });
  if (st != kOk) return st;
  st = s->Init(driver);
  if (st != kOk) {
    s->Release();
    return st;
  }
  *out = s;
  return kOk;
}

}  // namespace zk::engine
