#pragma once

#include "server/processors/BuiltinTransforms.h"
#include "server/storage/Storage.h"

#include <map>
#include <string>
#include <vector>

namespace scribeon::server {

// What a form shows: the values as typed, the error beside each field, a
// message for the whole form, and the token that proves it is ours.
struct FormState {
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> errors;
    std::string notice;
    std::string csrf;

    std::string value(const std::string& name) const;
};

// The service's pages as HTML, escaped throughout; no script, so they work
// in any browser and read well with a screen reader.
namespace html {

std::string signInPage(const FormState& form, bool signUpOpen);
std::string signUpPage(const FormState& form);
std::string signedUpPage();

struct CommandsView {
    const Account& account;
    const std::vector<UserCommand>& commands;
    std::string csrf;
    std::string notice;
};
std::string commandsPage(const CommandsView& view);

// `editedCode` is empty for a new command.
std::string commandFormPage(const FormState& form, const std::string& editedCode);

std::string messagePage(const std::string& title, const std::string& message);

} // namespace html

} // namespace scribeon::server
