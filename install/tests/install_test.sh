#!/usr/bin/env bash
# install_test.sh <build>: installs the build into a temporary prefix with
# `cmake --install`, checks the layout, the run paths, the desktop entry and
# the MIME file, makes the prefix refuse every write (chmod -R a-w, and as
# root a read-only bind mount, since root writes past permissions), then
# starts the installed bin/kivora under Xvfb as two users: the first opens a
# secret made by the build tree, the second only starts. Each user's settings
# are their own (0600 in a 0700 folder) and the prefix stays byte for byte.
# A part that cannot run here is reported as SKIP and the test ends with 77
# (skipped) once every other part passed. KIV_TEST_DISPLAY=:N picks the X
# display for Xvfb (default: the first free one from :190).
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/kivinstall.XXXXXX)
prefix="$work/prefix"
skipped=()
pids=()
mounted=0

cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ "$mounted" = 1 ] && umount "$prefix"
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
skip() {
  echo "SKIP: $*"
  skipped+=("$1")
}
mode() { stat -c %a "$1"; }

echo "== install into $prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || {
  cat "$work/install.log"
  fail "cmake --install"
}
for f in bin/kivora lib/kivora/Kivora lib/kivora/zk5main.so lib/kivora/zk5storage.so \
  lib/kivora/zk5cipher.so lib/kivora/zk5steg.so lib/kivora/zk5arc.so lib/kivora/zk5script.so \
  lib/kivora/kiv_safe.so lib/kivora/kiv_shell_ext.so lib/kivora/kiv_shell_cmd lib/kivora/regsvr32 \
  lib/kivora/kiv_config.txt lib/kivora/kiv_en.txt lib/kivora/kiv_en_help.html \
  share/applications/kivora.desktop share/icons/hicolor/scalable/apps/kivora.svg \
  share/mime/packages/kivora.xml; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ "$(readlink -f "$prefix/bin/kivora")" = "$(readlink -f "$prefix/lib/kivora/Kivora")" ] ||
  fail "bin/kivora does not start lib/kivora/Kivora"
cmp -s "$build/bin/kiv_config.txt" "$prefix/lib/kivora/kiv_config.txt" || fail "kiv_config.txt differs"
for f in "$prefix"/lib/kivora/*; do
  if readelf -d "$f" 2>/dev/null | grep -E 'RUNPATH|RPATH' | grep -q "$build"; then
    fail "$(basename "$f") looks for libraries in the build folder"
  fi
done
grep -qx "Exec=$prefix/bin/kivora %f" "$prefix/share/applications/kivora.desktop" ||
  fail "the desktop entry does not start $prefix/bin/kivora"

echo "== desktop entry and MIME file"
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$prefix/share/applications/kivora.desktop" || fail "desktop-file-validate"
else
  skip desktop-file-validate "desktop-file-validate is not installed"
fi
if command -v xmllint > /dev/null; then
  xmllint --noout "$prefix/share/mime/packages/kivora.xml" || fail "xmllint"
  xmllint --noout "$prefix/lib/kivora/kiv_en_help.html" --html 2> /dev/null || true
else
  skip xmllint "xmllint is not installed"
fi
if command -v update-mime-database > /dev/null; then
  mkdir -p "$work/mime/packages"
  cp "$prefix/share/mime/packages/kivora.xml" "$work/mime/packages/"
  out=$(XDG_DATA_HOME="$work" XDG_DATA_DIRS="$work" update-mime-database "$work/mime" 2>&1) || fail "update-mime-database: $out"
  [ -z "$out" ] || fail "update-mime-database: $out"
  grep -q "application/x-kivora-secret" "$work/mime/globs2" || fail "*.kvs is not in the MIME globs"
else
  skip update-mime-database "update-mime-database is not installed"
fi

echo "== the prefix made read-only"
snapshot() {
  (cd "$prefix" && find . -printf '%p %y %m %s %l\n' | LC_ALL=C sort &&
    find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}
chmod -R a-w "$prefix"
if [ "$(id -u)" = 0 ]; then
  if mount --bind "$prefix" "$prefix" 2> "$work/mount.err"; then
    mounted=1
    mount -o remount,ro,bind "$prefix" 2>> "$work/mount.err" || {
      umount "$prefix"
      mounted=0
    }
  fi
  [ "$mounted" = 1 ] ||
    skip read-only "running as root and a read-only bind mount is not permitted: $(cat "$work/mount.err")"
fi
if touch "$prefix/lib/kivora/probe" 2> /dev/null; then
  rm -f "$prefix/lib/kivora/probe"
  [ "$mounted" = 1 ] || [ "$(id -u)" = 0 ] || fail "the prefix is still writable"
  [ "$mounted" = 0 ] || fail "the read-only mount takes writes"
fi

before=$(snapshot)

echo "== a secret made by the build tree"
user_env() { # user_env <home>: a private home and runtime folder (sanitizer options kept)
  mkdir -p "$1/run"
  chmod 700 "$1" "$1/run"
  echo "HOME=$1" "XDG_RUNTIME_DIR=$1/run" "XDG_CONFIG_HOME=$1/.config" "XDG_DATA_HOME=$1/.local/share"
  [ -n "${ASAN_OPTIONS:-}" ] && echo "ASAN_OPTIONS=$ASAN_OPTIONS"
  [ -n "${UBSAN_OPTIONS:-}" ] && echo "UBSAN_OPTIONS=$UBSAN_OPTIONS"
  true
}
maker="$work/maker"
mkdir -p "$maker"
env -i PATH="$PATH" $(user_env "$maker") "$build/bin/kiv_make_secret" "$work/letter.kvs" "pw123" \
  "Hello from the build tree" || fail "kiv_make_secret"

echo "== the installed program under Xvfb"
if ! command -v Xvfb > /dev/null || ! command -v xdotool > /dev/null; then
  skip xvfb "Xvfb or xdotool is not installed"
else
  display=${KIV_TEST_DISPLAY:-}
  if [ -z "$display" ]; then
    for n in $(seq 190 250); do
      if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=":$n"
        break
      fi
    done
  fi
  [ ! -e "/tmp/.X${display#:}-lock" ] || fail "the display $display is taken"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    DISPLAY=$display xdotool getdisplaygeometry > /dev/null 2>&1 && break
    sleep 0.1
  done
  DISPLAY=$display xdotool getdisplaygeometry > /dev/null 2>&1 || fail "Xvfb did not start on $display"
  if command -v openbox > /dev/null; then
    DISPLAY=$display openbox > /dev/null 2>&1 &
    pids+=($!)
    # The window manager takes over before the program maps its windows.
    if command -v xprop > /dev/null; then
      for _ in $(seq 100); do
        DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && break
        sleep 0.1
      done
    else
      sleep 2
    fi
  fi

  # waits up to 30 s for a command to succeed
  wait_for() {
    for _ in $(seq 300); do
      "$@" && return 0
      sleep 0.1
    done
    return 1
  }
  run_user() { # run_user <home> [file]: starts the installed program; its pid in $kivora
    (cd "$1" && exec env -i PATH="$PATH" DISPLAY="$display" QT_QPA_PLATFORM=xcb $(user_env "$1") \
      "$prefix/bin/kivora" "${@:2}" > "$1/stderr.txt" 2>&1) &
    kivora=$!
    pids+=($kivora)
  }
  stop() { # stop <pid>: ends the program as a log-out would (settings saved)
    kill -TERM "$1"
    for _ in $(seq 100); do kill -0 "$1" 2> /dev/null || return 0; sleep 0.1; done
    fail "the program did not end"
  }

  alice="$work/alice"
  bob="$work/bob"
  mkdir -p "$alice" "$bob"
  run_user "$alice" "$work/letter.kvs"
  window() { DISPLAY=$display xdotool search --onlyvisible --name "^Open secret" 2> /dev/null | head -1; }
  has_window() { [ -n "$(window)" ]; }
  windows() { DISPLAY=$display xdotool search --name . getwindowname %@ 2> /dev/null | tr '\n' ';'; }
  wait_for has_window || fail "no password page (windows: $(windows)): $(cat "$alice/stderr.txt")"
  DISPLAY=$display xdotool windowactivate --sync "$(window)" > /dev/null 2>&1
  DISPLAY=$display xdotool type --delay 20 "pw123"
  DISPLAY=$display xdotool key Return
  # The opened secret goes to the recent files, saved in the user's settings.
  opened() { grep -qF "reopen_file_0=\"$work/letter.kvs\"" "$alice/.config/kivora/kiv_config.txt" 2> /dev/null; }
  wait_for opened || fail "the secret was not opened: $(cat "$alice/stderr.txt")"
  if command -v import > /dev/null && [ -n "${KIV_TEST_SHOT:-}" ]; then
    DISPLAY=$display import -window root "$KIV_TEST_SHOT"
  fi
  stop "$kivora"

  run_user "$bob"
  wait_for test -f "$bob/.config/kivora/kiv_config.txt" || fail "the second user's settings were not made"
  sleep 1
  stop "$kivora"
  grep -qF "$work/letter.kvs" "$bob/.config/kivora/kiv_config.txt" && fail "the second user sees the first's files"
  # A settings file that cannot be read is left as it is; the program
  # starts on the shipped settings and says why.
  carol="$work/carol"
  mkdir -p "$carol/.config/kivora/kiv_config.txt"
  run_user "$carol"
  said() { grep -qF "$carol/.config/kivora/kiv_config.txt cannot be read" "$carol/stderr.txt"; }
  wait_for said || fail "the unreadable settings were not reported: $(cat "$carol/stderr.txt")"
  stop "$kivora"
  [ -d "$carol/.config/kivora/kiv_config.txt" ] || fail "the unreadable settings were replaced"

  for u in "$alice" "$bob"; do
    [ "$(mode "$u/.config/kivora")" = 700 ] || fail "$u/.config/kivora is not 0700"
    [ "$(mode "$u/.config/kivora/kiv_config.txt")" = 600 ] || fail "$u's kiv_config.txt is not 0600"
    grep -q $'\r' "$u/.config/kivora/kiv_config.txt" || fail "$u's settings were not saved on close"
  done
fi

[ "$(snapshot)" = "$before" ] || fail "the installed files changed: $(diff <(echo "$before") <(snapshot))"

if [ "${#skipped[@]}" -gt 0 ]; then
  echo "passed, but skipped: ${skipped[*]}"
  exit 77
fi
echo "install test passed"
