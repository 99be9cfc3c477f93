// Two small stream.IStream objects over memory for the engine's own use: a
// source reading a byte string, and a sink collecting what is written up
// to a limit (a write beyond it fails with kTooMuch, so a coder fed damaged data
// cannot make more than the caller allows).
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk::engine {

class ByteSource final : public ToolkitObject<ByteSource, IStream> {
 public:
  static constexpr const char* kClassId = "local.kiv.ByteSource";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0}};

  std::string data;
  size_t position = 0;

  StatusCode IsEnd() override { return position < data.size() ? kOk : kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    if (size == 0) return kOk;
    if (!buffer) return kInvalidArg;
    size_t take = std::min<size_t>(size, data.size() - position);
    if (take) std::memcpy(buffer, data.data() + position, take);
    position += take;
    if (gotOut) *gotOut = uint32_t(take);
    return kOk;
  }
  StatusCode Write(const void*, uint32_t) override { return kNotImplemented; }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream*, uint64_t) override { return kNotImplemented; }
};

class ByteSink final : public ToolkitObject<ByteSink, IStream> {
 public:
  static constexpr const char* kClassId = "local.kiv.ByteSink";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0}};

  std::string data;
  uint64_t limit = UINT64_MAX;

  StatusCode IsEnd() override { return kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    return kNotImplemented;
  }
  StatusCode Write(const void* bytes, uint32_t length) override {
    if (length == 0) return kOk;
    if (!bytes) return kInvalidArg;
    if (length > limit - data.size()) return kTooMuch;
    return Guard([&]() -> StatusCode {
      data.append(static_cast<const char*>(bytes), length);
      return kOk;
    });
  }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStream(this, source, count);
  }
};

}  // namespace zk::engine
