// A plain-text editor for the desktop tests: one QPlainTextEdit, its text
// written to a file after every change so a test can check it byte for byte
// (AT-SPI's read-back hides NULs a bad insert leaves behind).
//
//   scribeon-test-editor [--dump FILE] [--load FILE] [--whole-field] [--keys-only]
//
// --whole-field makes it behave like editors that replace the whole field
// when text is inserted programmatically: any insertion of more than one
// character becomes the entire document.
//
// --keys-only makes it behave like applications that show their text to
// accessibility but do not take its edits: a change made outside a key
// press is taken back at once (and the selection with it).
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextDocument>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype dumpAt = args.indexOf(QStringLiteral("--dump"));
    const QString dumpPath = dumpAt >= 0 && dumpAt + 1 < args.size() ? args[dumpAt + 1] : QString();
    const bool wholeField = args.contains(QStringLiteral("--whole-field"));
    const qsizetype loadAt = args.indexOf(QStringLiteral("--load"));

    QPlainTextEdit editor;
    editor.setWindowTitle(QStringLiteral("Scribeon test editor"));
    editor.resize(640, 400);
    if (loadAt >= 0 && loadAt + 1 < args.size()) {
        QFile file(args[loadAt + 1]);
        if (file.open(QIODevice::ReadOnly))
            editor.setPlainText(QString::fromUtf8(file.readAll()));
    }

    QObject::connect(&editor, &QPlainTextEdit::textChanged, [&] {
        if (dumpPath.isEmpty())
            return;
        QSaveFile file(dumpPath); // whole or not at all, as the test reads it at any moment
        if (file.open(QIODevice::WriteOnly) && file.write(editor.toPlainText().toUtf8()) >= 0)
            file.commit();
    });
    if (wholeField) {
        QObject::connect(
            editor.document(), &QTextDocument::contentsChange, [&](int position, int, int added) {
                if (added <= 1)
                    return;
                const QString inserted = editor.toPlainText().mid(position, added);
                if (inserted == editor.toPlainText())
                    return;
                QTimer::singleShot(0, &editor,
                                   [&editor, inserted] { editor.setPlainText(inserted); });
            });
    }
    // Edits made while a key press is handled are the user's; any other is
    // put back to the text of the last key press.
    struct KeysOnly : QObject {
        QPlainTextEdit* editor = nullptr;
        bool inKey = false;
        bool restoring = false;
        QString kept;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() != QEvent::KeyPress)
                return QObject::eventFilter(watched, event);
            inKey = true;
            const bool handled = QObject::eventFilter(watched, event);
            QTimer::singleShot(0, this, [this] {
                inKey = false;
                kept = editor->toPlainText();
            });
            return handled;
        }
    } keysOnly;
    if (args.contains(QStringLiteral("--keys-only"))) {
        keysOnly.editor = &editor;
        keysOnly.kept = editor.toPlainText();
        editor.installEventFilter(&keysOnly);
        QObject::connect(&editor, &QPlainTextEdit::textChanged, [&] {
            if (keysOnly.inKey || keysOnly.restoring)
                return;
            QTimer::singleShot(0, &editor, [&] {
                keysOnly.restoring = true;
                editor.setPlainText(keysOnly.kept);
                keysOnly.restoring = false;
            });
        });
    }
    editor.show();
    return app.exec();
}
