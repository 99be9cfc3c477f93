#!/usr/bin/env bash
# Starts Kivora under Xvfb and writes a picture of its first window to
# <build>/screenshots/kivora-main.png. Uses the engine in <build>/bin; when
# the build has none yet, the program runs on the test engine instead.
set -euo pipefail
build=${1:-build}
out="$build/screenshots"
mkdir -p "$out"
bin="$build/bin"
if [ ! -f "$bin/kiv_safe.so" ]; then
  bin="$out/program"
  rm -rf "$bin" && mkdir -p "$bin"
  cp "$build/bin/Kivora" "$build/bin/zk5main.so" "$bin/"
  cp "$build/bin/kiv_safe_fake.so" "$bin/kiv_safe.so"
  [ -f "$build/bin/kiv_config.txt" ] && cp "$build/bin/kiv_config.txt" "$bin/" || touch "$bin/kiv_config.txt"
fi
# A runtime folder and a home of its own, so a Kivora the user runs does not
# take the start over and the user's own settings stay out of it.
runtime=$(mktemp -d)
chmod 700 "$runtime"
rm -f "$out/kivora-main.png"
HOME="$runtime" XDG_CONFIG_HOME="$runtime/.config" XDG_DATA_HOME="$runtime/.local/share" \
  XDG_RUNTIME_DIR="$runtime" KIVORA_SCREENSHOT="$PWD/$out/kivora-main.png" \
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$bin/Kivora"
rm -rf "$runtime"
test -s "$out/kivora-main.png"
echo "screenshot: $out/kivora-main.png"
# The main window in its four states and About, on the test engine (each
# checked to be neither blank nor the same as another).
if [ -x "$build/bin/desktop_mainwindow_tests" ]; then
  KIV_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/bin/desktop_mainwindow_tests" --gtest_filter='*Pictures*'
  echo "screenshots: $out/main-{nothing,message,file,safe}.png $out/about.png"
fi
# The message view with text and the find dialog, and the file view filled.
if [ -x "$build/bin/desktop_content_tests" ]; then
  KIV_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/bin/desktop_content_tests" --gtest_filter='*Pictures*'
  echo "screenshots: $out/main-message-text.png $out/find-dialog.png $out/main-file-filled.png"
fi
# The key storage, signature, clipboard coder and options windows.
if [ -x "$build/bin/desktop_tool_screenshots" ]; then
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  HOME="$runtime" XDG_RUNTIME_DIR="$runtime" KIV_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/desktop_tool_screenshots"
  rm -rf "$runtime"
  echo "screenshots of the tool windows (key storage, set and open key storage password, signatures, clipboard coder, options): $out"
fi
# The new-secret pages, the key choice, the open wizard, the properties and
# the password generator.
if [ -x "$build/bin/desktop_wizard_screenshots" ]; then
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  HOME="$runtime" XDG_RUNTIME_DIR="$runtime" KIV_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/desktop_wizard_screenshots"
  rm -rf "$runtime"
  echo "screenshots of the wizards: $out/wizard-*.png $out/open-wizard.png"
fi
