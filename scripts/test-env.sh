# Sourced by the scripts that run Windows programs: starts a virtual X display
# (for the windows the tests open) and keeps one wineserver alive for the
# prefix of build folder $1, and stops both when the calling shell exits.
source "$(dirname "${BASH_SOURCE[0]}")/wine-paths.sh"
vk_build=$(cd "$1" && pwd)
export VAULTKEEP_BUILD_DIR="$vk_build"
export WINEPREFIX="$vk_build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
"$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$WINEPREFIX"

vk_cleanup() {
  "$VK_WINESERVER" -k 2>/dev/null || true
  [ -n "${vk_xvfb_pid:-}" ] && kill "$vk_xvfb_pid" 2>/dev/null || true
}
trap vk_cleanup EXIT

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      vk_xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      break
    fi
  done
fi
# One persistent wineserver, and Wine's own background processes (services,
# device manager) started here with their output going nowhere: started by a
# test instead, they would inherit the test runner's output pipe and keep it
# open after the test ends.
"$VK_WINESERVER" -p 2>/dev/null || true
"$VK_WINE" wineboot >/dev/null 2>&1 </dev/null || true
