#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop and a software centre read:
# the menu entry, the metainfo, the icons at every size, the manual page, that the game's own
# files are all there, and that none of them names the build folder.
#   installed_files.sh BUILD-DIR APP-ID
set -uo pipefail
build=$1
id=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Stripped, as a distribution ships it: the debugging information names the build by design.
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null \
  || { echo "FAIL cmake --install"; exit 1; }
root=$stage/usr

for f in bin/quorvel share/quorvel/characters/merlin.acs share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man6/quorvel.6; do
  [ -f "$root/$f" ] || fail "not installed: $f"
done

# A path of the build in an installed file makes the package differ from build to build, and the
# program might load from there what a local user put in its place. Qt's string literals are
# UTF-16, which only strings -el sees.
real_build=$(cd "$build" && pwd -P)
while IFS= read -r -d '' f; do
  { strings -a "$f"; strings -a -el "$f"; } | grep -qF -e "$build" -e "$real_build" \
    && fail "the build folder is named in ${f#"$stage"}"
done < <(find "$stage" -type f -print0)

# Hints (several main categories) are fine; warnings and errors are not.
out=$(desktop-file-validate "$root/share/applications/$id.desktop" 2>&1)
grep -vi '^.*: hint:' <<<"$out" | grep -q . && fail "desktop-file-validate: $out"

# No homepage: the project has none yet, and an invented address would lead nowhere (appstreamcli
# 1.0 warns of it; debian/appstream.lintian-overrides says the same).
out=$(appstreamcli validate --pedantic --no-net --no-color "$root/share/metainfo/$id.metainfo.xml" 2>&1)
grep -E '^[EW]:' <<<"$out" | grep -v ': url-homepage-missing' && fail "appstreamcli validate: $out"

out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man6/quorvel.6" 2>&1 >/dev/null)
[ -z "$out" ] || fail "man page: $out"

# Each bitmap has its own size and shows the drawing: an opaque frame at the edge, beads inside.
for size in 16 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || { fail "no $size px icon"; continue; }
  got=$(identify -format '%wx%h' "$png")
  [ "$got" = "${size}x${size}" ] || fail "$size px icon is $got"
  opaque=$(convert "$png" -alpha extract -format '%[fx:mean]' info:)
  awk -v m="$opaque" 'BEGIN { exit !(m > 0.9) }' || fail "$size px icon is mostly transparent ($opaque)"
done

[ $failures -eq 0 ] && echo "ok   installed files pass desktop-file-validate, appstreamcli, man"
exit $((failures > 0))
