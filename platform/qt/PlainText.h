#pragma once

#include <QString>
#include <QTextDocument>

class QLabel;

namespace scribeon {

// Texts from outside the program (the service, the update feed) are shown as
// they are, never read as markup. A QLabel, a tool tip and a QMessageBox
// guess rich text from anything that looks like a tag, and rich text loads
// every <img> it names: "Ada<img src=/dev/zero>" as an account name would
// read /dev/zero until the program runs out of memory.

// A label that shows its text literally, whatever it looks like.
QLabel* plainLabel(const QString& text = QString());

// A tool tip that shows the text literally: escaped inside a paragraph,
// since a tool tip has no plain-text switch.
QString plainToolTip(const QString& text);

// A document for formatted text from outside: it renders the markup but
// loads no resource at all (no image, no style sheet, no file, no network;
// an image shows as nothing), where the default document would read any
// local file an <img> names.
class InertTextDocument final : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

} // namespace scribeon
