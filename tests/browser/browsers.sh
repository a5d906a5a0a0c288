# Sourced by the browser test and its measurements: starting a browser with a
# throwaway profile in a process group of its own, finding its window,
# setting the desktop's accessibility switch, and ending them again.

browser_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# start_browser KIND PROFILE_FOLDER URL LOG: sets browser_pid (also its process group).
start_browser() {
  local kind=$1 profile=$2 url=$3 log=$4
  case $kind in
    firefox-esr)
      mkdir -p "$profile" && cp "$browser_here/firefox-user.js" "$profile/user.js"
      MOZ_CRASHREPORTER_DISABLE=1 setsid firefox-esr --no-remote --profile "$profile" "$url" > "$log" 2>&1 &
      ;;
    chromium)
      setsid chromium --user-data-dir="$profile" --no-sandbox --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --disable-gpu --password-store=basic \
        --window-position=0,0 --window-size=1000,800 "$url" > "$log" 2>&1 &
      ;;
    *) echo "no such browser: $kind" >&2; return 1 ;;
  esac
  browser_pid=$!
}

# stop_browser: ends the process group start_browser began, at once if it will not go.
stop_browser() {
  [ -n "${browser_pid:-}" ] || return 0
  kill -TERM -- "-$browser_pid" 2>/dev/null
  for _ in $(seq 30); do kill -0 -- "-$browser_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL -- "-$browser_pid" 2>/dev/null
  wait "$browser_pid" 2>/dev/null
  browser_pid=
}

# window_named PATTERN: the first visible window whose name matches, waiting up to 20 s.
window_named() {
  local found=
  for _ in $(seq 200); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

# accessibility_switch true|false: IsEnabled of org.a11y.Status on the session bus.
accessibility_switch() {
  timeout 5 gdbus call --session --timeout 3 --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<$1>" >/dev/null
}

# private_session COMMAND...: runs it on a session bus of its own with a home
# of its own under $PRIVATE_HOME. dbus-run-session passes its environment to
# what the bus starts (the accessibility bus, dconf), so the switch, which
# at-spi2-core also stores in gsettings for good, stays in that home.
private_session() {
  mkdir -p "$PRIVATE_HOME"
  HOME="$PRIVATE_HOME" XDG_CONFIG_HOME="$PRIVATE_HOME/.config" XDG_CACHE_HOME="$PRIVATE_HOME/.cache" \
    XDG_DATA_HOME="$PRIVATE_HOME/.local/share" \
    dbus-run-session -- "$@" 2> >(grep -v -E '^dbus-daemon\[|^SpiRegistry daemon' >&2)
}

# Nothing of a desktop's own start-up turns accessibility on: only the switch does.
unset ACCESSIBILITY_ENABLED GNOME_ACCESSIBILITY QT_ACCESSIBILITY NO_AT_BRIDGE
