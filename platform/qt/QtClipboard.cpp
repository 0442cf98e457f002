#include "platform/qt/QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QLatin1String>
#include <QMimeData>
#include <QString>
#include <QTimer>

#include <utility>

namespace scribeon {

namespace {

struct QtClipboardContents : ClipboardContents {
    std::vector<std::pair<std::string, std::string>> formats;
    bool isEmpty() const override { return formats.empty(); }
};

// X ignores a claim of the clipboard stamped earlier than the current
// owner's, and Qt stamps its claim with the time of the last event it
// handled: a claim made while the capture blocks the event loop, right after
// another application copied, is dropped without a word. So the claim is made
// again once the loop has run, unless someone else copied meanwhile.
constexpr int reclaimDelayMs = 30;

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

QtClipboard::QtClipboard() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        reader_ = X11SelectionReader::open();
}

std::optional<std::string> QtClipboard::text() {
    if (reader_ && !QGuiApplication::clipboard()->ownsClipboard())
        return reader_->text(X11SelectionReader::Selection::clipboard);
    return textOf(QClipboard::Clipboard);
}

void QtClipboard::place(const Formats& formats) {
    QGuiApplication::clipboard()->setMimeData(mimeDataOf(formats), QClipboard::Clipboard);
    if (!reader_)
        return;
    const unsigned long ownerNow = reader_->owner(X11SelectionReader::Selection::clipboard);
    QTimer::singleShot(
        reclaimDelayMs, qApp, [this, alive = std::weak_ptr<int>(alive_), formats, ownerNow] {
            if (alive.expired() ||
                reader_->owner(X11SelectionReader::Selection::clipboard) != ownerNow)
                return;
            QGuiApplication::clipboard()->setMimeData(mimeDataOf(formats), QClipboard::Clipboard);
        });
}

void QtClipboard::setText(const std::string& text) {
    place({{"text/plain", text}});
}

void QtClipboard::clear() {
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
    place(static_cast<const QtClipboardContents&>(contents).formats);
}

std::optional<std::string> QtClipboard::primarySelectionText() {
    if (!QGuiApplication::clipboard()->supportsSelection())
        return std::nullopt;
    if (reader_ && !QGuiApplication::clipboard()->ownsSelection())
        return reader_->text(X11SelectionReader::Selection::primary);
    return textOf(QClipboard::Selection);
}

} // namespace scribeon
