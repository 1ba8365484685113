#!/bin/sh
# The sample documents that ipptool's ipp-1.1.test, ipp-2.0.test and
# ipp-everywhere.test print, made with Ghostscript in the folder given:
#   color.jpg, gray.jpg                       4 x 6 inch photos
#   document-a4.pdf|.ps, document-letter.pdf|.ps   three pages of text and colour
#   pwg-raster-samples-300dpi/{srgb-8,sgray-8,black-1,cmyk-8}/
#     {color.jpg-4x6,gray.jpg-4x6,document-a4,document-letter,onepage-a4,onepage-letter}-TYPE-300dpi.pwg
# The pages are larger than the disc, as a client's are when it sends its
# own paper size.
# ipptool 2.4 stops a whole suite at a FILE it cannot read, even in a test
# that is skipped. The suite's raster tests at resolutions the printer does
# not offer (150, 180, 360, 600, 720 dpi) and of srgb-16 are skipped by
# their SKIP-IF-NOT-DEFINED, so their files are placeholders of one line
# that say so; sent to a printer, they would be refused, not printed.
# Usage: ipptool_documents.sh FOLDER [SUITE-FOLDER]
set -eu
out=${1:?usage: ipptool_documents.sh FOLDER [SUITE-FOLDER]}
suites=${2:-/usr/share/cups/ipptool}
gs=${GS:-gs}
mkdir -p "$out"
ps="$out/pages.ps"
# Each page: a title, a band of colour patches, a grey ramp and lines of
# text, placed on whatever page size Ghostscript is given.
cat > "$ps" <<'PS'
%!PS
/pages where { pop } { /pages 3 def } ifelse
/W currentpagedevice /PageSize get 0 get def
/H currentpagedevice /PageSize get 1 get def
1 1 pages {
  /n exch def
  /Helvetica-Bold findfont W 16 div scalefont setfont
  0 0 0 setrgbcolor W 12 div H H 10 div sub moveto (Sample page ) show n 3 string cvs show
  0 1 5 { /i exch def
    i 6 div 1 0.8 sethsbcolor
    W 12 div W 6 div 0.8 mul i mul add H 2 div W 6 div 0.8 mul dup rectfill } for
  0 1 9 { /i exch def i 9 div setgray
    W 12 div W 12 div 0.8 mul i mul add H 2 div W 12 div sub W 12 div 0.8 mul W 20 div rectfill } for
  /Times-Roman findfont W 40 div scalefont setfont 0 setgray
  1 1 8 { /i exch def W 12 div H 3 div W 30 div i mul sub moveto
    (The quick brown fox jumps over the lazy dog. 0123456789) show } for
  showpage
} for
PS
run() { "$gs" -q -dSAFER -dBATCH -dNOPAUSE "$@" 2>/dev/null; }
photo() {  # NAME DEVICE
  run -sDEVICE="$2" -r150 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=432 -dFIXEDMEDIA \
      -sOutputFile="$out/$1" -c "/pages 1 def" -f "$ps" >/dev/null
}
photo color.jpg jpeg
photo gray.jpg jpeggray
for paper in a4 letter; do
  run -sDEVICE=pdfwrite -sPAPERSIZE=$paper -dFIXEDMEDIA -sOutputFile="$out/document-$paper.pdf" "$ps"
  run -sDEVICE=ps2write -sPAPERSIZE=$paper -dFIXEDMEDIA -sOutputFile="$out/document-$paper.ps" "$ps"
done
# PWG raster at 300 dpi in each type the tests name: colour space and bits
# per colour as Ghostscript's cups devices number them.
for type in srgb-8:19:8 sgray-8:18:8 black-1:3:1 cmyk-8:6:8; do
  name=${type%%:*}; rest=${type#*:}; space=${rest%%:*}; bits=${rest#*:}
  dir="$out/pwg-raster-samples-300dpi/$name"
  mkdir -p "$dir"
  raster() {  # OUTPUT PAGES SIZE-OPTIONS...
    file=$1; pages=$2; shift 2
    run -sDEVICE=pwgraster -r300 -dcupsColorSpace=$space -dcupsBitsPerColor=$bits "$@" -dFIXEDMEDIA \
        -sOutputFile="$dir/$file" -c "/pages $pages def" -f "$ps" >/dev/null
  }
  raster color.jpg-4x6-$name-300dpi.pwg 1 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=432
  raster gray.jpg-4x6-$name-300dpi.pwg 1 -dDEVICEWIDTHPOINTS=288 -dDEVICEHEIGHTPOINTS=432
  for paper in a4 letter; do
    raster document-$paper-$name-300dpi.pwg 3 -sPAPERSIZE=$paper
    raster onepage-$paper-$name-300dpi.pwg 1 -sPAPERSIZE=$paper
  done
done
rm -f "$ps"
for file in $(grep -ho 'pwg-raster-samples-[^ ]*\.pwg' "$suites"/ipp-everywhere.test | sort -u); do
  [ -e "$out/$file" ] && continue
  mkdir -p "$out/$(dirname "$file")"
  echo "placeholder for a test that is skipped: not a document" > "$out/$file"
done
