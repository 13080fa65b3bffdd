#!/usr/bin/env bash
# Generates the placeholder artwork of the program with ImageMagick: icons, the about-box
# picture and the three skin pictures. Run it from anywhere; it writes beside itself.
# Output is committed, so a build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
export MAGICK_TIME=0  # reproducible output: no time stamps in PNG files
strip=(-strip -define png:exclude-chunks=date,time)

# Skin size: the dialog's 333 x 260 dialog units in pixels with an 8-point system font.
W=500 H=422

# A round "record" badge in two colours for the window and tray icons.
badge() {  # fill ring size out
  convert -size "$3x$3" xc:none -fill "$1" -stroke "$2" -strokewidth 2 \
    -draw "circle $(( $3 / 2 )),$(( $3 / 2 )) $(( $3 / 2 )),2" \
    -fill white -stroke none -draw "circle $(( $3 / 2 )),$(( $3 / 2 )) $(( $3 / 2 )),$(( $3 / 2 - $3 / 6 ))" \
    "${strip[@]}" "$4"
}
badge '#c0392b' '#7b241c' 16 /tmp/orvane_16.png
badge '#c0392b' '#7b241c' 32 /tmp/orvane_32.png
badge '#7f8c8d' '#34495e' 16 /tmp/orvane_alt_16.png
badge '#7f8c8d' '#34495e' 32 /tmp/orvane_alt_32.png
convert /tmp/orvane_16.png /tmp/orvane_32.png orvane.ico
convert /tmp/orvane_alt_16.png /tmp/orvane_alt_32.png orvane_alt.ico

# Small 16 x 16, 256-colour button icons: a red dot (Start), a circular arrow (Default).
convert -size 16x16 xc:none -fill '#d32f2f' -draw 'circle 8,8 8,2' -colors 256 "${strip[@]}" /tmp/start.png
convert -size 16x16 xc:none -fill none -stroke '#1565c0' -strokewidth 2 -draw 'arc 2,2 14,14 30,330' \
  -fill '#1565c0' -stroke none -draw 'polygon 10,1 15,5 10,8' -colors 256 "${strip[@]}" /tmp/default.png
convert /tmp/start.png -define icon:auto-resize=16 start.ico
convert /tmp/default.png -define icon:auto-resize=16 default.ico

# About box: 400 x 200, 24 bits per pixel.
convert -size 400x200 gradient:'#1b2838-#2e86c1' \
  -fill white -font DejaVu-Sans-Bold -pointsize 40 -annotate +24+70 'Orvane' \
  -fill '#d6eaf8' -font DejaVu-Sans -pointsize 14 -annotate +26+96 'Screen recorder' \
  -fill '#c0392b' -draw 'circle 350,60 350,30' -fill white -draw 'circle 350,60 350,48' \
  -type TrueColor "${strip[@]}" BMP3:about.bmp

# Skin pictures. Mask: black outside the window's rounded outline, white inside (no control
# colours yet: every control keeps its place from the dialog template).
convert -size ${W}x${H} xc:black +antialias -fill white -draw "roundrectangle 0,0 $((W - 1)),$((H - 1)) 12,12" \
  -type TrueColor "${strip[@]}" PNG24:skin_mask.png
convert -size ${W}x${H} gradient:'#f4f6f7-#d5dbdb' \
  -fill '#2e86c1' -draw "rectangle 0,0 $((W - 1)),30" \
  -fill white -font DejaVu-Sans-Bold -pointsize 16 -annotate +12+21 'Orvane' \
  -type TrueColor "${strip[@]}" PNG24:skin_face.png
convert -size ${W}x${H} gradient:'#ffffff-#e5e8e8' \
  -fill '#5dade2' -draw "rectangle 0,0 $((W - 1)),30" \
  -fill white -font DejaVu-Sans-Bold -pointsize 16 -annotate +12+21 'Orvane' \
  -type TrueColor "${strip[@]}" PNG24:skin_hover.png
rm -f /tmp/orvane_16.png /tmp/orvane_32.png /tmp/orvane_alt_16.png /tmp/orvane_alt_32.png /tmp/start.png /tmp/default.png
