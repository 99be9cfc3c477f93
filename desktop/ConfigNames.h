// The names of kiv_config.txt the desktop program writes back. The
// parameter setters never create a name, so the shipped file holds each
// one (a test checks it).
#pragma once

namespace kiv::cfg {

inline constexpr const char* kDesktopConfigNames[] = {
    "top", "left", "width", "height", "hash", "cipher", "copy_container", "font_name", "font_size",
    "next_show", "count_of_files_reopen", "reopen_file_0", "reopen_file_1", "reopen_file_2",
    "reopen_file_3", "reopen_file_4", "reopen_file_5", "reopen_file_6", "reopen_file_7",
    "reopen_file_8", "size of fixed password", "size of random password",
};

}  // namespace kiv::cfg
