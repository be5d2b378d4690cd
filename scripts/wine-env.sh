# Sourced by the scripts that run Windows programs: a private Wine prefix
# inside the build tree, code page 936, no Mono or Gecko prompts, and an X
# display (Xvfb started here when there is none).
QUORLAN_ROOT="${QUORLAN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$QUORLAN_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL="${QUORLAN_LOCALE:-zh_CN.UTF-8}"

quorlan_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=${QUORLAN_DISPLAY_NUMBER:-87}
  export DISPLAY=":$n"
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    export QUORLAN_XVFB_PID=$!
    for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

quorlan_init_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Wine draws the title bar's buttons with glyphs of the Marlett font, which
  # Debian's Wine keeps beside its own data where a prefix does not look: the
  # buttons would show the letters "0" and "r". A copy in the prefix's font
  # folder fixes that. (The Chinese texts need nothing: Wine finds
  # fonts-wqy-microhei through fontconfig.)
  local fonts_dir=$WINEPREFIX/drive_c/windows/Fonts dir
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts; do
    if [ -f "$dir/marlett.ttf" ] && [ ! -f "$fonts_dir/marlett.ttf" ]; then
      mkdir -p "$fonts_dir" && cp "$dir/marlett.ttf" "$fonts_dir/"
    fi
  done
}
