#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz and
# runs them. Exits non-zero when any target finds a crash, a leak, a timeout
# or runs out of memory; the input is saved under fuzz/corpus-work/artifacts/.
#
#   fuzz/run.sh --smoke                 every target for a few seconds (CI)
#   fuzz/run.sh --seconds N [TARGET...] each target for N seconds, growing a
#                                       work corpus in fuzz/corpus-work/TARGET
#   fuzz/run.sh --coverage [TARGET...]  line coverage of the code under test
#                                       reached by the seed and work corpora
#   fuzz/run.sh --seeds                 regenerates the committed seed corpora
#   fuzz/run.sh --build                 only builds
# Targets: skm, skp, pair, tga, png, jpeg (the default is all six).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build-fuzz
SEEDS=$ROOT/fuzz/corpus
WORKROOT=$ROOT/fuzz/corpus-work
ALL_TARGETS=(skm skp pair tga png jpeg)
SMOKE_SECONDS=${FUZZ_SMOKE_SECONDS:-4}
JOBS=${JOBS:-2}

usage() { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; }

die() { echo "fuzz/run.sh: $*" >&2; exit 2; }

# Quiet unless the build fails.
build() {
  local dir=$1 log
  shift
  command -v clang++ >/dev/null || die "clang++ is not installed (scripts/install-deps.sh)"
  log=$(mktemp "${TMPDIR:-/tmp}/boneloom-fuzz-build.XXXXXX")
  if ! { cmake -S "$ROOT/fuzz" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= "$@" &&
         cmake --build "$dir" -j "$JOBS"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    rm -f "$log"
    die "the fuzz targets did not build"
  fi
  rm -f "$log"
}

# Accepts "skm" or "fuzz_skm".
target_list() {
  local t out=()
  if [ $# -eq 0 ]; then set -- "${ALL_TARGETS[@]}"; fi
  for t in "$@"; do
    t=${t#fuzz_}
    case " ${ALL_TARGETS[*]} " in *" $t "*) out+=("$t") ;; *) die "unknown target '$t' (${ALL_TARGETS[*]})" ;; esac
  done
  echo "${out[@]}"
}

FAILED=0
SUMMARY=()

# run_target TARGET SECONDS WORKDIR: fuzzes TARGET for SECONDS, new inputs
# into WORKDIR, the seeds read only.
run_target() {
  local t=$1 seconds=$2 work=$3 log scratch rc
  mkdir -p "$work" "$WORKROOT/artifacts"
  log=$(mktemp "${TMPDIR:-/tmp}/boneloom-fuzz-$t.XXXXXX")
  # The pair target writes its exports under TMPDIR; libFuzzer may end the
  # process without running exit handlers, so the directory is removed here.
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/boneloom-fuzz-$t-tmp.XXXXXX")
  rc=0
  TMPDIR=$scratch "$BUILD/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$WORKROOT/artifacts/$t-" "$work" "$SEEDS/$t" >"$log" 2>&1 || rc=$?
  local runs cov ft corp
  # A run that crashes at once may have printed none of these.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$({ grep -oE 'cov: [0-9]+' "$log" || true; } | tail -n 1 | cut -d' ' -f2)
  ft=$({ grep -oE 'ft: [0-9]+' "$log" || true; } | tail -n 1 | cut -d' ' -f2)
  corp=$({ grep -oE 'corp: [0-9]+' "$log" || true; } | tail -n 1 | cut -d' ' -f2)
  local line span="in ${seconds}s"
  [ "$rc" -eq 0 ] || span="then failed"
  line=$(printf '%-10s %12s runs %-11s cov %5s  ft %6s  corpus %5s' "fuzz_$t" "${runs:-?}" "$span" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}")
  if [ "$rc" -ne 0 ]; then
    FAILED=1
    line="$line  FAILED (exit $rc)"
    echo "== fuzz_$t failed; its log:" >&2
    grep -vE '^#[0-9]+' "$log" | tail -n 60 >&2
    ls -1 "$WORKROOT/artifacts/$t-"* 2>/dev/null | sed 's/^/   saved input: /' >&2 || true
  else
    line="$line  0 crashes"
  fi
  echo "$line"
  SUMMARY+=("$line")
  rm -rf "$log" "$scratch"
}

mode=${1:---help}
[ $# -gt 0 ] && shift
case "$mode" in
  --help|-h)
    usage
    exit 0 ;;
  --build)
    build "$BUILD"
    echo "built: $BUILD/fuzz_{skm,skp,pair,tga,png,jpeg}" ;;
  --seeds)
    build "$BUILD"
    rm -rf "$SEEDS"
    "$BUILD/make_seeds" "$SEEDS" ;;
  --smoke)
    build "$BUILD"
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/boneloom-fuzz-smoke.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    for t in "${ALL_TARGETS[@]}"; do run_target "$t" "$SMOKE_SECONDS" "$scratch/$t"; done ;;
  --seconds)
    seconds=${1:-}
    [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || die "--seconds needs a whole number of seconds"
    shift
    read -r -a targets <<<"$(target_list "$@")"
    build "$BUILD"
    for t in "${targets[@]}"; do run_target "$t" "$seconds" "$WORKROOT/$t"; done ;;
  --coverage)
    read -r -a targets <<<"$(target_list "$@")"
    command -v llvm-profdata >/dev/null && command -v llvm-cov >/dev/null || die "llvm-profdata and llvm-cov are needed"
    cov=$BUILD/coverage
    build "$cov" -DFUZZ_COVERAGE=ON
    rm -rf "$cov/profiles"
    mkdir -p "$cov/profiles"
    for t in "${targets[@]}"; do
      dirs=("$SEEDS/$t")
      [ -d "$WORKROOT/$t" ] && dirs+=("$WORKROOT/$t")
      scratch=$(mktemp -d "${TMPDIR:-/tmp}/boneloom-fuzz-$t-tmp.XXXXXX")
      TMPDIR=$scratch LLVM_PROFILE_FILE="$cov/profiles/$t.profraw" "$cov/fuzz_$t" -runs=0 "${dirs[@]}" \
        >/dev/null 2>&1 || die "fuzz_$t failed on its corpus"
      rm -rf "$scratch"
      llvm-profdata merge -sparse "$cov/profiles/$t.profraw" -o "$cov/profiles/$t.profdata"
      echo "== fuzz_$t: coverage of the functions it drives ($(ls "${dirs[@]}" | wc -l) inputs)"
      case $t in
        skm) files=(model/load.cpp model/export.cpp)
             names='ParseSKMSource|BlockFits|CopyFileName|Fetch|SKMImageSize|BuildSKMImage' ;;
        skp) files=(model/load.cpp model/export.cpp)
             names='ParseSKPSource|BlockFits|CopyFileName|SKPImageSize|BuildSKPImage' ;;
        pair) files=(model/load.cpp model/export.cpp model/model.cpp pose/keys.cpp pose/rotate_model.cpp pose/rotation.cpp)
              names='ParseSKMSource|ParseSKPSource|LoadFile|Refill|ListBoneNames|AdvanceKey|RebuildPose|ComputePose'
              names+='|LocalPose|StepSelection|RotateModel|ConcatPose|BuildSKMImage|BuildSKPImage|WriteDataFile|CopyModel' ;;
        tga) files=(image/tga.cpp image/image.cpp)
             names='DecodeTGAHeader|DecodeTGA|DecodeRaw|DecodeRuns|PutPixel|FlipImageRows' ;;
        png) files=(image/png.cpp)
             names='DecodePNG' ;;
        jpeg) files=(image/jpeg.cpp)
             names='DecodeJPEG' ;;
      esac
      printf '  %-22s %8s %9s\n' function lines branches
      llvm-cov report -show-functions "$cov/fuzz_$t" -instr-profile="$cov/profiles/$t.profdata" "${files[@]/#/$ROOT/}" |
        awk 'NF >= 10 && $4 ~ /%$/ {print $1 "\t" $7 "\t" $10}' | c++filt |
        sed -E 's/^[A-Za-z_]+\.cpp://; s/\(anonymous namespace\):://g; s/\(.*\)\t/\t/; s/\[abi:cxx11\]//' |
        awk -F'\t' -v re="^($names)\$" '$1 ~ re {printf "  %-22s %8s %9s\n", $1, $2, $3}'
    done
    exit 0 ;;
  *)
    usage >&2
    exit 2 ;;
esac

if [ "${#SUMMARY[@]}" -gt 1 ]; then
  echo "== fuzz summary"
  printf '%s\n' "${SUMMARY[@]}"
fi
exit $FAILED
