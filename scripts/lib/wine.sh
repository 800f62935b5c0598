# Shared by scripts/run and scripts/test: which Wine runs our programs, and making a prefix.
# Sourced, not run.

# shellcheck source=arch.sh
. "$(dirname "${BASH_SOURCE[0]}")/arch.sh"

# The Windows build to run here and its Wine loader: the shipped 32-bit build where 32-bit Wine
# works, else the 64-bit build of the same sources. RW_WHY_64 then says which of the two reasons
# it was: the kernel, or 32-bit Wine missing (with what apt said when setup tried to install it).
rw_pick_build() {
  RW_WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$RW_WINESERVER" ] || RW_WINESERVER=/usr/lib/wine/wineserver32
  RW_WHY_64=""
  if ! rw_kernel_runs_32bit; then
    RW_WHY_64="the kernel cannot run 32-bit programs"
  elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    local note
    note=$(cat "$(dirname "${BASH_SOURCE[0]}")/../../build/setup/wine32.txt" 2>/dev/null)
    RW_WHY_64="32-bit Wine is not installed${note:+ (apt said: $note)}"
  fi
  if [ -z "$RW_WHY_64" ]; then
    RW_PRESET=win32
    RW_WINE=/usr/lib/wine/wine
  else
    RW_PRESET=win64
    RW_WINE=/usr/lib/wine/wine64
  fi
}

rw_wine_env() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  # No Mono or Gecko install prompts; a crash ends the process instead of opening a debugger.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  unset WINEARCH
}

# rw_make_prefix DIR: a Wine prefix ready for our programs (once; quick when it exists).
rw_make_prefix() {
  local prefix="$1"
  rw_wine_env "$prefix"
  if [ -f "$prefix/.rw-ready" ]; then
    return 0
  fi
  mkdir -p "$prefix"
  "$RW_WINE" wineboot -i >/dev/null 2>&1 </dev/null
  # Without a window manager every hidden or destroyed window would wait two seconds for one.
  if [ "${RW_UNMANAGED:-0}" = 1 ]; then
    "$RW_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >/dev/null 2>&1 </dev/null
  fi
  # Wine does not find Debian's fonts by itself: caption buttons would draw as letters.
  local fonts="$prefix/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf "$fonts/" 2>/dev/null || true
  "$RW_WINESERVER" -w 2>/dev/null || true
  touch "$prefix/.rw-ready"
}
