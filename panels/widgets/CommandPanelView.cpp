#include "panels/widgets/CommandPanelView.h"

#include "panels/widgets/CommandListModel.h"
#include "panels/widgets/CommandRowDelegate.h"
#include "panels/widgets/PanelHeader.h"
#include "panels/widgets/PanelIcons.h"

#include <QLabel>
#include <QListView>
#include <QProgressBar>
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

QWidget* messagePage(const QIcon& icon, std::initializer_list<QLabel*> lines) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(10);
    layout->addStretch();
    layout->addWidget(centred(PanelIcons::label(icon, 28)));
    for (QLabel* line : lines)
        layout->addWidget(line);
    layout->addStretch();
    page->setFixedHeight(bodyHeight);
    return page;
}

} // namespace

CommandPanelView::CommandPanelView() : rows_(new CommandListModel(this)) {
    setFixedWidth(panelWidth);
    setMinimumHeight(minimumHeight);
    setMaximumHeight(maximumHeight);
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    PanelHeader::add(column_, QStringLiteral("Commands"), QString(), [this] {
        if (actions_.close)
            actions_.close();
    });
    showPage(Page::list);
}

CommandPanelView::CommandPanelView(std::shared_ptr<CommandPanelViewModel> model,
                                   CommandPanelActions actions)
    : CommandPanelView() {
    bind(std::move(model), std::move(actions));
}

void CommandPanelView::bind(std::shared_ptr<CommandPanelViewModel> model,
                            CommandPanelActions actions) {
    watches_.clear();
    model_ = std::move(model);
    actions_ = std::move(actions);
    for (auto* property :
         {&model_->isLoading, &model_->isProcessing, &model_->showLoadingIndicator})
        watches_.push_back(property->observe([this](bool) { render(); }));
    watches_.push_back(model_->commands.observe([this](const auto&) { render(); }));
    watches_.push_back(model_->selectedIndex.observe([this](int) { render(); }));
    watches_.push_back(model_->errorMessage.observe([this](const auto&) { render(); }));
    render();
}

void CommandPanelView::unbind() {
    // The actions stay until the next bind: this may run inside one of them.
    watches_.clear();
    model_.reset();
    if (shown_ != Page::list)
        showPage(Page::list);
    rows_->setRows({});
}

CommandPanelView::Body CommandPanelView::body() const {
    if (!model_)
        return Body::list;
    if (model_->isProcessing.get())
        return Body::processing;
    if (model_->errorMessage.get())
        return Body::error;
    if (model_->activeCommands().empty() && !model_->isLoading.get())
        return Body::empty;
    return Body::list;
}

CommandPanelView::Page CommandPanelView::page() const {
    switch (body()) {
    case Body::processing:
        return Page::processing;
    case Body::error:
        return Page::error;
    case Body::empty:
        return Page::empty;
    case Body::list:
        break;
    }
    if (model_->showLoadingIndicator.get())
        return Page::loading;
    return model_->isLoading.get() ? Page::blank : Page::list;
}

void CommandPanelView::showPage(Page page) {
    if (pageWidget_) {
        // A row's click may be what changed the state: the old page goes
        // once its handler has returned.
        pageWidget_->hide();
        pageWidget_->deleteLater();
    }
    list_ = nullptr;
    errorText_ = nullptr;
    pageWidget_ = buildPage(page);
    column_->addWidget(pageWidget_, 1);
    shown_ = page;
    if (list_) {
        setFocusProxy(list_);
        if (window()->isActiveWindow())
            list_->setFocus();
    }
}

void CommandPanelView::render() {
    if (!model_)
        return;
    if (const Page current = page(); current != shown_)
        showPage(current);
    if (errorText_)
        errorText_->setText(QString::fromStdString(model_->errorMessage.get().value_or("")));
    if (list_)
        showRows();
}

QWidget* CommandPanelView::buildPage(Page page) {
    switch (page) {
    case Page::processing:
        return busyPage(QStringLiteral("Processing..."), bodyHeight, false);
    case Page::error:
        errorText_ = secondaryLabel(QString());
        return messagePage(PanelIcons::warning(), {errorText_});
    case Page::empty:
        return messagePage(PanelIcons::empty(),
                           {secondaryLabel(QStringLiteral("No active commands")),
                            secondaryLabel(QStringLiteral("Enable commands in Settings"), 0.8)});
    case Page::blank:
        return new QWidget;
    case Page::loading: {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->addWidget(busyPage(QStringLiteral("Loading..."), 180, true));
        layout->addStretch();
        return page;
    }
    case Page::list:
        return buildList();
    }
    return new QWidget;
}

QWidget* CommandPanelView::buildList() {
    list_ = new QListView;
    list_->setAccessibleName(QStringLiteral("Commands"));
    list_->setModel(rows_);
    list_->setItemDelegate(new CommandRowDelegate(list_));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setSpacing(1);
    list_->setMouseTracking(true);
    list_->viewport()->setAttribute(Qt::WA_Hover);
    list_->viewport()->setCursor(Qt::PointingHandCursor);
    list_->viewport()->setAutoFillBackground(false);
    list_->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (actions_.rowClicked)
            actions_.rowClicked(index.row());
    });
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(list_);
    return page;
}

void CommandPanelView::showRows() {
    std::vector<CommandListModel::Row> rows;
    for (const Command& command : model_->activeCommands())
        rows.push_back({command.code, model_->emojiFor(command.code), command.name});
    rows_->setRows(std::move(rows));
    const QModelIndex selected = rows_->index(model_->selectedIndex.get());
    if (selected.isValid() && list_->currentIndex() != selected) {
        list_->setCurrentIndex(selected);
        list_->scrollTo(selected);
    }
}

} // namespace scribeon
