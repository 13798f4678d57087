#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, unpacks it into a
# temporary root (the files as dpkg would place them) and runs the installed
# programs from there: vorla-cli on the demonstration cases, vorla offscreen
# until its window is up. The desktop entry and the AppStream file are
# validated as installed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vorla vorla-cli vorla_data vorla_icons vorla_manpage vorla_changelog
rm -rf build/package
(cd build && cpack -G DEB -B "$PWD/package" >/dev/null)
deb=$(ls build/package/*.deb)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends

# lintian: errors fail the check, warnings are shown.
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null || true)
[ -n "$lintian_out" ] && echo "$lintian_out"
if echo "$lintian_out" | grep -q '^E:'; then
  echo "lintian found errors" >&2
  exit 1
fi

root=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$root" "$work"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.vorla.Vorla.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.vorla.Vorla.metainfo.xml" ||
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.vorla.Vorla.metainfo.xml"

bin="$root/usr/bin"
"$bin/vorla-cli" --help >/dev/null
"$bin/vorla-cli" --version
"$bin/vorla" --version
cp "$root/usr/share/vorla/Parameters.dat" "$work/"
"$bin/vorla-cli" import --dir "$work" data/examples.csv
"$bin/vorla-cli" analyze --dir "$work" --all --format csv >"$work/results.csv" || [ $? -eq 3 ]
echo "Analysed by the installed vorla-cli: $(($(wc -l <"$work/results.csv") - 1)) case(s)"
grep -q "DEMO-01" "$work/results.csv"

# The installed window, offscreen: still running after some seconds means it is up.
status=0
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" timeout 6 "$bin/vorla" --dir "$work" || status=$?
if [ "$status" -ne 124 ]; then
  echo "the installed vorla ended with $status before its window was up" >&2
  exit 1
fi
echo "Package check passed."
