#include "DesktopFixture.h"

#include <QDir>
#include <QProcessEnvironment>

#include <csignal>
#include <cstdio>

namespace scribeon {

QString DesktopFixture::run(const QStringList& xdotoolArguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), xdotoolArguments);
    xdotool.waitForFinished(20000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

DesktopFixture::App& DesktopFixture::launch(const QString& program, const QStringList& arguments,
                                            bool accessible) {
    auto app = std::make_unique<App>();
    app->process = std::make_unique<QProcess>();
    // A home of its own: a GTK editor that was killed with unsaved text
    // asks about restoring it on its next start, hiding its text view.
    const QString home = scratch_.filePath(QStringLiteral("home-%1").arg(apps_.size()));
    QDir().mkpath(home + QStringLiteral("/.config"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (accessible)
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    else
        env.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
    app->process->setProcessEnvironment(env);
    app->process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app->process->start(program, arguments);
    EXPECT_TRUE(app->process->waitForStarted(10000)) << program.toStdString();
    app->pid = static_cast<int>(app->process->processId());
    EXPECT_TRUE(waitUntil([&] {
        app->window = run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--pid"), QString::number(app->pid)})
                          .section(QLatin1Char('\n'), 0, 0);
        return !app->window.isEmpty();
    })) << "no window of "
        << program.toStdString();
    apps_.push_back(std::move(app));
    focus(*apps_.back());
    return *apps_.back();
}

void DesktopFixture::focus(App& app) {
    run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), app.window});
    EXPECT_TRUE(waitUntil([&] {
        const auto front = workspace_->frontmostApplication();
        return front && front->pid == app.pid;
    })) << "window of pid "
        << app.pid << " never became active";
}

void DesktopFixture::type(const std::string& text) {
    run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("8"),
         QString::fromStdString(text)});
}

std::shared_ptr<AccessibleElement> DesktopFixture::element(const App& app) {
    FocusedElement focused = bridge_.focusedElement(app.pid);
    return focused.status == BridgeStatus::success ? focused.element : nullptr;
}

std::optional<std::string> DesktopFixture::valueOf(const App& app) {
    auto focused = element(app);
    return focused ? focused->value() : std::nullopt;
}

std::optional<std::string> DesktopFixture::selectionOf(const App& app) {
    auto focused = element(app);
    if (!focused)
        return std::nullopt;
    AccessibleRead read = focused->selectedText();
    return read.text();
}

void DesktopFixture::freezeAndResume(App& app, bool frozen) {
    ::kill(app.pid, frozen ? SIGSTOP : SIGCONT);
}

void DesktopFixture::TearDown() {
    if (HasFailure()) {
        for (const std::string& line : log_.lines)
            std::fprintf(stderr, "  log: %s\n", line.c_str());
    }
    log_.lines.clear();
    for (auto& app : apps_) {
        ::kill(app->pid, SIGCONT);
        app->process->kill();
        app->process->waitForFinished(5000);
    }
    apps_.clear();
}

} // namespace scribeon
