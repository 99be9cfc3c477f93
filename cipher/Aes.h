// Internal switches of the AES classes: whether the processor's AES
// instructions are present, and whether they are used (on by default when
// present). Both forms give the same bytes; tests run each.
#pragma once

namespace zk::cipher {
bool AesHardwareAvailable();
void AesUseHardware(bool on);
bool AesUsingHardware();
}  // namespace zk::cipher
