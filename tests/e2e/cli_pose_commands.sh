#!/usr/bin/env bash
# boneloom-tool pose and rotate on the demo model: the pose lines and key list,
# key presses stepping one channel with wrap-around, --frame N equal to every
# channel stepped to N, --t blending towards the next frame (its ends the frames
# themselves), the rotation's direction, frame 0 left alone, identity and
# clamped angles, and the error exits.
. "$(dirname "$0")/cli_common.inc"
cd "$WORK"

"$TOOL" sample . >/dev/null
read -r bones frames < <("$TOOL" info tris.skm tris.skp | sed -n 's/^tris.skp: \([0-9]*\) bones, \([0-9]*\) frames$/\1 \2/p')
[ "$bones" -ge 2 ] && [ "$frames" -ge 3 ] || fail "demo model has $bones bones, $frames frames"

# Shape: one line per bone, then one key line per channel, frame 1 after a load.
"$TOOL" pose tris.skm tris.skp >loaded.txt
[ "$(grep -c '^[0-9]* ' loaded.txt)" = "$bones" ] || fail "pose line count"
num='-?[0-9]+\.[0-9]{6}'
grep -Eqv "^([0-9]+( $num){7} .+|key . frame:[0-9]+)$" loaded.txt && fail "malformed line: $(grep -Ev "^([0-9]+( $num){7} .+|key . frame:[0-9]+)$" loaded.txt | head -1)"
grep '^key ' loaded.txt | grep -qv 'frame:1$' && fail "a channel does not start at frame 1"
grep -q '^key L frame:1$' loaded.txt || fail "no L channel"
# Keys come in byte order.
grep '^key ' loaded.txt | cut -c5 | LC_ALL=C sort -c || fail "keys out of order"

# Pressing L walks only the L channel; lower-case l is another (inactive) key.
"$TOOL" pose tris.skm tris.skp --press L >l2.txt
grep -q '^key L frame:2$' l2.txt || fail "L did not step to 2"
diff <(grep -v ' L[^ ]*$' loaded.txt | grep -v '^key L') <(grep -v ' L[^ ]*$' l2.txt | grep -v '^key L') >/dev/null ||
  fail "pressing L moved bones outside the L channel"
cmp -s loaded.txt l2.txt && fail "pressing L changed nothing"
"$TOOL" pose tris.skm tris.skp --press lxyz >lower.txt
cmp -s loaded.txt lower.txt || fail "inactive keys changed the pose"

# frames - 1 presses wrap L to frame 0 (the rest pose); --press may repeat.
presses=$(printf 'L%.0s' $(seq 1 $((frames - 1))))
"$TOOL" pose tris.skm tris.skp --press "$presses" >l0.txt
grep -q '^key L frame:0$' l0.txt || fail "L did not wrap to 0 after $((frames - 1)) presses"
"$TOOL" pose tris.skm tris.skp --press "${presses:1}" --press=L >l0b.txt
cmp -s l0.txt l0b.txt || fail "split --press differs"

# Every channel at frame 0: the rest pose, used below to see frame 0 kept.
keys=$(grep '^key ' loaded.txt | cut -c5 | tr -d '\n')
allzero=""
for ((i = 0; i < ${#keys}; i++)); do allzero+=$(printf "${keys:i:1}%.0s" $(seq 1 $((frames - 1)))); done
"$TOOL" pose tris.skm tris.skp --press "$allzero" >rest.txt
[ "$(grep -c 'frame:0$' rest.txt)" = "${#keys}" ] || fail "not every channel reached frame 0"

# Frame N is what every key channel stepped to N shows; the key lines stay
# those of the untouched channels.
bones_of() { grep -v '^key ' "$1"; }
twice=""
for ((i = 0; i < ${#keys}; i++)); do twice+=${keys:i:1}${keys:i:1}; done
"$TOOL" pose tris.skm tris.skp --press "$twice" >keys3.txt
cp rest.txt keys0.txt
for n in 0 3; do
  "$TOOL" pose tris.skm tris.skp --frame $n >frame$n.txt
  diff <(bones_of keys$n.txt) <(bones_of frame$n.txt) >/dev/null || fail "--frame $n differs from the channels at $n"
  diff <(grep '^key ' loaded.txt) <(grep '^key ' frame$n.txt) >/dev/null || fail "--frame $n changed the key lines"
done

# --t 0 and 1 are the frames exactly (after the last frame comes frame 1), and
# a blend between them moves. The blend itself is the unit tests' business.
last=$((frames - 1))
for n in 2 $last; do
  next=$((n == last ? 1 : n + 1))
  "$TOOL" pose tris.skm tris.skp --frame $n >a.txt
  "$TOOL" pose tris.skm tris.skp --frame $next >b.txt
  "$TOOL" pose tris.skm tris.skp --frame $n --t 0 >t0.txt
  "$TOOL" pose tris.skm tris.skp --frame=$n --t=1 >t1.txt
  "$TOOL" pose tris.skm tris.skp --frame $n --t 0.3 >mid.txt
  cmp -s a.txt t0.txt || fail "--frame $n --t 0 is not frame $n"
  cmp -s b.txt t1.txt || fail "--frame $n --t 1 is not frame $next"
  [ "$(wc -l <mid.txt)" = "$(wc -l <a.txt)" ] && ! cmp -s a.txt mid.txt && ! cmp -s b.txt mid.txt ||
    fail "--frame $n --t 0.3 is not between the frames"
done

# Rotation: zero angles write the same bytes; yaw 90 turns the root by -90
# about z in frames 1 and up and leaves frame 0 as it was.
"$TOOL" rotate tris.skm tris.skp zero.skp >/dev/null
cmp -s zero.skp tris.skp || fail "rotating by 0 changed the file"
"$TOOL" rotate tris.skm tris.skp yaw.skp --yaw 90 >yaw.log
grep -q '^wrote SKP file$' yaw.log || fail "no exporter line"
"$TOOL" pose tris.skm yaw.skp >yaw.txt
awk 'NR==1 && !($2 == "0.000000" && $3 == "0.000000" && $4 == "-0.707107" && $5 == "0.707107") { exit 1 }' yaw.txt ||
  fail "root quaternion after yaw 90: $(head -1 yaw.txt)"
"$TOOL" pose tris.skm yaw.skp --press "$allzero" >yawrest.txt
cmp -s rest.txt yawrest.txt || fail "rotation changed frame 0"

# same_pose A B: the same bones at the same places (within print precision),
# each quaternion equal up to its sign (q and -q are one rotation).
same_pose() {
  paste -d' ' "$1" "$2" | awk '
    function abs(x) { return x < 0 ? -x : x }
    $1 ~ /^[0-9]+$/ {
      plus = 0; minus = 0
      for (i = 2; i <= 5; i++) {
        if (abs($i - $(i + 9)) > plus) plus = abs($i - $(i + 9))
        if (abs($i + $(i + 9)) > minus) minus = abs($i + $(i + 9))
      }
      if (plus > 1e-5 && minus > 1e-5) exit 1
      for (i = 6; i <= 8; i++) if (abs($i - $(i + 9)) > 1e-4) exit 1
    }'
}

# Presses accumulate through the file: yaw 90 twice equals yaw 180, and -90
# after +90 comes back (within print precision).
"$TOOL" rotate tris.skm yaw.skp yaw2.skp --yaw 90 >/dev/null
"$TOOL" rotate tris.skm tris.skp yaw180.skp --yaw 180 >/dev/null
"$TOOL" pose tris.skm yaw2.skp >a.txt
"$TOOL" pose tris.skm yaw180.skp >b.txt
same_pose a.txt b.txt ||
  fail "two yaw 90 turns differ from one of 180"
"$TOOL" rotate tris.skm yaw.skp back.skp --yaw=-90 >/dev/null
"$TOOL" pose tris.skm back.skp >back.txt
same_pose loaded.txt back.txt ||
  fail "yaw -90 did not undo yaw 90"

# Angles are kept within -360..360 as the Rotate panel keeps them.
"$TOOL" rotate tris.skm tris.skp big.skp --yaw 1e9 --pitch -5000 --roll 400 >/dev/null
"$TOOL" rotate tris.skm tris.skp clamped.skp --yaw 360 --pitch -360 --roll 360 >/dev/null
cmp -s big.skp clamped.skp || fail "angles were not clamped"

# Errors: usage 2 (a message and nothing on stdout), load or write failure 1,
# and nothing written.
expect 2 "$TOOL" pose tris.skm
expect 2 "$TOOL" pose tris.skm tris.skp --press
for bad in "--frame $frames" "--frame -1" "--frame 2x" "--t 0.5" "--frame 1 --t 1.5" \
  "--frame 1 --t -0.1" "--frame 1 --t nan" "--frame 1 --press L" "--press L --frame 1"; do
  # shellcheck disable=SC2086
  expect 2 "$TOOL" pose tris.skm tris.skp $bad
  [ ! -s out.txt ] || fail "pose $bad printed on stdout"
  contains err "boneloom-tool pose: "
done
expect 2 "$TOOL" pose tris.skm tris.skp --frame $frames
contains err "0 .. $last"
expect 2 "$TOOL" rotate tris.skm tris.skp o.skp --yaw abc
contains err "--yaw: 'abc'"
expect 2 "$TOOL" rotate tris.skm tris.skp o.skp --roll nan
expect 2 "$TOOL" rotate tris.skm tris.skp --pitch 5
[ ! -e o.skp ] || fail "output written after a usage error"
expect 1 "$TOOL" pose missing.skm tris.skp
contains err "missing.skm"
expect 1 "$TOOL" pose missing.skm tris.skp --frame 1
expect 1 "$TOOL" rotate tris.skm tris.skp nodir/o.skp --yaw 5
[ ! -e nodir ] || fail "output directory created"
"$TOOL" pose --help | grep -q '^usage: boneloom-tool pose' || fail "pose --help"
"$TOOL" rotate --help | grep -q -- '--pitch P' || fail "rotate --help"
echo "cli_pose_commands: ok"
