#pragma once

#include "WaitUntil.h"
#include "accessibility/AccessibilityCapture.h"
#include "accessibility/AccessibilityReplacement.h"
#include "platform/fake/RecordingLog.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/QtClipboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace scribeon {

// Real adapters against the private desktop the wrapper script started
// (Xvfb, openbox, a session bus with the accessibility bus), and the
// applications a test opens there, each with a home of its own.
class DesktopFixture : public testing::Test {
protected:
    struct App {
        std::unique_ptr<QProcess> process;
        int pid = 0;
        QString window;
    };

    void TearDown() override;

    // Starts the application and brings its window to the front.
    App& launch(const QString& program, const QStringList& arguments, bool accessible = true);
    void focus(App& app);
    static QString run(const QStringList& xdotoolArguments);
    // Types the text into the focused window.
    void type(const std::string& text);
    std::shared_ptr<AccessibleElement> element(const App& app);
    std::optional<std::string> valueOf(const App& app);
    std::optional<std::string> selectionOf(const App& app);
    void freezeAndResume(App& app, bool frozen);

    QTemporaryDir scratch_;
    std::unique_ptr<X11Workspace> workspace_ = X11Workspace::open();
    std::unique_ptr<XTestKeySynth> keys_ = XTestKeySynth::open();
    AtspiAccessibilityBridge bridge_;
    QtClipboard clipboard_;
    ThreadSleeper sleeper_;
    RecordingLog log_;
    FocusedText text_{{*workspace_, bridge_, *keys_, clipboard_, sleeper_, log_}};
    AccessibilityCapture capture_{text_};
    AccessibilityReplacement replacement_{text_};
    std::vector<std::unique_ptr<App>> apps_;
};

} // namespace scribeon
