#!/usr/bin/env bash
# The Windows setup as a host meets it, in the tests' Wine session: a silent
# install into a folder of his choice, the programs started from there, a
# silent uninstall, and his games and send record still there afterwards.
# usage: installer_test.sh SETUP.EXE BUILT-ZORVEL.EXE VERSION SESSION-SCRIPT SESSION-DIR
set -euo pipefail
setup=$1 built=$2 version=$3 session_script=$4 session=$5
folder='C:\Zorvel Test'
marker_key='HKCU\Software\Halvane\Zorvel\installer_test'

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
cleanup() {
  [ -z "$window" ] || kill "$window" 2>/dev/null || true
  wine reg delete "$marker_key" /f >/dev/null 2>&1 || true
  rm -f "$record_dir/sent.log"
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
[ "$(cat "$record_dir/sent.log" 2>/dev/null)" = "sent before the install" ] ||
  fail "the uninstaller removed or changed the send record $record_dir/sent.log"
ok "the stored games and the send record are still there"
