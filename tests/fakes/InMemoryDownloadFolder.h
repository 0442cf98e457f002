#pragma once

#include "base/FileName.h"
#include "platform/DownloadFolder.h"

#include <map>
#include <optional>

namespace scribeon {

// A download folder as a map from names to contents; what is staged is kept
// apart, as the real folder keeps it hidden.
struct InMemoryDownloadFolder : DownloadFolder {
    std::string directory = "/home/user/Downloads";
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> staged;
    std::optional<std::string> stageFailure;
    std::optional<std::string> publishFailure;

    Result<std::string, FileError> stage(std::string_view bytes) override {
        if (stageFailure)
            return FileError{*stageFailure};
        const std::string path = directory + "/.staged-" + std::to_string(++stagedCount_);
        staged[path] = bytes;
        return path;
    }
    Result<std::string, FileError> publish(const std::string& stagedPath,
                                           const std::string& name) override {
        if (publishFailure)
            return FileError{*publishFailure};
        const auto file = staged.find(stagedPath);
        if (file == staged.end())
            return FileError{"nothing staged at " + stagedPath};
        int n = 0;
        while (files.contains(numberedFileName(name, n)))
            ++n;
        files[numberedFileName(name, n)] = file->second;
        staged.erase(file);
        return directory + "/" + numberedFileName(name, n);
    }
    void discard(const std::string& stagedPath) override { staged.erase(stagedPath); }

private:
    int stagedCount_ = 0;
};

} // namespace scribeon
