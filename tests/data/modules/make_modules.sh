#!/bin/bash
# Makes the small modules the icon-resource tests read: resource-only DLLs for x86, x64 and ARM64
# built from one resource script with llvm-rc and lld-link, holding numbered and named icon groups,
# one group in two languages, 8-bit, 32-bit and 256 x 256 PNG images; and a copy with a names
# table. The icons themselves are drawn with ImageMagick and packed with icotool. Run from any
# folder; the results (and the icons, for comparison) are written next to this script.
set -euo pipefail
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# app.ico: 16 (24-bit), 32 (32-bit, soft edge), 48 (8-bit), 256 (PNG); icotool picks the smallest depth.
convert -size 16x16 gradient:red-blue -alpha set -channel A -evaluate set 100% +channel PNG32:"$work/app16.png"
convert -size 32x32 xc:none -fill 'rgba(0,160,0,1)' -draw 'circle 16,16 16,3' \
  -fill 'rgba(255,255,0,0.5)' -draw 'rectangle 2,2 9,9' PNG32:"$work/app32.png"
convert -size 48x48 gradient:white-green -fill navy -draw 'rectangle 8,8 39,39' -fill orange -draw 'line 0,0 47,47' \
  -colors 64 PNG8:"$work/app48.png"
convert -size 256x256 radial-gradient:'rgba(255,0,0,1)'-'rgba(0,0,255,0)' PNG32:"$work/app256.png"
icotool -c -o app.ico "$work/app16.png" "$work/app32.png" "$work/app48.png" -r "$work/app256.png"

# folder.ico: one 32-bit 32 x 32.
convert -size 32x32 xc:none -fill '#e0b040' -draw 'rectangle 2,8 29,27' -fill '#c09020' -draw 'rectangle 2,5 12,8' \
  PNG32:"$work/folder32.png"
icotool -c -o folder.ico "$work/folder32.png"

# The same group in two languages: red for English, blue for German.
convert -size 16x16 xc:red PNG32:"$work/en16.png"
convert -size 16x16 xc:blue PNG32:"$work/de16.png"
icotool -c -o lang_en.ico "$work/en16.png"
icotool -c -o lang_de.ico "$work/de16.png"

cat >"$work/icons.rc" <<'RC'
LANGUAGE 9, 1
1 ICON "app.ico"
FOLDER ICON "folder.ico"
2 ICON "lang_en.ico"
LANGUAGE 7, 1
2 ICON "lang_de.ico"
RC
cp app.ico folder.ico lang_en.ico lang_de.ico "$work/"
(cd "$work" && llvm-rc -no-preprocess -fo icons.res icons.rc)
for machine in x86 x64 arm64; do
  lld-link /dll /noentry /machine:$machine "$work/icons.res" /out:"$work/icons_$machine.dll" >/dev/null
  cp "$work/icons_$machine.dll" .
done

# A module with the names table of icon libraries (type 301): "ICL" then one name per group, in
# group order (FOLDER, 1, 2). The third name holds Windows-1252 bytes (e acute, euro sign).
printf '\x03ICL\x06Folder\x03App\x0aCaf\xe9 \x80uro\x00' >"$work/names.bin"
cat >"$work/named.rc" <<'RC'
LANGUAGE 9, 1
1 ICON "app.ico"
FOLDER ICON "folder.ico"
2 ICON "lang_en.ico"
1 301 "names.bin"
RC
(cd "$work" && llvm-rc -no-preprocess -fo named.res named.rc)
lld-link /dll /noentry /machine:x64 "$work/named.res" /out:named_x64.dll >/dev/null
rm -f ./*.lib
echo "made: $(ls *.dll | tr '\n' ' ')"
