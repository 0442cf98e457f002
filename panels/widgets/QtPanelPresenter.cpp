#include "panels/widgets/QtPanelPresenter.h"

#include "panels/widgets/CommandPanelView.h"
#include "panels/widgets/FloatingPanel.h"
#include "panels/widgets/HintPanel.h"
#include "panels/widgets/HintView.h"
#include "panels/widgets/ResultPanelView.h"
#include "platform/qt/ClosedWindowMemory.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>

namespace scribeon {

namespace {

constexpr const char* retiredProperty = "scribeonRetired";

void closeNow(QWidget* panel) {
    panel->setProperty(retiredProperty, false);
    panel->hide();
    auto* floating = qobject_cast<FloatingPanel*>(panel);
    if (floating && floating->onClosed)
        floating->onClosed(); // kept for the next chooser
    else
        panel->deleteLater();
}

// A retired panel's successor has the focus: the retired one can go.
void closeRetiredPanels() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->property(retiredProperty).toBool())
            closeNow(widget);
}

// The panel may be closed from inside one of its own event handlers (a key,
// a button), so it goes away with deleteLater.
class QtOpenPanel : public OpenPanel {
public:
    explicit QtOpenPanel(FloatingPanel* panel) : panel_(panel) {}
    ~QtOpenPanel() override {
        if (!panel_)
            return;
        panel_->onKey = nullptr;
        panel_->onDeactivated = nullptr;
        if (handingOver_ && panel_->isActiveWindow()) {
            // X11 window managers give the focus to the window below when the
            // focused one goes; a busy browser that gets it then takes it
            // back from the next panel a moment later. So the panel stays,
            // invisible where windows can be and covered by its successor
            // elsewhere, until that one has the focus (or a second passed).
            panel_->retire();
            panel_->setProperty(retiredProperty, true);
            // A chooser window is reused: by then it may be showing the next one.
            QTimer::singleShot(handOverMs, panel_.data(), [panel = panel_] {
                if (panel->property(retiredProperty).toBool())
                    closeNow(panel);
            });
            return;
        }
        closeNow(panel_);
    }
    void handOver() override { handingOver_ = true; }

private:
    static constexpr int handOverMs = 1000;
    QPointer<FloatingPanel> panel_;
    bool handingOver_ = false;
};

FloatingPanel* newCommandPanel(CommandPanelView* view) {
    auto* panel = new FloatingPanel(view, true);
    panel->setObjectName(QStringLiteral("commandPanel"));
    panel->setWindowTitle(QStringLiteral("Scribeon Commands"));
    QObject::connect(panel, &FloatingPanel::activated, panel, &closeRetiredPanels);
    return panel;
}

} // namespace

QtPanelPresenter::QtPanelPresenter() {
    // Outside a full desktop session Qt knows no icon theme.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QTimer::singleShot(0, &idle_, [this] { preparedCommandPanel(); });
}

QtPanelPresenter::~QtPanelPresenter() {
    if (!chooser_)
        return;
    chooser_->onClosed = nullptr;
    if (!chooserInUse_)
        delete chooser_.data();
}

FloatingPanel* QtPanelPresenter::preparedCommandPanel() {
    if (chooser_)
        return chooser_;
    chooserView_ = new CommandPanelView;
    chooser_ = newCommandPanel(chooserView_);
    chooser_->onClosed = [this] {
        chooserInUse_ = false;
        if (chooserView_)
            chooserView_->unbind();
    };
    // Polished, laid out and with its native window, so that showing it
    // costs only the mapping.
    chooser_->ensurePolished();
    chooser_->adjustSize();
    chooser_->winId(); // creates it
    chooser_->setProperty(ClosedWindowMemory::keepsBackingStore, true);
    return chooser_;
}

std::unique_ptr<OpenPanel>
QtPanelPresenter::showCommandPanel(std::shared_ptr<CommandPanelViewModel> model,
                                   CommandPanelActions actions) {
    FloatingPanel* panel = nullptr;
    if (!chooserInUse_) {
        panel = preparedCommandPanel();
        chooserView_->bind(std::move(model), actions);
        chooserInUse_ = true;
    } else {
        panel = newCommandPanel(new CommandPanelView(std::move(model), actions));
    }
    panel->onKey = actions.key;
    panel->onDeactivated = actions.deactivated;
    panel->present();
    return std::make_unique<QtOpenPanel>(panel);
}

std::unique_ptr<OpenPanel> QtPanelPresenter::showResultPanel(ResultPanelContent content,
                                                             ResultPanelActions actions) {
    auto* panel = new FloatingPanel(new ResultPanelView(content, actions), true);
    panel->setObjectName(QStringLiteral("resultPanel"));
    panel->setWindowTitle(QStringLiteral("Scribeon Result"));
    panel->onKey = actions.key;
    panel->onDeactivated = actions.deactivated;
    QObject::connect(panel, &FloatingPanel::activated, panel, &closeRetiredPanels);
    panel->present();
    return std::make_unique<QtOpenPanel>(panel);
}

std::unique_ptr<OpenPanel> QtPanelPresenter::showHint(HintKind kind, HintActions actions) {
    auto* panel = new HintPanel(new HintView(kind, std::move(actions)));
    panel->setObjectName(QStringLiteral("hintPanel"));
    panel->setWindowTitle(QStringLiteral("Scribeon Hint"));
    panel->present();
    return std::make_unique<QtOpenPanel>(panel);
}

} // namespace scribeon
