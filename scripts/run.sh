#!/bin/sh
# Runs Talvex on the bundled sample site: installs what is missing, builds the tool with its
# built-in addresses at the site on 127.0.0.1, starts the site and opens the window.
# With no display it runs the same under Xvfb, types a keyword, presses the search button,
# waits for the rows and writes a screenshot. Closing the tool stops the site.
#
#   ./scripts/run.sh                 # port 18080
#   TALVEX_SITE_PORT=18090 ./scripts/run.sh
#   TALVEX_KEYWORD='kung fu' ./scripts/run.sh    # the keyword typed when there is no display
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
port=${TALVEX_SITE_PORT:-18080}
keyword=${TALVEX_KEYWORD:-kung fu}
build="$root/build/run"
base="http://127.0.0.1:$port"

"$root/scripts/setup.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTALVEX_BUILD_TESTS=OFF -DTALVEX_BUILD_BENCH=OFF \
    -DTALVEX_SEARCH_BASE="$base" \
    -DTALVEX_UPDATE_URL="$base/gengxin/gengxin2.txt" \
    -DTALVEX_PUBLISHER_SITE="$base/" \
    -DTALVEX_SHARE_PAGE="$base/share.html" >/dev/null
cmake --build "$build" --target talvex talvex_sample_site -j2

run_dir=$(mktemp -d "${TMPDIR:-/tmp}/talvex-run.XXXXXX")
site_pid=""
xvfb_pid=""
tool_pid=""
stop_all() {
    for pid in $tool_pid $site_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$run_dir"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The site prints its port once it listens, and every request on standard error.
"$build/sample_site/talvex_sample_site" "$port" --log >"$run_dir/site.port" 2>"$run_dir/site.log" &
site_pid=$!
waited=0
until [ -s "$run_dir/site.port" ]; do
    if ! kill -0 "$site_pid" 2>/dev/null || [ "$waited" -ge 100 ]; then
        echo "run: the sample site did not start on 127.0.0.1:$port" >&2
        cat "$run_dir/site.log" >&2
        exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
done
echo "run: sample site on $base"

if [ -n "${DISPLAY:-}" ]; then
    "$build/app/talvex" &
    tool_pid=$!
    wait "$tool_pid" || true
    tool_pid=""
    exit 0
fi

# No display: the same under Xvfb, driven by xdotool.
exec 3>"$run_dir/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
waited=0
until [ -s "$run_dir/display" ]; do
    if [ "$waited" -ge 100 ]; then
        echo "run: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
done
DISPLAY=":$(cat "$run_dir/display")"
export DISPLAY
echo "run: no display; running under Xvfb on $DISPLAY"

"$build/app/talvex" &
tool_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Talvex' | head -n 1)
if [ -z "$window" ]; then
    echo "run: the window did not appear" >&2
    exit 1
fi

# Positions inside the window: the keyword box at (95, 56) 240 x 32, the search button at
# (351, 56) 80 x 32.
xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 215 72 click 1
xdotool key ctrl+a
xdotool type --delay 20 "$keyword"
xdotool mousemove --window "$window" 391 72 click 1

# The rows are listed once the result page has been served; allow for the listing itself.
waited=0
until grep -q '^GET /s/' "$run_dir/site.log"; do
    if [ "$waited" -ge 150 ]; then
        echo "run: no search reached the site" >&2
        exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
done
sleep 1

screenshot="$build/talvex-screenshot.png"
import -window "$window" "$screenshot"
echo "run: searched for \"$keyword\"; screenshot written to $screenshot"
