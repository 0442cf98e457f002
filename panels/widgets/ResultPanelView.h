#pragma once

#include "base/Subscription.h"
#include "panels/PanelPresenter.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QBoxLayout;
class QLayout;
class QPushButton;
class QToolButton;

namespace scribeon {

// The result panel's content: the command's name, the processed text (and,
// folded away, the original), Copy and Replace with their shortcuts. While
// the run writes, the text grows at its end, the caption says so and Stop
// shows; Copy and Replace wait for the end.
class ResultPanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 700;
    static constexpr int minimumHeight = 400;
    static constexpr int maximumHeight = 600;

    ResultPanelView(const ResultPanelContent& content, ResultPanelActions actions);

    QPushButton* copyButton() const { return copy_; }
    QPushButton* replaceButton() const { return replace_; }
    QPushButton* stopButton() const { return stop_; }
    QToolButton* originalToggle() const { return originalToggle_; }
    QPlainTextEdit* originalText() const { return original_; }
    QPlainTextEdit* processedText() const { return processed_; }
    QLabel* status() const { return status_; }

private:
    static QLayout* notice(const std::string& text);
    QLayout* texts(const ResultPanelContent& content);
    QLayout* failureRow();
    void addOriginal(QBoxLayout* texts, const ResultPanelContent& content);
    QLayout* buttons();
    static QLayout* footnote();
    void showChange(const ResultRun::TextChange& change);
    void showState();

    ResultPanelActions actions_;
    std::shared_ptr<ResultRun> run_;
    QLabel* status_;
    QLabel* count_;
    QPlainTextEdit* processed_;
    QWidget* failure_;
    QLabel* failureText_;
    QPushButton* stop_;
    QPushButton* copy_;
    QPushButton* replace_;
    QToolButton* originalToggle_;
    QPlainTextEdit* original_;
    std::vector<Subscription> watches_;
};

} // namespace scribeon
