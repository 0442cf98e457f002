#include "ui/widgets/LoadingView.h"

#include "ui/widgets/BusySpinner.h"

#include <QHBoxLayout>
#include <QLabel>

namespace scribeon {

LoadingView::LoadingView(const QString& message, QWidget* parent)
    : QWidget(parent), message_(new QLabel(message)) {
    constexpr int spacing = 10;
    auto* row = new QHBoxLayout(this);
    row->setSpacing(spacing);
    row->addStretch();
    row->addWidget(new BusySpinner);
    QPalette secondary = message_->palette();
    secondary.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    message_->setPalette(secondary);
    row->addWidget(message_);
    row->addStretch();
    setAccessibleName(message);
}

} // namespace scribeon
