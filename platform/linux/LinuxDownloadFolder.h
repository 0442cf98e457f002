#pragma once

#include "platform/DownloadFolder.h"

namespace scribeon {

// The download folder on disk. Staged files are hidden, mode 0600, made with
// O_EXCL|O_NOFOLLOW in the folder itself so that publishing is a rename on
// one file system; publishing never replaces (RENAME_NOREPLACE, or link and
// unlink where the file system lacks it).
class LinuxDownloadFolder final : public DownloadFolder {
public:
    explicit LinuxDownloadFolder(std::string directory);

    Result<std::string, FileError> stage(std::string_view bytes) override;
    Result<std::string, FileError> publish(const std::string& stagedPath,
                                           const std::string& name) override;
    void discard(const std::string& stagedPath) override;

private:
    std::string directory_;
};

} // namespace scribeon
