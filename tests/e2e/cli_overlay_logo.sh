#!/usr/bin/env bash
# boneloom-tool logo: writes a 64 x 64 32-bit type-2 TGA that an independent
# reader (ImageMagick) decodes, with a transparent corner and an opaque centre;
# usage errors and unwritable paths fail cleanly without leaving files.
. "$(dirname "$0")/cli_common.inc"

expect 0 "$TOOL" logo "$WORK/logo.tga"
contains out "logo.tga"
[ "$(stat -c %s "$WORK/logo.tga")" -eq $((18 + 64 * 64 * 4)) ] || fail "wrong file size"
header=$(od -An -tu1 -N18 "$WORK/logo.tga" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//')
[ "$header" = "0 0 2 0 0 0 0 0 0 0 0 0 64 0 64 0 32 8" ] || fail "header is '$header'"
[ ! -e "$WORK/logo.tga.tmp" ] || fail "temporary file left"

if command -v convert >/dev/null; then
  [ "$(identify -format '%w %h' "$WORK/logo.tga")" = "64 64" ] || fail "identify size"
  corner=$(convert "$WORK/logo.tga" -format '%[fx:int(255*p{0,0}.a)]' info:)
  centre=$(convert "$WORK/logo.tga" -format '%[fx:int(255*p{32,32}.a)]' info:)
  [ "$corner" -eq 0 ] || fail "corner alpha $corner"
  [ "$centre" -ge 200 ] || fail "centre alpha $centre"
fi

# The same image on every run, replacing what was there.
echo junk >"$WORK/again.tga"
"$TOOL" logo "$WORK/again.tga" >/dev/null
cmp -s "$WORK/logo.tga" "$WORK/again.tga" || fail "second run differs"

expect 2 "$TOOL" logo
contains err "usage: boneloom-tool logo OUT.tga"
expect 2 "$TOOL" logo a.tga b.tga
expect 1 "$TOOL" logo "$WORK/missing/logo.tga"
grep -q 'cannot write ".*missing/logo.tga"' "$WORK/err.txt" || fail "no message naming the file"
[ ! -e "$WORK/missing" ] || fail "created something"

"$TOOL" logo --help | grep -q "usage: boneloom-tool logo OUT.tga" || fail "--help"
echo "cli_overlay_logo: ok"
