# Sourced: gives this shell a display and a private Wine prefix, and cleans up what it started.
# KINO_WINEPREFIX may name the prefix; the default lives in the build folder.
kino_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${KINO_WINEPREFIX:-$kino_root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
kino_xvfb_pid=""

kino_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    kino_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$kino_xvfb_pid" 2>/dev/null || true
    kino_xvfb_pid=""
  done
  echo "could not start Xvfb" >&2
  return 1
}

# Uses the user's display when there is one (and CI is not set), else a private Xvfb.
kino_need_display() {
  if [ -n "${CI:-}" ] || [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    kino_start_xvfb
  fi
}

# With "unmanaged", Wine leaves its windows to no window manager: on a bare Xvfb, hiding a
# managed window waits two seconds for a manager that isn't there.
kino_prepare_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX (first start takes a while)"
  fi
  wineboot -u >/dev/null 2>&1 || true
  # Wine's own dialogs and message boxes draw in Tahoma, which has no Chinese: link it to the
  # CJK font so that the program's boxes are readable.
  local face
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  if [ "${1:-}" = unmanaged ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  else  # a user's window manager frames the window (the tests may have left the prefix unmanaged)
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  fi
  wineserver -w
}

kino_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$kino_xvfb_pid" ]; then
    kill "$kino_xvfb_pid" 2>/dev/null || true
    wait "$kino_xvfb_pid" 2>/dev/null || true
  fi
}
