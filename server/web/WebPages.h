#pragma once

#include "server/accounts/SessionService.h"
#include "server/accounts/SignUpLimit.h"
#include "server/http/Exchange.h"
#include "server/web/WebPageHtml.h"

#include <initializer_list>
#include <map>
#include <optional>
#include <string>

namespace scribeon::server {

// The service's own web pages: sign-up (when open), a web sign-in, and the
// signed-in user's commands with create, edit, switch on/off and delete.
// A session is a token like the program's, kept in an HttpOnly, SameSite=
// Strict cookie, so signing out everywhere ends it too. Every form carries a
// token derived from the session (or, before sign-in, from a cookie of its
// own) that another site cannot read.
class WebPages {
public:
    static constexpr std::size_t maximumForm = std::size_t{64} * 1024;
    static constexpr std::size_t maximumNameCharacters = 60;
    static constexpr std::size_t maximumPersonNameCharacters = 100;
    static constexpr std::size_t maximumPromptCharacters = 4000;
    static constexpr std::size_t maximumCodeBytes = 40;

    struct Options {
        bool signUp = false;
        bool secureCookies = false; // served over HTTPS
        SignUpLimit::Limits signUps{};
        std::int64_t maxOwnCommands = 100; // commands one account may make
    };

    WebPages(SessionService& sessions, Storage& storage, const Secrets& secrets, Options options);

    // The reply, or none when the path is not a page of ours.
    std::optional<ApiReply> serve(const ApiRequest& request);
    // Posting to this path hashes a password.
    static bool checksPassword(const std::string& path);
    static bool isPage(const std::string& path);
    // The service's JSON error as a page, with its status and headers.
    static ApiReply failurePage(const ApiReply& error);

private:
    struct Session {
        std::string token;
        std::int64_t userId = 0;
        std::string csrf;
    };

    // A form posted before sign-in: a reply to fill in, the fields to show
    // again, the password, and whether the form's token is ours.
    struct AnonymousPost {
        ApiReply reply;
        FormState form;
        std::string password;
        bool ours = false;
    };
    std::variant<ApiReply, AnonymousPost>
    readAnonymousPost(const ApiRequest& request, std::initializer_list<const char*> kept);

    ApiReply signInForm(const ApiRequest& request);
    ApiReply signIn(const ApiRequest& request);
    ApiReply signUpForm(const ApiRequest& request);
    ApiReply signUp(const ApiRequest& request);
    ApiReply signOut(const ApiRequest& request);
    ApiReply commandPages(const ApiRequest& request, std::string_view rest);
    ApiReply commandList(const Session& session, const std::string& notice = {}, int status = 200);
    using Fields = std::map<std::string, std::string>;
    // A form posted by a signed-in user: its fields, or why it is refused
    // (not a form, too large, or without this session's token).
    std::variant<ApiReply, Fields> sessionPost(const ApiRequest& request, const Session& session);
    // `posted` is empty for the GET that shows the form.
    ApiReply newCommand(const std::optional<Fields>& posted, const Session& session);
    ApiReply editCommand(const std::optional<Fields>& posted, const Session& session,
                         const std::string& code);
    ApiReply toggleCommand(const Session& session, const std::string& code);
    ApiReply deleteCommand(const Session& session, const std::string& code);

    std::optional<Session> session(const ApiRequest& request);
    // A form before sign-in: its token comes from a cookie set with the form.
    FormState anonymousForm(const ApiRequest& request, ApiReply& reply);
    bool anonymousFormIsOurs(const ApiRequest& request, const std::string& csrf);
    std::string csrfFor(const std::string& secret) const;
    std::string cookie(const std::string& name, const std::string& value,
                       std::optional<long long> maxAge) const;

    SessionService& sessions_;
    Storage& storage_;
    const Secrets& secrets_;
    Options options_;
    SignUpLimit signUps_{options_.signUps};
};

} // namespace scribeon::server
