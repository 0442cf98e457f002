#include "ui/SettingsViewModel.h"

#include "base/WeakCallback.h"

namespace scribeon {

std::shared_ptr<SettingsViewModel> SettingsViewModel::create(CommandService& commands,
                                                             MainQueue& queue) {
    std::shared_ptr<SettingsViewModel> model(new SettingsViewModel(commands, queue));
    model->watchToast();
    return model;
}

SettingsViewModel::SettingsViewModel(CommandService& commands, MainQueue& queue)
    : service_(commands), queue_(queue), emojis_(commands.getEmojis()) {}

void SettingsViewModel::watchToast() {
    // One timer per appearance of the toast; it clears whatever is showing
    // when it fires, so a second message inside the 3 s goes early.
    toastWatch_ = toastMessage.observe([this, shown = false](
                                           const std::optional<std::string>& message) mutable {
        const bool appears = message && !shown;
        shown = message.has_value();
        if (appears)
            queue_.postAfter(toastLifetime, weakly(shared_from_this(), [](SettingsViewModel& self) {
                                 self.dismissToast();
                             }));
    });
}

void SettingsViewModel::loadCommands() {
    isLoading.set(true);
    errorMessage.set(std::nullopt);
    service_.fetchCommands(weakly(
        shared_from_this(), [](SettingsViewModel& self, ServiceResult<std::vector<Command>> list) {
            if (list) {
                self.emojis_ = self.service_.getEmojis();
                self.commands.set(self.service_.sortCommands(std::move(list.value())));
                self.isLoading.set(false);
                return;
            }
            self.isLoading.set(false);
            self.errorMessage.set(list.error().description());
        }));
}

void SettingsViewModel::toggleCommand(const Command& command) {
    togglingCommand.set(command.code);
    service_.toggleCommand(
        command.code,
        weakly(shared_from_this(),
               [code = command.code](SettingsViewModel& self, ServiceResult<Command> reply) {
                   if (!reply) {
                       self.togglingCommand.set(std::nullopt);
                       self.toastMessage.set(reply.error().description());
                       return;
                   }
                   auto list = self.commands.get();
                   auto it = std::find_if(list.begin(), list.end(),
                                          [&code](const Command& c) { return c.code == code; });
                   if (it != list.end()) {
                       *it = std::move(reply.value());
                       self.commands.set(std::move(list));
                   }
                   self.togglingCommand.set(std::nullopt);
               }));
}

void SettingsViewModel::moveCommand(const std::set<std::size_t>& sources, std::size_t destination) {
    auto list = movedList(commands.get(), sources, destination);
    std::vector<std::string> codes;
    codes.reserve(list.size());
    for (const Command& command : list)
        codes.push_back(command.code);
    commands.set(std::move(list));
    service_.saveCommandOrder(codes);
}

void SettingsViewModel::chooseEmoji(const std::string& code, const std::string& emoji) {
    service_.saveEmoji(emoji, code);
    emojis_ = service_.getEmojis();
    emojiRevision.set(emojiRevision.get() + 1);
}

std::string SettingsViewModel::emojiFor(const std::string& code) const {
    return CommandService::emojiIn(emojis_, code);
}

void SettingsViewModel::windowBecameActive(std::string_view title) {
    if (title.find("Settings") != std::string_view::npos)
        loadCommands();
}

} // namespace scribeon
