// The yardstick of bench/account-footprint.sh: a Qt 6 tray program and
// nothing else (an icon, its menu), measured on the same desktop in the same
// run as Scribeon. With --popup it also shows one small window and closes it
// again, as a tray program opening a popup once would. It prints "ready"
// once it has nothing more to do.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QIcon dotIcon() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2f, 0x6f, 0xeb));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(3, 3, 16, 16);
    return QIcon(pixmap);
}

void ready() {
    std::puts("ready");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const bool popup = argc > 1 && std::strcmp(argv[1], "--popup") == 0;
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &QApplication::quit);
    QSystemTrayIcon tray(dotIcon());
    tray.setToolTip(QStringLiteral("Bare tray"));
    tray.setContextMenu(&menu);
    tray.show();
    if (!popup) {
        QTimer::singleShot(0, &ready);
        return QApplication::exec();
    }
    auto window = std::make_unique<QWidget>(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(window.get());
    layout->addWidget(new QLabel(QStringLiteral("A popup of a tray program")));
    layout->addWidget(new QPushButton(QStringLiteral("OK")));
    window->setWindowTitle(QStringLiteral("Bare popup"));
    QTimer::singleShot(200, window.get(), [&window] {
        window->show();
        QTimer::singleShot(500, [&window] {
            window.reset();
            ready();
        });
    });
    return QApplication::exec();
}
