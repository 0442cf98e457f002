#include "server/web/WebPages.h"

#include "base/UnicodeText.h"
#include "server/accounts/UserText.h"
#include "server/web/FormFields.h"

#include <algorithm>

namespace scribeon::server {

namespace {

constexpr const char* sessionCookie = "scribeon_session";
constexpr const char* formCookie = "scribeon_form";
constexpr long long sessionSeconds = 90LL * 24 * 3600;

ApiReply htmlReply(int status, std::string body) {
    auto reply = textReply(status, std::move(body), "text/html; charset=utf-8");
    reply.headers = {{"Cache-Control", "no-store"},
                     {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; "
                                                 "form-action 'self'; frame-ancestors 'none'; "
                                                 "base-uri 'none'"},
                     {"X-Content-Type-Options", "nosniff"},
                     {"X-Frame-Options", "DENY"},
                     {"Referrer-Policy", "no-referrer"}};
    return reply;
}

ApiReply redirect(const std::string& location) {
    auto reply = htmlReply(303, {});
    reply.headers.emplace_back("Location", location);
    return reply;
}

ApiReply pageNotFound() {
    return htmlReply(404,
                     html::messagePage("Not found", "There is no such page, or it is not yours."));
}

ApiReply methodNotAllowed(const std::string& allowed) {
    auto reply =
        htmlReply(405, html::messagePage("Not allowed", "Use " + allowed + " for this address."));
    reply.headers.emplace_back("Allow", allowed);
    return reply;
}

ApiReply formExpired() {
    return htmlReply(403,
                     html::messagePage("This form has expired", "Reload the page and try again."));
}

// Compared in time independent of where the texts differ.
bool sameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// Why a posted form cannot be read, or none.
std::optional<ApiReply> unreadableForm(const ApiRequest& request) {
    if (request.body.size() > WebPages::maximumForm)
        return htmlReply(413, html::messagePage("Too large", "The form is larger than 64 KiB."));
    if (!std::string_view(request.contentType).starts_with("application/x-www-form-urlencoded"))
        return htmlReply(415, html::messagePage("Not a form", "Send the page's form as it is."));
    return std::nullopt;
}

// The field's text when it is fit to keep; otherwise the error beside it.
std::optional<std::string> checkedText(FormState& form, const std::string& name,
                                       std::size_t maximumCharacters, bool multiline,
                                       const std::string& whenEmpty) {
    const std::string text(multiline ? trimmed(form.value(name)) : trimmedBlanks(form.value(name)));
    std::string error;
    if (text.empty())
        error = whenEmpty;
    else if (!isValidUtf8(text) || hasControlCharacters(text, multiline))
        error = "Use letters, digits, punctuation and emoji only.";
    else if (!fitsCharacters(text, maximumCharacters))
        error = "Use at most " + std::to_string(maximumCharacters) + " characters.";
    if (!error.empty()) {
        form.errors[name] = error;
        return std::nullopt;
    }
    return text;
}

bool validCode(std::string_view code) {
    if (code.empty() || code.size() > WebPages::maximumCodeBytes || code.front() == '-' ||
        code.front() == '_')
        return false;
    return std::ranges::all_of(code, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

// The command the form describes, or none with the errors set beside the fields.
std::optional<CommandDraft> readDraft(FormState& form) {
    CommandDraft draft;
    auto name = checkedText(form, "name", WebPages::maximumNameCharacters, false, "Enter a name.");
    draft.code = std::string(trimmedBlanks(form.value("code")));
    if (!validCode(draft.code))
        form.errors["code"] = "Use 1 to 40 lowercase letters, digits, - and _, starting with a "
                              "letter or digit.";
    if (form.value("kind") == "prompt") {
        if (auto prompt = checkedText(form, "prompt", WebPages::maximumPromptCharacters, true,
                                      "Write the instructions for the language model."))
            draft.processor = "llm:" + *prompt;
    } else if (findBuiltinTransform(form.value("builtin"))) {
        draft.processor = "builtin:" + form.value("builtin");
    } else {
        form.errors["builtin"] = "Choose a transform.";
    }
    if (!form.errors.empty())
        return std::nullopt;
    draft.name = *name;
    return draft;
}

FormState formFor(const UserCommand& entry, std::string csrf) {
    FormState form;
    form.csrf = std::move(csrf);
    const auto& command = entry.command;
    form.values = {{"name", command.name}, {"code", command.code}};
    if (command.processor.starts_with("llm:")) {
        form.values["kind"] = "prompt";
        form.values["prompt"] = command.processor.substr(4);
    } else {
        form.values["kind"] = "builtin";
        form.values["builtin"] = command.processor.substr(command.processor.find(':') + 1);
    }
    return form;
}

std::string ownCommandsLimit(std::int64_t limit) {
    return "You have " + std::to_string(limit) +
           " commands of your own, the most an account may have. Delete one to make another.";
}

std::string messageOf(const ApiReply& refusal) {
    auto it = refusal.body.find("message");
    return it != refusal.body.end() && it->is_string() ? it->get<std::string>()
                                                       : "Something went wrong. Try again.";
}

} // namespace

WebPages::WebPages(SessionService& sessions, Storage& storage, const Secrets& secrets,
                   Options options)
    : sessions_(sessions), storage_(storage), secrets_(secrets), options_(options) {}

bool WebPages::checksPassword(const std::string& path) {
    return path == "/sign-in" || path == "/sign-up";
}

bool WebPages::isPage(const std::string& path) {
    return path == "/" || path == "/sign-in" || path == "/sign-up" || path == "/sign-out" ||
           path == "/commands" || path.starts_with("/commands/");
}

ApiReply WebPages::failurePage(const ApiReply& error) {
    auto page = htmlReply(error.status, html::messagePage("Please try again", messageOf(error)));
    for (const auto& header : error.headers)
        page.headers.push_back(header);
    return page;
}

std::optional<ApiReply> WebPages::serve(const ApiRequest& request) {
    const std::string& path = request.path;
    const bool isGet = request.method == "GET" || request.method == "HEAD";
    const bool isPost = request.method == "POST";
    if (path == "/")
        return redirect("/commands");
    if (path == "/sign-in" || (path == "/sign-up" && options_.signUp)) {
        if (!isGet && !isPost)
            return methodNotAllowed("GET, POST");
        if (path == "/sign-in")
            return isGet ? signInForm(request) : signIn(request);
        return isGet ? signUpForm(request) : signUp(request);
    }
    if (path == "/sign-up") // and sign-up is off: the program links here all the same
        return htmlReply(404, html::messagePage("Sign-up is closed",
                                                "Ask the service's administrator for an account."));
    if (path == "/sign-out")
        return isPost ? signOut(request) : methodNotAllowed("POST");
    if (path == "/commands" || path.starts_with("/commands/"))
        return commandPages(request, std::string_view(path).substr(9));
    return std::nullopt;
}

std::string WebPages::csrfFor(const std::string& secret) const {
    return secrets_.tokenDigest("form token:" + secret);
}

std::string WebPages::cookie(const std::string& name, const std::string& value,
                             std::optional<long long> maxAge) const {
    std::string text = name + "=" + value + "; Path=/; HttpOnly; SameSite=Strict";
    if (maxAge)
        text += "; Max-Age=" + std::to_string(*maxAge);
    if (options_.secureCookies)
        text += "; Secure";
    return text;
}

FormState WebPages::anonymousForm(const ApiRequest& request, ApiReply& reply) {
    std::string secret = cookieValue(request.cookie, formCookie);
    if (secret.size() < 32 || secret.size() > 64) {
        secret = secrets_.newToken();
        reply.headers.emplace_back("Set-Cookie", cookie(formCookie, secret, std::nullopt));
    }
    FormState form;
    form.csrf = csrfFor(secret);
    return form;
}

bool WebPages::anonymousFormIsOurs(const ApiRequest& request, const std::string& csrf) {
    const std::string secret = cookieValue(request.cookie, formCookie);
    return !secret.empty() && sameSecret(csrf, csrfFor(secret));
}

ApiReply WebPages::signInForm(const ApiRequest& request) {
    if (session(request))
        return redirect("/commands");
    auto reply = htmlReply(200, {});
    reply.content = TextContent{html::signInPage(anonymousForm(request, reply), options_.signUp)};
    return reply;
}

std::variant<ApiReply, WebPages::AnonymousPost>
WebPages::readAnonymousPost(const ApiRequest& request, std::initializer_list<const char*> kept) {
    if (auto refusal = unreadableForm(request))
        return std::move(*refusal);
    auto fields = formFields(request.body);
    AnonymousPost post{htmlReply(422, {}), {}, std::move(fields["password"]), false};
    post.form = anonymousForm(request, post.reply);
    for (const char* name : kept)
        post.form.values[name] = fields[name];
    post.ours = anonymousFormIsOurs(request, fields["csrf"]);
    if (!post.ours) {
        post.reply.status = 403;
        post.form.notice = "This form has expired. Try again.";
    }
    return post;
}

ApiReply WebPages::signIn(const ApiRequest& request) {
    auto read = readAnonymousPost(request, {"email"});
    if (auto* refusal = std::get_if<ApiReply>(&read))
        return std::move(*refusal);
    auto& [reply, form, password, ours] = std::get<AnonymousPost>(read);
    if (ours && (form.value("email").empty() || password.empty())) {
        form.errors["password"] = "Enter your e-mail and password.";
    } else if (ours) {
        auto session = sessions_.start(form.value("email"), password, request.clientAddress);
        if (auto* token = std::get_if<std::string>(&session)) {
            auto signedIn = redirect("/commands");
            signedIn.headers.emplace_back("Set-Cookie",
                                          cookie(sessionCookie, *token, sessionSeconds));
            return signedIn;
        }
        const auto refusal = refusalReply(std::get<SessionRefusal>(session));
        reply.status = refusal.status;
        reply.headers.insert(reply.headers.end(), refusal.headers.begin(), refusal.headers.end());
        if (refusal.status == 422)
            form.errors["password"] = messageOf(refusal);
        else
            form.notice = messageOf(refusal);
    }
    reply.content = TextContent{html::signInPage(form, options_.signUp)};
    return std::move(reply);
}

ApiReply WebPages::signUpForm(const ApiRequest& request) {
    auto reply = htmlReply(200, {});
    reply.content = TextContent{html::signUpPage(anonymousForm(request, reply))};
    return reply;
}

ApiReply WebPages::signUp(const ApiRequest& request) {
    auto read = readAnonymousPost(request, {"name", "email"});
    if (auto* refusal = std::get_if<ApiReply>(&read))
        return std::move(*refusal);
    auto& [reply, form, password, ours] = std::get<AnonymousPost>(read);
    if (!ours) {
        reply.content = TextContent{html::signUpPage(form)};
        return std::move(reply);
    }
    // Every attempt takes a turn, whatever its answer: a script can neither
    // make many accounts nor try many addresses.
    if (const auto wait = signUps_.take(request.clientAddress, SignUpLimit::Clock::now())) {
        reply.status = 429;
        reply.headers.emplace_back("Retry-After", std::to_string(wait));
        form.notice = "Too many sign-ups were tried from this address. Try again in " +
                      std::to_string((wait + 59) / 60) + " minutes.";
        reply.content = TextContent{html::signUpPage(form)};
        return std::move(reply);
    }
    const auto name =
        checkedText(form, "name", maximumPersonNameCharacters, false, "Enter your name.");
    const std::string email(trimmedBlanks(form.value("email")));
    if (!plausibleEmail(email))
        form.errors["email"] = "Enter an e-mail address like name@example.com.";
    if (graphemeCount(password) < 8)
        form.errors["password"] = "Use at least 8 characters.";
    else if (password.size() > 1024)
        form.errors["password"] = "Use at most 1,024 characters.";
    if (!form.errors.empty()) {
        reply.content = TextContent{html::signUpPage(form)};
        return std::move(reply);
    }
    // The service's own trouble (too busy to hash, the database away) gives
    // the turn back.
    struct Turn {
        SignUpLimit& limit;
        const std::string& address;
        bool used = false;
        ~Turn() {
            if (!used)
                limit.giveBack(address);
        }
    } turn{signUps_, request.clientAddress};
    // A taken address is hashed for and answered like a free one, so the
    // page tells nobody which addresses have accounts.
    const auto hash = sessions_.hashNewPassword(password);
    if (!hash)
        return failurePage(busyReply());
    try {
        storage_.addUser({email, *name, "Free", *hash,
                          isoTimestamp(std::chrono::system_clock::now()), std::nullopt});
    } catch (const StorageUnavailable&) {
        throw;
    } catch (const StorageError&) { // the address has an account: it stays as it was
    }
    turn.used = true;
    return htmlReply(201, html::signedUpPage());
}

ApiReply WebPages::signOut(const ApiRequest& request) {
    const auto current = session(request);
    if (!current)
        return redirect("/sign-in");
    const auto posted = sessionPost(request, *current);
    if (const auto* refusal = std::get_if<ApiReply>(&posted))
        return *refusal;
    sessions_.end(current->token);
    auto reply = redirect("/sign-in");
    reply.headers.emplace_back("Set-Cookie", cookie(sessionCookie, "", 0));
    return reply;
}

std::variant<ApiReply, WebPages::Fields> WebPages::sessionPost(const ApiRequest& request,
                                                               const Session& session) {
    if (auto refusal = unreadableForm(request))
        return std::move(*refusal);
    auto fields = formFields(request.body);
    if (!sameSecret(fields["csrf"], session.csrf))
        return formExpired();
    return fields;
}

std::optional<WebPages::Session> WebPages::session(const ApiRequest& request) {
    std::string token = cookieValue(request.cookie, sessionCookie);
    if (token.empty() || token.size() > 128)
        return std::nullopt;
    const auto userId = sessions_.userForToken(token);
    if (!userId)
        return std::nullopt;
    std::string csrf = csrfFor("session:" + token);
    return Session{std::move(token), *userId, std::move(csrf)};
}

ApiReply WebPages::commandPages(const ApiRequest& request, std::string_view rest) {
    const bool isGet = request.method == "GET" || request.method == "HEAD";
    const bool isPost = request.method == "POST";
    const auto current = session(request);
    if (!current)
        return redirect("/sign-in");
    std::string code;
    std::string action;
    if (rest == "/new") {
        action = "new";
    } else if (!rest.empty()) {
        const auto slash = rest.rfind('/');
        code = std::string(rest.substr(1, slash == 0 ? 0 : slash - 1));
        action = std::string(rest.substr(slash + 1));
        if (slash == 0 || code.empty())
            return pageNotFound();
    }
    const bool hasForm = action == "new" || action == "edit";
    if (action.empty())
        return isGet ? commandList(*current) : methodNotAllowed("GET");
    if (!hasForm && action != "toggle" && action != "delete")
        return pageNotFound();
    if (hasForm && !isGet && !isPost)
        return methodNotAllowed("GET, POST");
    if (!hasForm && !isPost)
        return methodNotAllowed("POST");
    std::optional<Fields> fields;
    if (isPost) {
        auto posted = sessionPost(request, *current);
        if (auto* refusal = std::get_if<ApiReply>(&posted))
            return std::move(*refusal);
        fields = std::move(std::get<Fields>(posted));
    }
    if (action == "new")
        return newCommand(fields, *current);
    if (action == "edit")
        return editCommand(fields, *current, code);
    return action == "toggle" ? toggleCommand(*current, code) : deleteCommand(*current, code);
}

ApiReply WebPages::commandList(const Session& session, const std::string& notice, int status) {
    const auto account = storage_.account(session.userId);
    if (!account)
        return redirect("/sign-in");
    const auto commands = storage_.commandsFor(session.userId);
    return htmlReply(status, html::commandsPage({*account, commands, session.csrf, notice}));
}

ApiReply WebPages::newCommand(const std::optional<Fields>& posted, const Session& session) {
    FormState form;
    form.csrf = session.csrf;
    if (!posted)
        return htmlReply(200, html::commandFormPage(form, {}));
    form.values = *posted;
    if (const auto draft = readDraft(form)) {
        const auto account = storage_.account(session.userId);
        if (!account)
            return redirect("/sign-in");
        const auto created = storage_.createCommand(
            session.userId, *draft, account->plan.activeCommandAllowance, options_.maxOwnCommands);
        if (created == CommandChange::done)
            return redirect("/commands");
        if (created == CommandChange::limitReached) {
            form.notice = ownCommandsLimit(options_.maxOwnCommands);
            return htmlReply(409, html::commandFormPage(form, {}));
        }
        form.errors["code"] = "This code is in use. Choose another.";
    }
    return htmlReply(422, html::commandFormPage(form, {}));
}

ApiReply WebPages::editCommand(const std::optional<Fields>& posted, const Session& session,
                               const std::string& code) {
    const auto existing = storage_.commandFor(session.userId, code);
    if (!existing || !existing->isOwn)
        return pageNotFound();
    if (!posted)
        return htmlReply(200, html::commandFormPage(formFor(*existing, session.csrf), code));
    FormState form;
    form.csrf = session.csrf;
    form.values = *posted;
    if (const auto draft = readDraft(form)) {
        switch (storage_.updateCommand(session.userId, code, *draft)) {
        case CommandChange::done:
            return redirect("/commands");
        case CommandChange::notFound:
        case CommandChange::limitReached: // an edit makes no new command
            return pageNotFound();
        case CommandChange::codeTaken:
            form.errors["code"] = "This code is in use. Choose another.";
        }
    }
    return htmlReply(422, html::commandFormPage(form, code));
}

ApiReply WebPages::toggleCommand(const Session& session, const std::string& code) {
    const auto account = storage_.account(session.userId);
    if (!account)
        return redirect("/sign-in");
    UserCommand after;
    switch (storage_.toggle(session.userId, code, account->plan.activeCommandAllowance, after)) {
    case ToggleResult::toggled:
        return redirect("/commands");
    case ToggleResult::notFound:
        return pageNotFound();
    case ToggleResult::limitReached:
        break;
    }
    return commandList(session,
                       "Your plan allows " + std::to_string(account->plan.activeCommandAllowance) +
                           " active commands. Switch one off first.",
                       403);
}

ApiReply WebPages::deleteCommand(const Session& session, const std::string& code) {
    if (storage_.deleteCommand(session.userId, code) == CommandChange::notFound)
        return pageNotFound();
    return redirect("/commands");
}

} // namespace scribeon::server
