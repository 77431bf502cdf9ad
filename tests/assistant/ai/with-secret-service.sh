#!/bin/sh
# Runs a program beside a Secret Service of its own: a private session bus and an unlocked
# gnome-keyring whose files live in a throwaway home, so no test touches the user's keyring.
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime"
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_CONFIG_HOME="$scratch/home/.config"
# A KDE session would steer the key store to KWallet.
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP KDE_FULL_SESSION KDE_SESSION_VERSION
status=0
# The keyring daemon may outlive the session bus, keeping every descriptor it was given (a
# build lock held around test discovery, say): it gets only the standard three. Its secrets
# service is on the bus before the program starts, and it is stopped, by the process id the bus
# knows it by, when the program ends.
dbus-run-session -- sh -c '
  printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null \
    3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-
  keyring=
  for attempt in $(seq 200); do
    keyring=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetConnectionUnixProcessID string:org.freedesktop.secrets \
      2>/dev/null | awk "{ print \$2 }")
    [ -z "$keyring" ] || break
    sleep 0.05
  done
  status=0
  "$@" || status=$?
  [ -z "$keyring" ] || kill "$keyring"
  exit "$status"' sh "$@" || status=$?
exit "$status"
