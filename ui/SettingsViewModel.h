#pragma once

#include "base/Property.h"
#include "platform/MainQueue.h"
#include "service/CommandService.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace scribeon {

// The Commands page of the settings window: the user's whole list (active
// and inactive) in the user's order, switching on the service, local order
// and emoji. Lives on the main queue as long as its window.
class SettingsViewModel : public std::enable_shared_from_this<SettingsViewModel> {
public:
    static constexpr Milliseconds toastLifetime{3000};

    static std::shared_ptr<SettingsViewModel> create(CommandService& commands, MainQueue& queue);

    Property<std::vector<Command>> commands;
    Property<bool> isLoading{false};
    Property<std::optional<std::string>> errorMessage;
    Property<std::optional<std::string>> toastMessage;
    Property<std::optional<std::string>> togglingCommand;
    // Renewed after an emoji is chosen, so the rows re-read the emoji map.
    Property<unsigned> emojiRevision{0};

    // Overlapping loads all run; the last to answer sets the list.
    void loadCommands();
    // Not optimistic: the row follows the service's answer, not the click.
    void toggleCommand(const Command& command);
    // The usual list move: `destination` is an index in the list before the
    // move, and the moved elements keep their relative order. Saves every
    // code, active and inactive, in the new order.
    void moveCommand(const std::set<std::size_t>& sources, std::size_t destination);
    void chooseEmoji(const std::string& code, const std::string& emoji);
    std::string emojiFor(const std::string& code) const;
    void dismissToast() { toastMessage.set(std::nullopt); }

    // The window's reload rules: when it is first shown, and whenever a
    // window whose title contains "Settings" becomes active.
    void appeared() { loadCommands(); }
    void windowBecameActive(std::string_view title);

private:
    SettingsViewModel(CommandService& commands, MainQueue& queue);
    void watchToast();

    CommandService& service_;
    MainQueue& queue_;
    Subscription toastWatch_;
    std::map<std::string, std::string> emojis_;
};

// The list after moving the elements at `sources` (indices out of range
// are ignored) to `destination`, an index in the list before the move.
template <typename T>
std::vector<T> movedList(std::vector<T> list, const std::set<std::size_t>& sources,
                         std::size_t destination) {
    destination = std::min(destination, list.size());
    std::vector<T> moved;
    std::vector<T> kept;
    std::size_t before = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sources.count(i) == 0) {
            kept.push_back(std::move(list[i]));
            continue;
        }
        moved.push_back(std::move(list[i]));
        if (i < destination)
            ++before;
    }
    const auto at = kept.begin() + static_cast<std::ptrdiff_t>(destination - before);
    kept.insert(at, std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
    return kept;
}

} // namespace scribeon
