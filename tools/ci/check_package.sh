#!/usr/bin/env bash
# Checks the Debian package that `./dev.sh package` made in the build folder
# (run through `./dev.sh package-check`, which also installs lintian, appstream
# and desktop-file-utils): lintian finds no errors; the package depends on Qt 6's
# runtime packages; it holds the programs, templates, launcher, icon, metadata
# and manual pages where they belong; and, unpacked into a temporary root, its
# programs answer --version and calculate the samples with the installed
# templates, also through a symbolic link. Nothing outside temporary folders is
# touched: the programs run with a throw-away HOME and XDG folders.
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=${1:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
deb="$build_dir/lumivane_${version}_amd64.deb"
[ -f "$deb" ] || { echo "check_package: $deb is missing (run ./dev.sh package)" >&2; exit 1; }

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== lintian $deb"
# Errors fail the check; warnings and notes are shown for the record.
if lintian --fail-on error --display-info "$deb" | tee "$work/lintian.txt"; then
    pass "lintian: no errors ($(grep -c '^W:' "$work/lintian.txt" || true) warnings, $(grep -c '^I:' "$work/lintian.txt" || true) notes)"
else
    fail "lintian reports errors"
fi

echo "== dependencies"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6; do
    grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" && pass "depends on $lib" || fail "no dependency on $lib"
done

echo "== contents"
root="$work/root"
dpkg -x "$deb" "$root"
app_id=org.lumivane.Lumivane
for path in usr/bin/lumivane usr/bin/lumivane-calc usr/bin/lumivane-gateway-sim \
    usr/share/lumivane/billtemplate.html usr/share/lumivane/menutemplate.html \
    usr/share/lumivane/banner.bmp usr/share/lumivane/gr1.bmp usr/share/lumivane/reportlogo.jpg \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" "usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    usr/share/man/man1/lumivane.1.gz usr/share/man/man1/lumivane-calc.1.gz \
    usr/share/man/man1/lumivane-gateway-sim.1.gz \
    usr/share/doc/lumivane/copyright usr/share/doc/lumivane/changelog.gz; do
    [ -f "$root/$path" ] && pass "/$path" || fail "/$path is missing"
done
# The templates live under share/ only: the programs must find them there.
[ -z "$(find "$root/usr/bin" -type f ! -name 'lumivane*')" ] && pass "only programs in /usr/bin" ||
    fail "/usr/bin holds files other than the programs"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" && pass "desktop entry valid" ||
    fail "desktop-file-validate"
grep -q '^Exec=lumivane %F$' "$root/usr/share/applications/$app_id.desktop" && pass "launcher takes files" ||
    fail "the launcher does not pass files"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" && pass "AppStream metadata valid" ||
    fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" &&
    pass "metadata names release $version" || fail "the metadata has no release $version"
for page in lumivane lumivane-calc lumivane-gateway-sim; do
    text=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")
    if grep -q "^NAME" <<<"$text" && grep -q "$page" <<<"$text" && [ ! -s "$work/man.err" ]; then
        pass "man page $page"
    else
        fail "man page $page: $(cat "$work/man.err")"
    fi
done

echo "== programs from the unpacked root"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
    XDG_CACHE_HOME="$work/home/cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
for tool in lumivane-calc lumivane-gateway-sim; do
    answer=$("$root/usr/bin/$tool" --version)
    [ "$answer" = "$tool $version" ] && pass "$tool --version: $answer" || fail "$tool --version said \"$answer\""
done

# One calculation of the samples with bills: the installed program must find
# its templates under share/lumivane, directly and through a link elsewhere.
mkdir -p "$work/elsewhere"
ln -s "$root/usr/bin/lumivane-calc" "$work/elsewhere/lumivane-calc"
expected=$("$build_dir/bin/lumivane-calc" samples/*)
for calc in "$root/usr/bin/lumivane-calc" "$work/elsewhere/lumivane-calc"; do
    reports="$work/reports-$(basename "$(dirname "$calc")")"
    if output=$("$calc" --export --reports-dir "$reports" samples/*); then
        pass "$calc calculated the samples"
    else
        fail "$calc failed on the samples"
    fi
    [ "$output" = "$expected" ] && pass "same results as the build folder's program" ||
        fail "results differ from the build folder's program"
    grep -q "Total:" <<<"$output" || fail "no totals in the results"
    bills=$(find "$reports" -name '*.htm*' ! -name menu.html | wc -l)
    [ "$bills" -eq "$(ls samples | wc -l)" ] && [ -f "$reports/menu.html" ] &&
        pass "$bills bills and menu.html written from the installed templates" ||
        fail "bills or menu missing in $reports"
done
echo "$output"

if [ "$failures" -ne 0 ]; then
    echo "check_package: $failures check(s) failed" >&2
    exit 1
fi
echo "check_package: $deb is sound"
