#!/usr/bin/env bash
# Makes the Debian package from a finished build and checks it: exactly the
# files an install should put on a machine, the run-time dependencies the
# windows and the check against ngspice need, AppStream metadata that
# validates, and a command-line program that runs from the package.
#   desktop/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

rm -f "$build"/stelvane_*.deb
if ! log=$(cd "$build" && cpack -G DEB 2>&1); then
    echo "$log" >&2
    echo "package check: cpack failed" >&2
    exit 1
fi
debs=("$build"/stelvane_*.deb)
[ -f "${debs[0]}" ] || { echo "package check: cpack made no package in $build" >&2; exit 1; }
deb=${debs[0]}

expected="./usr/bin/stelvane
./usr/bin/stelvane-cli
./usr/libexec/stelvane/stelvane-ngspice
./usr/share/applications/stelvane.desktop
./usr/share/doc/stelvane/copyright
./usr/share/icons/hicolor/256x256/apps/stelvane.png
./usr/share/icons/hicolor/48x48/apps/stelvane.png
./usr/share/icons/hicolor/scalable/apps/stelvane.svg
./usr/share/man/man1/stelvane-cli.1.gz
./usr/share/man/man1/stelvane.1.gz
./usr/share/metainfo/invalid.example.stelvane.metainfo.xml"
# Files only, folders left out; the sixth column of the listing is the path.
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)

failed=0
if [ "$actual" != "$expected" ]; then
    echo "package check: $(basename "$deb") holds other files than expected:" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    failed=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libhwy1 fonts-liberation libngspice0; do
    if ! grep -Eq "(^|, )$needed( |,|$)" <<<"$depends"; then
        echo "package check: Depends lacks $needed: $depends" >&2
        failed=1
    fi
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# The help is kept whole before it is searched: grep -q would stop reading at
# the first line and the program, still writing, would end on SIGPIPE.
if ! help=$("$unpacked/usr/bin/stelvane-cli" --help 2>&1) || ! grep -q '^Usage: stelvane-cli' <<<"$help"; then
    echo "$help" >&2
    echo "package check: the packaged stelvane-cli does not run" >&2
    failed=1
fi

if ! appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml >/dev/null; then
    echo "package check: the AppStream metadata does not validate:" >&2
    appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml >&2 || true
    failed=1
fi

[ $failed -eq 0 ] || exit 1
echo "package check: $(basename "$deb"), $(wc -l <<<"$actual") files, depends on: $depends"
