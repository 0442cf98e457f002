#include "panels/CommandPanelView.h"

#include "panels/CommandRowView.h"
#include "panels/PanelIcons.h"
#include "panels/PanelParts.h"

#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

constexpr int bodyHeight = 218;

QLabel* secondaryLabel(const QString& text, qreal scale = 0.92) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* centred(QLabel* label) {
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QWidget* busyPage(const QString& text, int height, bool small) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(12);
    layout->addStretch();
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(small ? 60 : 90, small ? 6 : 8);
    layout->addWidget(spinner, 0, Qt::AlignHCenter);
    layout->addWidget(secondaryLabel(text));
    layout->addStretch();
    page->setFixedHeight(height);
    return page;
}

} // namespace

CommandPanelView::CommandPanelView(std::shared_ptr<CommandPanelViewModel> model,
                                   CommandPanelActions actions)
    : model_(std::move(model)), actions_(std::move(actions)) {
    setFixedWidth(panelWidth);
    setMinimumHeight(minimumHeight);
    setMaximumHeight(maximumHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 10, 14, 10);
    header->addWidget(PanelParts::titleLabel(QStringLiteral("Commands")));
    header->addStretch();
    header->addWidget(PanelParts::closeButton(actions_.close));
    column->addLayout(header);
    column->addWidget(PanelParts::divider());

    bodies_ = new QStackedWidget;
    bodies_->addWidget(busyPage(QStringLiteral("Processing..."), bodyHeight, false));

    auto* error = new QWidget;
    auto* errorLayout = new QVBoxLayout(error);
    errorLayout->setContentsMargins(16, 0, 16, 0);
    errorLayout->setSpacing(10);
    errorLayout->addStretch();
    errorLayout->addWidget(centred(PanelParts::iconLabel(PanelIcons::warning(), 28)));
    errorText_ = secondaryLabel(QString());
    errorLayout->addWidget(errorText_);
    errorLayout->addStretch();
    error->setFixedHeight(bodyHeight);
    bodies_->addWidget(error);

    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(10);
    emptyLayout->addStretch();
    emptyLayout->addWidget(centred(PanelParts::iconLabel(PanelIcons::empty(), 28)));
    emptyLayout->addWidget(secondaryLabel(QStringLiteral("No active commands")));
    emptyLayout->addWidget(secondaryLabel(QStringLiteral("Enable commands in Settings"), 0.8));
    emptyLayout->addStretch();
    empty->setFixedHeight(bodyHeight);
    bodies_->addWidget(empty);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    rows_ = new QWidget;
    rows_->setAutoFillBackground(false);
    rowsLayout_ = new QVBoxLayout(rows_);
    rowsLayout_->setContentsMargins(6, 6, 6, 6);
    rowsLayout_->setSpacing(2);
    scroll->setWidget(rows_);
    bodies_->addWidget(scroll);
    column->addWidget(bodies_, 1);

    for (auto* property :
         {&model_->isLoading, &model_->isProcessing, &model_->showLoadingIndicator})
        watches_.push_back(property->observe([this](bool) { render(); }));
    watches_.push_back(model_->commands.observe([this](const auto&) { render(); }));
    watches_.push_back(model_->selectedIndex.observe([this](int) { render(); }));
    watches_.push_back(model_->errorMessage.observe([this](const auto&) { render(); }));
    render();
}

CommandPanelView::Body CommandPanelView::body() const {
    if (model_->isProcessing.get())
        return Body::processing;
    if (model_->errorMessage.get())
        return Body::error;
    if (model_->activeCommands().empty() && !model_->isLoading.get())
        return Body::empty;
    return Body::list;
}

void CommandPanelView::render() {
    const Body current = body();
    bodies_->setCurrentIndex(static_cast<int>(current));
    if (current == Body::error)
        errorText_->setText(QString::fromStdString(*model_->errorMessage.get()));
    if (current != Body::list)
        return;

    while (QLayoutItem* item = rowsLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide(); // a row may be running its own click handler
            widget->deleteLater();
        }
        delete item;
    }
    if (model_->showLoadingIndicator.get()) {
        rowsLayout_->addWidget(busyPage(QStringLiteral("Loading..."), 180, true));
    } else if (!model_->isLoading.get()) {
        const std::vector<Command> active = model_->activeCommands();
        for (std::size_t i = 0; i < active.size(); ++i) {
            auto* row = new CommandRowView(model_->emojiFor(active[i].code), active[i].name,
                                           static_cast<int>(i) == model_->selectedIndex.get());
            row->setObjectName(QString::fromStdString(active[i].code));
            row->onClicked = [this, i] {
                if (actions_.rowClicked)
                    actions_.rowClicked(static_cast<int>(i));
            };
            rowsLayout_->addWidget(row);
        }
    }
    rowsLayout_->addStretch();
}

} // namespace scribeon
