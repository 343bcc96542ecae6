#!/usr/bin/env bash
# Makes the portable release archives in build/packages/:
#   rtfplain-VERSION-linux-x86_64.tar.gz   rtfplain, rtfplain.1, README.md, LICENSE
#   rtfplain-VERSION-linux-arm64.tar.gz    the same, for arm64 (cross-compiled)
#   rtfplain-VERSION-windows-x64.zip       rtfplain.exe, README.md, LICENSE, and the library:
#                                          rtfplain.dll, librtfplain.dll.a, rtfplain.def,
#                                          include/rtfplain.h
#   rtfplain_VERSION_amd64.deb, rtfplain_VERSION_arm64.deb          the Linux programs as system
#   rtfplain-VERSION-1.x86_64.rpm, rtfplain-VERSION-1.aarch64.rpm   packages: /usr/bin/rtfplain,
#                                          the man page, the licences in /usr/share/doc/rtfplain
#   SHA256SUMS                             over all of the above (sha256sum -c SHA256SUMS)
# The same sources give the same bytes: times are the last commit's (SOURCE_DATE_EPOCH).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/deps-arm64.sh
scripts/deps-windows.sh
scripts/deps.sh rpm
cmake --preset default >/dev/null
cmake --build --preset default --target rtfplain
cmake --preset linux-arm64 >/dev/null
cmake --build --preset linux-arm64 --target rtfplain
cmake --preset windows >/dev/null
cmake --build --preset windows --target rtfplain rtfplain_shared
rm -rf build/packages
cpack --preset linux
cpack --preset linux-arm64
cpack --preset windows

version="$(sed -n 's/^project(rtfplain VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
out=$PWD/build/packages
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null ||
  stat -c %Y CMakeLists.txt)}"
maintainer="rtfplain developers <rtfplain@example.org>"
homepage="https://example.org/rtfplain"
summary="$(sed -n 's/^project(rtfplain .*DESCRIPTION "\([^"]*\)".*/\1/p' CMakeLists.txt)"
description="A command-line program that reads the RTF document NAME from its own folder and
writes its text, UTF-8 with CR LF line ends, to NAME.txt in the current directory. The program
is static: it needs no library, and every code page is built in."
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The system layout of a Linux archive's files (the same stripped program, man page and
# notices), owned by root, every time the commit's, so that the packages are reproducible.
stage() {  # ARCHIVE DIR
  local unpacked="$work/unpacked"
  rm -rf "$unpacked" && mkdir -p "$unpacked" "$2"
  tar -xzf "$1" -C "$unpacked" --strip-components=1
  install -D -m 755 "$unpacked/rtfplain" "$2/usr/bin/rtfplain"
  mkdir -p "$2/usr/share/man/man1" "$2/usr/share/doc/rtfplain/LICENSES"
  gzip -9 -n -c "$unpacked/rtfplain.1" >"$2/usr/share/man/man1/rtfplain.1.gz"
  install -m 644 "$unpacked/LICENSE" "$2/usr/share/doc/rtfplain/"
  install -m 644 "$unpacked"/LICENSES/* "$2/usr/share/doc/rtfplain/LICENSES/"
  chmod 644 "$2/usr/share/man/man1/rtfplain.1.gz"
  find "$2" -type d -exec chmod 755 {} +
  find "$2" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

deb() {  # ARCHIVE DEBIAN-ARCHITECTURE
  local root="$work/deb-$2"
  stage "$1" "$root"
  mkdir -p "$root/DEBIAN"
  (cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
  cat >"$root/DEBIAN/control" <<CONTROL
Package: rtfplain
Version: $version
Architecture: $2
Maintainer: $maintainer
Installed-Size: $(du -sk --apparent-size "$root/usr" | cut -f1)
Section: text
Priority: optional
Homepage: $homepage
Description: $summary
$(sed 's/^/ /' <<<"$description")
CONTROL
  chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  touch -d "@$SOURCE_DATE_EPOCH" "$root/DEBIAN" "$root/DEBIAN"/*
  dpkg-deb --root-owner-group -Zxz --build "$root" "$out/rtfplain_${version}_$2.deb" >/dev/null
}

rpm_package() {  # ARCHIVE RPM-ARCHITECTURE
  local root="$work/rpm-$2" top="$work/rpmbuild"
  stage "$1" "$root"
  local recipe="$top/rtfplain-rpm.txt"  # rpmbuild's build description: the fields and files
  mkdir -p "$top"
  cat >"$recipe" <<RECIPE
Name: rtfplain
Version: $version
Release: 1
Summary: $summary
License: MIT AND LGPL-2.1-or-later AND GPL-3.0-or-later WITH GCC-exception-3.1 AND BSD-2-Clause
URL: $homepage
Packager: $maintainer
Vendor: rtfplain developers
AutoReqProv: no

%description
$description

%install
cp -a "$root/." "%{buildroot}/"

%files
/usr/bin/rtfplain
/usr/share/man/man1/rtfplain.1.gz
/usr/share/doc/rtfplain
RECIPE
  # The program is already stripped, and may be another processor's: none of rpmbuild's own
  # post-install steps (strip, debug information, build-id links) apply.
  rpmbuild -bb --quiet --target "$2-linux" --define "_topdir $top" \
    --define "debug_package %{nil}" --define "__os_install_post %{nil}" \
    --define "_build_id_links none" --define "_buildhost rtfplain" \
    --define "use_source_date_epoch_as_buildtime 1" --define "clamp_mtime_to_source_date_epoch 1" \
    --define "_binary_payload w9.xzdio" \
    "$recipe" >/dev/null
  mv "$top/RPMS/$2/rtfplain-$version-1.$2.rpm" "$out/"
}

deb "$out/rtfplain-$version-linux-x86_64.tar.gz" amd64
deb "$out/rtfplain-$version-linux-arm64.tar.gz" arm64
rpm_package "$out/rtfplain-$version-linux-x86_64.tar.gz" x86_64
rpm_package "$out/rtfplain-$version-linux-arm64.tar.gz" aarch64
(cd "$out" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
  xargs sha256sum -- >SHA256SUMS)
ls -l "$out"
