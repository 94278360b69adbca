#!/usr/bin/env bash
# The Windows setup as a host meets it, in the tests' Wine session: a silent
# install into a folder of his choice, the programs started from there, a
# silent uninstall, and his games and send record still there afterwards.
# In between, the installed zorvel-cli.exe mails a turn through the installed
# zorvel-mail.dll to an SMTP server on loopback, run here on the Linux side.
# usage: installer_test.sh SETUP.EXE BUILT-ZORVEL.EXE VERSION SESSION-SCRIPT SESSION-DIR
#          STORE-SEEDER.EXE
set -euo pipefail
setup=$1 built=$2 version=$3 session_script=$4 session=$5 seeder=$6
here=$(cd "$(dirname "$0")" && pwd)
folder='C:\Zorvel Test'
store_key='HKCU\Software\Halvane\Zorvel'
marker_key="$store_key\\installer_test"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
ok() { echo "ok: $*"; }
wine() { bash "$session_script" run "$session" "$@"; }
# Wine quotes an argument that holds a blank, and NSIS reads /D= and _?= only
# unquoted, up to the end of its command line: so the folder goes in as words.
read -ra folder_words <<<"$folder"
unix_path() { wine winepath -u "$1" | tr -d '\r'; }
unix_path_of_variable() { unix_path "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }

[ -f "$setup" ] || fail "no installer at $setup; make it with 'cpack -G NSIS' in the build folder (scripts/test-windows.sh does)"
[ "$setup" -nt "$built" ] || fail "$setup is older than $built; make it again with 'cpack -G NSIS'"

install_dir=$(unix_path "$folder")
record_dir="$(unix_path_of_variable LOCALAPPDATA)/Halvane/Zorvel"
shortcuts=("$(unix_path_of_variable ProgramData)" "$(unix_path_of_variable APPDATA)")

# What the host already has: a stored value and a send record.
window=
server=
work="$session/installer-test"
cleanup() {
  [ -z "$window" ] || kill "$window" 2>/dev/null || true
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  # The marker and the game this test stored.
  wine reg delete "$store_key" /f >/dev/null 2>&1 || true
  rm -f "$record_dir/sent.log"
  rm -rf "$work"
}
trap cleanup EXIT
wine reg add "$marker_key" /v Name /t REG_SZ /d kept /f >/dev/null
mkdir -p "$record_dir"
echo "sent before the install" >"$record_dir/sent.log"

wine "$setup" /S "/D=${folder_words[0]}" "${folder_words[@]:1}" || fail "the setup exited with $?"
mail_licenses=(README.txt LGPL-2.1.txt curl.txt GLib.txt GMime.txt libffi.txt libintl.txt PCRE2.txt zlib.txt)
for file in bin/Zorvel.exe bin/zorvel-cli.exe bin/zorvel-mail.dll Uninstall.exe \
  licenses/Zorvel.txt licenses/LGPL-3.txt licenses/GPL-3.txt licenses/README-Qt.txt \
  licenses/FreeType.txt licenses/HarfBuzz.txt licenses/libjpeg.txt licenses/libpng.txt \
  licenses/PCRE2.txt licenses/zlib.txt "${mail_licenses[@]/#/licenses/zorvel-mail/}"; do
  [ -s "$install_dir/$file" ] || fail "the setup did not install $folder\\${file//\//\\}"
done
ok "installed into $folder"

shortcut=
for root in "${shortcuts[@]}"; do
  candidate="$root/Microsoft/Windows/Start Menu/Programs/Zorvel/Zorvel.lnk"
  [ -f "$candidate" ] && shortcut=$candidate
done
[ -n "$shortcut" ] || fail "no Start-menu entry Zorvel\\Zorvel.lnk"
grep -qaF "$folder\\bin\\Zorvel.exe" "$shortcut" || fail "the Start-menu entry does not start $folder\\bin\\Zorvel.exe"
ok "Start-menu entry $shortcut"

answer=$(wine "$folder\\bin\\zorvel-cli.exe" --version | tr -d '\r') || fail "zorvel-cli.exe --version exited with $?"
[ "$answer" = "zorvel-cli $version" ] || fail "zorvel-cli.exe --version printed '$answer', not 'zorvel-cli $version'"
ok "installed zorvel-cli.exe --version: $answer"

# The window program runs until it is closed: it must still be there after
# its start-up, about two seconds under Wine. The session script execs Wine
# and Wine the program, so this process is the program; its output goes to
# a file, so that it holds no pipe of CTest's.
bash "$session_script" run "$session" "$folder\\bin\\Zorvel.exe" >"$session/installed-zorvel.log" 2>&1 &
window=$!
sleep 4
state=$(ps -o stat=,args= -p "$window" || true)
[[ "$state" != Z* && "$state" == *'\bin\Zorvel.exe'* ]] ||
  fail "the installed Zorvel.exe ended at start-up: $(cat "$session/installed-zorvel.log")"
ok "installed Zorvel.exe is running: $(ps -o args= -p "$window")"
kill "$window"
wait "$window" || true
window=

# An SMTP server on loopback that wants STARTTLS and a logon, on a
# certificate made for the occasion that the program is told to trust.
mkdir -p "$work/mail" "$work/games"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext "subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>"$work/openssl.log" ||
  fail "openssl could not make a certificate: $(cat "$work/openssl.log")"
/usr/bin/python3 "$here/../support/smtp_server.py" --mail-dir "$work/mail" --port-file "$work/port" \
  --starttls --cert "$work/cert.pem" --key "$work/key.pem" \
  --auth-user host@example.org --auth-password s3cret >"$work/server.out" 2>&1 &
server=$!
for _ in $(seq 150); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || fail "the SMTP server did not start: $(cat "$work/server.out")"
port=$(cat "$work/port")

# One game with player 1 ticked, stored by the store's own code, and sent.
head -c 3000 /dev/urandom >"$work/games/omega.m1"
games=$(wine winepath -w "$work/games" | tr -d '\r')
wine "$seeder" omega "$games" "smtp://host%40example.org@localhost:$port" s3cret ann@example.org ||
  fail "could not store the game omega"
certificate=$(wine winepath -w "$work/cert.pem" | tr -d '\r')
status=0
SSL_CERT_FILE=$certificate wine "$folder\\bin\\zorvel-cli.exe" send omega >"$work/send.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the installed zorvel-cli.exe send omega ended with $status: $(cat "$work/send.out")"
messages=("$work"/mail/*.eml)
[ ${#messages[@]} -eq 1 ] && [ -f "${messages[0]}" ] || fail "the server holds no single message: $(cat "$work/mail/server.log")"
/usr/bin/python3 "$here/../support/read_mail.py" "${messages[0]}" >"$work/read.json"
sent=$(sha256sum <"$work/games/omega.m1" | cut -d' ' -f1)
/usr/bin/python3 - "$work/read.json" "$sent" <<'CHECK' || fail "the message is not player 1's turn: $(cat "$work/read.json")"
import json, sys
mail = json.load(open(sys.argv[1]))
attachments = mail["attachments"]
sys.exit(not (mail["to"] == "ann@example.org" and len(attachments) == 1
              and attachments[0]["filename"] == "omega.m1" and attachments[0]["sha256"] == sys.argv[2]))
CHECK
kill "$server"
wait "$server" 2>/dev/null || true
server=
ok "the installed zorvel-cli.exe mailed omega.m1 through the installed zorvel-mail.dll"
# The send added to the host's record; the uninstaller must leave it as it is now.
cp "$record_dir/sent.log" "$work/record-before-uninstall"

# _?= runs the uninstaller in place, so it has finished when it returns.
wine "$install_dir/Uninstall.exe" /S "_?=${folder_words[0]}" "${folder_words[@]:1}" ||
  fail "the uninstaller exited with $?"
for file in bin/Zorvel.exe bin/zorvel-cli.exe bin/zorvel-mail.dll licenses; do
  [ ! -e "$install_dir/$file" ] || fail "the uninstaller left $folder\\${file//\//\\} behind"
done
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry behind"
ok "uninstalled"

stored=$(wine reg query "$marker_key" /v Name | tr -d '\r') || fail "the uninstaller removed $marker_key"
grep -q "kept" <<<"$stored" || fail "the uninstaller changed $marker_key: $stored"
cmp -s "$record_dir/sent.log" "$work/record-before-uninstall" ||
  fail "the uninstaller removed or changed the send record $record_dir/sent.log"
ok "the stored games and the send record are still there"
