// The 8-byte chunk codec of names, the 12-byte socket records, the receiver's
// pending and working lists, and the command-line helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/WindowMessages.h"
#include "kvMessageSocket.h"

namespace {

using kiv::wm::Record;

// Bytes 'a', 'b', ... 'z', 'a', ... of the given length.
std::string Alphabet(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += char('a' + i % 26);
  return s;
}

struct CodecCase {
  size_t length;
  size_t messages;
  // The chunks checked: {index, wParam, lParam}; values written out by hand
  // from the letters' codes.
  std::vector<std::array<uint32_t, 3>> chunks;
};

TEST(ChunkCodec, MessageCountsAndExactChunks) {
  const CodecCase cases[] = {
      {0, 1, {{0, 0, 0}}},
      {7, 1, {{0, 0x64636261, 0x00676665}}},
      {8, 2, {{0, 0x64636261, 0x68676665}, {1, 0, 0}}},
      {15, 2, {{0, 0x64636261, 0x68676665}, {1, 0x6c6b6a69, 0x006f6e6d}}},
      {16, 3, {{1, 0x6c6b6a69, 0x706f6e6d}, {2, 0, 0}}},
      {255, 32, {{0, 0x64636261, 0x68676665}, {31, 0x7271706f, 0x00757473}}},
  };
  for (const CodecCase& c : cases) {
    SCOPED_TRACE("length " + std::to_string(c.length));
    std::vector<Record> r = kiv::wm::NameRecords(Alphabet(c.length));
    ASSERT_EQ(r.size(), c.messages);
    for (const Record& x : r) EXPECT_EQ(x.message, 1044u);
    for (const auto& [i, w, l] : c.chunks) {
      EXPECT_EQ(r[i].wParam, w) << "chunk " << i;
      EXPECT_EQ(r[i].lParam, l) << "chunk " << i;
    }
  }
}

TEST(ChunkCodec, ReceiverRoundTrip) {
  const std::vector<std::string> names = {"", "a", Alphabet(7), Alphabet(8), Alphabet(255),
                                          "/home/anna/Pictures/\xc3\xa9t\xc3\xa9 2026.bmp"};
  kiv::MessageReceiver receiver;
  for (const std::string& n : names)
    for (const Record& r : kiv::wm::NameRecords(n)) receiver.ReceiveChunk(r.wParam, r.lParam);
  EXPECT_EQ(receiver.PendingFiles(), names);
  EXPECT_EQ(receiver.PendingName(), "");
  receiver.TakePending();
  EXPECT_EQ(receiver.WorkingFiles(), names);
  EXPECT_TRUE(receiver.PendingFiles().empty());
}

TEST(ChunkCodec, ChunkBytesAfterTheZeroAreIgnored) {
  kiv::MessageReceiver receiver;
  // "ab", a zero, then bytes that must not reach the next name.
  receiver.ReceiveChunk(0x58006261, 0x5a5a5a5a);
  // A chunk beginning with 0 completes an empty name.
  receiver.ReceiveChunk(0x41414100, 0x41414141);
  // All eight non-zero: the name keeps growing.
  receiver.ReceiveChunk(0x64636261, 0x68676665);
  EXPECT_EQ(receiver.PendingFiles(), (std::vector<std::string>{"ab", ""}));
  EXPECT_EQ(receiver.PendingName(), "abcdefgh");
  receiver.ReceiveChunk(0x00000069, 0);
  EXPECT_EQ(receiver.PendingFiles().back(), "abcdefghi");
}

TEST(ChunkCodec, CommandTakesThePendingListWhole) {
  kiv::MessageReceiver receiver;
  for (const Record& r : kiv::wm::CommandRecords({"one", "two"}, kiv::wm::kNewSafe))
    if (r.message == kiv::wm::kName) receiver.ReceiveChunk(r.wParam, r.lParam);
  receiver.WorkingFiles() = {"old"};
  receiver.TakePending();
  EXPECT_EQ(receiver.WorkingFiles(), (std::vector<std::string>{"one", "two"}));
  receiver.TakePending();  // a command with nothing pending empties the list
  EXPECT_TRUE(receiver.WorkingFiles().empty());
}

TEST(SocketRecords, LittleEndianTwelveBytes) {
  uint8_t b[12];
  kiv::wm::PackRecord({1046, 0x04030201, 0x08070605}, b);
  const uint8_t expected[12] = {0x16, 0x04, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(std::vector<uint8_t>(b, b + 12), std::vector<uint8_t>(expected, expected + 12));
  EXPECT_EQ(kiv::wm::UnpackRecord(b), (Record{1046, 0x04030201, 0x08070605}));
  std::vector<Record> r = kiv::wm::CommandRecords({"x"}, kiv::wm::kWipe);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], (Record{1044, 0x78, 0}));
  EXPECT_EQ(r[1], (Record{1048, 0, 0}));
}

TEST(CommandLine, QuotesAndSwitches) {
  EXPECT_EQ(kiv::UnquotedArgument("\"/tmp/a b.kvs\""), "/tmp/a b.kvs");
  EXPECT_EQ(kiv::UnquotedArgument("/tmp/a.kvs"), "/tmp/a.kvs");
  EXPECT_EQ(kiv::UnquotedArgument("\""), "");
  for (const char* s : {"-s", "/s", "-S", "/S"})
    EXPECT_TRUE(kiv::HasSwitch({"file", s}, 's')) << s;
  for (const char* s : {"s", "-x", "--s", "-ss", "\\s"})
    EXPECT_FALSE(kiv::HasSwitch({s}, 's')) << s;
}

TEST(SocketUnits, DeliveredUpToTheLastCommand) {
  auto bytes = [](const std::vector<Record>& records, size_t extra) {
    std::vector<uint8_t> b(records.size() * kiv::wm::kRecordSize + extra, 0xEE);
    for (size_t i = 0; i < records.size(); ++i)
      kiv::wm::PackRecord(records[i], &b[i * kiv::wm::kRecordSize]);
    return b;
  };
  const Record name{1044, 0x41, 0}, open{1046, 0, 0}, foreign{1037, 0, 0}, minimise{1049, 0, 0};
  struct Case {
    const char* what;
    std::vector<Record> records;
    size_t extra;
    bool closing;
    size_t units;
  } cases[] = {
      {"nothing", {}, 0, false, 0},
      {"names only wait", {name, name}, 0, false, 0},
      {"names and a command", {name, open}, 0, false, 2},
      {"a half record after the command waits", {name, open}, 7, false, 2},
      {"names after the last command wait", {name, open, name, minimise, name}, 0, false, 4},
      {"a foreign message is no command", {name, foreign}, 0, false, 0},
      {"closed: every whole record", {name, foreign, name}, 11, true, 3},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = bytes(c.records, c.extra);
    EXPECT_EQ(kiv::wm::DeliverableRecords(b.data(), b.size(), c.closing), c.units) << c.what;
  }
}

}  // namespace
