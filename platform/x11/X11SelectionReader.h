#pragma once

#include <memory>
#include <optional>
#include <string>

// The C libraries' own tag names: declared here so that their headers
// (and X11's macros) stay out of ours.
typedef struct _XDisplay Display; // NOLINT(bugprone-reserved-identifier)

namespace scribeon {

// Reads the text of an X selection (CLIPBOARD or PRIMARY) owned by another
// client over a connection of its own, with a deadline. Qt's clipboard keeps
// what it learnt about the owner until its event loop runs, and the capture
// blocks that loop; it also waits 5 s for an owner that does not answer.
class X11SelectionReader {
public:
    enum class Selection { clipboard, primary };

    static std::unique_ptr<X11SelectionReader> open();
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // Absent when the selection has no owner, no text, or the owner does
    // not answer in time.
    std::optional<std::string> text(Selection selection);
    // The window that owns the selection now (0 for none).
    unsigned long owner(Selection selection);
    // The process of the client that owns the selection, asked of the
    // server (X-Resource): selection owners are often hidden windows that
    // carry no _NET_WM_PID. Absent for no owner or a remote client.
    std::optional<int> ownerPid(Selection selection);
    // The server's time now, for stamping a claim of a selection. Absent when
    // the server does not answer in time.
    std::optional<unsigned long> serverTime();
    // How often a client has become the owner of CLIPBOARD since the
    // connection opened, from XFixes notifications: every event the server
    // sent before this call is counted. Absent without XFixes.
    std::optional<unsigned long> clipboardOwnerChanges();

private:
    explicit X11SelectionReader(Display* display);
    bool waitFor(int type, long remainingMs, void* out);
    // Every event read from the connection passes here, whoever waits for it.
    void note(const void* event);

    Display* display_;
    unsigned long window_;
    int fixesEventBase_ = -1;
    unsigned long clipboardOwnerChanges_ = 0;
};

} // namespace scribeon
