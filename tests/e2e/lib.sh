# Shared helpers of the end-to-end road scripts: a private X server, the program started on it,
# and the user's keyboard. A road script sources this file, calls e2e_init with the program and
# lamelin-setup, then e2e_start_display and e2e_start_program, and drives the windows.
#
# Failures of the harness itself (Xvfb, the display, the program's start) end the script with
# "E2E SETUP FAILED" and exit code 2; a failed check of the road ends it with "E2E FAILED" and
# exit code 1, so that a report tells a broken machine from a broken program.
#
# Timing: every wait polls for a condition up to E2E_TIMEOUT seconds (default 60), never a fixed
# sleep, so a machine busy with other work only makes the road slower, not failing.

E2E_TIMEOUT="${E2E_TIMEOUT:-60}"
E2E_WORK=""
E2E_XVFB_PID=""
E2E_APP_PID=""

fail() {
    echo "E2E FAILED: $*" >&2
    exit 1
}

setup_fail() {
    echo "E2E SETUP FAILED: $*" >&2
    exit 2
}

e2e_cleanup() {
    if [ -n "$E2E_APP_PID" ]; then kill "$E2E_APP_PID" 2>/dev/null || true; fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    if [ -n "$E2E_WORK" ]; then rm -rf "$E2E_WORK"; fi
}

# e2e_init <lamelin> <lamelin-setup> <table-dump>: a private work directory and home, and a
# fresh default data directory made by lamelin-setup. Sets E2E_DATA to the data directory.
e2e_init() {
    E2E_LAMELIN="$1"
    E2E_SETUP="$2"
    E2E_DUMP="$3"
    E2E_WORK="$(mktemp -d)"
    trap e2e_cleanup EXIT
    # A private home: the default data directory lies under XDG_DATA_HOME.
    export HOME="$E2E_WORK/home"
    export XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CONFIG_HOME="$HOME/.config"
    export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
    mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    "$E2E_SETUP" > /dev/null || setup_fail "lamelin-setup failed"
    E2E_DATA="$XDG_DATA_HOME/Corvex/Lamelin 2013"
    [ -f "$E2E_DATA/Data.DB" ] || setup_fail "lamelin-setup made no register"
}

# Polls `condition` (a command) every 0.1 s until it succeeds or E2E_TIMEOUT seconds pass.
wait_for() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    while ! "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

xvfb_alive() { kill -0 "$E2E_XVFB_PID" 2>/dev/null; }
display_number_written() {
    xvfb_alive || setup_fail "Xvfb ended at start: $(cat "$E2E_WORK/xvfb.log")"
    grep -qE '^[0-9]+$' "$E2E_WORK/display" 2>/dev/null
}
display_answers() { xdpyinfo > /dev/null 2>&1; }

# Starts a private Xvfb and points DISPLAY and XAUTHORITY at it.
# - The server picks a free display number itself (-displayfd) and writes it only once it
#   accepts connections, so no two test runs or developers ever race for one number.
# - -noreset: by default the server resets whenever its last client disconnects, and a client
#   connecting during the reset is refused ("could not connect to display"). The readiness probe
#   below is such a last client, and the program connects right after it.
# - A cookie of our own in a private XAUTHORITY: only our clients get in, and a client can never
#   end up on another server that happens to answer on the same number.
e2e_start_display() {
    export XAUTHORITY="$E2E_WORK/Xauthority"
    : > "$XAUTHORITY"
    local cookie
    cookie="$(mcookie)" || setup_fail "mcookie failed"
    # The server accepts every cookie of its -auth file, whatever display the entry names.
    xauth -q -f "$XAUTHORITY" add ":0" . "$cookie" || setup_fail "xauth failed"
    Xvfb -displayfd 3 -noreset -auth "$XAUTHORITY" -nolisten tcp -screen 0 1280x1024x24 \
        3> "$E2E_WORK/display" > "$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    wait_for display_number_written || setup_fail "Xvfb wrote no display number: $(cat "$E2E_WORK/xvfb.log")"
    local number
    number="$(head -n 1 "$E2E_WORK/display")"
    xauth -q -f "$XAUTHORITY" add ":$number" . "$cookie" || setup_fail "xauth failed"
    export DISPLAY=":$number"
    wait_for display_answers || setup_fail "display $DISPLAY does not answer: $(cat "$E2E_WORK/xvfb.log")"
    # A Czech keyboard: xdotool types the Czech letters through keys the map already has, instead
    # of rebinding a key for each letter while the program may still read the old map.
    setxkbmap -layout cz || setup_fail "setxkbmap failed"
}

program_running() { kill -0 "$E2E_APP_PID" 2>/dev/null; }

# Starts the program on the display, on the X11 platform whatever the caller's environment says.
e2e_start_program() {
    unset WAYLAND_DISPLAY
    QT_QPA_PLATFORM=xcb "$E2E_LAMELIN" > "$E2E_WORK/lamelin.log" 2>&1 &
    E2E_APP_PID=$!
    sleep 0.2
    program_running || setup_fail "the program did not start: $(cat "$E2E_WORK/lamelin.log")"
}

# Prints the id of the newest visible window whose name matches the extended regex $1; waits
# until one exists. Fails when the program ends meanwhile.
wait_window() {
    local id="" deadline=$((SECONDS + E2E_TIMEOUT))
    while :; do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        program_running || fail "the program ended while waiting for '$1': $(cat "$E2E_WORK/lamelin.log")"
        [ "$SECONDS" -lt "$deadline" ] || fail "no window named '$1'"
        sleep 0.1
    done
}

# Waits until no visible window matches $1 any more.
wait_window_gone() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    while [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the window '$1' did not close"
        sleep 0.1
    done
}

# There is no window manager: the window with the keyboard is the X input focus.
window_active() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Waits for the window named $1 and makes sure it has the keyboard; prints its id. Keys and text
# go to the active window, so every step of a road first waits for the window it means.
focus_window() {
    local id
    id="$(wait_window "$1")"
    if ! window_active "$id"; then
        xdotool windowfocus "$id" 2> /dev/null || true
        wait_for window_active "$id" || fail "the window '$1' did not get the keyboard"
    fi
    echo "$id"
}

# key <window regex> <keys...>: presses keys (xdotool names) in the window named $1.
key() {
    local name="$1"
    shift
    focus_window "$name" > /dev/null
    xdotool key --clearmodifiers "$@"
}

# press <keys...>: presses keys where the keyboard is now (in an open menu, say).
press() { xdotool key --clearmodifiers "$@"; }

# type_text <window regex> <text>: types Czech text into the focused control of that window.
type_text() {
    focus_window "$1" > /dev/null
    xdotool type --clearmodifiers --delay 30 "$2"
}

# read_table <directory> <table>: the rows of a table as the engine reads them, one line per
# record, the field texts separated by "|". Read by another process while the program runs.
read_table() {
    "$E2E_DUMP" "$1" "$2" || fail "the table $2 in $1 cannot be read"
}

# read_fields <directory> <table> <field>...: the same, only the fields named, in that order.
read_fields() {
    "$E2E_DUMP" "$@" || fail "the table $2 in $1 cannot be read"
}

# Waits until the program has ended by itself (after the user closed it); fails otherwise.
wait_program_end() {
    wait_for bash -c "! kill -0 $E2E_APP_PID 2>/dev/null" || fail "the program did not end"
    local rc=0
    wait "$E2E_APP_PID" 2>/dev/null || rc=$?
    E2E_APP_PID=""
    [ "$rc" -eq 0 ] || fail "the program ended with exit code $rc: $(cat "$E2E_WORK/lamelin.log")"
}
