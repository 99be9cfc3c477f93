// The numbers of the language texts the desktop program shows. Every id the
// program asks for is listed in kDesktopTextIds, which a test finds in the
// shipped English language file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kMonthFirst = 1108;  // 1108 January ... 1119 December
inline constexpr int32_t kYearSuffix = 1120;  // after the year of a date

inline constexpr int32_t kCancel = 302;
inline constexpr int32_t kApply = 303;
inline constexpr int32_t kPassword = 601;
inline constexpr int32_t kQuality = 604;
inline constexpr int32_t kConfirm = 605;
inline constexpr int32_t kPasswordsDiffer = 611;
inline constexpr int32_t kEmptyPassword = 616;
inline constexpr int32_t kKeyStorageNote = 1600;
inline constexpr int32_t kOpenKeyStorage = 1601;
inline constexpr int32_t kSetKeyStoragePassword = 1602;
inline constexpr int32_t kKeyStorageQuery = 1603;
inline constexpr int32_t kGeneratePasswordHint = 2209;

inline constexpr int32_t kWarningCaption = 80;
inline constexpr int32_t kDontShowAgain = 81;
inline constexpr int32_t kNoHelp = 92;
inline constexpr int32_t kHelpContents = 45;
inline constexpr int32_t kOneFileColumn = 84;
inline constexpr int32_t kAskSaveChanges = 800;
inline constexpr int32_t kReadOnly = 802;
inline constexpr int32_t kAskDeleteSecretFile = 803;
inline constexpr int32_t kDeleting = 804;
inline constexpr int32_t kDeleteFailed = 805;
inline constexpr int32_t kSaving = 809;
inline constexpr int32_t kAskDeleteCarrierSecret = 819;
inline constexpr int32_t kNotACarrier = 91;
// Physical deletion.
inline constexpr int32_t kPhysicalDeletion = 811;
inline constexpr int32_t kPhysicalDeletionFilter = 812;
inline constexpr int32_t kAskPhysicalDeletion = 813;
inline constexpr int32_t kPhysicalDeletionDone = 815;
inline constexpr int32_t kWipeSkipped = 2500;
inline constexpr int32_t kWipeFailed = 2501;
inline constexpr int32_t kAboutCaption = 1800;
inline constexpr int32_t kAboutHtml = 1801;
inline constexpr int32_t kCarrierWarning = 2000;
inline constexpr int32_t kViewerCaption = 2401;
inline constexpr int32_t kViewerSaveHint = 2402;
inline constexpr int32_t kViewerCopyHint = 2403;
inline constexpr int32_t kViewerExitHint = 2404;
inline constexpr int32_t kViewerSaveTitle = 2405;
inline constexpr int32_t kViewerSaveFilter = 2406;
inline constexpr int32_t kViewerSaveFailed = 2407;
inline constexpr int32_t kViewerSaved = 2408;

inline constexpr int32_t kDesktopTextIds[] = {
    // status texts
    900, 901, 902, 903, 904, 905, 906, 907, 908, 909, 910, 911, 912, 914, 999,
    1900, 1901, 1902, 1903, 1904, 1905, 1906,
    // dates
    1108, 1109, 1110, 1111, 1112, 1113, 1114, 1115, 1116, 1117, 1118, 1119, 1120,
    // key storage password dialogs
    302, 303, 601, 604, 605, 611, 616, 1600, 1601, 1602, 1603, 2209,
    // main window: menus, tool-bar hints, lists, tray menu, questions
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 21, 22, 23, 24, 34, 35, 36, 37,
    38, 39, 40, 44, 45, 48, 50, 51, 52, 53, 72, 74, 75, 76, 82, 83, 88, 89, 90,
    101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 115, 116, 117, 118, 120,
    121, 122, 84, 85, 56, 57, 58, 59, 60, 61, 62, 63, 86, 87,
    800, 802, 803, 804, 805, 809, 819, 92,
    // information windows and the text viewer
    // physical deletion
    91, 811, 812, 813, 815, 2500, 2501,
    80, 81, 1800, 1801, 2000, 2401, 2402, 2403, 2404, 2405, 2406, 2407, 2408,
    // a refused staging folder
    920, 921, 922, 923,
};

}  // namespace kiv::txt
