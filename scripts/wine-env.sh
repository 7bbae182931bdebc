# Sourced by the scripts: a private X display and Wine settings for running
# the setup program and the tests without touching the user's own.

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs when a prefix is created, and no menu
# builder turning the installers' shortcuts into files of the real home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Starts Xvfb on a free display and exports DISPLAY; stop_display ends it.
# Xvfb picks the display itself and writes its number once it accepts
# connections (-displayfd), so runs started at the same time never share one.
start_display() {
  local number_file number=""
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  # The wait ends when the number is there; the count is only a safety net.
  for _ in $(seq 600); do
    if [ "$(tail -c 1 "$number_file" | od -An -c | tr -d ' ')" = '\n' ]; then
      number=$(cat "$number_file")
      break
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_display() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# Creates WINEPREFIX once: Wine draws the window frames itself (captions show
# without a window manager), and the user folders that Wine links to the real
# home become plain folders, so shortcuts stay inside the prefix.
prepare_prefix() {
  [ -f "$WINEPREFIX/.setupkit-ready" ] && return 0
  rm -rf "$WINEPREFIX"  # a prefix left half-made by an interrupted run
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir -p "$link"; fi
  done
  touch "$WINEPREFIX/.setupkit-ready"
}

# True when this machine runs 32-bit Linux programs natively, as Wine needs
# for the 32-bit Windows programs. Some hosts run 64-bit user code only:
# there a 32-bit program fails at once ("Exec format error"), and one that a
# binfmt_misc handler emulates (qemu-i386) starts Wine in about a minute and
# a half instead of a tenth of a second, far too slow for the test suite.
win32_runnable() {
  local loader=/lib/ld-linux.so.2 entry
  [ -x "$loader" ] || return 1
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    if grep -q '^enabled' "$entry" 2>/dev/null &&
       grep -q '^magic 7f454c460101010000000000000000000200030' "$entry" 2>/dev/null; then
      return 1
    fi
  done
  "$loader" --version >/dev/null 2>&1
}

# The reason win32_runnable gave no, for the scripts' messages.
win32_unrunnable_reason() {
  echo "this machine cannot run 32-bit programs natively (the host runs 64-bit user code only," \
       "or emulates 32-bit code), so Wine cannot run the setup program, the uninstaller or the" \
       "Win32 tests here"
}
