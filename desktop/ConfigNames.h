// The names of kiv_config.txt the desktop program writes back. The
// parameter setters never create a name, so the shipped file holds each
// one (a test checks it).
#pragma once

namespace kiv::cfg {

inline constexpr const char* kDesktopConfigNames[] = {
    "top", "left", "width", "height", "hash", "cipher", "copy_container", "font_name", "font_size",
};

}  // namespace kiv::cfg
