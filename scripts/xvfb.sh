# Sourced by the scripts that need an X display: when DISPLAY is unset, starts
# a private Xvfb and exports DISPLAY; the caller's EXIT trap stops it.
start_xvfb_if_needed() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then break; fi
  done
  # -noreset: by default the server resets whenever its last client leaves, and
  # refuses connections meanwhile, which a test starting right then would see.
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    if xdpyinfo >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "xvfb: display $DISPLAY did not come up" >&2
  return 1
}
stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
