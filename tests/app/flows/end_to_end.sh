#!/bin/sh
# The real talvex binary under Xvfb, driven by xdotool: one search and one double-click.
# The sample site stands in for the search site; a temporary desktop handler for magnet links
# records what xdg-open hands it.
#
#   end_to_end.sh --source DIR --build DIR --port PORT --site SITE_BINARY [--talvex BINARY]
#
# talvex's addresses are compiled in. Without --talvex (or with an empty one) a Release talvex
# with its addresses at http://127.0.0.1:PORT is configured and built in the --build directory.
set -eu

source_dir="" build_dir="" port="" site="" talvex=""
while [ $# -gt 0 ]; do
    case "$1" in
        --source) source_dir=$2 ;;
        --build) build_dir=$2 ;;
        --port) port=$2 ;;
        --site) site=$2 ;;
        --talvex) talvex=$2 ;;
        *) echo "end_to_end: unknown argument $1" >&2; exit 2 ;;
    esac
    shift 2
done
if [ -z "$source_dir" ] || [ -z "$build_dir" ] || [ -z "$port" ] || [ -z "$site" ]; then
    echo "end_to_end: --source, --build, --port and --site are required" >&2
    exit 2
fi

fail() {
    echo "end_to_end: FAILED: $*" >&2
    for log in site.log xvfb.log talvex.log; do
        if [ -s "$work/$log" ]; then
            echo "--- $log" >&2
            tail -n 30 "$work/$log" >&2
        fi
    done
    exit 1
}

base="http://127.0.0.1:$port"
if [ -z "$talvex" ]; then
    mkdir -p "$build_dir"
    echo "end_to_end: building talvex for $base in $build_dir"
    # A separate build: the sanitizer flags of the calling build are not wanted here.
    env -u CXXFLAGS -u LDFLAGS cmake -S "$source_dir" -B "$build_dir" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DTALVEX_BUILD_TESTS=OFF -DTALVEX_BUILD_BENCH=OFF \
        -DTALVEX_SEARCH_BASE="$base" -DTALVEX_UPDATE_URL="$base/gengxin/gengxin2.txt" \
        -DTALVEX_PUBLISHER_SITE="$base/" -DTALVEX_SHARE_PAGE="$base/share.html" >/dev/null
    cmake --build "$build_dir" --target talvex -j2 >"$build_dir/build.log" 2>&1 || {
        tail -n 40 "$build_dir/build.log" >&2
        exit 1
    }
    talvex="$build_dir/app/talvex"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/talvex-e2e.XXXXXX")
site_pid="" xvfb_pid="" talvex_pid=""
cleanup() {
    for pid in $talvex_pid $site_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Waits up to $2 tenths of a second for the command in $1 to succeed.
wait_for() {
    tries=0
    until sh -c "$1"; do
        tries=$((tries + 1))
        [ "$tries" -lt "$2" ] || return 1
        sleep 0.1
    done
}

"$site" "$port" --log >"$work/site.port" 2>"$work/site.log" &
site_pid=$!
wait_for "test -s '$work/site.port'" 100 || fail "the sample site did not start on $base"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_for "test -s '$work/display'" 100 || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")"
export DISPLAY

# The temporary desktop: magnet links to a recorder, anything else to a browser recorder.
mkdir -p "$work/data/applications" "$work/config"
for name in magnet browser; do
    # shellcheck disable=SC2016 # "$1" belongs to the recorder script
    printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' "$work/$name.txt" >"$work/$name.sh"
    chmod +x "$work/$name.sh"
done
printf '[Desktop Entry]\nType=Application\nName=Recorder\nExec=%s %%u\nMimeType=x-scheme-handler/magnet;\n' \
    "$work/magnet.sh" >"$work/data/applications/talvex-e2e-magnet.desktop"
printf '[Default Applications]\nx-scheme-handler/magnet=talvex-e2e-magnet.desktop\n' \
    >"$work/config/mimeapps.list"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" BROWSER="$work/browser.sh"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

"$talvex" >"$work/talvex.log" 2>&1 &
talvex_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Talvex' | head -n 1) || true
[ -n "$window" ] || fail "the window did not appear"
# The update file names version 1.6: the update check opened nothing.
grep -q '^GET /gengxin/gengxin2.txt' "$work/site.log" || fail "no update check reached the site"

# Keyword box at (95, 56) 240 x 32; search button at (351, 56) 80 x 32 (window coordinates).
xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 215 72 click 1
xdotool key ctrl+a
xdotool type --delay 30 abc
xdotool mousemove --window "$window" 391 72 click 1
wait_for "grep -q '^GET /s/%61%62%63/1/' '$work/site.log'" 150 ||
    fail "the search for abc did not reach the site"
sleep 1

# The middle of the first row, just below the list's header; the list starts at (16, 177).
xdotool mousemove --window "$window" 100 206 click --repeat 2 --delay 60 1
wait_for "grep -q '^GET /d/616263/1/0.html' '$work/site.log'" 100 ||
    fail "the double-click did not fetch the first row's detail page"
wait_for "test -s '$work/magnet.txt'" 100 || fail "no magnet link reached the handler"

# The link the handler must have received: the served one with every escape resolved.
expected=$(python3 - "$base/d/616263/1/0.html" <<'EOF'
import re, sys, urllib.parse, urllib.request
direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))
page = direct.open(sys.argv[1]).read().decode("utf-8")
link = re.search(r'BTUP在线观看</a>\r\n<a href="(.*?)">磁力链接</a>', page).group(1)
print(urllib.parse.unquote(link))
EOF
)
received=$(cat "$work/magnet.txt")
[ "$received" = "$expected" ] || fail "handler received '$received', expected '$expected'"
[ ! -s "$work/browser.txt" ] || fail "the browser was asked to open $(cat "$work/browser.txt")"
echo "end_to_end: search and double-click passed; the handler received $received"
