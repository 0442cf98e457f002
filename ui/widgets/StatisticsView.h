#pragma once

#include "ui/StatisticsPresentation.h"
#include "wire/Records.h"

#include <QLocale>
#include <QString>
#include <QWidget>

#include <cstdint>

class QLabel;

namespace scribeon {

// The capsule with the plan's name, tinted by the plan.
QLabel* planBadge(const std::string& plan);

// The month's usage: the "Usage" row with the plan badge, the count line,
// the bar (or "Unlimited"), and when the reset date parses, the reset line.
class StatisticsView : public QWidget {
    Q_OBJECT
public:
    StatisticsView(const UserStatistics& statistics, const std::string& plan,
                   QWidget* parent = nullptr);

    // The day of that instant in the local time zone, in the locale's long
    // date style without the weekday ("February 1, 2025").
    static QString longDate(std::int64_t msSinceEpoch, const QLocale& locale = QLocale());
};

} // namespace scribeon
