# Sourced by the scripts that run Windows programs: one Xvfb display and one fresh Wine
# prefix for a run, and a cleanup that stops only what this run started.
#   wine_session_start BUILD_DIR   exports DISPLAY, WINEPREFIX, WINEDEBUG
#   wine_prefix_init DIR           a fresh prefix of its own, for a test that changes the machine
# With CC_TEST_DPI set (144, 192, ...) the prefix's screen runs at that scale.
#   wine_session_stop

_cc_xvfb_pid=""

_cc_free_display() {
  local n=90
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  echo "$n"
}

_cc_reg() {
  timeout 60 wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1
}

wine_session_start() {
  local build="$1"
  local n
  n=$(_cc_free_display)
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _cc_xvfb_pid=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${n}" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X${n}" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$n"

  wine_prefix_init "$build/wineprefix"
}

# A fresh prefix at DIR, made ready for the tests; exports WINEPREFIX and WINEDEBUG.
wine_prefix_init() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  rm -rf "$WINEPREFIX"
  # No Mono or Gecko downloads: there is no network, and their dialogs would wait forever.
  WINEDLLOVERRIDES="mscoree=;mshtml=" timeout 120 wineboot -i >/dev/null 2>&1
  local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  _cc_reg "$subst" "ＭＳ Ｐゴシック" IPAPGothic
  _cc_reg "$subst" "MS Shell Dlg" IPAPGothic
  # No window manager under Xvfb: unmanaged windows need not wait for one.
  _cc_reg 'HKCU\Software\Wine\X11 Driver' Managed N
  # The screen's scale for the whole prefix (96 = 100 %), when a run asks for another.
  if [ -n "${CC_TEST_DPI:-}" ]; then
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$CC_TEST_DPI" /f >/dev/null 2>&1
  fi
  # A crash must end the test program, not start a debugger that waits.
  _cc_reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' Debugger ""
  timeout 60 wineserver -w
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$_cc_xvfb_pid" ]; then
    kill "$_cc_xvfb_pid" 2>/dev/null || true
    wait "$_cc_xvfb_pid" 2>/dev/null || true
    _cc_xvfb_pid=""
  fi
}
