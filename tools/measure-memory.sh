#!/usr/bin/env bash
# Peak resident memory of the whole desktop program with every window opened
# once. Starts a private X server, runs the program under /usr/bin/time -v,
# clicks its way through the windows with xdotool and prints the figure.
#
#   [SCREEN=WIDTHxHEIGHT] [SCALE=N] tools/measure-memory.sh [BUILD_DIR] [DISPLAY_NUMBER] [SCREENSHOT_DIR]
#
# BUILD_DIR holds app/stelvane and tools/stelvane-cli (default: build).
# SCREEN is the X screen in device pixels (default 1024x768) and SCALE the
# program's pixel ratio on it (QT_SCALE_FACTOR, a whole number, default 1):
# SCREEN=3840x2160 SCALE=2 is a 4K screen at a pixel ratio of 2. There is no
# window manager, so the windows keep their creation size.
# The design is the heaviest one the program allows: 21 stages and a sweep
# of 2000 intervals, read from the last-session file at start.
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
DISPLAY_NUMBER=${2:-131}
SHOTS=${3:-}
APP=$BUILD/app/stelvane
CLI=$BUILD/tools/stelvane-cli
SCREEN=${SCREEN:-1024x768}
SCALE=${SCALE:-1}
case $SCREEN in
    *[!0-9x]* | x* | *x | *x*x*) echo "measure-memory: SCREEN is WIDTHxHEIGHT" >&2; exit 2 ;;
esac
case $SCALE in '' | *[!0-9]* | 0) echo "measure-memory: SCALE is a whole number" >&2; exit 2 ;; esac
LIMIT_KB=$((150 * 1024))

for tool in Xvfb xdotool /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "measure-memory: $tool is missing" >&2; exit 2; }
done
if [ ! -x "$APP" ] || [ ! -x "$CLI" ]; then
    echo "measure-memory: build app/stelvane and tools/stelvane-cli in $BUILD" >&2
    exit 2
fi

WORK=$(mktemp -d)
XVFB_PID=
APP_PID=
cleanup() {
    # APP_PID is the timer; the program is its child.
    [ -n "$APP_PID" ] && pkill -P "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# The screen in twips, at 15 twips per logical pixel.
SW=$((${SCREEN%x*} / SCALE * 15))
SH=$((${SCREEN#*x} / SCALE * 15))
Xvfb ":$DISPLAY_NUMBER" -screen 0 "${SCREEN}x24" -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.2; done

cd "$WORK" || exit 2
"$CLI" --order 21 --intervals 2000 --save QUIBEX.LAST >/dev/null || exit 2

QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$SCALE /usr/bin/time -v -o "$WORK/time.txt" "$APP" &
APP_PID=$!

opened=()
missing=()

# The visible window whose caption contains the text, waiting up to 10 s.
find_window() {
    timeout 10 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | tail -n 1
}

# click CAPTION W0 H0 X Y: clicks the point (X, Y) in layout units of the
# window created at W0 x H0 twips (its unit is W0 x Sw / 12000^2 twips wide
# and H0 x Sh / 9000^2 twips high), SCALE device pixels to the logical one.
click() {
    local wid
    wid=$(find_window "$1") || true
    if [ -z "$wid" ]; then
        echo "measure-memory: no window \"$1\"" >&2
        return 1
    fi
    local px py
    px=$(awk -v w="$2" -v x="$4" -v sw=$SW -v k=$SCALE \
        'BEGIN { printf "%d", k * x * w * sw / (12000 * 12000) / 15 + 0.5 }')
    py=$(awk -v h="$3" -v y="$5" -v sh=$SH -v k=$SCALE \
        'BEGIN { printf "%d", k * y * h * sh / (9000 * 9000) / 15 + 0.5 }')
    xdotool mousemove --window "$wid" "$px" "$py" click 1
    sleep 1
}

# closes CAPTION: waits up to 10 s for the window to go.
closes() {
    for _ in $(seq 50); do
        [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && return 0
        sleep 0.2
    done
    echo "measure-memory: \"$1\" did not close" >&2
    return 1
}

# opens CAPTION: notes whether a window with that caption came up.
opens() {
    if [ -n "$(find_window "$1")" ]; then
        opened+=("$1")
        return 0
    fi
    missing+=("$1")
    return 1
}

shot() {
    [ -n "$SHOTS" ] && command -v import >/dev/null && import -window root "$SHOTS/$1.png"
}

# Creation sizes in twips of the window kinds.
BIG="11880 8490"    # opening, plot, schematic, poles, opamp test
WIDE="11760 8415"   # design, tabulated, file writing
ABOUT="6855 5415"

opens "Stelvane - Welcome!" && shot opening
click "Stelvane - Welcome!" $BIG 6000 7500                        # Start

opens "Stelvane - Design" && shot design
click "Stelvane - Design" $WIDE 6500 7450                         # Examine
if opens "Stelvane - Opamp test"; then
    shot opamptest
    click "Stelvane - Opamp test" $BIG 6500 7450                  # Return
    closes "Stelvane - Opamp test"
fi
click "Stelvane - Design" $WIDE 6500 150                          # About
if opens "QUIBEX - About"; then
    click "QUIBEX - About" $ABOUT 5800 6325                       # Return
    closes "QUIBEX - About"
fi
click "Stelvane - Design" $WIDE 5900 150                          # Write
if opens "Stelvane - file writing"; then
    shot writefiles
    click "Stelvane - file writing" $WIDE 4900 6150               # Return
    closes "Stelvane - file writing"
fi
click "Stelvane - Design" $WIDE 3700 150                          # Plot

opens "Stelvane - Plot" && shot plot
click "Stelvane - Plot" $BIG 800 2950                             # Plot phase
click "Stelvane - Plot" $BIG 800 2550                             # Plot delay
click "Stelvane - Plot" $BIG 800 1650                             # Show poles
if opens "Stelvane - Poles"; then
    shot poles
    click "Stelvane - Poles" $BIG 800 1650                        # Return
    closes "Stelvane - Poles"
fi
click "Stelvane - Plot" $BIG 4500 150                             # Tabulate

opens "Stelvane - Tabulated" && shot tabulated
click "Stelvane - Tabulated" $WIDE 2850 150                       # Schematic

opens "Stelvane - Schematic" && shot schematic
click "Stelvane - Schematic" $BIG 2250 6730                       # Specified opamp
click "Stelvane - Schematic" $BIG 6600 4000                       # scroll one page on
shot schematic-scrolled
click "Stelvane - Schematic" $BIG 5900 150                        # Write
if opens "Stelvane - file writing"; then
    click "Stelvane - file writing" $WIDE 4900 6150               # Return
    closes "Stelvane - file writing"
fi
click "Stelvane - Schematic" $BIG 7100 150                        # Exit

for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$APP_PID" 2>/dev/null; then
    echo "measure-memory: the program did not end on Exit" >&2
    exit 1
fi
wait "$APP_PID"
APP_PID=

peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time.txt")
echo "windows opened: ${opened[*]/#/|}"
[ ${#missing[@]} -gt 0 ] && echo "windows not found: ${missing[*]/#/|}"
echo "peak resident memory: $peak_kb kB ($((peak_kb / 1024)) MB)"
[ -n "$peak_kb" ] && [ "$peak_kb" -lt "$LIMIT_KB" ]
