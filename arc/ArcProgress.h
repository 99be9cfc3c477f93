// Percentages of one coding: 0 first, a new value whenever it grows, 100 at
// the end. The next count at which the value grows is kept so that the
// per-step check is one comparison.
#pragma once
#include <cstdint>

#include "zk5Arc.h"

namespace zk::arc {

class ProgressReport {
 public:
  // total 0 (unknown) or no progress object: only the first and last reports.
  ProgressReport(IProgress* progress, uint32_t total) : progress_(progress), total_(total) {
    next_ = (progress_ && total_) ? Threshold(1) : UINT64_MAX;
  }
  StatusCode Start() { return progress_ ? progress_->OnProgress(0) : kOk; }
  StatusCode Finish() { return progress_ ? progress_->OnProgress(100) : kOk; }
  // done: bytes coded so far. Values above 100 are reported as 100.
  StatusCode At(uint64_t done) {
    if (done < next_) return kOk;
    uint64_t pct = done * 100 / total_;
    if (pct > 100) pct = 100;
    StatusCode st = kOk;
    if (int32_t(pct) > last_) {
      last_ = int32_t(pct);
      st = progress_->OnProgress(last_);
    }
    next_ = last_ >= 100 ? UINT64_MAX : Threshold(last_ + 1);
    return st;
  }

 private:
  // The smallest count of bytes whose percentage reaches pct.
  uint64_t Threshold(int32_t pct) const { return (uint64_t(pct) * total_ + 99) / 100; }
  IProgress* progress_;
  uint64_t total_;
  uint64_t next_;
  int32_t last_ = 0;
};

}  // namespace zk::arc
