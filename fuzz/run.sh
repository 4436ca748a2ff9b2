#!/usr/bin/env bash
# Builds the libFuzzer targets under ASan+UBSan and runs each over its seed corpus, one target at
# a time, after replaying the crash reproducers kept in corpus/regressions/.
#
#   fuzz/run.sh short              a few thousand runs of every target (the test command's pass)
#   fuzz/run.sh long [seconds]     every target for `seconds` (default 600) of fuzzing
#   fuzz/run.sh build              configure and build only
#   fuzz/run.sh replay             only replay the regressions and the seed corpora
#
# FUZZ_TARGETS="fuzz_url fuzz_cookies" limits a run to some targets; FUZZ_BUILD_DIR moves the
# build (default build/fuzz). New inputs found go to <build>/corpus/<target>, crashes to
# <build>/artifacts/; the committed seeds are only read.
set -euo pipefail

mode=${1:-short}
seconds=${2:-600}
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$repo/build/fuzz}
seeds=$repo/fuzz/corpus

all_targets=(fuzz_text_primitives fuzz_codepage fuzz_urlcodec fuzz_url fuzz_cookies
             fuzz_regex_results fuzz_regex_pattern fuzz_update_file fuzz_magnet_page)
read -r -a targets <<<"${FUZZ_TARGETS:-${all_targets[*]}}"

# The largest input per target: pages get room for many results, short inputs mutate faster.
max_len() {
    case $1 in
        fuzz_text_primitives | fuzz_url | fuzz_regex_pattern) echo 4096 ;;
        fuzz_codepage | fuzz_urlcodec | fuzz_update_file) echo 16384 ;;
        *) echo 65536 ;;
    esac
}

configure() {
    local source=$repo
    # Until the top level adds fuzz/ itself, a scratch top level builds the libraries and fuzz/.
    if ! grep -q 'TALVEX_FUZZ' "$repo/CMakeLists.txt"; then
        source=$build/scratch-top
        mkdir -p "$source"
        for dir in text http regex fuzz; do ln -sfn "$repo/$dir" "$source/$dir"; done
        cat >"$source/CMakeLists.txt.new" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(talvex VERSION 1.6 LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
add_library(talvex_warnings INTERFACE)
target_compile_options(talvex_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
find_package(PkgConfig REQUIRED)
foreach(dir text http regex fuzz)
  add_subdirectory(${dir})
endforeach()
CMAKE
        # Rewritten only when changed, so an unchanged build does not configure again.
        if cmp -s "$source/CMakeLists.txt.new" "$source/CMakeLists.txt"; then
            rm "$source/CMakeLists.txt.new"
        else
            mv "$source/CMakeLists.txt.new" "$source/CMakeLists.txt"
        fi
    fi
    if [[ ! -f $build/CMakeCache.txt ]] || ! grep -q "CMAKE_HOME_DIRECTORY:INTERNAL=$source\$" "$build/CMakeCache.txt"; then
        rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
        CC=clang CXX=clang++ cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DTALVEX_BUILD_APP=OFF -DTALVEX_BUILD_TESTS=OFF -DTALVEX_FUZZ=ON \
            -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all" \
            -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
    fi
    cmake --build "$build" --target talvex_fuzz -j2
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
    local target=$1 exe=$build/fuzz/$1
    local -a common=(-max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048
                     -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1)
    mkdir -p "$build/corpus/$target" "$build/artifacts"

    # Every kept reproducer and seed must run clean before any new input is tried.
    local -a kept=()
    shopt -s nullglob
    kept=("$seeds/regressions/$target"-* "$seeds/$target"/*)
    shopt -u nullglob
    if ((${#kept[@]})); then
        "$exe" "${common[@]}" "${kept[@]}" >"$build/artifacts/$target.replay.log" 2>&1 ||
            { cat "$build/artifacts/$target.replay.log"; echo "FAILED: $target replay"; return 1; }
    fi

    case $mode in
        short) "$exe" "${common[@]}" -runs=4000 "$build/corpus/$target" "$seeds/$target" ;;
        # One worker process that carries on past a finding, so one pass reports them all.
        long) "$exe" "${common[@]}" -max_total_time="$seconds" -fork=1 -ignore_crashes=1 \
                  -ignore_timeouts=1 -ignore_ooms=1 "$build/corpus/$target" "$seeds/$target" ;;
        replay) return 0 ;;
    esac
}

case $mode in
    build) configure; exit 0 ;;
    short | long | replay) configure ;;
    *) echo "usage: $0 short | long [seconds] | build | replay" >&2; exit 2 ;;
esac

mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    echo "== $target ($mode)"
    start=$SECONDS
    before=$(find "$build/artifacts" -name "$target-*" | wc -l)
    if run_target "$target" 2>"$build/artifacts/$target.log" &&
        (($(find "$build/artifacts" -name "$target-*" | wc -l) == before)); then
        grep -E '^stat::number_of_executed_units|^#[0-9]+: cov' "$build/artifacts/$target.log" |
            tail -1 || true
        echo "   ok in $((SECONDS - start)) s"
    else
        tail -40 "$build/artifacts/$target.log" || true
        echo "FAILED: $target (log: $build/artifacts/$target.log)"
        status=1
    fi
done
exit $status
