#!/usr/bin/env bash
# Runs each libFuzzer target for FUZZ_SECONDS (default 60) seconds.
#
#   FUZZ_SECONDS=60 [FUZZ_TARGETS="fuzz_readexif ..."] bash fuzz/run.sh BUILD_DIR
#
# Seeds: the sample photos of every format under EXIFKIT_CORPUS (default
# ../shared/corpus beside the repository) and tests/data, the APP1 blocks cut
# out of them and the TIFF data of the others for fuzz_exifparse, the
# hand-made inputs of fuzz/seeds and the inputs of tests/data/fuzz. New inputs accumulate in BUILD_DIR/fuzz-work/<target>/corpus;
# crashing inputs land in BUILD_DIR/fuzz-work/<target>/artifacts.
# Exits non-zero when a target crashes, leaks, times out or a sanitizer reports.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd)
photos=${EXIFKIT_CORPUS:-$root/../shared/corpus}
seconds=${FUZZ_SECONDS:-60}
work=$build/fuzz-work

# Every sample photo we can find, of any format, one per line.
list_photos() {
    local dir
    for dir in "$photos" "$root/tests/data"; do
        [[ -d $dir ]] && find "$dir" -type f ! -iname 'README*' ! -iname '*.md' | sort
    done
    return 0
}

# Copies the hand-made seeds and the regression inputs into $1.
copy_fixed_seeds() {
    local dir
    for dir in "$root/fuzz/seeds" "$root/tests/data/fuzz"; do
        if [[ -d $dir ]]; then
            find "$dir" -type f ! -name 'README*' -exec cp {} "$1/" \;
        fi
    done
    return 0
}

# Fills $2 with the seeds of target $1.
make_seeds() {
    local target=$1 seeds=$2 photo n=0
    rm -rf "$seeds"
    mkdir -p "$seeds"
    copy_fixed_seeds "$seeds"
    mapfile -t photo_list < <(list_photos)
    if [[ $target == fuzz_exifparse ]]; then
        if ((${#photo_list[@]})); then
            "$build/fuzz/exifkit_extract_app1" "$seeds" "${photo_list[@]}" >/dev/null
        fi
        # TIFF and raw files: their first bytes as the TIFF data of a block.
        for photo in "${photo_list[@]}"; do
            case $(head -c 4 "$photo" | od -An -tx1 | tr -d ' ') in
            49492a00|4d4d002a|4949524f|49495253|4d4d4f52|49495500)
                { printf 'Exif\0\0'; head -c 65529 "$photo"; } >"$seeds/tiff-$((n++))-$(basename "$photo")" ;;
            esac
        done
    elif [[ $target == fuzz_sources ]]; then
        # Two bytes of how much the source holds, then the file's first 128 KiB.
        for photo in "${photo_list[@]}"; do
            { printf '\x40\x00'; head -c 131072 "$photo"; } >"$seeds/part-$((n++))-$(basename "$photo")"
        done
    else
        for photo in "${photo_list[@]}"; do
            cp "$photo" "$seeds/photo-$((n++))-$(basename "$photo")"
        done
    fi
    echo "$target: $(find "$seeds" -type f | wc -l) seeds"
}

# Runs target $1 with the extra libFuzzer options that follow.
run_target() {
    local target=$1
    shift
    local dir=$work/$target
    local log=$dir/fuzz.log
    mkdir -p "$dir/corpus" "$dir/artifacts"
    make_seeds "$target" "$dir/seeds"

    echo "$target: fuzzing for $seconds s (log: $log)"
    local status=0
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        "$build/fuzz/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -error_exitcode=77 -timeout_exitcode=70 -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/" "$@" \
        "$dir/corpus" "$dir/seeds" >"$log" 2>&1 || status=$?

    if ((status != 0)) || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:' "$log"; then
        echo "$target: FAILED (exit $status)" >&2
        grep -E -A30 'ERROR:|runtime error:|==[0-9]+==' "$log" | head -60 >&2 || tail -40 "$log" >&2
        ls "$dir/artifacts" >&2
        return 1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' "$log" | sed "s/^/$target: /"
    echo "$target: clean, corpus $(find "$dir/corpus" -type f | wc -l) inputs"
}

# FUZZ_TARGETS picks some of them (space-separated), so that two can run at
# once on two cores.
targets=${FUZZ_TARGETS:-fuzz_exifparse fuzz_readexif fuzz_sources}
failed=0
for target in $targets; do
    case $target in
    fuzz_exifparse) run_target fuzz_exifparse -max_len=65535 || failed=1 ;;
    fuzz_readexif) run_target fuzz_readexif -max_len=131072 || failed=1 ;;
    fuzz_sources) run_target fuzz_sources -max_len=131074 || failed=1 ;;
    *) echo "unknown fuzz target: $target" >&2; failed=1 ;;
    esac
done
exit $failed
