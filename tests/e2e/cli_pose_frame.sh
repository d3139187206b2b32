#!/usr/bin/env bash
# boneloom-tool pose --frame N [--t T] on the demo model: a frame equals every
# key channel stepped to it, the ends of a blend are the frames themselves, a
# blend between them matches one recomputed here from the two frames, and the
# usage errors.
set -euo pipefail
TOOL="$BONELOOM_BUILD/boneloom-tool"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$WORK"

"$TOOL" sample . >/dev/null
frames=$("$TOOL" info tris.skm tris.skp | sed -n 's/^tris.skp: [0-9]* bones, \([0-9]*\) frames$/\1/p')
[ "$frames" -ge 4 ] || fail "demo model has $frames frames"
last=$((frames - 1))
"$TOOL" info tris.skm tris.skp | awk '/^ *index  parent/ { on = 1; next } on && NF == 0 { exit }
  on { print $1, $2 }' >parents.txt
keys=$("$TOOL" pose tris.skm tris.skp | sed -n 's/^key \(.\) frame:1$/\1/p' | tr -d '\n')
bones() { grep -v '^key ' "$1"; }

# Frame N is what every key channel stepped to N shows; the key lines stay
# those of the untouched channels.
"$TOOL" pose tris.skm tris.skp >loaded.txt
for n in 0 3; do
  presses=""
  steps=$(((n - 1 + frames) % frames))
  for ((i = 0; i < ${#keys}; i++)); do
    for ((s = 0; s < steps; s++)); do presses+=${keys:i:1}; done
  done
  "$TOOL" pose tris.skm tris.skp --press "$presses" >keys$n.txt
  "$TOOL" pose tris.skm tris.skp --frame $n >frame$n.txt
  diff <(bones keys$n.txt) <(bones frame$n.txt) >/dev/null || fail "--frame $n differs from the channels at $n"
  diff <(grep '^key ' loaded.txt) <(grep '^key ' frame$n.txt) >/dev/null || fail "--frame $n changed the key lines"
done

# t 0 and 1 are the frames exactly; after the last frame comes frame 1.
for n in 2 $last; do
  next=$((n == last ? 1 : n + 1))
  "$TOOL" pose tris.skm tris.skp --frame $n >a.txt
  "$TOOL" pose tris.skm tris.skp --frame $next >b.txt
  "$TOOL" pose tris.skm tris.skp --frame $n --t 0 >t0.txt
  "$TOOL" pose tris.skm tris.skp --frame=$n --t=1 >t1.txt
  cmp -s a.txt t0.txt || fail "--frame $n --t 0 is not frame $n"
  cmp -s b.txt t1.txt || fail "--frame $n --t 1 is not frame $next"

  # Blend at 0.3 recomputed here: each bone's local pose taken back out of the
  # two frames' model-space poses, slerped the short way and linearly moved,
  # then put back under its blended parent.
  "$TOOL" pose tris.skm tris.skp --frame $n --t 0.3 >mid.txt
  awk -v t=0.3 '
    function abs(x) { return x < 0 ? -x : x }
    function mul(a, b, r) {   # r = a * b, Hamilton product, [1..4] = x y z w
      r[1] = a[4]*b[1] + a[1]*b[4] + a[2]*b[3] - a[3]*b[2]
      r[2] = a[4]*b[2] + a[2]*b[4] + a[3]*b[1] - a[1]*b[3]
      r[3] = a[4]*b[3] + a[3]*b[4] + a[1]*b[2] - a[2]*b[1]
      r[4] = a[4]*b[4] - a[1]*b[1] - a[2]*b[2] - a[3]*b[3]
    }
    function rot(q, v, r,   p, c, o) {   # r = q v q^-1 for a unit q
      p[1] = v[1]; p[2] = v[2]; p[3] = v[3]; p[4] = 0
      mul(q, p, o); c[1] = -q[1]; c[2] = -q[2]; c[3] = -q[3]; c[4] = q[4]
      mul(o, c, r)
    }
    function local(f, i, lq, lo,   p, c, q, d, k) {   # bone i of frame f, parent-relative
      p = parent[i]
      for (k = 1; k <= 4; k++) q[k] = Q[f, i, k]
      if (p < 0) { for (k = 1; k <= 4; k++) lq[k] = q[k]; for (k = 1; k <= 3; k++) lo[k] = O[f, i, k]; return }
      c[1] = -Q[f, p, 1]; c[2] = -Q[f, p, 2]; c[3] = -Q[f, p, 3]; c[4] = Q[f, p, 4]
      mul(c, q, lq)
      for (k = 1; k <= 3; k++) d[k] = O[f, i, k] - O[f, p, k]
      rot(c, d, lo)
    }
    FILENAME == "parents.txt" { parent[$1] = $2; next }
    /^key / { next }
    { f = FILENAME; count[f]++
      for (k = 1; k <= 4; k++) Q[f, $1, k] = $(k + 1)
      for (k = 1; k <= 3; k++) O[f, $1, k] = $(k + 5) }
    END {
      for (i = 0; i < count["a.txt"]; i++) {
        local("a.txt", i, qa, oa); local("b.txt", i, qb, ob)
        dot = qa[1]*qb[1] + qa[2]*qb[2] + qa[3]*qb[3] + qa[4]*qb[4]
        sign = dot < 0 ? -1 : 1; dot *= sign
        if (dot > 1) dot = 1
        th = atan2(sqrt(1 - dot * dot), dot)
        if (th < 1e-6) { wa = 1 - t; wb = t } else { wa = sin((1 - t) * th) / sin(th); wb = sin(t * th) / sin(th) }
        for (k = 1; k <= 4; k++) lq[k] = wa * qa[k] + wb * sign * qb[k]
        for (k = 1; k <= 3; k++) lo[k] = (1 - t) * oa[k] + t * ob[k]
        p = parent[i]
        if (p < 0) { for (k = 1; k <= 4; k++) q[k] = lq[k]; for (k = 1; k <= 3; k++) o[k] = lo[k] }
        else {
          for (k = 1; k <= 4; k++) pq[k] = EQ[p, k]
          mul(pq, lq, q); rot(pq, lo, r)
          for (k = 1; k <= 3; k++) o[k] = r[k] + EO[p, k]
        }
        for (k = 1; k <= 4; k++) EQ[i, k] = q[k]
        for (k = 1; k <= 3; k++) EO[i, k] = o[k]
        for (k = 1; k <= 4; k++) if (abs(q[k] - Q["mid.txt", i, k]) > 2e-5) { print "bone " i " quat"; exit 1 }
        for (k = 1; k <= 3; k++) if (abs(o[k] - O["mid.txt", i, k]) > 5e-4) { print "bone " i " origin"; exit 1 }
      }
      if (count["mid.txt"] != count["a.txt"] || count["a.txt"] == 0) { print "bone count"; exit 1 }
    }' parents.txt a.txt b.txt mid.txt >why.txt || fail "--frame $n --t 0.3: $(cat why.txt)"
  cmp -s a.txt mid.txt && fail "--frame $n --t 0.3 did not move"
done

# Usage errors exit 2 and print nothing on stdout.
status() { set +e; "$@" >out.txt 2>err.txt; echo $?; set -e; }
for bad in "--frame $frames" "--frame -1" "--frame 2x" "--t 0.5" "--frame 1 --t 1.5" \
  "--frame 1 --t -0.1" "--frame 1 --t nan" "--frame 1 --press L" "--press L --frame 1"; do
  # shellcheck disable=SC2086
  [ "$(status "$TOOL" pose tris.skm tris.skp $bad)" = 2 ] || fail "pose $bad: not a usage error"
  [ -s out.txt ] && fail "pose $bad printed on stdout"
  grep -q '^boneloom-tool pose: ' err.txt || fail "pose $bad message: $(cat err.txt)"
done
status "$TOOL" pose tris.skm tris.skp --frame $frames >/dev/null
grep -q "0 \.\. $last" err.txt || fail "out-of-range message does not give the range: $(cat err.txt)"
[ "$(status "$TOOL" pose missing.skm tris.skp --frame 1)" = 1 ] || fail "missing model"
echo "cli_pose_frame: ok"
