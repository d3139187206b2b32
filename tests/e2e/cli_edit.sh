#!/usr/bin/env bash
# boneloom-tool edit on the demo model: a chain of operations applied in order
# (frames renumbered as the chain goes), what each leaves in the files, --dry-run
# writing nothing, OUT over IN, refused chains and a result past the format's
# size leaving existing outputs byte for byte, and usage errors.
. "$(dirname "$0")/cli_common.inc"
cd "$WORK"
make_demo
mkdir out

expect 0 "$TOOL" edit "$SKM" "$SKP" out/e.skm out/e.skp --keep 1-4 --append "$SKP:2,1" \
  --rename-frame 0 start --rename-bone Jaw Chin --delete-bone LToe --scale 2 \
  --in-place Pelvis --skin body cloth --rename-mesh 1 sleeves
[ "$(grep -c '^--' out.txt)" = 9 ] || fail "not one line per operation: $(cat out.txt)"
contains out '--keep 1-4: kept 4 of 9 frames, 4 now'
contains out 'appended 2 frames, 6 now; bones matched by name 26, posed from frame 0 0, ignored 0'
contains out 'removed bone 21 "LToe"'
"$TOOL" info out/e.skm out/e.skp >info.txt
grep -q 'e.skp: 25 bones, 6 frames' info.txt || fail "counts: $(head -2 info.txt)"
[ "$(sed -n '/^frames/,/^$/p' info.txt | awk 'NF==2 && $1 ~ /^[0-9]+$/{print $2}' | tr '\n' ' ')" = "start walk2 walk3 walk4 walk2 walk1 " ] ||
  fail "frames: $(sed -n '/^frames/,/^$/p' info.txt)"
grep -q ' Chin$' info.txt && ! grep -q 'LToe' info.txt || fail "bone names"
grep -q 'mesh "body" skin "cloth"' info.txt && grep -q 'mesh "sleeves"' info.txt || fail "mesh names"
expect 0 "$TOOL" check out/e.skm out/e.skp

# Every bone's model-space position is twice the original's at the same frame
# (in-place keeps the demo's root, which walks on the spot), bones after LToe
# one index down; rotations are kept.
"$TOOL" pose "$SKM" "$SKP" --frame 3 | grep -v ' LToe$' | awk '{print $2,$3,$4,$5,2*$6,2*$7,2*$8,$9}' >want.txt
"$TOOL" pose out/e.skm out/e.skp --frame 2 | sed 's/ Chin$/ Jaw/' | awk '{print $2,$3,$4,$5,$6,$7,$8,$9}' >got.txt
awk 'NR==FNR{w[FNR]=$0;next}{split(w[FNR],a," ");for(i=1;i<=8;i++)if(i==8?a[i]!=$i:(a[i]-$i)^2>1e-8){print FNR": "w[FNR]" / "$0;exit 1}}' want.txt got.txt ||
  fail "frame 2 is not frame 3 of the original scaled by 2"

# --dry-run prints the lines and writes nothing.
expect 0 "$TOOL" edit "$SKM" "$SKP" dry.skm dry.skp --drop 0 --dry-run
contains out '--drop 0: dropped 1 of 9 frames, 8 now'
contains out 'dry run: nothing written'
[ ! -e dry.skm ] && [ ! -e dry.skp ] || fail "--dry-run wrote a file"

# Refused chains (the bad step last, after good ones) and a result past 16 MB
# leave the outputs as they were.
cp out/e.skm before.skm && cp out/e.skp before.skp
ranges=$(printf '0-7,%.0s' $(seq 1 2700))
while read -r want op; do
  # shellcheck disable=SC2086
  expect 1 "$TOOL" edit "$SKM" "$SKP" out/e.skm out/e.skp --drop 0 $op
  [ "$(wc -l <err.txt)" = 1 ] || fail "$op: not one line: $(cat err.txt)"
  contains err "${want//_/ }"
  cmp -s before.skm out/e.skm && cmp -s before.skp out/e.skp || fail "$op changed the outputs"
done <<LIST
--rename-bone_NoSuch_X:_no_bone_"NoSuch" --rename-bone NoSuch X
--keep_8:_frame_8 --keep 8
--scale_-1:_not_a_number_above_0_and_below_3.4e38 --scale -1
--rename-frame_0_xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx:_name_is_64_bytes --rename-frame 0 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
--append_nowhere.skp:_ --append nowhere.skp
more_than_16777216 --keep ${ranges%,}
LIST

# OUT may be IN.
cp "$SKM" self.skm && cp "$SKP" self.skp
expect 0 "$TOOL" edit self.skm self.skp self.skm self.skp --drop 0-4
grep -q 'self.skp: 26 bones, 4 frames' <("$TOOL" info self.skm self.skp) || fail "edit over its input"

# Usage errors.
for args in "--keep" "--keep 1 --unknown" "--frobnicate 3" ""; do
  # shellcheck disable=SC2086
  expect 2 "$TOOL" edit "$SKM" "$SKP" u.skm u.skp $args
done
expect 2 "$TOOL" edit "$SKM" "$SKP" u.skm --keep 1
[ ! -e u.skm ] && [ ! -e u.skp ] || fail "a usage error wrote a file"
expect 0 "$TOOL" edit --help
contains out '--delete-bone BONE'
