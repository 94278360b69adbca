#!/usr/bin/env bash
# Installs dist/zorvel_*.deb on this machine the way a user would (apt, with
# its dependencies), then checks the installed program: its version, that its
# window opens on an X display, and that it mails a turn file through the
# installed provider to an SMTP server on loopback, from a store filled by the
# store's own code (store_seeder, built in the package's build folder).
# Purges the package and exactly the packages it pulled in, and checks that
# the user's store and send record outlive it. Must run as root after
# scripts/package.sh; prints PASS or FAIL.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "installing a package needs root; run this as root (CI does)."
shopt -s nullglob
packages=("$root"/dist/zorvel_*.deb)
[ ${#packages[@]} -eq 1 ] || fail "expected one dist/zorvel_*.deb, found ${#packages[@]}; run scripts/package.sh."
package=${packages[0]}
if dpkg-query -W -f='${db:Status-Abbrev}' zorvel 2>/dev/null | grep -q '^ii'; then
  fail "zorvel is installed already; this test would remove it, so remove it first."
fi
bash "$root/scripts/install-deps.sh" --package
# The tool that fills the program's store, from the package's own build.
build="${ZORVEL_BUILD_DIR:-$root/build-package}"
[ -f "$build/CMakeCache.txt" ] || fail "no package build in $build; run scripts/package.sh."
cmake --build "$build" --target store_seeder || fail "could not build the store tool store_seeder in $build"

installed() {
  dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 == "ii" { print $2 }' | sort
}

work=$(mktemp -d)
server_pid=""
display_pid=""
window_pid=""
pulled_in=()
cleanup() {
  for pid in "$window_pid" "$server_pid" "$display_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  # A run that failed half-way leaves the machine as it found it.
  if dpkg -s zorvel >/dev/null 2>&1; then
    apt-get purge -y -q zorvel "${pulled_in[@]}" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
installed >"$work/before"
echo "Installing $package"
apt-get install -y -q "$package"
installed >"$work/after"
mapfile -t pulled_in < <(comm -13 "$work/before" "$work/after" | grep -vx zorvel)
echo "Pulled in with it: ${pulled_in[*]:-(nothing new)}"

# A user of our own, so nothing of root's real store or send record is touched.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_STATE_HOME="$work/home/.local/state"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"

# The program's own version is the package's.
version=$(/usr/bin/zorvel --version) || fail "zorvel --version failed"
[ "$version" = "zorvel $(dpkg-deb -f "$package" Version)" ] || fail "zorvel --version said '$version'"
echo "Version: $version"

# The window on a real X display: seeing its top-level "Zorvel" window on the
# display proves it came up, where a timeout alone would only prove a process.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
display_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
QT_QPA_PLATFORM=xcb /usr/bin/zorvel 2>"$work/window.log" &
window_pid=$!
window_seen=no
for _ in $(seq 100); do
  if xwininfo -root -tree | grep -q '"Zorvel": '; then
    window_seen=yes
    break
  fi
  kill -0 "$window_pid" 2>/dev/null || break
  sleep 0.1
done
[ "$window_seen" = yes ] || fail "no Zorvel window appeared: $(cat "$work/window.log")"
kill "$window_pid"
wait "$window_pid" 2>/dev/null || true
window_pid=""
kill "$display_pid"
wait "$display_pid" 2>/dev/null || true
display_pid=""
unset DISPLAY
echo "Window: opened"

# An SMTP server on loopback that wants STARTTLS and a logon, with a
# certificate made for the occasion that the program is told to trust.
# Debian's own python3, which python3-aiosmtpd is installed for.
mkdir -p "$work/mail"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
/usr/bin/python3 "$root/tests/support/smtp_server.py" --mail-dir "$work/mail" --port-file "$work/port" \
  --starttls --cert "$work/cert.pem" --key "$work/key.pem" \
  --auth-user user@example.org --auth-password secret >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 150); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || fail "the SMTP server did not start: $(cat "$work/server.out")"
port=$(cat "$work/port")
export SSL_CERT_FILE="$work/cert.pem"

# One game, alpha, with player 1 ticked, stored by the store's own code the
# way the window's Exit button stores it.
mkdir -p "$work/games"
echo "turn 1 of alpha for player 1" >"$work/games/alpha.m1"
store="$XDG_CONFIG_HOME/Halvane/zorvel.sqlite"
"$build/bin/store_seeder" alpha "$work/games" "smtp://user%40example.org@localhost:$port" secret \
  player1@example.org || fail "could not write the store $store"

status=0
/usr/bin/zorvel send alpha >"$work/send.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "zorvel send alpha ended with $status: $(cat "$work/send.out")"
messages=("$work"/mail/*.eml)
[ ${#messages[@]} -eq 1 ] || fail "the server holds ${#messages[@]} messages, not 1"
grep -q '^To: .*player1@example.org' "${messages[0]}" || fail "the message is not to player 1"
grep -q 'filename="\?alpha.m1' "${messages[0]}" || fail "the message does not carry alpha.m1"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""
echo "Send: one message to player1@example.org with alpha.m1"

# Named after the program file, as the store is.
record="$XDG_STATE_HOME/Halvane/zorvel/sent.log"
[ -s "$record" ] || fail "no send record at $record"

apt-get purge -y -q zorvel "${pulled_in[@]}"
[ ! -e /usr/bin/zorvel ] || fail "/usr/bin/zorvel is still there after the purge"
[ ! -e /usr/lib/zorvel ] || fail "/usr/lib/zorvel is still there after the purge"
installed >"$work/purged"
left=$(comm -12 "$work/purged" <(printf '%s\n' zorvel "${pulled_in[@]}" | sort))
[ -z "$left" ] || fail "still installed after the purge: $left"
[ -s "$store" ] || fail "the purge took the user's store $store"
[ -s "$record" ] || fail "the purge took the user's send record $record"
echo "Purge: program, provider and ${#pulled_in[@]} pulled-in packages gone; store and send record kept"

echo "PASS: installed package $(basename "$package")"
