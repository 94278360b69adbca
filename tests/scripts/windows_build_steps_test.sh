#!/usr/bin/env bash
# scripts/build-windows.sh as a newcomer meets it: each case runs it in a
# throw-away copy of this checkout (no ../shared beside it, an empty cache of
# its own, no ZORVEL_QT_WINDOWS or ZORVEL_MAIL_WINDOWS) with one step made to
# fail, and checks that the script stops with that step's message and exit
# status and runs none of the later steps. The first build fills the empty
# cache through stand-ins for the Qt and mail library builds that link a real
# Qt for Windows and real mail libraries, given in ZORVEL_CHECK_QT_WINDOWS and
# ZORVEL_CHECK_MAIL_WINDOWS, and must configure with those cached copies.
# Neither real build runs beyond its first step here. Prints PASS or FAIL.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$root/scripts/build-windows.sh" ]; then
  echo "FAIL: $root is not a Zorvel checkout; run this check from its own." >&2
  exit 1
fi
real_qt=${ZORVEL_CHECK_QT_WINDOWS:-}
if [ -z "$real_qt" ] || [ ! -f "$real_qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "FAIL: set ZORVEL_CHECK_QT_WINDOWS to a Qt for Windows (now '$real_qt')." >&2
  exit 1
fi
real_mail=${ZORVEL_CHECK_MAIL_WINDOWS:-}
if [ -z "$real_mail" ] || [ ! -f "$real_mail/lib/pkgconfig/gmime-3.0.pc" ]; then
  echo "FAIL: set ZORVEL_CHECK_MAIL_WINDOWS to mail libraries for Windows (now '$real_mail')." >&2
  exit 1
fi
unset ZORVEL_QT_WINDOWS ZORVEL_MAIL_WINDOWS ZORVEL_BUILD_DIR
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The case's folder: the copy in checkout/, the cache in cache/, its output in log.
copy_checkout() {
  case_dir="$work/$1"
  copy="$case_dir/checkout"
  cache="$case_dir/cache"
  mkdir -p "$copy" "$cache"
  tar -C "$root" --anchored --exclude=./.git --exclude='./build*' --exclude=./dist \
    --exclude=./.cache -cf - . | tar -C "$copy" -xf -
  qt_stub fail 99 "the real Qt build must never run in this check"
  mail_stub fail 98 "the real mail library build must never run in this check"
}

# Replace the Qt or mail library build in the copy. Every call is counted in
# qt-builds or mail-builds.
#   qt_stub fail STATUS [WHY]   exits with STATUS
#   qt_stub empty               succeeds and installs nothing
#   qt_stub link                installs the real Qt by linking it into the prefix
qt_stub() {
  build_stub qt build-qt-windows.sh "$real_qt" "$@"
}
mail_stub() {
  build_stub mail build-mail-windows.sh "$real_mail" "$@"
}
build_stub() {
  local name=$1 script=$2 real=$3 behaviour
  shift 3
  case "$1" in
    fail) behaviour="echo '${3:-the $name build broke}' >&2; exit $2" ;;
    empty) behaviour="exit 0" ;;
    link) behaviour="mkdir -p \"\$(dirname \"\$1\")\"; rmdir \"\$1\" 2>/dev/null || true; ln -s '$real' \"\$1\"" ;;
  esac
  printf '#!/usr/bin/env bash\nset -euo pipefail\necho "$1" >>"%s/%s-builds"\n%s\n' \
    "$case_dir" "$name" "$behaviour" >"$copy/scripts/$script"
}

# Puts the real Qt or mail libraries into the case's cache, as a build would.
cached() {
  mkdir -p "$cache/zorvel"
  case "$1" in
    qt) ln -s "$real_qt" "$cache/zorvel/qt6-windows-x64" ;;
    mail) ln -s "$real_mail" "$cache/zorvel/mail-windows-x64" ;;
  esac
}

# Makes every source of the copy fail to compile, so that a build that
# configured stops at its first compile.
break_sources() {
  find "$copy" -name '*.cpp' -print0 | xargs -0 sed -i '1i #error injected compile error'
}

# The value of a variable in the copy's CMake cache; empty when not configured.
cmake_cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$copy/build-windows/CMakeCache.txt" 2>/dev/null || true
}

# Runs the copy's build-windows.sh with the case's arguments; sets `status`.
# Its temporary files stay in the case's folder.
run_build() {
  status=0
  XDG_CACHE_HOME="$cache" TMPDIR="$case_dir" bash "$copy/scripts/build-windows.sh" "$@" >"$case_dir/log" 2>&1 || status=$?
}

fail_case() {
  echo "FAIL: $case_name: $*"
  sed 's/^/    | /' "$case_dir/log" | tail -n 15
  failures=$((failures + 1))
}

# expect STATUS MESSAGE CONFIGURE QT-BUILDS [MAIL-BUILDS]: the exit status, a
# line the output must hold, how far CMake got in build-windows/ (not-run,
# failed or configured), how often the Qt and the mail library builds ran.
expect() {
  local builds=0 mail_builds=0
  [ -f "$case_dir/qt-builds" ] && builds=$(wc -l <"$case_dir/qt-builds")
  [ -f "$case_dir/mail-builds" ] && mail_builds=$(wc -l <"$case_dir/mail-builds")
  local configure=not-run
  [ -d "$copy/build-windows" ] && configure=failed
  [ -f "$copy/build-windows/build.ninja" ] && configure=configured
  if [ "$status" -ne "$1" ]; then
    fail_case "exit status $status, expected $1"
  elif ! grep -qxF "$2" "$case_dir/log"; then
    fail_case "no line '$2'"
  elif [ "$configure" != "$3" ]; then
    fail_case "CMake in build-windows/: $configure, expected $3"
  elif [ "$builds" -ne "$4" ]; then
    fail_case "the Qt build ran $builds times, expected $4"
  elif [ "$mail_builds" -ne "${5:-0}" ]; then
    fail_case "the mail library build ran $mail_builds times, expected ${5:-0}"
  else
    echo "ok: $case_name"
  fi
}

case_name="the packages cannot be installed"
copy_checkout install-deps
printf '#!/usr/bin/env bash\nexit 3\n' >"$copy/scripts/install-deps.sh"
run_build
expect 3 "build-windows.sh: Installing the packages for the Windows build failed (exit status 3)." not-run 0

# The option's old name still works.
case_name="no Qt and --no-qt-build"
copy_checkout no-qt-build
run_build --no-qt-build
expect 1 "No Qt for Windows: set ZORVEL_QT_WINDOWS or provide ../shared/toolchains/qt6-windows-x64." not-run 0

case_name="the Qt build fails"
copy_checkout qt-build-fails
qt_stub fail 4
run_build
expect 4 "build-windows.sh: Building Qt for Windows failed (exit status 4)." not-run 1

case_name="the Qt build leaves no Qt"
copy_checkout qt-build-empty
qt_stub empty
run_build
expect 1 "Building Qt for Windows left no Qt in $cache/zorvel/qt6-windows-x64." not-run 1

# The real Qt build script as far as its first step, which fails: it must
# make the missing cache folder first. Stand-ins for apt-get, tar and cmake
# keep it from going any further.
case_name="the Qt build's first step fails, in an empty cache"
copy_checkout qt-build-packages
cp "$root/scripts/build-qt-windows.sh" "$copy/scripts/build-qt-windows.sh"
mkdir "$case_dir/fakes"
for program in apt-get tar cmake; do
  printf '#!/bin/sh\necho "stand-in %s: no Qt build in this check" >&2\nexit 100\n' "$program" \
    >"$case_dir/fakes/$program"
  chmod +x "$case_dir/fakes/$program"
done
PATH="$case_dir/fakes:$PATH" run_build
if [ ! -d "$cache/zorvel/qt6-windows-x64" ]; then
  fail_case "the Qt build did not make its prefix in the empty cache"
elif ! grep -qxF "build-qt-windows.sh: Installing the packages for the Qt build failed (exit status 100)." "$case_dir/log"; then
  fail_case "the Qt build did not name its own failing step"
else
  expect 100 "build-windows.sh: Building Qt for Windows failed (exit status 100)." not-run 0
fi

case_name="a broken CMakeLists line"
copy_checkout cmake-fails
cached qt
cached mail
echo 'add_subdirectory(no-such-folder)' >>"$copy/CMakeLists.txt"
run_build
expect 1 "build-windows.sh: Configuring the Windows build failed (exit status 1)." failed 0

case_name="the mail library build fails"
copy_checkout mail-build-fails
cached qt
mail_stub fail 5
run_build
expect 5 "build-windows.sh: Building the mail libraries for Windows failed (exit status 5)." not-run 0 1

case_name="the mail library build leaves no mail libraries"
copy_checkout mail-build-empty
cached qt
mail_stub empty
run_build
expect 1 "Building the mail libraries for Windows left no mail libraries in $cache/zorvel/mail-windows-x64." not-run 0 1

case_name="Qt but no mail libraries, and --no-toolchain-build"
copy_checkout no-toolchain-build
cached qt
run_build --no-toolchain-build
expect 1 "No mail libraries for Windows: set ZORVEL_MAIL_WINDOWS or provide ../shared/toolchains/mail-windows-x64." not-run 0 0

# The real mail library script as far as its first step of its own, which
# fails: it must make the missing cache folder first. A stand-in for apt-get
# keeps it from going any further.
case_name="the mail library build's first step fails, in an empty cache"
copy_checkout mail-build-packages
cached qt
cp "$root/scripts/build-mail-windows.sh" "$copy/scripts/build-mail-windows.sh"
mkdir "$case_dir/fakes"
printf '#!/bin/sh\necho "stand-in apt-get: no mail library build in this check" >&2\nexit 100\n' \
  >"$case_dir/fakes/apt-get"
chmod +x "$case_dir/fakes/apt-get"
PATH="$case_dir/fakes:$PATH" run_build
if [ ! -d "$cache/zorvel/mail-windows-x64" ]; then
  fail_case "the mail library build did not make its prefix in the empty cache"
elif ! grep -qxF "build-mail-windows.sh: Installing the packages for the mail libraries failed (exit status 100)." "$case_dir/log"; then
  fail_case "the mail library build did not name its own failing step"
else
  expect 100 "build-windows.sh: Building the mail libraries for Windows failed (exit status 100)." not-run 0 0
fi

# A checkout with ../shared/toolchains beside it, as in CI: both are taken
# from there and nothing is built.
case_name="Qt and the mail libraries beside the checkout"
copy_checkout beside
mkdir -p "$case_dir/shared/toolchains"
ln -s "$real_qt" "$case_dir/shared/toolchains/qt6-windows-x64"
ln -s "$real_mail" "$case_dir/shared/toolchains/mail-windows-x64"
break_sources
run_build --no-toolchain-build
mail=$(cmake_cache_value ZORVEL_MAIL_WINDOWS)
if [ "$mail" != "$case_dir/shared/toolchains/mail-windows-x64" ]; then
  fail_case "configured with the mail libraries '$mail', not those beside the checkout"
else
  expect 1 "build-windows.sh: Building Zorvel for Windows failed (exit status 1)." configured 0 0
fi

# From a shell that exported Debian's flags for a Linux build, which mingw's
# linker refuses. Every source fails at once, so the build stops at its first
# compile.
case_name="the first build: Qt and the mail libraries into the empty cache, then a compile error"
copy_checkout first-build
qt_stub link
mail_stub link
break_sources
CPPFLAGS="-Wdate-time -D_FORTIFY_SOURCE=2" LDFLAGS="-Wl,-z,relro -Wl,-z,now" run_build
toolchain=$(cmake_cache_value CMAKE_TOOLCHAIN_FILE)
mail=$(cmake_cache_value ZORVEL_MAIL_WINDOWS)
if [ "$toolchain" != "$cache/zorvel/qt6-windows-x64/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  fail_case "configured with the toolchain '$toolchain', not the cached Qt's"
elif [ "$mail" != "$cache/zorvel/mail-windows-x64" ]; then
  fail_case "configured with the mail libraries '$mail', not the cached ones"
elif ! grep -q 'injected compile error' "$case_dir/log"; then
  fail_case "the build did not reach the compile error"
else
  expect 1 "build-windows.sh: Building Zorvel for Windows failed (exit status 1)." configured 1 1
fi

if [ "$failures" -ne 0 ]; then
  echo "FAIL: $failures case(s) of the Windows build's steps"
  exit 1
fi
echo "PASS: every step of the Windows build stops with its own message"
