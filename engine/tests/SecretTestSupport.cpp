#include "tests/SecretTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "EngineTables.h"
#include "SecretFormat.h"
#include "tests/SeamTestSupport.h"

namespace enginetest {

zk::IKivSecret* NewSecret() {
  LoadLibraries();
  zk::IKivSecret* s = nullptr;
  EXPECT_EQ(zk::engine::MakeSecret(nullptr, &s), 0);
  return s;
}

zk::SecretParams Params(int type, int format, int hash, int cipher, const std::string& password) {
  zk::SecretParams p;
  std::memset(&p, 0, sizeof p);
  p.contentType = uint8_t(type);
  p.format = uint8_t(format);
  p.hashIndex = uint8_t(hash);
  p.cipherIndex = uint8_t(cipher);
  p.headerByte = 1;
  p.keyLength = uint16_t(password.size());
  std::memcpy(p.key, password.data(), password.size() < 520 ? password.size() : 520);
  return p;
}

const std::vector<CarrierKind>& AllCarriers() {
  static const std::vector<CarrierKind> kinds = {
      {"BMP", zk::kFormatBMP, "bmp"},   {"PNG", zk::kFormatPNG, "png"},
      {"JPEG", zk::kFormatJPEG, "jpg"}, {"GIF", zk::kFormatGIF, "gif"},
      {"Text", zk::kFormatText, "txt"}, {"WAVE", zk::kFormatWAVE, "wav"},
      {"MP3", zk::kFormatMP3, "mp3"},   {"ZIP", zk::kFormatZIP, "zip"}};
  return kinds;
}

bool HaveTool(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

namespace {
bool Run(const std::string& cmd) { return std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) == 0; }

std::string SourceDir() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/') + 1);
}
}  // namespace

std::string MakeCarrierFile(const CarrierKind& kind, const zktest::TempDir& dir, const std::string& name,
                            uint64_t capacity) {
  const std::string path = dir.File(name + "." + kind.extension);
  const std::string q = "'" + path + "'";
  switch (kind.format) {
    case zk::kFormatBMP: {
      if (!HaveTool("convert")) return "";
      // One hidden bit per colour byte: side x side x 3 / 8 bytes.
      uint64_t side = 16;
      while (side * side * 3 / 8 < capacity + 64) side *= 2;
      std::string s = std::to_string(side);
      if (!Run("convert -size " + s + "x" + s + " gradient:red-blue -type TrueColor BMP3:" + q)) return "";
      break;
    }
    case zk::kFormatPNG:
      if (!HaveTool("convert") || !Run("convert -size 32x32 gradient:red-blue " + q)) return "";
      break;
    case zk::kFormatJPEG:
      if (!HaveTool("convert") || !Run("convert -size 32x32 gradient:white-black -quality 80 " + q)) return "";
      break;
    case zk::kFormatGIF:
      if (!HaveTool("convert") || !Run("convert -size 16x16 xc:red " + q)) return "";
      break;
    case zk::kFormatText:
      // The licence text four times over: about 17 KB of hiding places.
      if (!Run("for i in 1 2 3 4; do cat '" + SourceDir() + "../../steg/tests/fixtures/gpl3.txt'; done > " + q))
        return "";
      break;
    case zk::kFormatWAVE: {
      if (!HaveTool("sox")) return "";
      // 16-bit mono at 8 kHz: one hidden bit per sample byte.
      uint64_t seconds = (capacity + 64) * 8 / 16000 + 1;
      if (!Run("sox -n -r 8000 -b 16 -c 1 " + q + " synth " + std::to_string(seconds) + " sine 300 vol 0.5"))
        return "";
      break;
    }
    case zk::kFormatMP3: {
      if (!HaveTool("sox") || !HaveTool("lame")) return "";
      std::string wav = dir.File(name + "-tone.wav");
      if (!Run("sox -n -r 8000 -c 1 -b 16 '" + wav + "' synth 0.5 sine 440 vol 0.5") ||
          !Run("lame --quiet -m m -b 8 --resample 8 '" + wav + "' " + q))
        return "";
      break;
    }
    case zk::kFormatZIP: {
      if (!HaveTool("zip")) return "";
      std::string folder = dir.File(name + "-zipped");
      if (!Run("mkdir -p '" + folder + "' && printf 'hello zip\\n' > '" + folder + "/a.txt'")) return "";
      if (!Run("cd '" + folder + "' && zip -X -q " + q + " a.txt")) return "";
      break;
    }
    default:
      return "";
  }
  return path;
}

bool ToolAccepts(const CarrierKind& kind, const std::string& path, const std::vector<uint8_t>& original) {
  const std::string q = "'" + path + "'";
  switch (kind.format) {
    case zk::kFormatBMP:
    case zk::kFormatPNG:
    case zk::kFormatJPEG:
    case zk::kFormatGIF:
      return !HaveTool("identify") || Run("identify -regard-warnings " + q);
    case zk::kFormatWAVE:
      return !HaveTool("sox") || (Run("sox --i " + q) && Run("sox " + q + " -n"));
    case zk::kFormatMP3: {
      // The tag the carrier writes keeps its size in the carrier's own
      // encoding, which standard readers misread (see README); the audio
      // behind the tag must be the original's, byte for byte.
      std::vector<uint8_t> now = zktest::ReadFile(path);
      return now.size() >= original.size() &&
             std::equal(original.begin(), original.end(), now.end() - ptrdiff_t(original.size()));
    }
    case zk::kFormatZIP:
      return !HaveTool("unzip") || (Run("unzip -t " + q) && Run("zip -T " + q));
    default:
      return true;
  }
}

StatusCode SaveMessage(const std::string& path, int format, int hash, int cipher, const std::string& password,
                       const std::string& text) {
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(zk::kContentMessage, format, hash, cipher, password);
  Ref<zk::IBase> content;
  StatusCode st = secret->Create(path.c_str(), &p, content.out());
  if (st != 0) return st;
  Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
  if (!message) return -7;
  return message->SetText(text.c_str());
}

StatusCode SaveFile(const std::string& path, int format, int hash, int cipher, const std::string& password,
                    const std::string& diskPath, int flags, zk::IProgress* progress) {
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(zk::kContentFile, format, hash, cipher, password);
  Ref<zk::IBase> content;
  StatusCode st = secret->Create(path.c_str(), &p, content.out());
  if (st != 0) return st;
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
  if (!file) return -7;
  return file->LoadFromDisk(diskPath.c_str(), flags, progress);
}

StatusCode ReadMessage(const std::string& path, int format, const std::string& password, std::string* text) {
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, format, 0, 0, password);
  Ref<zk::IBase> content;
  StatusCode st = secret->Open(path.c_str(), &p, content.out());
  if (st != 0) return st;
  Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
  if (!message) return -7;
  char* out = nullptr;
  st = message->GetText(&out);
  text->assign(out ? out : "");
  if (out) zk_free(out);
  return st;
}

StatusCode ReadFileBack(const std::string& path, int format, const std::string& password,
                        const std::string& outPath) {
  Ref<zk::IKivSecret> secret(NewSecret());
  zk::SecretParams p = Params(0, format, 0, 0, password);
  Ref<zk::IBase> content;
  StatusCode st = secret->Open(path.c_str(), &p, content.out());
  if (st != 0) return st;
  Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
  if (!file) return -7;
  return file->SaveToDisk(outPath.c_str(), nullptr);
}

std::vector<uint8_t> AllByteValues(size_t repeat) {
  std::vector<uint8_t> v;
  for (size_t r = 0; r < repeat; ++r)
    for (int i = 0; i < 256; ++i) v.push_back(uint8_t(i));
  return v;
}

namespace {
uint32_t gNow = 0;
uint16_t gMask = 0;
uint32_t FixedNow() { return gNow; }
int32_t FixedMask() { return gMask; }
}  // namespace

std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

FixedClock::FixedClock(uint32_t now, uint16_t mask) {
  gNow = now;
  gMask = mask;
  zk::engine::SetClockForTests(&FixedNow);
  zk::engine::seam::mask = &FixedMask;
}

FixedClock::~FixedClock() {
  zk::engine::SetClockForTests(nullptr);
  zk::engine::seam::mask = nullptr;
}

}  // namespace enginetest
