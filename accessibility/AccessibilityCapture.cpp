#include "accessibility/AccessibilityCapture.h"

#include "base/UnicodeText.h"

namespace scribeon {

namespace {

using std::chrono::milliseconds;

// How long a copy keystroke is given at most: what an application slow to
// copy has always had.
constexpr milliseconds copyWait{300};
constexpr milliseconds copyPoll{5};
// X11 hands the clipboard over asynchronously and a busy application copies
// later than 0.3 s; a copy arriving after the restore would overwrite what
// the user had. An empty clipboard is therefore watched a while longer.
constexpr milliseconds lateCopyPoll{50};
constexpr int lateCopyPolls = 14;

} // namespace

std::optional<std::string> AccessibilityCapture::getSelectedText() {
    bool answered = false;
    std::optional<std::string> selection = text_.readSelection(&answered, &lastSource_);
    if (selection && graphemeCount(*selection) >= 2) {
        text_.log("capture: AX read OK (" + countOf(*selection) + " chars)");
        return selection;
    }
    text_.log("capture: AX read insufficient, trying Cmd+C");
    std::optional<std::string> copied = getSelectedTextViaPasteboard(answered);
    text_.log("capture: Cmd+C result: " +
              (copied ? countOf(*copied) + " chars" : std::string("nil")));
    return copied;
}

std::optional<std::string> AccessibilityCapture::getSelectedTextViaPasteboard(bool axAnswered) {
    FocusedText::Ports& ports = text_.ports();
    const std::optional<RunningApplication> app = ports.workspace.frontmostApplication();
    if (app && app->isSelf) {
        text_.log("copy: frontmost window is our own — no Cmd+C");
        return std::nullopt;
    }
    // Without a copy keystroke the clipboard would be emptied and watched for
    // nothing (a Wayland desktop that lets no background client post keys).
    if (!ports.keys.canPost(EditKey::copy)) {
        text_.log("copy: this session cannot post Cmd+C — nothing copied");
        return std::nullopt;
    }
    if (app) {
        // Asked once, not waited for: the read before has waited already.
        const FocusedElement focused = ports.bridge.focusedElement(app->pid);
        const EditingKeys keys = text_.keysOf(
            *app, focused.status == BridgeStatus::success ? focused.element.get() : nullptr);
        if (keys != EditingKeys::standard)
            return selectionWithoutCopyKey(*app, keys);
        // What an application that AT-SPI cannot read has selected is in the
        // primary selection when it holds it: no keystroke is needed, and
        // the user's clipboard is not touched.
        if (!axAnswered) {
            if (std::optional<std::string> primary = ownPrimarySelection(*app, keys)) {
                text_.log("copy: AX could not read the selection — the application's primary "
                          "selection taken instead of Cmd+C");
                return primary;
            }
        }
    }
    return copied();
}

std::optional<std::string> AccessibilityCapture::copied() {
    Clipboard& clipboard = text_.ports().clipboard;
    const std::optional<std::string> previousText = clipboard.text();
    const std::unique_ptr<ClipboardContents> previous = clipboard.contents();
    clipboard.clear();
    // Counted after our own clear, so that only the target's copy moves it.
    const std::optional<unsigned long> ownerChanges = clipboard.ownerChanges();
    text_.post(EditKey::copy, std::chrono::microseconds{0});
    waitForCopy(ownerChanges);
    std::optional<std::string> copied = clipboard.text();
    for (int poll = 0; !copied && poll < lateCopyPolls; ++poll) {
        text_.ports().sleeper.sleepFor(lateCopyPoll);
        copied = clipboard.text();
    }
    if (copied)
        copied = withoutTextArtefacts(*copied);
    if (copied && previousText && *copied == *previousText)
        return copied;
    // Every format goes back, not only the text: clearing dropped an image or
    // rich text the user had copied just as well.
    if (previous && !previous->isEmpty())
        clipboard.restore(*previous);
    if (copied && !copied->empty())
        return copied;
    return std::nullopt;
}

// The clipboard is read as soon as the target has taken it (GTK, Qt and
// Chromium copy within some 50 ms); where the clipboard cannot tell, after
// the whole wait.
void AccessibilityCapture::waitForCopy(std::optional<unsigned long> ownerChangesBefore) {
    Clipboard& clipboard = text_.ports().clipboard;
    Sleeper& sleeper = text_.ports().sleeper;
    if (!ownerChangesBefore) {
        sleeper.sleepFor(copyWait);
        return;
    }
    for (milliseconds waited{0};
         waited < copyWait && clipboard.ownerChanges() == ownerChangesBefore; waited += copyPoll)
        sleeper.sleepFor(copyPoll);
}

// Ctrl+C would interrupt the terminal's program, or wait for the rest of a
// key sequence in an editor such as Emacs; what is selected there is in the
// primary selection already, if the application is the one holding it: text
// selected earlier in another application must not end up in a shell.
std::optional<std::string>
AccessibilityCapture::selectionWithoutCopyKey(const RunningApplication& app, EditingKeys keys) {
    if (keys == EditingKeys::terminal)
        text_.log("copy: terminal window — reading the primary selection instead of Cmd+C");
    else
        text_.log("copy: no copy key in this application — reading the primary selection "
                  "instead of Cmd+C");
    std::optional<std::string> primary = ownPrimarySelection(app, keys);
    if (!primary)
        text_.log("copy: the primary selection is not the application's — nothing selected there");
    return primary;
}

std::optional<std::string> AccessibilityCapture::ownPrimarySelection(const RunningApplication& app,
                                                                     EditingKeys keys) {
    if (!primaryIsOf(app, keys))
        return std::nullopt;
    std::optional<std::string> primary = text_.ports().clipboard.primarySelectionText();
    if (primary)
        primary = withoutTextArtefacts(*primary);
    return primary && !primary->empty() ? primary : std::nullopt;
}

// Where the clipboard cannot name the owner, a terminal in front is taken to
// hold the primary selection: selecting is how a terminal copies, and its
// text cannot be had any other way. Any other application could be handed
// text selected elsewhere long ago, so it gets nothing.
bool AccessibilityCapture::primaryIsOf(const RunningApplication& app, EditingKeys keys) {
    Clipboard& clipboard = text_.ports().clipboard;
    if (clipboard.namesPrimarySelectionOwner())
        return clipboard.primarySelectionOwnerPid() == app.pid;
    if (keys != EditingKeys::terminal)
        return false;
    text_.log("copy: the primary selection's owner cannot be told — taken as the terminal's in "
              "front");
    return true;
}

} // namespace scribeon
