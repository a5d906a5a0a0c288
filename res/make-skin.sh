#!/usr/bin/env bash
# Regenerates every skin picture in res/skin/ with ImageMagick (6 or 7).
#
#   bash res/make-skin.sh [output folder]
#
# The main window draws its labels, captions and the suggestion list on top of
# these pictures, so the backgrounds leave calm, dark places for them: the
# title at (15, 11), the word display well at (30, 46), the status row at
# y 76..96 and, in the full form, the list frame at (28, 110, 173 x 117).
# Pictures that sit on the panel (emblem, signal, checking lamp) are cut from
# the finished background at their own positions, so they join it seamlessly.
# The output is byte-for-byte reproducible (no dates or other metadata).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/skin}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if command -v magick >/dev/null 2>&1; then im=(magick); else im=(convert); fi
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
book=$fonts/DejaVuSans.ttf
for f in "$bold" "$book"; do
  [ -r "$f" ] || { echo "make-skin: font $f is missing (Debian package fonts-dejavu-core)" >&2; exit 1; }
done

# The window outline: 21 points each for the full (256 high) and compact (106)
# forms; only the bottom edge and its corners differ.
full_outline="18,1 252,1 257,3 261,5 267,13 269,19 269,234 268,240 264,248 258,253 250,256 18,256 11,253 5,248 1,241 0,234 0,20 2,13 6,7 11,3 18,1"
compact_outline="18,1 252,1 257,3 261,5 267,13 269,19 269,85 268,91 264,99 258,104 249,107 19,107 11,104 5,99 1,92 0,85 0,20 2,13 6,7 11,3 18,1"

# Output formats: baseline JPEG with three components, uncompressed 24-bit BMP.
jpeg() { "${im[@]}" "$1" -strip -alpha off -type TrueColor -interlace none \
           -sampling-factor 1x1 -quality 94 "JPEG:$2"; }
bmp() { "${im[@]}" "$1" -strip -alpha off -type TrueColor -compress none "BMP3:$2"; }
png() { "${im[@]}" "$1" -strip -depth 8 -define png:exclude-chunks=date,time "PNG:$2"; }

# --- Panel -----------------------------------------------------------------
# Deep slate, a little lighter at the top left, the same at every y in both
# forms so that the compact background is the top of the full one.
"${im[@]}" -size 270x256 gradient:'#333e4c'-'#11151c' \
  \( -size 270x256 radial-gradient:'#ffffff'-'#000000' -crop 270x256+0+0 \
     -roll -90-100 -evaluate multiply 0.10 \) -compose plus -composite \
  "$work/panel.png"

# Recesses cut into the plate: the word display well, the status row track
# and (full form only) the suggestion list frame.
well="roundrectangle 24,40 197,64 5,5"
track="roundrectangle 12,73 213,99 6,6"
list_frame="roundrectangle 23,105 205,231 6,6"

# draw_face <outline> <height> <with list frame: yes|no> <result>
draw_face() {
  local outline=$1 height=$2 with_list=$3 result=$4
  local list_recess=() list_fill=()
  if [ "$with_list" = yes ]; then
    list_recess=(-draw "$list_frame")
    list_fill=(-fill '#07090c' -draw "$list_frame" -fill '#000000' -draw 'rectangle 28,110 200,226')
  fi
  # Height map: the plate is high, the recesses low. Shading it from the top
  # left gives the raised rim along the outline and the sunken wells.
  "${im[@]}" -size 270x"$height" xc:black -fill white -draw "polygon $outline" \
    -fill black -draw "$well" "${list_recess[@]}" \
    -blur 0x1.6 -shade 135x30 +level 22%,78% "$work/bevel.png"

  # The track is a shallow tray, a fill only (no height step), so the buttons
  # on it do not sit in a hole. Then the bevel light, a groove under the
  # title and a dark lip along the outline.
  "${im[@]}" "$work/panel.png" -crop 270x"$height"+0+0 +repage \
    -fill '#0a0e13' -draw "$well" \
    -fill '#1a2029' -draw "$track" \
    "${list_fill[@]}" \
    "$work/bevel.png" -compose hardlight -composite \
    -stroke '#0d1117' -strokewidth 1 -draw "line 14,35 140,35" \
    -stroke '#46525f' -draw "line 14,36 140,36" \
    -fill none -stroke '#05070a' -strokewidth 1.2 -draw "polygon $outline" \
    "$result"
}

draw_face "$compact_outline" 106 no "$work/compact.png"
draw_face "$full_outline" 256 yes "$work/full.png"

# Right column of the full form above the inert buttons: the product name,
# engraved upright.
"${im[@]}" "$work/full.png" \
  \( -size 60x14 xc:none -font "$bold" -pointsize 10 -gravity center \
     -fill '#0b0e13' -annotate +0+1 'VURUZID' -fill '#3c4653' -annotate +0+0 'VURUZID' \
     -rotate -90 \) +gravity -geometry +231+116 -compose over -composite \
  "$work/full.png"

jpeg "$work/compact.png" "$out/compact-background.jpg"
jpeg "$work/full.png" "$out/full-background.jpg"

# --- Emblem (200, 40) --------------------------------------------------------
# Mostly covered by the "top" and "help" buttons; what shows is the strip left
# of them: three status lamps in the word colours beside the display well.
lamps=()
for lamp in '#7dff7d #1d4a1d 6' '#ffff66 #4a4a16 13' '#ff6b6b #4a1a1a 20'; do
  read -r colour glow y <<<"$lamp"
  lamps+=(-fill "$glow" -draw "circle 7,$y 11,$y" -fill "$colour" -draw "circle 7,$y 9,$y")
done
"${im[@]}" "$work/compact.png" -crop 70x27+200+40 +repage \
  -fill '#0a0e13' -draw 'roundrectangle 2,1 13,25 4,4' "${lamps[@]}" "$work/emblem.png"
jpeg "$work/emblem.png" "$out/emblem.jpg"

# --- Buttons -----------------------------------------------------------------
# Mid-dark faces so that both the silver captions and the black ones of the
# inert buttons read. The pressed face is darker, lit from below and shadowed
# inside its top and left edges: sunk into the panel.
button() {  # button <width> <up|pressed> <result>
  local w=$1 state=$2 result=$3 h=19
  local r=$(( w - 1 )) b=$(( h - 1 ))
  if [ "$state" = up ]; then
    "${im[@]}" -size "${w}x${h}" gradient:'#7b8797'-'#434c59' \
      -fill none -stroke '#b9c3cf' -draw "line 1,1 $(( r - 1 )),1" -draw "line 1,1 1,$(( b - 1 ))" \
      -stroke '#363d47' -draw "line 1,$(( b - 1 )) $(( r - 1 )),$(( b - 1 ))" \
      -draw "line $(( r - 1 )),1 $(( r - 1 )),$(( b - 1 ))" \
      -stroke '#0b0e12' -draw "rectangle 0,0 $r,$b" \
      -stroke '#1d232b' -draw "point 0,0" -draw "point $r,0" -draw "point 0,$b" -draw "point $r,$b" \
      "$result"
  else
    "${im[@]}" -size "${w}x${h}" gradient:'#313843'-'#535c69' \
      -fill none -stroke '#1c2128' -draw "line 1,1 $(( r - 1 )),1" -draw "line 1,1 1,$(( b - 1 ))" \
      -stroke '#282e37' -draw "line 2,2 $(( r - 1 )),2" -draw "line 2,2 2,$(( b - 1 ))" \
      -stroke '#6c7684' -draw "line 2,$(( b - 1 )) $(( r - 1 )),$(( b - 1 ))" \
      -stroke '#0b0e12' -draw "rectangle 0,0 $r,$b" \
      -stroke '#1d232b' -draw "point 0,0" -draw "point $r,0" -draw "point 0,$b" -draw "point $r,$b" \
      "$result"
  fi
}
button 44 up "$work/b.png"; bmp "$work/b.png" "$out/wide-button-up.bmp"
button 44 pressed "$work/b.png"; bmp "$work/b.png" "$out/wide-button-pressed.bmp"
button 22 up "$work/b.png"; bmp "$work/b.png" "$out/small-button-up.bmp"
button 22 pressed "$work/b.png"; bmp "$work/b.png" "$out/small-button-pressed.bmp"

# --- Signal switch (18, 76) --------------------------------------------------
# A speaker drawn four times larger and scaled down for smooth edges. On: lit
# with sound waves. Off: dimmed and crossed out.
speaker() {  # speaker <body colour> <result> <further drawing...>
  local body=$1 result=$2
  shift 2
  "${im[@]}" -size 76x80 xc:none -fill "$body" -stroke none \
    -draw 'roundrectangle 6,28 24,52 3,3' -draw 'polygon 20,28 40,12 40,68 20,52' \
    "$@" -resize 19x20 "$result"
}
speaker '#c8ffc0' "$work/glyph-on.png" -fill none -stroke '#4dff4d' -strokewidth 4 \
  -draw 'arc 28,26 54,54 -45,45' -draw 'arc 30,12 74,68 -50,50'
speaker '#6f7a87' "$work/glyph-off.png" -fill none -stroke '#ff5050' -strokewidth 6 \
  -draw 'line 48,28 70,52' -draw 'line 70,28 48,52'
for state in on off; do
  "${im[@]}" "$work/compact.png" -crop 19x20+18+76 +repage \
    "$work/glyph-$state.png" -compose over -composite "$work/signal-$state.png"
  bmp "$work/signal-$state.png" "$out/signal-$state.bmp"
done

# --- Checking lamp (148, 6) --------------------------------------------------
# A lit lime lamp in a dark bezel with a soft glow and a highlight.
"${im[@]}" -size 44x44 radial-gradient:'#f0ffe8'-'#17a817' \
  \( -size 44x44 xc:black -fill white -draw 'circle 22,22 22,1' \) \
  -alpha off -compose copyopacity -composite "$work/lamp-core.png"
"${im[@]}" -size 72x96 xc:none \
  \( -size 72x96 xc:none -fill '#3aff3a' -draw 'circle 36,48 36,16' -blur 0x6 \) -compose over -composite \
  -fill '#06080b' -draw 'circle 36,48 36,22' \
  "$work/lamp-core.png" -geometry +14+26 -compose over -composite \
  -fill 'rgba(255,255,255,0.85)' -draw 'ellipse 29,40 7,5 0,360' \
  -resize 18x24 "$work/lamp-glyph.png"
"${im[@]}" "$work/compact.png" -crop 18x24+148+6 +repage \
  "$work/lamp-glyph.png" -compose over -composite "$work/lamp.png"
bmp "$work/lamp.png" "$out/checking-indicator.bmp"

# --- Application icon --------------------------------------------------------
# A slate disc holding a lime check mark over a red underline: 32 x 32 in 16
# colours (the .ico), and a full-colour 64 x 64 picture for large trays.
icon() {  # icon <size> <result>
  local s=$1 k=$(( $1 * 4 ))
  "${im[@]}" -size ${k}x${k} xc:none \
    -fill '#05070a' -draw "circle $(( k / 2 )),$(( k / 2 )) $(( k / 2 )),1" \
    \( -size ${k}x${k} gradient:'#43505f'-'#161b22' \
       \( -size ${k}x${k} xc:black -fill white -draw "circle $(( k / 2 )),$(( k / 2 )) $(( k / 2 )),$(( k / 16 ))" \) \
       -alpha off -compose copyopacity -composite \) -compose over -composite \
    -fill none -stroke '#00ff00' -strokewidth $(( k / 9 )) \
    -draw "stroke-linecap round stroke-linejoin round polyline $(( k * 24 / 100 )),$(( k * 50 / 100 )) $(( k * 42 / 100 )),$(( k * 66 / 100 )) $(( k * 76 / 100 )),$(( k * 28 / 100 ))" \
    -stroke '#ff2020' -strokewidth $(( k / 14 )) \
    -draw "stroke-linecap round line $(( k * 26 / 100 )),$(( k * 80 / 100 )) $(( k * 74 / 100 )),$(( k * 80 / 100 ))" \
    -resize ${s}x${s} "$2"
}
icon 32 "$work/icon32.png"
# Sixteen colours at most (one of them stands for the clear corners), so the
# icon is stored with four bits a pixel and a transparency mask.
"${im[@]}" "$work/icon32.png" -channel A -threshold 50% +channel \
  +dither -colors 15 -type PaletteAlpha "ICO:$out/vuruzid.ico"
icon 64 "$work/icon64.png"
png "$work/icon64.png" "$out/vuruzid-64.png"

# --- About picture -------------------------------------------------------------
# A banner: the product name over the slate panel, with the word display
# showing one right and one wrong word.
"${im[@]}" -size 421x181 gradient:'#2f3a48'-'#0e1218' \
  \( -size 421x181 radial-gradient:'#ffffff'-'#000000' -roll -150-70 -evaluate multiply 0.12 \) \
  -compose plus -composite \
  -fill none -stroke '#05070a' -strokewidth 2 -draw 'roundrectangle 1,1 419,179 14,14' \
  -stroke '#566474' -strokewidth 1 -draw 'roundrectangle 3,3 417,177 12,12' \
  -stroke none -fill '#0a0e13' -draw 'roundrectangle 30,112 280,150 7,7' \
  -fill none -stroke '#3a4552' -draw 'line 36,151 274,151' \
  -stroke none -font "$bold" -pointsize 40 \
  -fill '#000000' -annotate +32+68 'QOR Vuruzid' \
  -fill '#d4d8dd' -annotate +30+66 'QOR Vuruzid' \
  -font "$book" -pointsize 13 -fill '#9aa6b4' -annotate +32+92 'Spell checking as you type, in English and Russian' \
  -font "$bold" -pointsize 16 -fill '#00ff00' -annotate +44+137 'SPELLING' \
  -fill '#ff0000' -annotate +150+137 'SPELING_' \
  "$work/about.png"
# Three status lamps at the right of the display, as on the main window.
"${im[@]}" "$work/about.png" \
  -fill '#1d4a1d' -draw 'circle 310,131 318,131' -fill '#7dff7d' -draw 'circle 310,131 314,131' \
  -fill '#4a4a16' -draw 'circle 340,131 348,131' -fill '#ffff66' -draw 'circle 340,131 344,131' \
  -fill '#4a1a1a' -draw 'circle 370,131 378,131' -fill '#ff6b6b' -draw 'circle 370,131 374,131' \
  "$work/about.png"
png "$work/about.png" "$out/about.png"

echo "make-skin: pictures written to $out"
