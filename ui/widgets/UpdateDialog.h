#pragma once

#include "platform/DiagnosticLog.h"
#include "platform/UrlOpener.h"
#include "update/UpdatePrompt.h"

#include <QString>

#include <optional>
#include <string>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QTextBrowser;

namespace scribeon {

// The dialog of an update check the user asked for: checking, up to date,
// the new version with its notes and "Download" / "Later", the download,
// and what became of it.
// The window is built on the first check the user asks for. The release
// notes' link opens through `opener` when its address may be opened.
class UpdateDialog final : public UpdatePrompt {
public:
    UpdateDialog(UrlOpener& opener, DiagnosticLog& log);
    ~UpdateDialog() override;
    UpdateDialog(const UpdateDialog&) = delete;
    UpdateDialog& operator=(const UpdateDialog&) = delete;

    void showChecking() override;
    void showUpToDate(const std::string& currentVersion) override;
    void showFound(const AppcastItem& item, const std::string& currentVersion,
                   std::function<void()> download) override;
    void showDownloading() override;
    void showProgress(double fraction) override;
    void showDownloaded(const std::string& filePath) override;
    void showFailure(const std::string& message) override;

    QDialog* window() const { return dialog_; }

private:
    void build();
    void present(const QString& title, const QString& message, bool busy);
    void addButton(const QString& text, std::function<void()> action, bool isDefault = false);
    void addCloseButton(const QString& text, bool isDefault = false);
    // A finished state: its title and message with "OK".
    void showOutcome(const QString& title, const QString& message);

    UrlOpener& opener_;
    DiagnosticLog& log_;
    std::optional<std::string> notesURL_;
    QDialog* dialog_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QTextBrowser* notes_ = nullptr;
    QLabel* notesLink_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace scribeon
