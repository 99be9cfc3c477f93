// A whole secret file of arbitrary bytes, opened as a plain .kvs with a
// fixed password and a key storage holding one fixed key pair: the masked
// prefix, the RSA key block and its key trial, the encrypted header and the
// content digest, then the content object's first reads. Open gives a
// status code or an open secret; never a crash, a hang or a leak, and an
// opened secret's properties agree with the file.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "SecretOpenKit.h"

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static secretopen::Kit kit;
  static const std::string path = kit.Path("in.kvs");
  if (size > (1u << 20)) return 0;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  zk::IKivSecret* secret = kit.NewSecret();
  zk::SecretParams params = secretopen::Params();
  zk::IBase* content = nullptr;
  if (secret->Open(path.c_str(), &params, &content) == 0) {
    if (!content) std::abort();
    // Prefix, key block (RSA mode) and header precede the content.
    zk::SecretProperties props;
    if (secret->GetProperties(&props) != 0) std::abort();
    const uint64_t overhead = (props.flags & 1) ? 598 : 62;
    if (props.mediumSize != size || props.contentSize + overhead != size) std::abort();
    if (zk::IMessage* message = zktest::Face<zk::IMessage>(content, zk::id::KivIMessage)) {
      char* text = nullptr;
      message->GetText(&text);
      zk_free(text);
      message->Release();
    } else if (zk::IKivFile* file = zktest::Face<zk::IKivFile>(content, zk::id::KivIKivFile)) {
      char* name = nullptr;
      zk::FileContentInfo info;
      file->GetFileInfo(&name, &info);
      zk_free(name);
      file->Release();
    } else if (zk::ISafe* safe = zktest::Face<zk::ISafe>(content, zk::id::KivISafe)) {
      safe->GetFileCount("\\");
      safe->GetFolderCount("\\");
      safe->Release();
    } else {
      std::abort();
    }
    content->Release();
  } else if (content) {
    std::abort();
  }
  secret->Release();
  return 0;
}
