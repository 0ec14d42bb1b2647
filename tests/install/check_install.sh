#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr, as a package would, and checks what a
# desktop expects of it: every file in its place, the menu entry, the metainfo and the manual
# pages valid, each icon of the size its folder names, and the installed command working.
#   check_install.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build_dir="$1"
id="$2"
version="$3"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
DESTDIR="$scratch/root" cmake --install "$build_dir" --prefix /usr >"$scratch/install.log"
root="$scratch/root/usr"

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

icon_sizes=(16 24 32 48 64 128 256)
expected=(
  bin/stampwise
  bin/stampwise-batch
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  share/man/man1/stampwise.1
  share/man/man1/stampwise-batch.1
  share/bash-completion/completions/stampwise-batch
  "share/icons/hicolor/scalable/apps/$id.svg"
)
for size in "${icon_sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for file in "${expected[@]}"; do
  [ -f "$root/$file" ] || fail "$file is not installed"
done
for program in stampwise stampwise-batch; do
  [ -x "$root/bin/$program" ] || fail "bin/$program is not executable"
done

desktop="$root/share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
  grep -qx "Icon=$id" "$desktop" || fail "$id.desktop does not name the icon $id"
  grep -qx "Exec=stampwise" "$desktop" || fail "$id.desktop does not start stampwise"
fi
metainfo="$root/share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects $id.metainfo.xml"; }
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
fi

for page in stampwise stampwise-batch; do
  file="$root/share/man/man1/$page.1"
  [ -f "$file" ] || continue
  if ! MANWIDTH=80 man --warnings -l "$file" >"$scratch/$page.txt" 2>"$scratch/$page.warnings" ||
     [ -s "$scratch/$page.warnings" ]; then
    cat "$scratch/$page.warnings" >&2
    fail "man warns about $page.1"
  fi
  grep -q "Stampwise $version" "$scratch/$page.txt" || fail "$page.1 does not show version $version"
done

completion="$root/share/bash-completion/completions/stampwise-batch"
[ -f "$completion" ] && { bash -n "$completion" || fail "the bash completion does not parse"; }

# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}
for size in "${icon_sizes[@]}"; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$icon" ] || continue
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  actual="$(png_size "$icon")"
  [ "$actual" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $actual"
done

batch="$root/bin/stampwise-batch"
if [ -x "$batch" ]; then
  printed="$("$batch" --version)"
  [ "$printed" = "stampwise-batch $version" ] || fail "installed --version prints '$printed'"

  # A 6 × 4 picture halved to 3 × 2 by the installed command, beside its source.
  mkdir "$scratch/photos"
  { printf 'P6\n6 4\n255\n'; head -c 72 /dev/zero | tr '\0' '\200'; } >"$scratch/photo.ppm"
  cjpeg -quality 90 "$scratch/photo.ppm" >"$scratch/photos/photo.jpg"
  "$batch" resize --percent 50 --suffix _half "$scratch/photos" >"$scratch/batch.out" ||
    { cat "$scratch/batch.out" >&2; fail "the installed stampwise-batch failed to resize"; }
  result="$scratch/photos/photo_half.jpg"
  if [ -f "$result" ]; then
    header="$(djpeg -pnm "$result" | head -c 11 | tr '\n' ' ')"
    [ "$header" = "P6 3 2 255 " ] || fail "the resized picture's header is '$header'"
  else
    fail "the installed stampwise-batch wrote no photo_half.jpg"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed into DESTDIR and checked ${#expected[@]} files"
