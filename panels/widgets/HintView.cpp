#include "panels/widgets/HintView.h"

#include "hotkey/KeyText.h"
#include "panels/widgets/PanelHeader.h"
#include "panels/widgets/PanelIcons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scribeon {

HintView::HintView(HintKind kind, HintActions actions) : actions_(std::move(actions)) {
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(14, 14, 14, 14);
    top->addWidget(PanelIcons::label(PanelIcons::information(), 18), 0, Qt::AlignTop);
    std::string_view message = KeyText::copyHintMessage;
    if (kind == HintKind::replace)
        message = KeyText::replaceHintMessage;
    else if (kind == HintKind::pasteByHand)
        message = KeyText::pasteByHandHintMessage;
    auto* text =
        new QLabel(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    text->setTextFormat(Qt::PlainText);
    text->setObjectName(QStringLiteral("message"));
    top->addWidget(text, 1);
    column->addLayout(top);

    column->addWidget(PanelHeader::divider());

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(14, 14, 14, 14);
    dontShowAgain_ = new QCheckBox(QStringLiteral("Don't show again"));
    dontShowAgain_->setFocusPolicy(Qt::NoFocus);
    QFont small = dontShowAgain_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    dontShowAgain_->setFont(small);
    connect(dontShowAgain_, &QCheckBox::toggled, this, [this](bool checked) {
        if (actions_.dontShowAgainChanged)
            actions_.dontShowAgainChanged(checked);
    });
    bottom->addWidget(dontShowAgain_);
    bottom->addStretch();
    ok_ = new QPushButton(QStringLiteral("OK"));
    ok_->setDefault(true);
    ok_->setFocusPolicy(Qt::NoFocus);
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (actions_.dismiss)
            actions_.dismiss();
    });
    bottom->addWidget(ok_);
    column->addLayout(bottom);
}

} // namespace scribeon
