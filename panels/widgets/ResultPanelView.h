#pragma once

#include "panels/PanelPresenter.h"

#include <QWidget>

class QPlainTextEdit;
class QBoxLayout;
class QLayout;
class QPushButton;
class QToolButton;

namespace scribeon {

// The result panel's content: the command's name, the processed text (and,
// folded away, the original), Copy and Replace with their shortcuts.
class ResultPanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 700;
    static constexpr int minimumHeight = 400;
    static constexpr int maximumHeight = 600;

    ResultPanelView(const ResultPanelContent& content, ResultPanelActions actions);

    QPushButton* copyButton() const { return copy_; }
    QPushButton* replaceButton() const { return replace_; }
    QToolButton* originalToggle() const { return originalToggle_; }
    QPlainTextEdit* originalText() const { return original_; }

private:
    static QLayout* notice(const std::string& text);
    QLayout* texts(const ResultPanelContent& content);
    void addOriginal(QBoxLayout* texts, const ResultPanelContent& content);
    QLayout* buttons();
    static QLayout* footnote();

    ResultPanelActions actions_;
    std::string processedText_;
    QPushButton* copy_;
    QPushButton* replace_;
    QToolButton* originalToggle_;
    QPlainTextEdit* original_;
};

} // namespace scribeon
