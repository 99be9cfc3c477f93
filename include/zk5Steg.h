// Steganographic carrier interfaces: steg.ICarrier with its direct form
// steg.ICarrierDirect (the carrier file is changed in place) and its copy
// form steg.ICarrierCopy (a complete new file is written to a second
// stream; the carrier stream is only read).
//
// Every carrier object answers steg.ICarrier and exactly one of the two
// forms, all through one pointer: the forms extend steg.ICarrier, so the
// first four operations sit in the same slots whichever id was asked for.
// Sizes and counts are unsigned 64-bit; every operation except
// GetCarrierKind returns a status code (0 on success).
#pragma once
#include <cstdint>

#include "zk5Base.h"
#include "zk5Stream.h"

namespace zk {

// Carrier kinds answered by GetCarrierKind.
enum CarrierKind : int32_t {
  kCarrierImage = 1,
  kCarrierSound = 2,
  kCarrierText = 4,
  kCarrierArchive = 6,
};

struct ICarrier : IBase {
  // The kind number of the carrier class (not a status code).
  virtual int32_t GetCarrierKind() = 0;
  // Checks the carrier's format; the largest number of bytes Embed accepts.
  virtual StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) = 0;
  // The number of hidden bytes now present (the capacity for carriers that
  // store no length).
  virtual StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) = 0;
  // Writes the first count hidden bytes to out.
  virtual StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) = 0;
};

struct ICarrierDirect : ICarrier {
  // Hides the content of data (from its position to its end) in the
  // carrier in place; the carrier's length never changes.
  virtual StatusCode Embed(IFileStrem* carrier, IFileStrem* data) = 0;
  // Clears the hiding places in place.
  virtual StatusCode Wipe(IFileStrem* carrier) = 0;
};

struct ICarrierCopy : ICarrier {
  // Writes to out a copy of the carrier holding the content of data; data
  // hidden before is dropped from the copy.
  virtual StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) = 0;
  // Writes to out a copy of the carrier with every hiding place removed.
  virtual StatusCode Wipe(IFileStrem* carrier, IFileStrem* out) = 0;
};

}  // namespace zk
