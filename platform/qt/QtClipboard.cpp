#include "platform/qt/QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QLatin1String>
#include <QMimeData>
#include <QString>

#include <QtGui/private/qtx11extras_p.h>

#include <utility>

namespace scribeon {

namespace {

struct QtClipboardContents : ClipboardContents {
    std::vector<std::pair<std::string, std::string>> formats;
    bool isEmpty() const override { return formats.empty(); }
};

QMimeData* mimeDataOf(const std::vector<std::pair<std::string, std::string>>& formats) {
    auto* data = new QMimeData;
    for (const auto& [format, bytes] : formats)
        data->setData(QString::fromStdString(format), QByteArray::fromStdString(bytes));
    return data;
}

std::optional<std::string> textOf(QClipboard::Mode mode) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text().toStdString();
}

} // namespace

// X ignores a claim of a selection stamped earlier than the current owner's
// claim, and Qt stamps its claims with the time of the last event its own
// connection handled. Our shortcut arrives over another connection and the
// capture blocks the event loop, so that time is older than the copy the
// target application just made: the claim would be dropped without a word
// (Qt only warns). A fresh server time makes every claim take effect at
// once, so nothing needs claiming again while a paste target reads it.
std::optional<unsigned long> QtClipboard::serverTime() {
    if (!reader_ || !QX11Info::isPlatformX11())
        return std::nullopt;
    return reader_->serverTime();
}

void QtClipboard::stampWithServerTime() {
    if (const std::optional<unsigned long> now = serverTime())
        QX11Info::setAppTime(static_cast<quint32>(*now));
}

QtClipboard::QtClipboard() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        reader_ = X11SelectionReader::open();
}

std::optional<std::string> QtClipboard::text() {
    if (reader_ && !QGuiApplication::clipboard()->ownsClipboard())
        return reader_->text(X11SelectionReader::Selection::clipboard);
    return textOf(QClipboard::Clipboard);
}

void QtClipboard::place(const Formats& formats, QClipboard::Mode mode) {
    stampWithServerTime();
    QGuiApplication::clipboard()->setMimeData(mimeDataOf(formats), mode);
}

void QtClipboard::setText(const std::string& text) {
    place({{"text/plain", text}}, QClipboard::Clipboard);
}

void QtClipboard::clear() {
    stampWithServerTime();
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

std::unique_ptr<ClipboardContents> QtClipboard::contents() {
    auto contents = std::make_unique<QtClipboardContents>();
    if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard)) {
        for (const QString& format : data->formats()) {
            if (format.startsWith(QLatin1String("application/x-qt-")) || format.toUpper() == format)
                continue; // Qt's own bookkeeping and X protocol targets (TARGETS, MULTIPLE, …)
            contents->formats.emplace_back(format.toStdString(), data->data(format).toStdString());
        }
    }
    return contents;
}

void QtClipboard::restore(const ClipboardContents& contents) {
    place(static_cast<const QtClipboardContents&>(contents).formats, QClipboard::Clipboard);
}

std::optional<std::string> QtClipboard::primarySelectionText() {
    if (!QGuiApplication::clipboard()->supportsSelection())
        return std::nullopt;
    if (reader_ && !QGuiApplication::clipboard()->ownsSelection())
        return reader_->text(X11SelectionReader::Selection::primary);
    return textOf(QClipboard::Selection);
}

void QtClipboard::setPrimarySelectionText(const std::string& text) {
    if (QGuiApplication::clipboard()->supportsSelection())
        place({{"text/plain", text}}, QClipboard::Selection);
}

std::optional<int> QtClipboard::primarySelectionOwnerPid() {
    if (QGuiApplication::clipboard()->ownsSelection())
        return static_cast<int>(QCoreApplication::applicationPid());
    if (!reader_)
        return std::nullopt;
    return reader_->ownerPid(X11SelectionReader::Selection::primary);
}

// Counted on the reader's connection: Qt's own clipboard signals wait for
// the event loop, which the capture blocks.
std::optional<unsigned long> QtClipboard::ownerChanges() {
    return reader_ ? reader_->clipboardOwnerChanges() : std::nullopt;
}

} // namespace scribeon
