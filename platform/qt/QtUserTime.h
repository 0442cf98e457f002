#pragma once

namespace scribeon {

// Hands Qt's X connection the server time of the user action the program is
// answering (the shortcut's release). Qt stamps _NET_WM_USER_TIME and its
// _NET_ACTIVE_WINDOW requests with it, and window managers that prevent
// focus stealing give the focus to a new window only for an action newer
// than the user's last one in the focused application. Without it Qt uses
// the last event its own connection saw, which can be minutes old: the
// shortcut arrives over a connection of our own.
void adoptUserActionTime(unsigned long serverTime);

} // namespace scribeon
