// The new-secret and open chains of the main window: one step per message
// the window posts to itself (WM_USER+1 ... +8, +13), so each page is a
// modal dialog of its own and "Previous" posts an earlier step again.
#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/KivEvent.h"
#include "kvSafeDriver.h"

namespace kiv {

class TMainForm;

// The carrier format a new secret gets from the container kind and the
// chosen file's extension; current when an image extension is unknown.
int32_t NewCarrierFormat(int32_t containerKind, const std::string& path, int32_t current);
// Container kind and carrier format of a file to open, by its extension;
// false for an extension no container has.
bool OpenKindsFromPath(const std::string& path, int32_t& containerKind, int32_t& format);

// The record Create gets in password mode; the password is wiped after.
void FillPasswordParams(zk::SecretParams& p, int32_t contentKind, int32_t format, int32_t hash,
                        int32_t cipher, std::string& password);
// The record in RSA mode: the recipient's public key blob from the key
// storage (its status returned).
StatusCode FillRsaParams(zk::SecretParams& p, int32_t contentKind, int32_t format, int32_t hash,
                         int32_t cipher, zk::IKeysCtrl* keys, int32_t keyList, int32_t keyIndex);

// The main window's entry points (menu commands and its message loop).
void SecretNewCommand(TMainForm& form);
void SecretOpenCommand(TMainForm& form);
void OpenSecretPath(TMainForm& form, const std::string& path);
// A new secret hidden in an existing carrier (the file manager's command):
// the secret-type and parameters pages in a loop, then the create step.
void NewSecretInCarrier(TMainForm& form, const std::string& carrier);
// The properties dialog over a record already read.
void ShowSecretProperties(TMainForm& form, const zk::SecretProperties& props);
// The new-secret steps one by one (message 1045 runs them in a loop of its
// own): the container-type page and the parameters page answer the page's
// result (-1 cancel, 0 back, 1 next), the file step and the create step
// whether they succeeded.
int32_t NewSecretContainerPage(TMainForm& form);
bool NewSecretFileStep(TMainForm& form);
int32_t NewSecretParamsStep(TMainForm& form);
bool NewSecretCreateStep(TMainForm& form);
// Runs a chain step; false when the message is not one of the chain's.
bool RunSecretChainMessage(TMainForm& form, uint32_t message);

// What the chains show, until the main window's views take it: the text
// of an opened message, and a hook the views set to show content.
QString ChainShownText(TMainForm& form);
void SetContentShownHook(std::function<void(TMainForm&, const QString& text)> hook);

}  // namespace kiv
