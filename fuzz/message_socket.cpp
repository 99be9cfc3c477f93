// Bytes a sender writes to the program's message socket: the units handed
// on stay inside the whole records and end at a command, and the names the
// receiver puts together hold no zero byte, fit in the chunks that carried
// them, and come back the same when sent again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "desktop/WindowMessages.h"
#include "kvMessageSocket.h"

namespace {

// The names that records of one name assemble into.
std::string Resent(const std::string& name) {
  kiv::wm::NameAssembler a;
  std::string got;
  int done = 0;
  for (const kiv::wm::Record& r : kiv::wm::NameRecords(name))
    a.Feed(r.wParam, r.lParam, [&](std::string n) {
      got = std::move(n);
      ++done;
    });
  if (done != 1 || !a.Pending().empty()) std::abort();
  return got;
}

void Check(const kiv::MessageReceiver& r, size_t chunkBytes) {
  size_t total = r.PendingName().size();
  for (const std::string& n : r.PendingFiles()) {
    if (n.find('\0') != std::string::npos) std::abort();
    if (!n.empty() && Resent(n) != n) std::abort();
    total += n.size() + 1;
  }
  if (total > chunkBytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kiv::wm;
  // The first byte says whether the sender has closed.
  if (size == 0) return 0;
  const bool closing = data[0] & 1;
  ++data, --size;
  const size_t units = DeliverableRecords(data, size, closing);
  if (units > size / kRecordSize) std::abort();
  if (!closing) {
    if (units > 0) {
      const Record last = UnpackRecord(data + (units - 1) * kRecordSize);
      if (last.message == kName || !IsInterfaceMessage(last.message)) std::abort();
    }
    for (size_t i = units; i < size / kRecordSize; ++i) {
      const Record r = UnpackRecord(data + i * kRecordSize);
      if (r.message != kName && IsInterfaceMessage(r.message)) std::abort();
    }
  }
  // The receiver gets the unit's interface messages, as the socket posts them.
  kiv::MessageReceiver receiver;
  size_t chunkBytes = 0;
  for (size_t i = 0; i < units; ++i) {
    const Record r = UnpackRecord(data + i * kRecordSize);
    if (!IsInterfaceMessage(r.message)) continue;
    if (r.message == kName) {
      receiver.ReceiveChunk(r.wParam, r.lParam);
      chunkBytes += 8;
    } else {
      const size_t pending = receiver.PendingFiles().size();
      receiver.TakePending();
      if (receiver.WorkingFiles().size() != pending || !receiver.PendingFiles().empty())
        std::abort();
      chunkBytes = receiver.PendingName().size();
    }
    Check(receiver, chunkBytes);
  }
  return 0;
}
