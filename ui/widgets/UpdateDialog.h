#pragma once

#include "update/UpdatePrompt.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QTextBrowser;

namespace scribeon {

// The dialog of an update check the user asked for: checking, up to date,
// the new version with its notes and "Download" / "Later", the download,
// and what became of it.
class UpdateDialog final : public QDialog, public UpdatePrompt {
    Q_OBJECT
public:
    explicit UpdateDialog(QWidget* parent = nullptr);

    void showChecking() override;
    void showUpToDate(const std::string& currentVersion) override;
    void showFound(const AppcastItem& item, const std::string& currentVersion,
                   std::function<void()> download) override;
    void showDownloading() override;
    void showDownloaded(const std::string& filePath) override;
    void showFailure(const std::string& message) override;

private:
    void present(const QString& title, const QString& message, bool busy);
    void addButton(const QString& text, std::function<void()> action, bool isDefault = false);

    QLabel* title_;
    QLabel* message_;
    QTextBrowser* notes_;
    QLabel* notesLink_;
    QProgressBar* progress_;
    QDialogButtonBox* buttons_;
};

} // namespace scribeon
