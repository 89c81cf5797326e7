#!/usr/bin/env bash
# Builds the Debian package of the program (release build in build-pkg/, no
# tests, no sanitizers) and checks it: its fields and files, Debian's package
# checker (lintian), its menu entry and software-centre entry, its changelog
# and manual page, and the program as unpacked from it, started with
# --version and --help (which must agree with the manual page) and, headless,
# with a picture. Exits non-zero with a message naming the failed step.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

step="start"
trap 'echo "package.sh: FAILED during: $step" >&2' ERR
fail() {
  echo "package.sh: FAILED: $*" >&2
  exit 1
}
begin() {
  step="$*"
  echo "== $step"
}

begin "installing what is missing"
bash scripts/install-deps.sh

begin "configuring the release build in build-pkg/"
# Only the program is built: the install step must not pull in every target.
# Debian's build flags (optimisation, stack protector, fortified functions,
# read-only relocations) as a Debian build of the package would use them; the
# symbols of -g are stripped by cpack.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-DNDEBUG" \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DARDEL_TESTS=OFF -DARDEL_BENCH=OFF -DARDEL_SANITIZE=OFF -DARDEL_FUZZ=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null

begin "building ardel-sorvan"
start=$SECONDS
cmake --build build-pkg --target ardel-sorvan ardel-sorvan-data -j2
echo "built in $((SECONDS - start)) s"

begin "making the package with cpack"
rm -f build-pkg/ardel-sorvan_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
debs=(build-pkg/ardel-sorvan_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no build-pkg/ardel-sorvan_*.deb"
[ ${#debs[@]} -eq 1 ] || fail "more than one package: ${debs[*]}"
deb=${debs[0]}
echo "$deb ($(du -h "$deb" | cut -f1))"

begin "checking the package fields"
for field in Package Version Architecture Maintainer Section Description Depends; do
  value=$(dpkg-deb -f "$deb" "$field")
  [ -n "$value" ] || fail "the package has no $field field"
  echo "$field: $(head -n1 <<<"$value")"
done
[ "$(dpkg-deb -f "$deb" Package)" = ardel-sorvan ] || fail "the package is not named ardel-sorvan"
version=$(dpkg-deb -f "$deb" Version)
version=${version%-*}  # without the package release
depends=$(dpkg-deb -f "$deb" Depends)
# The package names of Depends, alternatives included, one a line.
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/[[:space:]]//g')
depends_on() { grep -qxF "$1" <<<"$depends_names"; }
# The libraries the program links and the fonts its font mapping substitutes.
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libjpeg62-turbo liblcms2-2 libuemf0 libcups2 \
  libstdc++6 libc6 fonts-liberation2 fonts-dejavu-core fonts-wine; do
  depends_on "$package" || fail "Depends lacks $package: $depends"
done

begin "checking the package files"
contents=$(dpkg-deb -c "$deb")
app_id=org.ardelsorvan.ArdelSorvan
for file in ./usr/bin/ardel-sorvan ./usr/share/applications/$app_id.desktop ./usr/share/metainfo/$app_id.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/ardel-sorvan.svg ./usr/share/icons/hicolor/48x48/apps/ardel-sorvan.png \
  ./usr/share/man/man1/ardel-sorvan.1.gz ./usr/share/doc/ardel-sorvan/copyright \
  ./usr/share/doc/ardel-sorvan/changelog.Debian.gz; do
  grep -q " $file\$" <<<"$contents" || fail "the package does not hold $file"
done
grep -E '^-rwxr-xr-x .* ./usr/bin/ardel-sorvan$' <<<"$contents" >/dev/null || fail "usr/bin/ardel-sorvan is not executable"

begin "checking the package with lintian"
# At its default level (errors and warnings) lintian must print nothing.
# Overrides, each with its reason, are in app/data/lintian-overrides. Its
# notice that it runs as root (as CI does) is no finding.
{ lintian "$deb" 2>&1 || true; } | { grep -vx 'running with root privileges is not recommended!' || true; } >"${deb%.deb}.lintian"
if [ -s "${deb%.deb}.lintian" ]; then
  cat "${deb%.deb}.lintian" >&2
  fail "lintian finds fault with the package"
fi
echo "lintian: nothing to report"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
begin "unpacking the package"
dpkg -x "$deb" "$scratch/root"
program="$scratch/root/usr/bin/ardel-sorvan"
entry="$scratch/root/usr/share/applications/$app_id.desktop"
metainfo="$scratch/root/usr/share/metainfo/$app_id.metainfo.xml"
page="$scratch/root/usr/share/man/man1/ardel-sorvan.1.gz"

begin "checking the menu entry"
if command -v desktop-file-validate >/dev/null; then
  # Hints pass (the entry is in two main categories on purpose); errors and warnings do not.
  desktop-file-validate "$entry" >"$scratch/validate" 2>&1 || { cat "$scratch/validate" >&2; fail "desktop-file-validate"; }
  cat "$scratch/validate"
  if grep -Eq ': (error|warning): ' "$scratch/validate"; then fail "desktop-file-validate finds fault with the entry"; fi
  echo "desktop-file-validate: no errors or warnings"
else
  echo "desktop-file-validate is not installed; skipped"
fi
grep -qx 'Exec=ardel-sorvan %f' "$entry" || fail "the menu entry does not start ardel-sorvan %f"
grep -Eq '^MimeType=(.*;)?image/jpeg;' "$entry" || fail "the menu entry does not offer itself for JPEG pictures"

begin "checking the software-centre entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli finds fault with $app_id.metainfo.xml"
grep -q "<id>$app_id</id>" "$metainfo" || fail "the software-centre entry's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the software-centre entry does not launch $app_id.desktop"
# Its screenshots are the user guide's pictures; the first release is this version.
shots=$(sed -n 's|.*<image>.*/screenshots/\([^<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "the software-centre entry has no screenshots"
for shot in $shots; do
  [ -f "docs/screenshots/$shot" ] || fail "the screenshot $shot is not one of docs/screenshots"
done
release=$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$metainfo" | head -n1)
[ "$release" = "$version" ] || fail "the software-centre entry's latest release is $release, not $version"

begin "checking the changelog"
zcat "$scratch/root/usr/share/doc/ardel-sorvan/changelog.Debian.gz" >"$scratch/changelog"
logged=$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)
[ "$logged" = "$(dpkg-deb -f "$deb" Version)" ] || fail "the changelog's latest entry is $logged, not the package's version"
echo "changelog: $logged"

begin "checking the manual page"
# It renders without complaint from man or groff...
MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/man-warnings" >"$scratch/man" || fail "man cannot show the page"
if [ -s "$scratch/man-warnings" ]; then cat "$scratch/man-warnings" >&2; fail "man warns about the page"; fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS"; do
  grep -qx "$section" "$scratch/man" || fail "the manual page has no $section section"
done
# ...and lists the options --help lists: the entries before the two spaces
# of the help's option lines, and the tags (the line after each .TP, its
# font macro, quotes and escaped dashes taken off) of the page's OPTIONS.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >"$scratch/help"
help_options=$(sed -n 's/^  \([^ ].*\)/\1/p' "$scratch/help" | sed 's/  .*//' | sort)
page_options=$(zcat "$page" | sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' | sed -n '/^\.TP/{n;p}' |
  sed 's/^\.[A-Z]* //; s/ "\([^"]*\)" /\1/g; s/\\-/-/g' | sort)
if [ "$help_options" != "$page_options" ]; then
  diff <(echo "$help_options") <(echo "$page_options") >&2 || true
  fail "--help (<) and the manual page (>) list different options"
fi
echo "manual page: the options of --help: $(echo $help_options)"

if command -v dpkg-shlibdeps >/dev/null; then
  begin "checking Depends against the libraries the program links"
  mkdir -p "$scratch/shlibs/debian"
  printf 'Source: ardel-sorvan\n\nPackage: ardel-sorvan\nArchitecture: any\n' >"$scratch/shlibs/debian/control"
  found=$(cd "$scratch/shlibs" && dpkg-shlibdeps -O -e "$program" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
  [ -n "$found" ] || fail "dpkg-shlibdeps found no libraries"
  echo "dpkg-shlibdeps: $found"
  for package in $(tr ',' '\n' <<<"$found" | sed 's/(.*//; s/ //g'); do
    depends_on "$package" || fail "Depends lacks $package, which the program links"
  done
fi

# The unpacked program runs against the libraries of this machine, as it
# would once installed; it keeps its settings in the scratch folder.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

begin "running the unpacked program with --version, --help and a wrong option, without a display"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version) ||
  fail "ardel-sorvan --version exited with $?"
[ "$out" = "Ardel Sorvan $version" ] || fail "ardel-sorvan --version printed '$out', not 'Ardel Sorvan $version'"
echo "$out"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help | grep -q '^Usage: ardel-sorvan' ||
  fail "ardel-sorvan --help printed no usage"
code=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --no-such-option 2>"$scratch/err" || code=$?
[ "$code" -eq 2 ] || fail "an unknown option exited with $code, not 2"
grep -q "unknown option '--no-such-option'" "$scratch/err" || fail "an unknown option was not reported"

# Headless, with a picture: the window must open and stay until the time-out
# ends it (exit code 124); a crash or an early exit is a failure. A damaged
# picture gives an error box over the window, which stays open as well.
run_headless() {
  local picture=$1 code=0
  QT_QPA_PLATFORM=offscreen timeout 10 "$program" "$picture" >"$scratch/out" 2>&1 || code=$?
  if [ "$code" -ne 124 ]; then
    cat "$scratch/out" >&2
    fail "ardel-sorvan $picture exited with $code before the time-out (124 expected)"
  fi
  echo "ardel-sorvan $(basename "$picture"): still running after 10 s"
}
begin "running the unpacked program headless with a picture"
run_headless "$PWD/fuzz/corpus/jpeg/rgb_32x24.jpg"
begin "running the unpacked program headless with a damaged picture"
run_headless "$PWD/fuzz/corpus/jpeg/bad_truncated_data.jpg"

step="done"
echo "package.sh: $deb is good"
