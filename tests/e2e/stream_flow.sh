#!/usr/bin/env bash
# A language-model command whose text streams into the result panel: the
# fake chat back end answers a word at a time and waits after three words;
# meanwhile the panel shows those words (read over AT-SPI, as a screen reader
# reads them) and says it is writing. Stop ends the run: the back end sees its
# client go, the words stay, marked stopped. Then a whole streamed answer is
# written into the Qt test editor with Ctrl+Return. First the command line's
# --stream and its Ctrl+C against the same back end.
source "$(dirname "$0")/desktop.sh"
scribeon=$1 server=$2 editor=$3 fake_chat=$4 artifacts=${5:-$e2e_tmp/artifacts}
mkdir -p "$artifacts"
start_accessible_desktop

start_bg /usr/bin/python3 "$fake_chat" --pace-ms 20 >"$e2e_tmp/chat.out" 2>&1
wait_for 20 "the fake back end" grep -q "listening on" "$e2e_tmp/chat.out"
chat="http://127.0.0.1:$(sed -n 's/^fake-chat listening on //p' "$e2e_tmp/chat.out")"
# First in the catalogue, so the demo account starts with them switched on.
add_command() {
    "$server" command add --db "$e2e_tmp/server.db" --code "$1" --name "$2" --processor "$3" \
        --position "$4" >/dev/null || fail "command add $1"
}
add_command paused "Paused answer" 'llm:{"pause_after": 3}' 0
add_command whole "Whole answer" 'llm:{"reply": "Streamed in full, word by word."}' 1
start_local_service "$server" --llm-url "$chat/v1"
sign_in "$scribeon"
requests() { curl -sf "$chat/control/requests"; }
last_request() { requests | /usr/bin/python3 -c "import json, sys; print(json.load(sys.stdin)[-1]['$1'])"; }

# The command line prints the words as they come; Ctrl+C closes the
# connection and exits with 130.
"$scribeon" process paused --stream --text "alpha beta gamma delta" >"$e2e_tmp/cli.out" 2>"$e2e_tmp/cli.err" &
cli=$!
wait_for 20 "the words before the pause on standard output" grep -qx "alpha beta gamma" "$e2e_tmp/cli.out"
kill -INT "$cli"
status=0
wait "$cli" || status=$?
[[ $status -eq 130 ]] || fail "process --stream ended with $status after SIGINT: $(cat "$e2e_tmp/cli.err")"
wait_for 5 "the back end to see the command line go" sh -c "[ \"\$(curl -sf '$chat/control/requests' |
    /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)[-1][\"disconnected\"])')\" != None ]"

doc="$e2e_tmp/doc.txt"
start_test_editor "$editor" "$doc" "one two three four five six"
SCRIBEON_LOG=stderr start_scribeon "$scribeon"
wait_for 20 "scribeon to own its bus name" on_bus
wait_for 20 "scribeon to be up" catches_sigterm "$scribeon_pid"

focused() { [[ "$(xdotool getactivewindow 2>/dev/null)" == "$(visible "$1" | head -1)" ]]; }
# Opens the chooser over the editor's selection and runs the command CODE.
run_command() {
    local position
    position=$(command_position "$1")
    xdotool windowactivate --sync "$editor_window"
    "$scribeon" --trigger
    wait_for 20 "the chooser" visible "Scribeon Commands"
    wait_for 10 "the chooser to have the focus" focused "Scribeon Commands"
    for ((i = 0; i < position; i++)); do xdotool key Down; done
    xdotool key Return
    wait_for 20 "the result panel" visible "Scribeon Result"
    wait_for 10 "the result panel to have the focus" focused "Scribeon Result"
}
run_command paused
wait_for 10 "the words before the pause, read over AT-SPI" sh -c \
    "[ \"\$(/usr/bin/python3 '$e2e_dir/atspi_names.py' --text $scribeon_pid Processed)\" = 'one two three' ]"
says $'label\tWriting...' || fail "the panel does not say it is writing"
says $'push button\tStop' || fail "no Stop button: $(names "Scribeon Result")"
shot "Scribeon Result" stream-writing
[[ "$(last_request disconnected)" == None ]] || fail "the back end lost its client too early"
press Stop || fail "Stop could not be pressed"
wait_for 10 "the panel to say it stopped" sh -c \
    "/usr/bin/python3 '$e2e_dir/atspi_names.py' $scribeon_pid 'Scribeon Result' | grep -qx 'label	Stopped'"
wait_for 5 "the back end to see its client go" sh -c "[ \"\$(curl -sf '$chat/control/requests' |
    /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)[-1][\"disconnected\"])')\" != None ]"
[[ "$(text_of Processed)" == "one two three" ]] || fail "the text changed after Stop: $(text_of Processed)"
shot "Scribeon Result" stream-stopped
xdotool key Escape
wait_for 10 "the result panel to close" sh -c "! xdotool search --onlyvisible --name '^Scribeon Result\$'"

run_command whole
wait_for 20 "the whole answer" sh -c \
    "/usr/bin/python3 '$e2e_dir/atspi_names.py' $scribeon_pid 'Scribeon Result' | grep -qx 'label	Result ready'"
xdotool key ctrl+Return
wait_for 20 "the streamed text replaced in the editor" grep -qx "Streamed in full, word by word." "$doc"
echo "PASS (screenshots in $artifacts)"
