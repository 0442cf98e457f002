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

TEST(GlobalShortcutsPortalTest, ANewerDesktopBindsWhenTheSessionCameBackEmpty) {
    FakePortal fake(QStringLiteral("newer"));
    Client client;
    ASSERT_TRUE(client.start());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return client.shortcuts->binding.get().state == State::bound; }, deadlineMs));
    EXPECT_EQ(client.shortcuts->binding.get().triggerDescription, "Super+Shift+I");
    const QStringList calls = fake.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1], QStringLiteral("BindShortcuts shortcuts=trigger"));
}

TEST(GlobalShortcutsPortalTest, ARefusedSessionFallsBack) {
    for (const char* mode : {"refuse:1", "refuse:2"}) {
        SCOPED_TRACE(mode);
        FakePortal fake(QString::fromLatin1(mode));
        Client client;
        ASSERT_TRUE(client.start());
        EXPECT_EQ(client.shortcuts->binding.get().state, State::refused);
        EXPECT_EQ(fake.calls().size(), 1);
    }
}

TEST(GlobalShortcutsPortalTest, OnePressDeliveredTwiceTriggersOnce) {
    FakePortal fake(QStringLiteral("plasma527"));
    Client client;
    ASSERT_TRUE(client.start());
    ActivationCounter delivered;
    fake.activate(2, 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.count == 2; }, deadlineMs));
    EXPECT_EQ(client.presses, 1);
}

TEST(GlobalShortcutsPortalTest, KeysChangedInTheDesktopShowAndTheSessionIsClosedAtTheEnd) {
    FakePortal fake(QStringLiteral("plasma527"));
    {
        Client client;
        ASSERT_TRUE(client.start());
        fake.change(QStringLiteral("Ctrl+Alt+T"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return client.shortcuts->binding.get().triggerDescription == "Ctrl+Alt+T"; },
            deadlineMs));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.calls().contains(QStringLiteral("Close")); },
                                deadlineMs));
}

TEST(GlobalShortcutsPortalTest, AnAbsentPortalOrInterfaceIsTyped) {
    EXPECT_EQ(DBusGlobalShortcutsPortal::open().availability, PortalAvailability::noPortal);
    FakePortal fake(QStringLiteral("noshortcuts"));
    const DBusGlobalShortcutsPortal::Opened opened = DBusGlobalShortcutsPortal::open();
    EXPECT_EQ(opened.availability, PortalAvailability::noGlobalShortcuts);
    EXPECT_EQ(opened.portal, nullptr);
}

} // namespace
} // namespace scribeon

#include "GlobalShortcutsPortalTest.moc"
