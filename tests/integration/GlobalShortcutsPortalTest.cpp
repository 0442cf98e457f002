// The portal client against a stand-in portal on a private session bus.
#include "hotkey/PortalShortcuts.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/wayland/DBusGlobalShortcutsPortal.h"
#include "tests/fakes/RecordingLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using State = PortalBinding::State;

constexpr int deadlineMs = 10000;
const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");

// Counts the Activated signals this process receives, whoever they are for.
class ActivationCounter : public QObject {
    Q_OBJECT
public:
    ActivationCounter() {
        QDBusConnection::sessionBus().connect(
            portalName, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"),
            this, SLOT(seen(QDBusMessage)));
    }
    int count = 0;

public slots:
    void seen(const QDBusMessage&) { ++count; }
};

class FakePortal {
public:
    // Returns once the stand-in serves on the bus.
    explicit FakePortal(const QString& mode) {
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(QStringLiteral(SCRIBEON_FAKE_PORTAL), {mode});
        EXPECT_TRUE(QTest::qWaitFor([] { return nameOwned(); }, deadlineMs)) << "not serving";
    }
    ~FakePortal() {
        process_.kill();
        process_.waitForFinished();
        EXPECT_TRUE(QTest::qWaitFor([] { return !nameOwned(); }, deadlineMs));
    }

    QStringList calls() const { return control(QStringLiteral("Calls")).value(0).toStringList(); }
    void activate(unsigned count, unsigned gapMs) const {
        control(QStringLiteral("Activate"), {count, gapMs});
    }
    void change(const QString& keys) const { control(QStringLiteral("Change"), {keys}); }

private:
    static bool nameOwned() {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(portalName).value();
    }
    static QVariantList control(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            portalName, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("app.scribeon.test.FakePortal"), method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call).arguments();
    }

    QProcess process_;
};

struct Client {
    std::unique_ptr<DBusGlobalShortcutsPortal> portal;
    QtMainQueue queue;
    RecordingLog log;
    std::unique_ptr<PortalShortcuts> shortcuts;
    int presses = 0;

    bool start() {
        DBusGlobalShortcutsPortal::Opened opened = DBusGlobalShortcutsPortal::open();
        if (!opened.portal)
            return false;
        portal = std::move(opened.portal);
        shortcuts = std::make_unique<PortalShortcuts>(*portal, queue, log);
        shortcuts->installPressHandler([this] { ++presses; });
        shortcuts->registerHotkey({});
        return QTest::qWaitFor([this] { return shortcuts->binding.get().state != State::pending; },
                               deadlineMs);
    }
};

// A newer desktop answers the session empty and binds when asked; a refused
// session asks nothing more.
TEST(GlobalShortcutsPortalTest, TheSessionsAnswerDecidesTheBinding) {
    const struct {
        const char* mode;
        PortalBinding binding;
        QStringList callsAfterTheSession;
    } rows[] = {
        {"newer", {State::bound, "Super+Shift+I"}, {"BindShortcuts shortcuts=trigger"}},
        {"refuse:1", {State::refused, ""}, {}},
        {"refuse:2", {State::refused, ""}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        FakePortal fake(QString::fromLatin1(row.mode));
        Client client;
        ASSERT_TRUE(client.start());
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.shortcuts->binding.get() == row.binding; },
                                    deadlineMs));
        EXPECT_EQ(fake.calls().mid(1), row.callsAfterTheSession);
    }
}

// Plasma 5.27 delivers one press twice; keys changed in its settings show.
TEST(GlobalShortcutsPortalTest, OnePressOnceKeysChangedShowAndTheSessionIsClosedAtTheEnd) {
    FakePortal fake(QStringLiteral("plasma527"));
    {
        Client client;
        ASSERT_TRUE(client.start());
        ActivationCounter delivered;
        fake.activate(2, 20);
        ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.count == 2; }, deadlineMs));
        EXPECT_EQ(client.presses, 1);
        fake.change(QStringLiteral("Ctrl+Alt+T"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return client.shortcuts->binding.get().triggerDescription == "Ctrl+Alt+T"; },
            deadlineMs));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.calls().contains(QStringLiteral("Close")); },
                                deadlineMs));
}

// A portal without the interface is e2e_portal_shortcut's.
TEST(GlobalShortcutsPortalTest, AnAbsentPortalIsTyped) {
    EXPECT_EQ(DBusGlobalShortcutsPortal::open().availability, PortalAvailability::noPortal);
}

} // namespace
} // namespace scribeon

#include "GlobalShortcutsPortalTest.moc"
