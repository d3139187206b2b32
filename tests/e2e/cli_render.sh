#!/usr/bin/env bash
# boneloom-tool render with no X display: usage errors (exit 2, nothing
# written), a strip of every pose frame, a turntable, and failures (exit 1)
# that leave nothing behind: an unwritable target, a picture that cannot be
# written half-way through a strip, and no GL driver at all.
. "$(dirname "$0")/cli_common.inc"
unset DISPLAY
cd "$WORK"

PRELOAD=$(gl_preload)

"$TOOL" sample . >/dev/null
frames=$("$TOOL" info tris.skm tris.skp | sed -n 's/^tris.skp: [0-9]* bones, \([0-9]*\) frames$/\1/p')
[ "$frames" -ge 3 ] || fail "demo model has $frames frames"
render() { LD_PRELOAD="$PRELOAD" "$TOOL" render tris.skm tris.skp "$@"; }
# refused STATUS TEXT ARGS...: render exits with STATUS and says TEXT on stderr.
refused() { expect "$1" render "${@:3}"; contains err "$2"; }

refused 2 "--size wants WxH" out.png --size 0x480
refused 2 "--size wants WxH" out.png --size 640x4097
refused 2 "no bone 'Nobody'" out.png --select Nobody
refused 2 "frame $frames is past the end" out.png --frame "$frames"
refused 2 "--background wants" out.png --background 12345g
refused 2 "--press and --frame" out.png --press L --frame 1
refused 2 "expected 2 operands" out.png --frames strip
refused 2 "unknown option '--colour'" out.png --colour 123456
refused 2 "--turntable wants a count of 1 to 3600, not '0x4'" --turntable=0x4 turn
refused 2 "--yaw wants a number of degrees, not 'inf'" out.png --yaw=inf
[ -z "$(ls ./*.png strip 2>/dev/null)" ] || fail "a usage error wrote something"

# A strip: one picture per frame, every one a PNG and each different, since
# every frame of the demo walk poses the bones differently.
render --frames strip --size 64x96 --select 1 >/dev/null
[ "$(ls strip | wc -l)" = "$frames" ] || fail "$(ls strip | wc -l) pictures for $frames frames"
last=$(printf 'strip/frame_%04d.png' $((frames - 1)))
[ "$(head -c 8 "$last" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "$last is no PNG"
[ "$(cat strip/*.png | wc -c)" -gt 0 ] &&
  [ "$(md5sum strip/*.png | cut -d' ' -f1 | sort -u | wc -l)" = "$frames" ] ||
  fail "frames with different poses gave the same picture"

render --turntable 4 turn --size 48x48 --press LL >/dev/null
[ "$(ls turn)" = "$(printf 'turn_%04d.png\n' 0 1 2 3)" ] || fail "turntable wrote: $(ls turn)"

# "--" ends the options: after it, names that start with dashes are files;
# "--opt=value" spells a value as "--opt value" does.
cp tris.skm ./--odd.skm && cp tris.skp ./--odd.skp
LD_PRELOAD="$PRELOAD" "$TOOL" render --size=40x24 --no-mesh -- --odd.skm --odd.skp --odd.png >/dev/null
[ "$(od -An -tu1 -j16 -N8 -- --odd.png | tr -s ' ')" = " 0 0 0 40 0 0 0 24" ] || fail "--odd.png is not 40x24"
rm ./--odd.*

# Failures: exit 1 and the directory exactly as it was.
render old.png --size 8x8 >/dev/null
touch plain
mkdir half half/frame_0002.png # a directory where the third picture should go
cp old.png old.copy
before=$(ls -R)
refused 1 "nothing written" plain/out.png
refused 1 "nothing written" --frames plain/strip
refused 1 "nothing written" --frames half --size 16x16
[ "$(ls -R)" = "$before" ] || fail "a failed render left files: $(ls -R)"
__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json refused 1 "cannot draw" old.png
__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json refused 1 "cannot draw" --frames fresh
cmp -s old.png old.copy || fail "a failed render changed the old picture"
[ "$(ls -R)" = "$before" ] || fail "a render without GL left files: $(ls -R)"
echo "render: usage errors, strip of $frames frames, turntable, failures: ok"
