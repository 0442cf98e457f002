#pragma once

#include <QObject>
#include <QTimer>

namespace scribeon {

// A tray program spends most of its life with no window open, so what a
// window needed is handed back once it has closed: a moment after the last
// top-level window of ours hides, hidden windows let go of their backing
// stores, the pixmap cache (icons and emoji drawn for them) is emptied and
// malloc returns its free pages to the system. One
// timer per closing, none while idle.
class ClosedWindowMemory : public QObject {
public:
    static constexpr int releaseDelayMs = 1500;
    // A window with this property set to true keeps its backing store while
    // hidden: one whose next showing has to take a single frame.
    static constexpr const char* keepsBackingStore = "scribeonKeepsBackingStore";

    // Before any thread starts. Every thread's allocations would otherwise
    // get an arena of their own, each keeping its freed pages; and a large
    // buffer (a download, a reply, an image) would raise malloc's mmap
    // threshold on its way out, so that later ones stay in the heap.
    static void tuneMalloc();

    ClosedWindowMemory();

    // Hands the memory back unless a window of ours is still on screen;
    // true when it did.
    bool release();
    bool isScheduled() const { return timer_.isActive(); }
    // How many times memory was handed back.
    int releases() const { return releases_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer timer_;
    int releases_ = 0;
};

} // namespace scribeon
