#!/usr/bin/env bash
# Builds the Debian package from an already built tree (cpack only, nothing is
# compiled), then checks its name, control fields and file list, unpacks it
# and runs the unpacked programs' --version.
# check_package.sh BUILD_DIR OUT_DIR VERSION APPSTREAM_ID WITH_CLI(0|1) SOURCE_DIR
# Leaves the unpacked tree in OUT_DIR/root for the launcher test.
set -euo pipefail
build=$1 out=$2 version=$3 appstream_id=$4 with_cli=$5 source=$6

rm -rf "$out"
mkdir -p "$out"
# cpack installs what the build made into its staging folder; it compiles nothing.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out/cpack" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  echo "FAILED: cpack"
  exit 1
}

arch=$(dpkg --print-architecture)
deb="$out/cpack/intercom-config_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
  ls -l "$out/cpack"
  echo "FAILED: no $deb"
  exit 1
fi

status=0
fail() {
  echo "FAILED: $*"
  status=1
}

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = intercom-config ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Recommends)" = qt6-wayland ] || fail "Recommends is '$(field Recommends)'"
depends=$(field Depends)
# The package names, without their versions, one a line.
depended=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo; do
  grep -qxF "$library" <<<"$depended" || fail "Depends lacks $library: $depends"
done
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Installed-Size)" ] || fail "no Installed-Size"

# Every file and link, with its mode and owner.
listing=$(dpkg-deb --contents "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)
expected=(
  ./usr/bin/intercom-config
  ./usr/bin/intercom-sim
  ./usr/libexec/intercom-config/intercom-config
  ./usr/share/applications/intercom-config.desktop
  "./usr/share/metainfo/$appstream_id.metainfo.xml"
  ./usr/share/icons/hicolor/scalable/apps/intercom-config.svg
  ./usr/share/doc/intercom-config/copyright
  ./usr/share/doc/intercom-config/changelog.gz
  ./usr/share/man/man1/intercom-config.1.gz
  ./usr/share/man/man1/intercom-sim.1.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/intercom-config.png")
done
if [ "$with_cli" = 1 ]; then
  expected+=(./usr/bin/intercom-cli ./usr/share/man/man1/intercom-cli.1.gz)
fi
expected+=(./usr/share/doc/intercom-config/README.md)
for page in "$source"/docs/*.md "$source"/docs/*.png; do
  expected+=("./usr/share/doc/intercom-config/docs/${page##*/}")
done
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$files" != "$wanted" ]; then
  diff <(echo "$wanted") <(echo "$files") || true
  fail "the file list differs (< expected, > in the package)"
fi
if awk '$2 != "root/root" { exit 1 }' <<<"$listing"; then :; else
  fail "files not owned by root/root"
fi
while read -r mode path; do
  case $path in
    */) want=drwxr-xr-x ;;
    ./usr/bin/* | ./usr/libexec/intercom-config/intercom-config) want=-rwxr-xr-x ;;
    *) want=-rw-r--r-- ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has mode $mode, expected $want"
done < <(awk '{ print $1, $6 }' <<<"$listing")

root="$out/root"
dpkg-deb -x "$deb" "$root"
for program in usr/libexec/intercom-config/intercom-config usr/bin/intercom-sim; do
  description=$(file -b "$root/$program")
  if [[ $description != ELF*", stripped"* ]]; then
    fail "$program is not a stripped ELF program: $description"
  fi
done
for gz in "$root"/usr/share/man/man1/*.gz; do
  gzip -t "$gz" || fail "$gz is not a valid gzip file"
done

check_version() {
  local got
  got=$("$root/$1" --version) || fail "$1 --version exited with $?"
  [ "$got" = "$2 $version" ] || fail "$1 --version printed '$got'"
}
check_version usr/bin/intercom-sim intercom-sim
check_version usr/bin/intercom-config intercom-config
if [ "$with_cli" = 1 ]; then
  check_version usr/bin/intercom-cli intercom-cli
fi

# Debian's own package checks, where they are installed.
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1 ||
    fail "lintian: $(grep -E '^[EW]:' "$out/lintian.log" | tr '\n' ' ')"
fi

[ $status -eq 0 ] && echo "$(basename "$deb"): $(wc -l <<<"$files") files, Depends: $depends"
exit $status
