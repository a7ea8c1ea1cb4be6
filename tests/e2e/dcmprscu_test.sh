#!/usr/bin/env bash
# Sends a stored print job with DCMTK's print SCU (dcmprscu) to a headless Kestrova service and
# passes only when dcmprscu logged no error and a one-page PDF came out.
#   dcmprscu_test.sh SERVICE CONFIG_TEMPLATE BITS(8|12) ORIENTATION(portrait|landscape) [--session-print] [--plut]
#                    [--attributes] [--grey-scale=identity|lin-od|densities]
# --grey-scale prints a step wedge of 18 steps (0 to 255 in 15s) with a Presentation LUT of that
# shape (light for paper: 150 cd/m², none reflected), or with Min and Max Density 0.20 and 1.20;
# the page, rasterised, must show each step within 0.02 OD of the density the shape asks for on
# the default paper (wedge_check.pl).
# --attributes prints a ROW\2,1 film of three images on 14 x 17 inch film, reversed at 50 mm,
# replicated, with black borders and empty cells; the film is then checked for all of it.
set -euo pipefail

service=$1 template=$2 bits=$3 orientation=$4
shift 4
session_print=false plut=false attributes=false grey_scale=
for option in "$@"; do
  case $option in
    --session-print) session_print=true ;;
    --plut) plut=true ;;
    --attributes) attributes=true ;;
    --grey-scale=*) grey_scale=${option#--grey-scale=} ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d /tmp/kestrova-dcmprscu.XXXXXX)
source "$(dirname "$0")/script_support.sh"
cleanup() {
  stop_service
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT # KEEP_WORK=1 keeps the work folder for a look at the logs
mkdir -p "$work"/{database,spool,log,lut,reports}

start_service "$service" "$work"
sed -e "s|@WORKDIR@|$work|g" -e "s|@SCP_PORT@|0|" -e "s|@SCP_AET@|UNUSED|" \
    -e "s|@TGT_HOST@|127.0.0.1|" -e "s|@TGT_PORT@|$port|" -e "s|@TGT_AET@|KESTROVA|" \
    -e "s|@TGT_PLUT@|$plut|" -e "s|@TGT_12BIT@|$([ "$bits" = 12 ] && echo true || echo false)|" \
    -e "s|@NET_AET@|DCMPRSCU|" "$template" > "$work/dcmpstat.cfg"

make_image "$work" first 256 200 "$bits"
make_image "$work" second 200 256 "$bits"
images=(first.dcm second.dcm) layout=(2 1) film_options=()
if $attributes; then
  make_image "$work" third 64 64 "$bits"
  images+=(third.dcm) layout=(2 2)
  film_options=(--filmsize 14INX17IN --magnification REPLICATE --border BLACK --empty-image BLACK
                --img-polarity REVERSE --img-request-size 50)
fi
case $grey_scale in
  identity|lin-od) film_options=("--$grey_scale" --illumination 150 --reflection 0) ;;
  densities) film_options=(--min-density 20 --max-density 120) ;;
esac
if [ -n "$grey_scale" ]; then
  make_image "$work" wedge 64 576 8 18
  images=(wedge.dcm) layout=(1 1)
fi
(cd "$work" && dcmpsprt -c dcmpstat.cfg -p TARGET --layout "${layout[@]}" "--$orientation" "${film_options[@]}" "${images[@]}") \
  > "$work/dcmpsprt.log" 2>&1
job=$(ls "$work"/database/SP_*.dcm | head -n 1)
# dcmpsprt writes only STANDARD\C,R layouts; three images in ROW\2,1 is what a modality may send.
$attributes && dcmodify -nb -m '(2130,0030)[0].(2010,0010)=ROW\2,1' "$job"

scu_options=(-c "$work/dcmpstat.cfg" -p TARGET --copies 1 -d)
$session_print && scu_options+=(--session-print)
(cd "$work" && dcmprscu "${scu_options[@]}" "$job") > "$work/dcmprscu.log" 2>&1 || true

failures=$(grep -E '^(E|F): ' "$work/dcmprscu.log" "$work"/log/*.log 2>/dev/null || true)
films=$(ls "$work"/program/films/*.pdf 2>/dev/null | wc -l)
if [ -n "$failures" ] || [ "$films" -ne 1 ]; then
  echo "dcmprscu reported failures or no single film was printed ($films PDF files)" >&2
  echo "$failures" >&2
  tail -n 60 "$work/dcmprscu.log" >&2
  cat "$work/service.out" >&2
  [ -f "$work/program/Logs/Error.log" ] && cat "$work/program/Logs/Error.log" >&2
  exit 1
fi
pages=$(pdfinfo "$work"/program/films/*.pdf | awk '/^Pages:/ {print $2}')
if [ "$pages" != 1 ]; then echo "the film has $pages pages" >&2; exit 1; fi
if [ -f "$work/program/Logs/Error.log" ]; then echo "unexpected error log:" >&2; cat "$work/program/Logs/Error.log" >&2; exit 1; fi
if $attributes; then
  film=$(ls "$work"/program/films/*.pdf)
  size=$(pdfinfo "$film" | awk -F': *' '/^Page size:/ {print $2}')
  [[ $size == "1008 x 1224 pts"* ]] || { echo "page size $size, not 14 x 17 inches" >&2; exit 1; }
  # 50 mm at the built-in printer's 600 dpi, replicated to its pixels.
  widths=$(pdfimages -list "$film" | awk 'NR > 2 {print $4}' | tr '\n' ' ')
  [ "$widths" = "1181 1181 1181 " ] || { echo "image widths $widths, not three of 50 mm" >&2; exit 1; }
  # At 20 dpi: the quarter-inch margin is 5 pixels, row 1 is 165 pixels high and its first
  # cell 135 wide; image 1 (a dark-to-light gradient, reversed) spans pixels 53 to 92 across.
  pdftoppm -r 20 -gray -singlefile "$film" "$work/page"
  grey() { perl -e 'local $/; open my $f, "<", $ARGV[0]; my $d = <$f>; $d =~ s/^P5\s+(\d+)\s+\d+\s+\d+\s//;
                    print ord(substr($d, $ARGV[2] * $1 + $ARGV[1], 1))' "$work/page.pgm" "$1" "$2"; }
  border=$(grey 10 10) left=$(grey 56 87) right=$(grey 89 87)
  if [ "$border" -gt 10 ] || [ "$left" -lt 200 ] || [ "$right" -gt 55 ]; then
    echo "border $border (black expected), image 1 from $left to $right (light to dark expected)" >&2; exit 1
  fi
fi
if [ -n "$grey_scale" ]; then
  pdftoppm -r 50 -gray -singlefile "$work"/program/films/*.pdf "$work/page"
  range=(0.07 1.52) && [ "$grey_scale" = densities ] && range=(0.20 1.20) # the paper's range, or the film's
  perl "$(dirname "$0")/wedge_check.pl" "$work/page.pgm" "${grey_scale/densities/identity}" "${range[@]}" 18 0.02 > "$work/wedge.txt" \
    || { cat "$work/wedge.txt" >&2; echo "the step wedge does not follow the $grey_scale curve" >&2; exit 1; }
fi
echo "dcmprscu printed one page (bits $bits, $orientation, session print $session_print, presentation LUT $plut, attributes $attributes, grey scale ${grey_scale:-none})"
