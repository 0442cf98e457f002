#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace scribeon {

// A small spinner and what is being waited for.
class LoadingView final : public QWidget {
    Q_OBJECT
public:
    explicit LoadingView(const QString& message, QWidget* parent = nullptr);

private:
    QLabel* message_;
};

} // namespace scribeon
