// The process-wide pool of environment samples behind cipher.Entropy: a ring
// of 5000 samples of 16 bytes, fed by a sampling thread from library load to
// unload. A take from a pool it empties adds a fresh sample at once, so a
// draw never waits.
#pragma once
#include <cstdint>

namespace zk::cipher::entropy {

inline constexpr uint32_t kSampleSize = 16;
inline constexpr uint32_t kRingSamples = 5000;

// Copies the oldest unread sample out (adding a fresh one first when the
// pool is empty, and again when the take empties it).
void TakeSample(uint8_t* out);

// Fills out with samples taken one after another; the last one gives only
// its first bytes.
void FillFromSamples(void* out, uint32_t length);

// Hooks for the library's own tests. A sample source replaces the one that
// reads the environment; installing or removing it empties the pool, and
// while one is installed the sampling thread adds nothing, so counts can be
// checked without timing.
using SampleSource = void (*)(uint8_t* sample);
void UseSampleSource(SampleSource source);  // null: the environment again
void AddSample();
uint32_t UnreadSamples();

}  // namespace zk::cipher::entropy
