#!/usr/bin/env bash
# The main use in one real application, pressed the way a person presses.
#
#   desktop_matrix.sh APP SCRIBEON SERVER TEST-EDITOR KEY-STATE [ARTIFACTS]
#
# APP is one of qt-editor, mousepad, gedit, firefox, chromium, xterm, sakura,
# emacs, or mousepad-no-a11y (mousepad without its accessibility bridge:
# capture from the primary selection it holds, replacement by Ctrl+V; with
# nothing selected the copy key, the user's clipboard put back after it). Emacs has no key that copies or pastes over its region: the
# capture reads the primary selection, the result stays on the clipboard with
# the replace hint, and its buffer must come out unchanged with no prefix key
# left pending. On a private desktop (SCRIBEON_WM=xfwm4 or kwin_x11 for window
# managers that prevent focus stealing, mutter for GNOME's) the application
# opens a document of five lines with
# accented letters, an emoji and combining marks, and the user's clipboard
# holds text of their own. Then, one line each:
#   held     the shortcut's modifiers down, the key held 150 ms, released in
#            natural order;
#   long     the key held past the auto-repeat delay;
#   trigger  `scribeon --trigger`, as a desktop's own shortcut would run it;
# each picks "UPPER CASE" in the chooser and writes the result with
# Ctrl+Return. Afterwards the whole document must be the expected text, the
# clipboard the user's after the capture and the result after the
# replacement, and no key may be left down. Last, a press with nothing
# selected must end in the notification. One line per cell goes to
# ARTIFACTS/matrix-APP.txt (capture and replace paths from the log), with
# screenshots of the chooser and the result panel.
source "$(dirname "$0")/desktop.sh"
app=$1 scribeon=$2 server=$3 editor=$4 keystate=$5 artifacts=${6:-$e2e_tmp/artifacts}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$artifacts"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A failure keeps a picture of the whole desktop.
eval "desktop_fail() $(declare -f fail | tail -n +2)"
fail() {
    [[ -n "${DISPLAY:-}" ]] && import -window root "$artifacts/$app-failure.png" 2>/dev/null
    desktop_fail "$@"
}
py=/usr/bin/python3

start_accessible_desktop
notes="$e2e_tmp/notifications"
touch "$notes"
start_bg "$here/fake_notification_daemon.py" "$notes"
wait_for 20 "the notification service" dbus-send --session --print-reply \
    --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.Notifications.GetCapabilities

start_local_service "$server"
sign_in "$scribeon"
position=$(command_position upper-case)

# The document: the middle three lines are processed, one per cell; the
# first and last must never change. U+0308 and U+0301 are combining marks.
lines=("Keep this first line as it is."
    "$(printf 'na\xc3\xafve caf\xc3\xa9 \xf0\x9f\x98\x80 noe\xcc\x88l one')"
    "$(printf 'cr\xc3\xa8me br\xc3\xbbl\xc3\xa9e \xf0\x9f\x8e\x89 ae\xcc\x81 two')"
    "$(printf '\xc3\x9cn\xc3\xafc\xc3\xb6d\xc3\xa9 \xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd ne\xcc\x83 three')"
    "Keep this last line as it is.")
upper() { $py -c 'import sys; sys.stdout.write(sys.argv[1].upper())' "$1"; }
expected=("${lines[@]}")
printf '%s\n' "${lines[@]}" | head -c -1 >"$e2e_tmp/doc.txt"
results="$artifacts/matrix-$app${SCRIBEON_WM:+-$SCRIBEON_WM}.txt"
: >"$results"

# --- the application ---------------------------------------------------------

terminal=false
pastes=true # false: the result is left on the clipboard, the document kept
key_of() { printf '%s' "$1"; } # what document() gives for a text
case "$app" in
qt-editor)
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_bg "$editor" --load "$e2e_tmp/doc.txt" --dump "$e2e_tmp/dump.txt"
    document() { if [[ -f "$e2e_tmp/dump.txt" ]]; then cat "$e2e_tmp/dump.txt"; else cat "$e2e_tmp/doc.txt"; fi; }
    ;;
mousepad | mousepad-no-a11y | gedit)
    if [[ $app == mousepad ]]; then
        start_bg mousepad --disable-server "$e2e_tmp/doc.txt"
    elif [[ $app == mousepad-no-a11y ]]; then
        NO_AT_BRIDGE=1 start_bg mousepad --disable-server "$e2e_tmp/doc.txt"
    else
        start_bg gedit --standalone "$e2e_tmp/doc.txt"
    fi
    # What the editor holds is what it saves; its title loses the "*" then.
    saved() { ! grep -q '^\*' <<<"$(xdotool getwindowname "$app_window")"; }
    document() {
        bring_app_forward
        xdotool key ctrl+s
        local deadline=$((SECONDS + 5))
        until saved; do
            ((SECONDS < deadline)) || return 1
            sleep 0.1
        done
        sed -z 's/\n$//' "$e2e_tmp/doc.txt"
    }
    ;;
firefox | chromium)
    # The page's title carries the textarea's value as its length and a hash
    # of its UTF-16 units (titles are cut short after some 250 characters),
    # then the start of the value, percent-encoded, for a failure message.
    $py - "$e2e_tmp/doc.txt" "$e2e_tmp/page.html" <<'EOF'
import html, sys
text = open(sys.argv[1], encoding="utf-8").read()
open(sys.argv[2], "w", encoding="utf-8").write(f"""<!doctype html><meta charset="utf-8"><title>-</title>
<textarea id="t" cols="70" rows="8" autofocus>{html.escape(text)}</textarea>
<script>const t = document.getElementById("t");
const fnv = s => {{ let h = 2166136261; for (let i = 0; i < s.length; ++i) h = Math.imul(h ^ s.charCodeAt(i), 16777619) >>> 0; return h; }};
const show = () => document.title = "DOC:" + t.value.length + ":" + fnv(t.value) + ":" + encodeURIComponent(t.value).slice(0, 90);
t.addEventListener("input", show); show(); t.focus();</script>""")
EOF
    if [[ $app == firefox ]]; then
        mkdir -p "$e2e_tmp/ff"
        cat >"$e2e_tmp/ff/user.js" <<'EOF'
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("accessibility.force_disabled", 0);
EOF
        GNOME_ACCESSIBILITY=1 start_bg firefox-esr --no-remote --profile "$e2e_tmp/ff" "file://$e2e_tmp/page.html"
    else
        start_bg chromium --no-sandbox --no-first-run --no-default-browser-check --disable-gpu \
            --disable-background-networking --disable-component-update --disable-sync \
            --password-store=basic --force-renderer-accessibility --user-data-dir="$e2e_tmp/chromium" \
            --app="file://$e2e_tmp/page.html"
    fi
    document() { xdotool getwindowname "$app_window" | sed 's/^DOC:\([0-9]*:[0-9]*\):.*/\1/'; }
    key_of() {
        $py -c 'import sys
units = sys.argv[1].encode("utf-16-le")
h = 2166136261
for i in range(0, len(units), 2):
    h = ((h ^ int.from_bytes(units[i:i + 2], "little")) * 16777619) & 0xFFFFFFFF
print(f"{len(units) // 2}:{h}")' "$1"
    }
    ;;
emacs)
    # The GTK build, an X11 client that owns the primary selection while a
    # region is active. Its server lets the test read the buffer without a
    # key of its own.
    pastes=false
    start_bg emacs -Q --eval '(server-start)' "$e2e_tmp/doc.txt"
    document() {
        emacsclient --eval "(with-current-buffer \"doc.txt\" (let ((coding-system-for-write 'utf-8-unix)) (write-region nil nil \"$e2e_tmp/buffer.txt\")))" >/dev/null &&
            cat "$e2e_tmp/buffer.txt"
    }
    ;;
xterm | sakura)
    terminal=true
    # The program in the terminal writes every byte it is given to a file,
    # as it arrives: a stray ^V or a character of the shortcut would show.
    program="cat '$e2e_tmp/doc.txt'; echo; stty -icanon; exec cat > '$e2e_tmp/typed.txt'"
    if [[ $app == xterm ]]; then
        start_bg xterm -u8 -fa 'DejaVu Sans Mono' -fs 11 -geometry 80x12+40+40 -e sh -c "$program"
    else
        start_bg sakura -c 80 -r 12 -x "sh -c \"$program\""
    fi
    document() { cat "$e2e_tmp/typed.txt" 2>/dev/null || true; }
    typed_is() { [[ "$(document | tr -d '\n')" == "$1" ]]; }
    ;;
*) fail "unknown application $app" ;;
esac
app_pid=${e2e_pids[-1]}
has_window() { [[ -n "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" ]]; }
wait_for 60 "the $app window" has_window
# The application's largest window: a splash or a transient one may show
# for a moment before it.
main_window() {
    local w best= area=0 size windows
    # xdotool gives up when a window goes while it walks the tree.
    windows=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null) || return 1
    for w in $windows; do
        size=$(xwininfo -id "$w" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w * h}') || continue
        if ((${size:-0} > area)); then area=$size best=$w; fi
    done
    [[ -n "$best" ]] && echo "$best"
}
settled_window() { app_window=$(main_window) && sleep 0.5 && [[ "$(main_window)" == "$app_window" ]]; }
wait_for 30 "the $app window to settle" settled_window
if [[ $app == firefox || $app == chromium ]]; then
    page_loaded() { [[ "$(xdotool getwindowname "$app_window")" == DOC:* ]]; }
    wait_for 60 "the page" page_loaded
fi
xdotool windowactivate --sync "$app_window"
$terminal && wait_for 20 "the terminal's program" test -e "$e2e_tmp/typed.txt"

SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name" on_bus
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"

# --- the steps of a cell -----------------------------------------------------

# xdotool's search gives up when a window goes while it walks the tree (our
# panels come and go); it is asked again.
visible() {
    local found attempt
    for attempt in 1 2 3; do
        found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) && break
    done
    [[ -n "$found" ]] && head -1 <<<"$found"
}
focused() { [[ "$(xdotool getactivewindow 2>/dev/null)" == "$(visible "$1")" ]]; }
# The panel as the screen shows it, a few pixels around it included, so that
# its corners show what lies behind them.
shot() {
    local x y w h
    eval "$(xdotool getwindowgeometry --shell "$(visible "$1")" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/\1=/p' | tr 'A-Z' 'a-z' | sed 's/width/w/; s/height/h/')"
    import -window root -crop "$((w + 16))x$((h + 16))+$((x - 8))+$((y - 8))" "$artifacts/$app-$2.png" ||
        fail "screenshot $2"
}
clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
primary() { xclip -o -selection primary 2>/dev/null || true; }
nfc() { $py -c 'import sys, unicodedata; sys.stdout.write(unicodedata.normalize("NFC", sys.argv[1]))' "$1"; }
# xterm hands out a letter with a combining mark composed (NFC).
primary_is() { [[ "$(nfc "$(primary | sed -z 's/\n$//')")" == "$(nfc "$1")" ]]; }
clipboard_is() { [[ "$(clipboard)" == "$1" ]]; }
set_user_clipboard() {
    printf '%s' "$1" | xclip -selection clipboard -i
    wait_for 10 "the user's clipboard" clipboard_is "$1"
}
keys_down() { "$keystate"; }
no_keys_down() { [[ -z "$(keys_down)" ]]; }

app_active() { [[ "$(xdotool getactivewindow 2>/dev/null)" == "$app_window" ]]; }
# Asked to activate again while it still handles the last request, a busy
# browser takes the focus back a second later, from whatever has it then.
bring_app_forward() { app_active || xdotool windowactivate --sync "$app_window"; }

select_line() {
    local k=$1
    bring_app_forward
    if $terminal; then
        # Three clicks select a line, as a user selects in a terminal.
        local height rows=12
        height=$(xwininfo -id "$app_window" | awk '/Height:/ {print $2}')
        local y=$(((2 * k + 1) * height / (2 * rows)))
        xdotool mousemove --window "$app_window" 60 "$y" click --repeat 3 --delay 60 1
    else
        xdotool key ctrl+Home
        ((k > 0)) && xdotool key --repeat "$k" Down
        xdotool key Home shift+End
    fi
    # Every toolkit here puts a selection in the primary selection: once it
    # holds the line, the application has handled the keys.
    wait_for 10 "line $k to be selected" primary_is "${expected[k]}"
}

# A hand: the modifiers go down one after the other, the key is held, then
# everything comes up in the order it went down.
press() {
    case "$1" in
    held | long)
        local hold=0.15
        [[ $1 == long ]] && hold=0.9 # past the auto-repeat delay (660 ms)
        xdotool keydown Super_L
        sleep 0.04
        xdotool keydown Shift_L
        sleep 0.04
        xdotool keydown i
        sleep "$hold"
        xdotool keyup i
        sleep 0.05
        xdotool keyup Shift_L
        sleep 0.03
        xdotool keyup Super_L
        ;;
    trigger) "$scribeon" --trigger || fail "--trigger exited $?" ;;
    esac
}

position_of() { xdotool getwindowgeometry "$1" | awk '/Position:/ {print $2}'; }
# Drags a panel by the blank space of its header and checks it followed.
drag() {
    local window before x y
    window=$(visible "$1")
    before=$(position_of "$window")
    x=${before%,*} y=${before#*,}
    xdotool mousemove $((x + 150)) $((y + 12)) mousedown 1
    for step in 1 2 3 4 5 6; do xdotool mousemove $((x + 150 + step * 10)) $((y + 12 + step * 6)); sleep 0.02; done
    xdotool mouseup 1
    moved() { [[ "$(position_of "$window")" == "$((x + 60)),$((y + 36))" ]]; }
    wait_for 5 "$1 to follow the pointer from $before (now $(position_of "$window"))" moved
    xdotool mousemove 0 0 # out of the way of the rows
}

# The chooser as a screen reader finds it: a list named "Commands" whose
# items are the commands, the highlighted one selected.
chooser_items() { "$here/atspi_list.py" "$scribeon_pid" Commands 2>/dev/null; }
listed() { grep -q '^. UPPER CASE$' <<<"$(chooser_items)"; }
selected_is() { grep -qxF "* $1" <<<"$(chooser_items)"; }

log_since() { tail -n +"$1" "$e2e_tmp/app.log"; }
path_of() {
    local log=$1
    local capture=? replace=?
    if grep -q "reading the primary\|primary selection taken" <<<"$log"; then capture="primary selection"
    elif grep -q "capture: AX read OK" <<<"$log"; then capture="AT-SPI"
    elif grep -q "capture: Cmd+C result" <<<"$log"; then capture="Ctrl+C"; fi
    if grep -q "replace: AX write OK" <<<"$log"; then replace="AT-SPI write"
    elif grep -q "clipboardOnly\|not posted\|not pasting" <<<"$log"; then replace="clipboardOnly"
    elif grep -q "Cmd+V: postToPid\|Cmd+V: posting global" <<<"$log"; then
        replace=$($terminal && echo "Shift+Insert" || echo "Ctrl+V"); fi
    echo "$capture|$replace"
}

cell() {
    local k=$1 how=$2 from
    from=$(($(wc -l <"$e2e_tmp/app.log") + 1))
    set_user_clipboard "the user's own clipboard $k"
    select_line "$k"
    local original=${expected[k]} result
    # A terminal's selection is what it gives, not what it was given.
    $terminal && original=$(primary)
    result=$(upper "$original")
    press "$how"
    wait_for 15 "the chooser ($how, line $k)" visible "Scribeon Commands"
    wait_for 10 "the chooser to have the focus" focused "Scribeon Commands"
    [[ "$(clipboard)" == "the user's own clipboard $k" ]] ||
        fail "$app/$how: after the capture the clipboard holds '$(clipboard)'"
    ((k == 1)) && { sleep 0.3; shot "Scribeon Commands" chooser; drag "Scribeon Commands"; } # after the 0.2 s fade-in
    wait_for 15 "the commands, read over AT-SPI" listed
    ((position > 0)) && xdotool key --repeat "$position" Down
    wait_for 5 "UPPER CASE to be the selected item" selected_is "UPPER CASE"
    xdotool key Return
    wait_for 15 "the result panel" visible "Scribeon Result"
    wait_for 10 "the result panel to have the focus" focused "Scribeon Result"
    ((k == 1)) && { sleep 0.3; shot "Scribeon Result" result; drag "Scribeon Result"; }
    xdotool key ctrl+Return
    replaced() { grep -qE "replace: AX write OK|Cmd\+V: postToPid|Cmd\+V: posting global|not posted|not pasting|clipboardOnly" <<<"$(log_since "$from")"; }
    wait_for 15 "the replacement to be made" replaced
    $pastes && expected[k]=$result
    $pastes || wait_for 5 "the replace hint, shown although nothing was written" visible "Scribeon Hint"
    local want
    if $terminal; then
        want=$(printf '%s' "${expected[@]:1:k}")
        wait_for 10 "the pasted text in the terminal" typed_is "$want"
        [[ "$(document | tr -d '\n')" == "$want" ]] || fail "$app/$how: the program received '$(document)'"
    else
        want=$(printf '%s\n' "${expected[@]}" | head -c -1)
        local deadline=$((SECONDS + 10)) got key
        key=$(key_of "$want")
        until got=$(document) && [[ "$got" == "$key" ]]; do
            ((SECONDS < deadline)) || fail "$app/$how: the document is '$got' ($(xdotool getwindowname "$app_window")), expected '$want' ($key)"
            sleep 0.2
        done
    fi
    [[ "$(clipboard | sed -z 's/\n$//')" == "$(sed -z 's/\n$//' <<<"$result")" ]] ||
        fail "$app/$how: after Replace the clipboard holds '$(clipboard)'"
    wait_for 5 "every key up" no_keys_down
    echo "$app|$how|$(path_of "$(log_since "$from")")|document ok|clipboard ok" | tee -a "$results"
}

told_more_than() { [[ $(grep -c "Scribeon	Please select some text first." "$notes") -gt $1 ]]; }

nothing_selected() {
    local from before
    from=$(($(wc -l <"$e2e_tmp/app.log") + 1))
    set_user_clipboard "the user's own clipboard, kept"
    bring_app_forward
    $terminal || xdotool key ctrl+End
    if $terminal || [[ $app == emacs ]]; then
        # Text selected in another application is no selection of theirs.
        # (They keep the primary selection after a selection ends, as X
        # clients do.)
        printf 'rm -rf ~' | xclip -selection primary -i
    fi
    before=$(document)
    local told
    told=$(grep -c "Please select some text first." "$notes" || true)
    press held
    wait_for 10 "the notification" told_more_than "$told"
    visible "Scribeon Commands" >/dev/null && fail "$app: a chooser opened with nothing selected"
    [[ "$(document)" == "$before" ]] || fail "$app: the document changed with nothing selected"
    [[ "$(clipboard)" == "the user's own clipboard, kept" ]] ||
        fail "$app: with nothing selected the clipboard holds '$(clipboard)'"
    wait_for 5 "every key up" no_keys_down
    echo "$app|nothing selected|$(path_of "$(log_since "$from")" | cut -d'|' -f1)|notification|document unchanged, clipboard kept" | tee -a "$results"
}

# Hint panels come and go on their own; they never take the focus.
# A prefix key left pending (Emacs's Ctrl+C) would swallow the next key the
# user types: the first one after the run must land in the document.
nothing_pending() {
    bring_app_forward
    xdotool key z
    local want
    want="$(printf '%s\n' "${expected[@]}" | head -c -1)z"
    typed_z() { [[ "$(document)" == "$want" ]]; }
    wait_for 10 "the next key to reach the document as typed" typed_z
    echo "$app|next key|typed as is|no prefix key pending" | tee -a "$results"
}

cell 1 held
cell 2 long
cell 3 trigger
nothing_selected
[[ $app == emacs ]] && nothing_pending
echo "PASS $app (results in $results)"
