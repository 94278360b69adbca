#!/usr/bin/env bash
# Builds the mail libraries of zorvel-mail.dll for 64-bit Windows, static, with Debian 12's
# mingw-w64 (posix threads) from Debian's own source packages with their patches: libcurl
# (Schannel TLS; SMTP, IMAP, POP3, HTTP), GLib 2.74 with libffi, PCRE2 and gettext's libintl,
# and GMime 3.2. Each library's Debian copyright file goes into PREFIX/share/licenses/<library>/.
# About 12 minutes on 2 cores.
# usage: build-mail-windows.sh PREFIX [WORKDIR]
#   The prefix is relocatable: its pkg-config files name their own folder. Point
#   PKG_CONFIG_LIBDIR at PREFIX/lib/pkgconfig and pass --static.
#   RESUME=1 keeps WORKDIR and PREFIX and skips the libraries already built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/steps.sh"
usage="usage: build-mail-windows.sh PREFIX [WORKDIR]"
prefix=${1:?$usage}
# The prefix may not exist yet (a first build into an empty cache).
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
work=${2:-}
own_work=no
if [ -z "$work" ]; then
  work=$(mktemp -d)
  own_work=yes
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
echo "Building the mail libraries for Windows in $work (its logs stay there if a step fails)"
resume=${RESUME:-0}
wine=/usr/lib/wine/wine64 # runs GMime's iconv probe, which its configure needs the output of

host=x86_64-w64-mingw32
build=x86_64-pc-linux-gnu
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib \
  STRIP=$host-strip WINDRES=$host-windres RC=$host-windres NM=$host-nm
jobs=$(nproc)
export DEBIAN_FRONTEND=noninteractive
# Flags exported for this machine's compilers would reach the cross compilers.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS

# A prefix or work folder is only ever emptied when it is empty already or one that this
# script made.
for folder in "$prefix:.mail-windows-prefix" "$work:.mail-windows-work"; do
  if [ -n "$(ls -A "${folder%:*}" 2>/dev/null)" ] && [ ! -e "${folder%:*}/${folder##*:}" ]; then
    echo "${folder%:*} is not empty and was not made by this script; choose another folder." >&2
    exit 1
  fi
done
if [ "$resume" != 1 ]; then
  rm -rf "$prefix"
  find "$work" -mindepth 1 -delete
fi
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/share/licenses/zlib"
touch "$prefix/.mail-windows-prefix" "$work/.mail-windows-work"
times=$work/times.txt
touch "$times"

# Cross pkg-config: only the prefix and Debian's mingw-w64 zlib.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:/usr/$host/lib/pkgconfig
unset PKG_CONFIG_PATH PKG_CONFIG_SYSROOT_DIR

# logged LOG command...: runs the command with its output in LOG; when it fails, shows the
# log's end, where the reason is, and returns its status for `step` to report.
logged() {
  local log=$1 status=0
  shift
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
  fi
  return "$status"
}

# begin NAME: false when RESUME=1 and NAME was built before.
stage_start=0
begin() {
  if [ -e "$work/.done-$1" ]; then
    echo "== $1: already built, skipped"
    return 1
  fi
  echo "== $1: start $(date +%T)"
  stage_start=$(date +%s)
}
finish() {
  local secs=$(($(date +%s) - stage_start))
  printf '%-10s %4d s  (%dm%02ds)\n' "$1" "$secs" $((secs / 60)) $((secs % 60)) | tee -a "$times"
  touch "$work/.done-$1"
}

# fetch_src PACKAGE DIR: unpacks the newest source of PACKAGE that the mirror really has (the
# security archive can list a version whose files are missing) with Debian's patches applied,
# and keeps its copyright file with the prefix's licences.
fetch_src() {
  local package=$1 dir=$2 version
  local src=$work/src-$package
  if [ ! -d "$work/$dir" ]; then
    mkdir -p "$src"
    cd "$src"
    if ! apt-get source --download-only -q "$package" -o APT::Sandbox::User=root >fetch.log 2>&1; then
      step "Listing the source versions of $package" apt-cache showsrc "$package" >showsrc.txt
      awk '/^Version:/ {print $2}' showsrc.txt | sort -rV >versions.txt
      while read -r version; do
        rm -f ./*.dsc
        if apt-get source --download-only -q "$package=$version" -o APT::Sandbox::User=root >>fetch.log 2>&1; then
          echo "   note: $package: the newest source cannot be downloaded, using $version"
          break
        fi
      done <versions.txt
    fi
    local dscs=(./*.dsc)
    if [ ! -f "${dscs[0]}" ]; then
      tail -n 20 fetch.log >&2
      echo "No source of $package could be downloaded." >&2
      exit 1
    fi
    step "Unpacking the source of $package" logged unpack.log dpkg-source -x --no-copy "${dscs[0]}" "$work/$dir"
    cd "$work"
  fi
  mkdir -p "$prefix/share/licenses/$dir"
  step "Keeping the licence of $package" cp "$work/$dir/debian/copyright" "$prefix/share/licenses/$dir/copyright"
}

# ---------------------------------------------------------------------------------------------
# Tools, and Debian's source packages (deb-src enabled as build-qt-windows.sh does it).
step "Installing the packages for the Windows build" bash "$here/install-deps.sh" --windows
need=(libz-mingw-w64-dev meson pkg-config autoconf automake libtool gtk-doc-tools dpkg-dev xz-utils make)
step "Installing the packages for the mail libraries" \
  logged "$work/apt-install.log" apt-get install -y -q --no-install-recommends "${need[@]}"
cd "$work"
if ! apt-get source --print-uris -q curl >/dev/null 2>&1; then
  step "Enabling Debian's source packages" \
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >/etc/apt/sources.list.d/zorvel-deb-src.sources
  step "Reading Debian's source package lists" logged "$work/apt-update.log" apt-get update -q
fi
step "Keeping the licence of zlib" cp /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix/share/licenses/zlib/copyright"

# ---------------------------------------------------------------------------------------------
# libcurl: Schannel TLS with SSPI and the mail protocols. HTTP stays: the mail code uses it for
# proxies, and Debian's backport of a security fix calls into it from the code all protocols
# share. No zlib.
if begin curl; then
  fetch_src curl curl
  cd "$work/curl"
  # The series ends with the GnuTLS and NSS flavours (they rename the library); Debian's own
  # plain build takes them off again, and so does this one, once per unpacked source.
  if [ ! -e plain-flavour ]; then
    for patch in 99_nss.patch 90_gnutls.patch; do
      step "Taking curl's $patch off" patch -R -p1 -s -i "debian/patches/$patch"
    done
    touch plain-flavour
  fi
  # As Debian's buildconf: the patches touch configure.ac.
  step "Regenerating curl's configure" logged autoreconf.log autoreconf -fi
  step "Configuring curl" logged configure.log ./configure --host=$host --build=$build --prefix="$prefix" \
    --disable-shared --enable-static --disable-dependency-tracking \
    --with-schannel --without-openssl --without-gnutls --without-mbedtls --without-wolfssl \
    --without-ca-bundle --without-ca-path --without-ca-fallback \
    --enable-smtp --enable-imap --enable-pop3 \
    --disable-ftp --disable-file --disable-ldap --disable-ldaps --disable-rtsp \
    --disable-dict --disable-telnet --disable-tftp --disable-gopher --disable-mqtt --disable-smb \
    --disable-manual --disable-pthreads --enable-threaded-resolver --enable-ipv6 \
    --without-zlib --without-brotli --without-zstd --without-libidn2 --without-librtmp \
    --without-nghttp2 --without-libssh2 --without-libpsl --without-libgsasl
  grep -E '^\s+(SSL|SSPI|Protocols|Features|Static|Shared|zlib|Threaded)' configure.log || true
  step "Building curl" logged make.log make -C lib -j"$jobs"
  step "Installing curl's library" logged install-lib.log make -C lib install
  step "Installing curl's headers" logged install-include.log make -C include install
  step "Installing curl's pkg-config file" logged install-pc.log make install-pkgconfigDATA install-binSCRIPTS
  cd "$work"
  finish curl
fi

# ---------------------------------------------------------------------------------------------
if begin libffi; then
  fetch_src libffi libffi
  cd "$work/libffi"
  step "Configuring libffi" logged configure.log ./configure --host=$host --build=$build --prefix="$prefix" \
    --disable-shared --enable-static --disable-docs --disable-multi-os-directory --disable-dependency-tracking
  step "Building libffi" logged make.log make -j"$jobs"
  step "Installing libffi" logged install.log make install
  cd "$work"
  finish libffi
fi

# PCRE2, 8-bit only, which is all GLib uses.
if begin pcre2; then
  fetch_src pcre2 pcre2
  cd "$work/pcre2"
  step "Configuring PCRE2" logged configure.log ./configure --host=$host --build=$build --prefix="$prefix" \
    --disable-shared --enable-static --enable-pcre2-8 --disable-pcre2-16 --disable-pcre2-32 \
    --enable-unicode --disable-jit --disable-pcre2grep-libz --disable-pcre2grep-libbz2 \
    --disable-dependency-tracking
  step "Building PCRE2" logged make.log make -j"$jobs" libpcre2-8.la libpcre2-posix.la
  step "Installing PCRE2" logged install.log make install-libLTLIBRARIES install-includeHEADERS \
    install-nodist_includeHEADERS install-pkgconfigDATA install-binSCRIPTS
  cd "$work"
  finish pcre2
fi

# libintl from gettext-runtime: GLib needs ngettext & co. even without translations, mingw has
# none, and GLib's own fallback for it would be a download.
if begin libintl; then
  fetch_src gettext gettext
  cd "$work/gettext/gettext-runtime"
  step "Configuring libintl" logged configure.log ./configure --host=$host --build=$build --prefix="$prefix" \
    --disable-shared --enable-static --enable-nls --with-included-gettext --enable-threads=windows \
    --disable-java --disable-csharp --disable-libasprintf --disable-c++ --disable-openmp \
    --disable-rpath --disable-acl --without-libiconv-prefix --without-libintl-prefix \
    --disable-dependency-tracking --localedir=/usr/share/locale
  step "Building libintl" logged make.log make -C intl -j"$jobs"
  # Its locale.alias goes into the prefix, not over this machine's own.
  step "Installing libintl" logged install.log make -C intl install localedir="$prefix/share/locale"
  cd "$work"
  finish libintl
fi

# ---------------------------------------------------------------------------------------------
# GLib (glib, gobject, gio, gmodule, gthread), static, a meson cross build.
cat >"$work/mingw-w64-x86_64.meson" <<EOF
[binaries]
c = '$host-gcc-posix'
cpp = '$host-g++-posix'
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[properties]
pkg_config_libdir = ['$prefix/lib/pkgconfig', '/usr/$host/lib/pkgconfig']

[built-in options]
c_args = ['-I$prefix/include']
cpp_args = ['-I$prefix/include']
c_link_args = ['-L$prefix/lib']
cpp_link_args = ['-L$prefix/lib']

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
if begin glib; then
  fetch_src glib2.0 glib
  rm -rf "$work/build-glib"
  step "Configuring GLib" logged "$work/glib-setup.log" meson setup "$work/build-glib" "$work/glib" \
    --cross-file "$work/mingw-w64-x86_64.meson" \
    --prefix "$prefix" --libdir lib --localedir /usr/share/locale --wrap-mode=nofallback \
    -Ddefault_library=static -Dbuildtype=plain -Doptimization=2 -Ddebug=false \
    -Dtests=false -Dinstalled_tests=false -Dnls=disabled -Dman=false -Dgtk_doc=false \
    -Dlibmount=disabled -Dselinux=disabled -Dxattr=false -Dsysprof=disabled -Dlibelf=disabled \
    -Ddtrace=false -Dsystemtap=false
  step "Building GLib" logged "$work/glib-build.log" ninja -C "$work/build-glib" -j"$jobs"
  step "Installing GLib" logged "$work/glib-install.log" meson install -C "$work/build-glib" --no-rebuild
  cd "$work"
  finish glib
fi

# ---------------------------------------------------------------------------------------------
# GMime. Its iconv is GLib's: GLib's static library holds win_iconv (iconv_open, iconv,
# iconv_close), and a second iconv library would clash with it at a static link. So the prefix
# gets only a header, with the prototypes taken from GLib's win_iconv.c.
write_iconv_header() {
  local source=$work/glib/glib/win_iconv.c
  echo '/* iconv for Windows: the functions come from GLib (glib/win_iconv.c, public domain),'
  echo '   compiled into its static library. Prototypes copied from that file. */'
  echo '#ifndef ICONV_H_FROM_GLIB_WIN_ICONV'
  echo '#define ICONV_H_FROM_GLIB_WIN_ICONV'
  echo '#include <stddef.h>'
  echo '#ifdef __cplusplus'
  echo 'extern "C" {'
  echo '#endif'
  grep -E '^typedef void\* iconv_t;$' "$source"
  grep -E '^(iconv_t iconv_open|int iconv_close|size_t iconv)\(' "$source"
  echo '#ifdef __cplusplus'
  echo '}'
  echo '#endif'
  echo '#endif'
}
if begin gmime; then
  step "Writing iconv.h for GLib's iconv" write_iconv_header >"$prefix/include/iconv.h"
  for declaration in 'typedef void\* iconv_t;' 'iconv_t iconv_open(' 'int iconv_close(' 'size_t iconv('; do
    step "Finding '$declaration' in GLib's win_iconv.c" grep -q "^$declaration" "$prefix/include/iconv.h"
  done
  fetch_src gmime gmime
  cd "$work/gmime"
  touch ChangeLog # as Debian's build does: the repacked tarball has none and automake wants one
  step "Preparing GMime's documentation build" logged gtkdocize.log gtkdocize --copy
  step "Regenerating GMime's configure" logged autoreconf.log autoreconf -fi
  # GMime's configure runs a probe, iconv-detect, for iconv-detect.h: cross-built, run under Wine.
  step "Reading GLib's link flags" pkg-config --static --cflags --libs glib-2.0 >glib-flags.txt
  read -r -a glib_flags <glib-flags.txt
  step "Building GMime's iconv probe" logged iconv-detect-build.log \
    "$CC" -O2 -I"$prefix/include" iconv-detect.c -o iconv-detect.exe "${glib_flags[@]}" -static
  mkdir -p "$work/wineprefix"
  step "Running GMime's iconv probe under Wine" logged iconv-detect.log \
    env WINEPREFIX="$work/wineprefix" WINEDEBUG=-all "$wine" ./iconv-detect.exe
  step "Checking the iconv probe's answer" test -s iconv-detect.h
  cat iconv-detect.h
  step "Configuring GMime" logged configure.log ./configure --host=$host --build=$build --prefix="$prefix" \
    --disable-shared --enable-static --disable-crypto --without-libidn --disable-introspection \
    --disable-vala --disable-gtk-doc --disable-dependency-tracking \
    PKG_CONFIG="pkg-config --static" ac_cv_func_iconv_open=yes ac_cv_have_iconv_detect_h=yes \
    CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
  step "Building GMime's helpers" logged make-util.log make -C util -j"$jobs"
  step "Building GMime" logged make.log make -C gmime -j"$jobs" libgmime-3.0.la
  step "Installing GMime" logged install.log make -C gmime install-libLTLIBRARIES install-gmimeincludeHEADERS
  step "Installing GMime's pkg-config file" logged install-pc.log make install-pkgconfigDATA
  cd "$work"
  finish gmime
fi

# ---------------------------------------------------------------------------------------------
# Relocatable: pkg-config files name their own folder; no libtool archives (absolute paths) and
# no debug information (this machine's build folders); none of the libraries' own programs,
# which nothing here runs.
for pc in "$prefix"/lib/pkgconfig/*.pc; do
  step "Making $(basename "$pc") relocatable" sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$pc"
done
rm -f "$prefix"/lib/*.la
for lib in "$prefix"/lib/*.a; do
  step "Stripping $(basename "$lib")" $host-strip --strip-debug "$lib"
done
rm -rf "${prefix:?}/bin" "$prefix/share/gdb" "$prefix/share/gettext" "$prefix/share/bash-completion"
echo "Mail libraries for Windows installed in $prefix"
cat "$times"
if [ "$own_work" = yes ]; then
  rm -rf "$work"
fi
