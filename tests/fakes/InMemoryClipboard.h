#pragma once

#include "platform/Clipboard.h"

#include <map>
#include <vector>

namespace scribeon {

// A clipboard of (MIME type → bytes); "text/plain" is its text.
class InMemoryClipboard : public Clipboard {
public:
    using Formats = std::map<std::string, std::string>;

    struct Snapshot : ClipboardContents {
        explicit Snapshot(Formats f) : formats(std::move(f)) {}
        bool isEmpty() const override { return formats.empty(); }
        Formats formats;
    };

    std::optional<std::string> text() override {
        auto found = formats.find("text/plain");
        return found == formats.end() ? std::nullopt : std::optional(found->second);
    }
    void setText(const std::string& text) override {
        formats = {{"text/plain", text}};
        writes.push_back("set " + text);
    }
    void clear() override {
        formats.clear();
        writes.push_back("clear");
    }
    std::unique_ptr<ClipboardContents> contents() override {
        return std::make_unique<Snapshot>(formats);
    }
    void restore(const ClipboardContents& contents) override {
        formats = static_cast<const Snapshot&>(contents).formats;
        writes.push_back("restore");
    }
    std::optional<std::string> primarySelectionText() override { return primary; }
    void setPrimarySelectionText(const std::string& text) override {
        primary = text;
        primaryOwnerPid = selfPid;
        writes.push_back("primary " + text);
    }
    std::optional<int> primarySelectionOwnerPid() override { return primaryOwnerPid; }
    bool namesPrimarySelectionOwner() override { return namesOwner; }
    std::optional<unsigned long> ownerChanges() override {
        return seesOwnerChanges ? std::optional(newOwners) : std::nullopt;
    }

    // Another application's copy: its formats, and a new owner.
    void takenBy(Formats copied) {
        formats = std::move(copied);
        ++newOwners;
    }

    static constexpr int selfPid = 1;
    Formats formats;
    std::optional<std::string> primary;
    std::optional<int> primaryOwnerPid;
    bool namesOwner = true;
    bool seesOwnerChanges = true;
    unsigned long newOwners = 0;
    std::vector<std::string> writes;
};

} // namespace scribeon
