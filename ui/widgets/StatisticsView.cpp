#include "ui/widgets/StatisticsView.h"

#include "platform/qt/PlainText.h"
#include "platform/qt/ThemedIcon.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace scribeon {

namespace {

constexpr int barSteps = 1000;
constexpr int badgeMaxWidth = 120;

// A date format without its weekday ("dddd"), the white space around it and
// one comma or full stop after it. Plain code rather than a regular
// expression: the tray panel would otherwise load and JIT-compile PCRE.
QString withoutWeekday(QString format) {
    const QString weekday = QStringLiteral("dddd");
    for (qsizetype at = format.indexOf(weekday); at >= 0; at = format.indexOf(weekday, at)) {
        qsizetype begin = at;
        while (begin > 0 && format.at(begin - 1).isSpace())
            --begin;
        qsizetype end = at + weekday.size();
        if (end < format.size() && (format.at(end) == u',' || format.at(end) == u'.'))
            ++end;
        while (end < format.size() && format.at(end).isSpace())
            ++end;
        format.remove(begin, end - begin);
        at = begin;
    }
    return format.trimmed();
}

QColor colourOf(PlanColour colour) {
    switch (colour) {
    case PlanColour::blue:
        return QColor(0x00, 0x7a, 0xff);
    case PlanColour::purple:
        return QColor(0xaf, 0x52, 0xde);
    case PlanColour::gray:
        break;
    }
    return QColor(0x8e, 0x8e, 0x93);
}

QString rgba(const QColor& colour, double alpha) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(alpha);
}

QLabel* text(const QString& content, qreal pointScale = 1.0, QFont::Weight weight = QFont::Normal) {
    auto* label = plainLabel(content);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * pointScale);
    font.setWeight(weight);
    label->setFont(font);
    return label;
}

QLabel* secondary(const QString& content) {
    auto* label = text(content, 0.85);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QHBoxLayout* row() {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return layout;
}

QLabel* iconLabel(const char* name, QStyle::StandardPixmap fallback, int side) {
    auto* label = new QLabel;
    label->setPixmap(
        themedPixmap(name, fallback, side, label->palette().color(QPalette::WindowText)));
    return label;
}

QWidget* countLine(const StatisticsPresentation& shown) {
    auto* holder = new QWidget;
    auto* line = row();
    holder->setLayout(line);
    auto* count = text(QString::fromStdString(shown.count));
    QFont font = count->font();
    font.setPixelSize(20);
    font.setBold(true);
    count->setFont(font);
    line->addWidget(count, 0, Qt::AlignBaseline);
    line->addWidget(secondary(QString::fromStdString(shown.caption)), 0, Qt::AlignBaseline);
    line->addStretch();
    holder->setAccessibleName(QString::fromStdString(shown.count + " " + shown.caption));
    return holder;
}

QWidget* usageBar(const StatisticsPresentation& shown) {
    auto* bar = new QProgressBar;
    bar->setRange(0, barSteps);
    bar->setValue(static_cast<int>(shown.barFraction * barSteps));
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    const QColor tint = shown.barIsRed ? QColor(0xff, 0x3b, 0x30) : QColor(0x00, 0x7a, 0xff);
    bar->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 3px; }"
                       "QProgressBar::chunk { background: %2; border-radius: 3px; }")
            .arg(rgba(QColor(0x8e, 0x8e, 0x93), 0.25), tint.name()));
    bar->setAccessibleName(QStringLiteral("Usage"));
    return bar;
}

QWidget* unlimitedLine() {
    auto* holder = new QWidget;
    auto* line = row();
    holder->setLayout(line);
    auto* infinity = text(QStringLiteral("\u221E"), 1.0, QFont::Medium);
    auto* label = text(QString::fromUtf8(scribeon::unlimitedLabel.data(),
                                         static_cast<qsizetype>(scribeon::unlimitedLabel.size())),
                       0.95, QFont::Medium);
    for (auto* part : {infinity, label})
        part->setStyleSheet(QStringLiteral("color: #28a745;"));
    line->addWidget(infinity);
    line->addWidget(label);
    line->addStretch();
    return holder;
}

QWidget* resetLine(std::int64_t resetsAt) {
    auto* holder = new QWidget;
    auto* line = row();
    holder->setLayout(line);
    line->addWidget(iconLabel("view-refresh", QStyle::SP_BrowserReload, 12));
    line->addWidget(secondary(
        QString::fromUtf8(resetsOnPrefix.data(), static_cast<qsizetype>(resetsOnPrefix.size())) +
        StatisticsView::longDate(resetsAt)));
    line->addStretch();
    return holder;
}

} // namespace

QLabel* planBadge(const std::string& plan) {
    const PlanBadgeStyle style = planBadgeStyle(plan);
    const QColor colour = colourOf(style.colour);
    auto* badge = text(QString(), 0.85, QFont::Medium);
    const QString full = QString::fromStdString(style.text);
    badge->setText(badge->fontMetrics().elidedText(full, Qt::ElideRight, badgeMaxWidth));
    badge->setToolTip(plainToolTip(full));
    badge->setAccessibleName(full);
    badge->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 8px;"
                                        " padding: 3px 8px; }")
                             .arg(colour.name(), rgba(colour, 0.15)));
    return badge;
}

StatisticsView::StatisticsView(const UserStatistics& statistics, const std::string& plan,
                               QWidget* parent)
    : QWidget(parent) {
    const StatisticsPresentation shown = presentStatistics(statistics);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* heading = row();
    heading->addWidget(
        text(QString::fromUtf8(usageTitle.data(), static_cast<qsizetype>(usageTitle.size())), 1.0,
             QFont::DemiBold));
    heading->addStretch();
    heading->addWidget(planBadge(plan));
    column->addLayout(heading);
    column->addWidget(countLine(shown));
    column->addWidget(shown.unlimited ? unlimitedLine() : usageBar(shown));
    if (shown.resetsAt)
        column->addWidget(resetLine(*shown.resetsAt));
}

QString StatisticsView::longDate(std::int64_t msSinceEpoch, const QLocale& locale) {
    const QDate day = QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::UTC).toLocalTime().date();
    return locale.toString(day, withoutWeekday(locale.dateFormat(QLocale::LongFormat)));
}

} // namespace scribeon
