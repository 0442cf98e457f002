#include "server/web/WebPageHtml.h"

#include "base/PercentEncoding.h"
#include "base/UnicodeText.h"
#include "server/web/HtmlText.h"

namespace scribeon::server {

std::string FormState::value(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

namespace html {

namespace {

constexpr const char* style = R"css(
body{font:16px/1.5 system-ui,sans-serif;margin:0;color:#1d1d1f;background:#f5f5f7}
header{display:flex;justify-content:space-between;align-items:center;padding:.75rem 1.5rem;
background:#fff;border-bottom:1px solid #d2d2d7}
header p{margin:0;font-weight:600}
main{max-width:60rem;margin:2rem auto;padding:0 1.5rem}
form.card,section.card{background:#fff;border:1px solid #d2d2d7;border-radius:.75rem;padding:1.5rem}
label,legend{display:block;font-weight:600;margin-top:1rem}
input[type=text],input[type=email],input[type=password],select,textarea{box-sizing:border-box;
width:100%;padding:.5rem;font:inherit;border:1px solid #86868b;border-radius:.375rem}
textarea{min-height:8rem}
input[aria-invalid=true],select[aria-invalid=true],textarea[aria-invalid=true]{
border:2px solid #c00}
.error{color:#c00;margin:.25rem 0 0}
.notice{border-left:4px solid #c00;background:#fff;padding:.75rem 1rem}
button{font:inherit;padding:.4rem .9rem;border-radius:.375rem;border:1px solid #86868b;
background:#fff;cursor:pointer}
button.primary{background:#0066cc;border-color:#0066cc;color:#fff;margin-top:1.25rem}
table{width:100%;border-collapse:collapse;background:#fff}
th,td{text-align:left;padding:.5rem;border-bottom:1px solid #d2d2d7;vertical-align:top}
td form{display:inline}
fieldset{border:0;padding:0;margin:0}
legend{padding:0}
.choice{font-weight:400;margin-top:.5rem}
code{white-space:nowrap}
form.card>label:first-of-type{margin-top:0}
.sr{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0)}
)css";

std::string page(const std::string& title, const std::string& navigation,
                 const std::string& content) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           htmlEscaped(title) + " — Scribeon</title><style>" + style +
           "</style></head><body><header><p>Scribeon</p>" + navigation + "</header><main><h1>" +
           htmlEscaped(title) + "</h1>" + content + "</main></body></html>\n";
}

std::string csrfField(const std::string& csrf) {
    return "<input type=\"hidden\" name=\"csrf\" value=\"" + htmlEscaped(csrf) + "\">";
}

std::string notice(const std::string& text) {
    return text.empty() ? "" : "<p class=\"notice\" role=\"alert\">" + htmlEscaped(text) + "</p>";
}

struct Field {
    const char* name;
    const char* label;
    const char* type;
    const char* autocomplete;
};

// A labelled input; its error, if any, sits right under it and is part of
// its accessible description.
std::string inputField(const FormState& form, const Field& field) {
    auto error = form.errors.find(field.name);
    const bool invalid = error != form.errors.end();
    const std::string name = field.name;
    std::string html = "<label for=\"" + name + "\">" + field.label + "</label><input id=\"" +
                       name + "\" name=\"" + name + "\" type=\"" + field.type +
                       "\" autocomplete=\"" + field.autocomplete + "\" required";
    if (std::string_view(field.type) != "password")
        html += " value=\"" + htmlEscaped(form.value(name)) + "\"";
    if (invalid)
        html += " aria-invalid=\"true\" aria-describedby=\"" + name + "-error\"";
    html += ">";
    if (invalid)
        html +=
            "<p class=\"error\" id=\"" + name + "-error\">" + htmlEscaped(error->second) + "</p>";
    return html;
}

std::string fieldError(const FormState& form, const std::string& name) {
    auto error = form.errors.find(name);
    return error == form.errors.end() ? ""
                                      : "<p class=\"error\" id=\"" + name + "-error\">" +
                                            htmlEscaped(error->second) + "</p>";
}

std::string invalidMark(const FormState& form, const std::string& name) {
    return form.errors.contains(name)
               ? " aria-invalid=\"true\" aria-describedby=\"" + name + "-error\""
               : "";
}

std::string processorShown(const std::string& processor) {
    constexpr std::string_view builtin = "builtin:";
    constexpr std::string_view llm = "llm:";
    if (processor.starts_with(builtin)) {
        const auto* transform = findBuiltinTransform(processor.substr(builtin.size()));
        return "Built-in: " +
               htmlEscaped(transform ? transform->displayName : processor.substr(builtin.size()));
    }
    if (processor.starts_with(llm)) {
        std::string prompt = processor.substr(llm.size());
        if (prompt.size() > 120)
            prompt = std::string(graphemePrefix(prompt, 120)) + "…";
        return "Prompt: " + htmlEscaped(prompt);
    }
    return htmlEscaped(processor);
}

std::string actionButton(const std::string& code, const std::string& action,
                         const std::string& label, const std::string& accessibleName,
                         const std::string& csrf) {
    return "<form method=\"post\" action=\"/commands/" + percentEncodedPathSegment(code) + "/" +
           action + "\">" + csrfField(csrf) + "<button type=\"submit\" aria-label=\"" +
           htmlEscaped(accessibleName) + "\">" + label + "</button></form> ";
}

std::string commandRow(const UserCommand& entry, const std::string& csrf) {
    const auto& command = entry.command;
    const std::string name = command.name;
    std::string actions =
        actionButton(command.code, "toggle", entry.isActive ? "Switch off" : "Switch on",
                     (entry.isActive ? "Switch off " : "Switch on ") + name, csrf);
    if (entry.isOwn) {
        actions += "<a href=\"/commands/" + percentEncodedPathSegment(command.code) +
                   "/edit\" aria-label=\"" + htmlEscaped("Edit " + name) + "\">Edit</a> ";
        actions += actionButton(command.code, "delete", "Delete", "Delete " + name, csrf);
    }
    return "<tr><td>" + htmlEscaped(name) + "</td><td><code>" + htmlEscaped(command.code) +
           "</code></td><td>" + processorShown(command.processor) + "</td><td>" +
           (entry.isActive ? "On" : "Off") + "</td><td>" + actions + "</td></tr>";
}

std::string builtinOptions(const std::string& chosen) {
    std::string options;
    for (const auto& transform : builtinTransforms())
        options += "<option value=\"" + htmlEscaped(transform.name) + "\"" +
                   (transform.name == chosen ? " selected" : "") + ">" +
                   htmlEscaped(transform.displayName) + "</option>";
    return options;
}

std::string processorFieldset(const FormState& form) {
    const bool prompt = form.value("kind") == "prompt";
    return "<fieldset><legend>Processor</legend>"
           "<label class=\"choice\"><input type=\"radio\" name=\"kind\" value=\"builtin\"" +
           std::string(prompt ? "" : " checked") +
           "> A built-in transform</label>"
           "<label for=\"builtin\">Transform</label><select id=\"builtin\" name=\"builtin\"" +
           invalidMark(form, "builtin") + ">" + builtinOptions(form.value("builtin")) +
           "</select>" + fieldError(form, "builtin") +
           "<label class=\"choice\"><input type=\"radio\" name=\"kind\" value=\"prompt\"" +
           (prompt ? " checked" : "") +
           "> A prompt for the language model</label>"
           "<label for=\"prompt\">Prompt</label><textarea id=\"prompt\" name=\"prompt\"" +
           invalidMark(form, "prompt") + ">" + htmlEscaped(form.value("prompt")) + "</textarea>" +
           fieldError(form, "prompt") + "</fieldset>";
}

std::string signOutButton(const std::string& csrf) {
    return "<form method=\"post\" action=\"/sign-out\">" + csrfField(csrf) +
           "<button type=\"submit\">Sign out</button></form>";
}

} // namespace

std::string signInPage(const FormState& form, bool signUpOpen) {
    std::string content =
        notice(form.notice) + "<form class=\"card\" method=\"post\" action=\"/sign-in\">" +
        csrfField(form.csrf) + inputField(form, {"email", "E-mail", "email", "username"}) +
        inputField(form, {"password", "Password", "password", "current-password"}) +
        "<button class=\"primary\" type=\"submit\">Sign in</button></form>";
    if (signUpOpen)
        content += "<p>No account yet? <a href=\"/sign-up\">Sign up</a></p>";
    return page("Sign in", "", content);
}

std::string signUpPage(const FormState& form) {
    return page("Sign up", "",
                notice(form.notice) + "<form class=\"card\" method=\"post\" action=\"/sign-up\">" +
                    csrfField(form.csrf) + inputField(form, {"name", "Name", "text", "name"}) +
                    inputField(form, {"email", "E-mail", "email", "email"}) +
                    inputField(form, {"password", "Password (at least 8 characters)", "password",
                                      "new-password"}) +
                    "<button class=\"primary\" type=\"submit\">Create account</button></form>"
                    "<p>Have an account? <a href=\"/sign-in\">Sign in</a></p>");
}

std::string signedUpPage() {
    return page("Sign in to go on", "",
                "<section class=\"card\" role=\"status\"><p>If this e-mail had no account, it "
                "has one now, on the Free plan, with the password you chose. If it had one "
                "already, nothing changed: use that account's password.</p>"
                "<p>Sign in from the Scribeon program with your e-mail and password.</p>"
                "<p>To change your commands on the web, <a href=\"/sign-in\">sign in here</a>."
                "</p></section>");
}

std::string commandsPage(const CommandsView& view) {
    std::size_t active = 0;
    std::string rows;
    for (const auto& entry : view.commands) {
        active += entry.isActive ? 1 : 0;
        rows += commandRow(entry, view.csrf);
    }
    const auto& account = view.account;
    const std::string summary =
        "<p>Signed in as " + htmlEscaped(account.name) + " (" + htmlEscaped(account.email) +
        ") on the " + htmlEscaped(account.plan.name) + " plan. " + std::to_string(active) + " of " +
        std::to_string(account.plan.activeCommandAllowance) + " commands are on.</p>";
    return page("Your commands", signOutButton(view.csrf),
                notice(view.notice) + summary +
                    "<p><a href=\"/commands/new\">New command</a></p>"
                    "<table><caption class=\"sr\">Your commands</caption><thead><tr>"
                    "<th scope=\"col\">Name</th><th scope=\"col\">Code</th>"
                    "<th scope=\"col\">Processor</th><th scope=\"col\">State</th>"
                    "<th scope=\"col\">Actions</th></tr></thead><tbody>" +
                    rows + "</tbody></table>");
}

std::string commandFormPage(const FormState& form, const std::string& editedCode) {
    const bool editing = !editedCode.empty();
    const std::string action =
        editing ? "/commands/" + percentEncodedPathSegment(editedCode) + "/edit" : "/commands/new";
    return page(
        editing ? "Edit command" : "New command", signOutButton(form.csrf),
        notice(form.notice) + "<form class=\"card\" method=\"post\" action=\"" + action + "\">" +
            csrfField(form.csrf) + inputField(form, {"name", "Name", "text", "off"}) +
            inputField(form, {"code", "Code (lowercase letters, digits, - and _)", "text", "off"}) +
            processorFieldset(form) + "<button class=\"primary\" type=\"submit\">" +
            (editing ? "Save" : "Create") +
            "</button></form><p><a href=\"/commands\">Back to your commands</a></p>");
}

std::string messagePage(const std::string& title, const std::string& message) {
    return page(title, "",
                "<p role=\"alert\">" + htmlEscaped(message) +
                    "</p><p><a href=\"/commands\">Your commands</a></p>");
}

} // namespace html

} // namespace scribeon::server
