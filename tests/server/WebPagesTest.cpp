#include "TestServer.h"

#include "server/web/FormFields.h"
#include "server/web/HtmlText.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace scribeon::server {
namespace {

// What a browser keeps for one person: the session cookie (the token a
// test account already has) and the form token of the last page seen.
struct Visitor {
    std::string cookie;
    std::string csrf;
};

class WebPagesTest : public testing::Test {
protected:
    Visitor visitor(const std::string& email) {
        Visitor visitor{"scribeon_session=" + server.addUser(email), {}};
        visitor.csrf = csrfOn(get(visitor, "/commands")->body);
        return visitor;
    }

    static std::string csrfOn(const std::string& html) {
        std::smatch match;
        std::regex_search(html, match, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\""));
        return match[1]; // empty when there is none
    }

    httplib::Result get(const Visitor& visitor, const std::string& path) {
        return server.client().Get(path, {{"Cookie", visitor.cookie}});
    }

    httplib::Result post(const Visitor& visitor, const std::string& path, httplib::Params fields,
                         bool withToken = true) {
        if (withToken)
            fields.emplace("csrf", visitor.csrf);
        return server.client().Post(path, {{"Cookie", visitor.cookie}}, fields);
    }

    bool isActive(const std::string& email, const std::string& code) {
        const auto id = server.storage->credentials(email)->first;
        const auto command = server.storage->commandFor(id, code);
        return command && command->isActive;
    }

    struct Mistake {
        httplib::Params fields;
        std::string field, error;
    };
    // Each form sent comes back with its mistake written beside its field and tied to it.
    static void expectExplained(const std::function<httplib::Result(const httplib::Params&)>& send,
                                const std::vector<Mistake>& mistakes) {
        for (const auto& [fields, field, error] : mistakes) {
            SCOPED_TRACE(error);
            const auto reply = send(fields);
            EXPECT_EQ(reply->status, 422);
            EXPECT_NE(reply->body.find("id=\"" + field + "-error\">" + htmlEscaped(error)),
                      std::string::npos);
            EXPECT_NE(
                reply->body.find("aria-invalid=\"true\" aria-describedby=\"" + field + "-error"),
                std::string::npos);
        }
    }

    // The sign-up form as a new visitor gets it: its cookie and its form token.
    std::pair<httplib::Headers, std::string> signUpForm() {
        const auto form = server.client().Get("/sign-up");
        const std::string cookie = form->get_header_value("Set-Cookie");
        EXPECT_EQ(cookie.find("Secure"), std::string::npos) << "plain HTTP";
        return {{{"Cookie", cookie.substr(0, cookie.find(';'))}}, csrfOn(form->body)};
    }

    static httplib::Params builtin(const std::string& name, const std::string& code = "ok",
                                   const std::string& transform = "upper-case") {
        return {{"name", name}, {"code", code}, {"kind", "builtin"}, {"builtin", transform}};
    }
    static httplib::Params prompted(const std::string& prompt, const std::string& name = "N",
                                    const std::string& code = "ok") {
        return {{"name", name}, {"code", code}, {"kind", "prompt"}, {"prompt", prompt}};
    }
    static httplib::Params shout(const std::string& code = "shout") {
        return builtin("Shout", code);
    }

    TestServer server;
};

TEST_F(WebPagesTest, AFormWithoutItsOwnSessionsTokenChangesNothing) {
    auto ada = visitor("ada@example.com");
    const auto bob = visitor("bob@example.com");
    ASSERT_EQ(post(ada, "/commands/new", shout("adas"))->status, 303);
    const struct {
        const char* path;
        httplib::Params fields;
    } forms[] = {
        {"/commands/upper-case/toggle", {}},
        {"/commands/new", shout()},
        {"/commands/adas/edit", shout("renamed")},
        {"/commands/adas/delete", {}},
        {"/sign-out", {}},
    };
    for (const auto& form : forms) {
        for (const std::string& token : {std::string(), std::string(64, 'a'), bob.csrf}) {
            ada.csrf = token;
            EXPECT_EQ(post(ada, form.path, form.fields, !token.empty())->status, 403)
                << form.path << " with the token \"" << token << "\"";
        }
    }
    // Still on, still there, nothing added, still signed in.
    EXPECT_EQ(std::tuple(isActive("ada@example.com", "upper-case"),
                         server.storage->commandFor(1, "adas").has_value(),
                         server.storage->commandsFor(1).size(), get(ada, "/commands")->status),
              std::tuple(true, true, defaultCommands().size() + 1, 200));
}

TEST_F(WebPagesTest, AnotherUsersCommandIsNeitherSeenNorChanged) {
    const auto ada = visitor("ada@example.com");
    const auto bob = visitor("bob@example.com");
    ASSERT_EQ(post(bob, "/commands/upper-case/toggle", {})->status, 303); // room for one more
    ASSERT_EQ(post(bob, "/commands/new", shout("bobs"))->status, 303);

    EXPECT_EQ(get(ada, "/commands")->body.find("bobs"), std::string::npos);
    EXPECT_EQ(get(ada, "/commands/bobs/edit")->status, 404);
    for (const char* action : {"toggle", "edit", "delete"})
        EXPECT_EQ(post(ada, std::string("/commands/bobs/") + action, shout("taken"))->status, 404)
            << action;
    const auto viaApi = server.call("POST", "/api/v1/commands/bobs/process",
                                    "token-for-ada@example.com", R"({"text":"hi"})");
    EXPECT_EQ(viaApi.status, 404);
    EXPECT_TRUE(isActive("bob@example.com", "bobs"));

    // The catalogue's commands are everyone's to switch, nobody's to change.
    EXPECT_EQ(get(ada, "/commands/upper-case/edit")->status, 404);
    EXPECT_EQ(post(ada, "/commands/upper-case/delete", {})->status, 404);
    EXPECT_EQ(server.storage->catalogue().size(), defaultCommands().size());
}

// The browser walk reads the list page; this is the edit page's form.
TEST_F(WebPagesTest, WhatUsersTypeIsEscapedOnTheEditPage) {
    const std::string hostile = "<script>alert('x')</script> & \"q\" Zoë 🎉";
    const auto eve = visitor("eve@example.com");
    const auto made = prompted("</textarea><script>alert(1)</script>", hostile, "mine");
    ASSERT_EQ(post(eve, "/commands/new", made)->status, 303);
    const std::string page = get(eve, "/commands/mine/edit")->body;
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(
        page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot; Zoë 🎉"),
        std::string::npos);
}

TEST_F(WebPagesTest, FormsThatAreTooLargeOrNotFormsAreRefused) {
    const auto ada = visitor("ada@example.com");
    auto client = server.client();
    const httplib::Headers cookie{{"Cookie", ada.cookie}};
    const std::string fields = "csrf=" + ada.csrf + "&name=Big&code=big&kind=prompt&prompt=";
    const std::string form = "application/x-www-form-urlencoded";
    const struct {
        std::size_t extra;
        std::string type;
        int status;
    } cases[] = {
        {WebPages::maximumForm, form, 413}, // past the form's own bound
        {1, "application/json", 415},
        {2 << 20, form, 413}, // past what the front end reads at all
    };
    for (const auto& c : cases)
        EXPECT_EQ(client.Post("/commands/new", cookie, fields + std::string(c.extra, 'x'), c.type)
                      ->status,
                  c.status)
            << c.type << " " << c.extra;
    EXPECT_FALSE(server.storage->commandFor(1, "big").has_value());
}

TEST_F(WebPagesTest, CommandFormsExplainEachMistakeBesideItsField) {
    const auto ada = visitor("ada@example.com");
    const std::string unfit = "Use letters, digits, punctuation and emoji only.";
    expectExplained(
        [&](const auto& fields) { return post(ada, "/commands/new", fields); },
        {{builtin(std::string("A\0B", 3)), "name", unfit},
         {builtin("a" + repeated(accent, 5000)), "name", "Use at most 60 characters."},
         {prompted("p" + repeated(accent, 40)), "prompt", "Use at most 4000 characters."},
         {builtin(" "), "name", "Enter a name."},
         {builtin("N", "-x"), "code", "Use 1 to 40 lowercase letters"},
         {builtin("N", "upper-case"), "code", "This code is in use. Choose another."},
         {builtin("N", "ok", "rot13"), "builtin", "Choose a transform."},
         {prompted("\n \n"), "prompt", "Write the instructions for the language model."}});
    EXPECT_EQ(server.storage->commandsFor(1).size(), defaultCommands().size());
}

TEST_F(WebPagesTest, SwitchingOnBeyondThePlanIsExplainedAndANewCommandWaitsSwitchedOff) {
    const auto ada = visitor("ada@example.com"); // Free: 3 of the catalogue are on
    const auto refused = post(ada, "/commands/title-case/toggle", {});
    EXPECT_EQ(refused->status, 403);
    EXPECT_NE(refused->body.find("Your plan allows 3 active commands."), std::string::npos);
    EXPECT_FALSE(isActive("ada@example.com", "title-case"));

    ASSERT_EQ(post(ada, "/commands/new", shout())->status, 303);
    EXPECT_FALSE(isActive("ada@example.com", "shout")) << "no room: made, but off";
    ASSERT_EQ(post(ada, "/commands/upper-case/toggle", {})->status, 303);
    ASSERT_EQ(post(ada, "/commands/shout/toggle", {})->status, 303);
    EXPECT_TRUE(isActive("ada@example.com", "shout"));
    ASSERT_EQ(post(ada, "/commands/shout/edit", shout("loud"))->status, 303);
    EXPECT_TRUE(isActive("ada@example.com", "loud")) << "an edit keeps it on";
}

// The one test here that hashes passwords. The browser walk signs up and in;
// this is what it does not try.
TEST_F(WebPagesTest, SignUpMakesAFreeAccountThatSignsInOnTheWebAndInTheProgram) {
    server.webPages.signUps.perWindow = 100; // each mistake below takes a turn
    server.restart();
    auto client = server.client();
    const auto [cookie, csrf] = signUpForm();
    const auto fields = [csrf](const std::string& name, const std::string& email) {
        return httplib::Params{
            {"name", name}, {"email", email}, {"password", "long enough"}, {"csrf", csrf}};
    };
    const std::string badEmail = "Enter an e-mail address like name@example.com.";
    expectExplained([&](const auto& form) { return client.Post("/sign-up", cookie, form); },
                    {{fields("", "zoe@example.com"), "name", "Enter your name."},
                     {fields("Zoë", "zoe@example"), "email", badEmail},
                     {fields("Z" + repeated(accent, 5000), "zoe@example.com"), "name",
                      "Use at most 100 characters."},
                     {fields("Zoë", std::string("zoe@example.com\0zz", 18)), "email", badEmail}});
    auto zoe = fields("Zoë", "zoe@example.com");
    EXPECT_EQ(client.Post("/sign-up", {}, zoe)->status, 403)
        << "the form token without the cookie it came from";
    ASSERT_EQ(client.Post("/sign-up", cookie, zoe)->status, 201);
    const auto id = server.storage->credentials("zoe@example.com")->first;
    EXPECT_EQ(server.storage->account(id)->plan.name, "Free");

    zoe.erase("name");
    const std::string session =
        client.Post("/sign-in", cookie, zoe)->get_header_value("Set-Cookie");
    EXPECT_NE(session.find("; Path=/; HttpOnly; SameSite=Strict; Max-Age=7776000"),
              std::string::npos)
        << session;

    server.webPages.signUp = false;
    server.restart();
    EXPECT_EQ(server.client().Get("/sign-up")->status, 404) << "sign-up is an option";
    EXPECT_EQ(server.client().Post("/sign-up", cookie, fields("Zed", "zed@example.com"))->status,
              404);
}

// An e-mail with an account is answered as one without, and one address
// gets only a few answers of any kind.
TEST_F(WebPagesTest, SignUpTellsNobodyWhichEmailsHaveAccountsAndAnswersOnlyAFewTries) {
    server.webPages.signUps.perWindow = 3;
    server.restart();
    server.addUser("ada@example.com");
    auto client = server.client();
    const auto [cookie, csrf] = signUpForm();
    const auto signUp = [&](const std::string& email) {
        return client.Post(
            "/sign-up", cookie,
            httplib::Params{
                {"name", "N"}, {"email", email}, {"password", "long enough"}, {"csrf", csrf}});
    };
    const auto fresh = signUp("first@example.com");
    const auto taken = signUp("ADA@example.com");
    EXPECT_EQ(std::pair(taken->status, taken->body), std::pair(201, fresh->body));
    EXPECT_EQ(server.storage->credentials("ada@example.com")->second, "$not-a-hash")
        << "the existing account is untouched";
    EXPECT_EQ(signUp("not an e-mail")->status, 422) << "the third try, a mistake, is answered";

    const auto refused = signUp("new@example.com");
    EXPECT_EQ(refused->status, 429);
    EXPECT_GT(std::atoll(refused->get_header_value("Retry-After").c_str()), 3500);
    EXPECT_EQ(signUp("ada@example.com")->status, 429) << "an account's e-mail is no exception";
    EXPECT_FALSE(server.storage->credentials("new@example.com"));
}

// An account makes at most the server's number of commands of its own.
TEST_F(WebPagesTest, AnAccountMakesOnlySoManyCommands) {
    server.webPages.maxOwnCommands = 2;
    server.restart();
    const auto ada = visitor("ada@example.com");
    const auto bob = visitor("bob@example.com");
    ASSERT_EQ(post(ada, "/commands/new", shout("one"))->status, 303);
    ASSERT_EQ(post(ada, "/commands/new", shout("two"))->status, 303);
    EXPECT_EQ(post(ada, "/commands/new", shout("three"))->status, 409);
    EXPECT_FALSE(server.storage->commandFor(1, "three"));
    EXPECT_EQ(post(bob, "/commands/new", shout("bobs"))->status, 303) << "counted per account";
    ASSERT_EQ(post(ada, "/commands/one/delete", {})->status, 303);
    EXPECT_EQ(post(ada, "/commands/new", shout("three"))->status, 303);
}

TEST(SignUpLimitTest, CountsPerAddressForgetsOldWindowsAndStaysBounded) {
    using namespace std::chrono_literals;
    SignUpLimit limit({.perWindow = 2, .window = 3600s, .maxAddresses = 3});
    const auto start = SignUpLimit::Clock::time_point{} + 24h;
    EXPECT_EQ(limit.take("192.0.2.1", start), 0);
    EXPECT_EQ(limit.take("192.0.2.1", start + 1s), 0);
    EXPECT_EQ(limit.take("192.0.2.1", start + 600s), 3000);
    EXPECT_EQ(limit.take("192.0.2.2", start + 600s), 0) << "another address has its own";
    limit.giveBack("192.0.2.1");
    EXPECT_EQ(limit.take("192.0.2.1", start + 601s), 0) << "a turn given back";
    EXPECT_EQ(limit.take("192.0.2.1", start + 3600s), 0) << "a new window";
    for (int i = 0; i < 10; ++i)
        limit.take("198.51.100." + std::to_string(i), start + 3600s + std::chrono::seconds(i));
    EXPECT_EQ(limit.addressCount(), 3u);
}

TEST(WebPagesOverHttpsTest, CookiesAreSecure) {
    const TemporaryDirectory directory;
    const std::string certificate = directory.path / "cert.pem";
    const std::string key = directory.path / "key.pem";
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout '" + key +
        "' -out '" + certificate + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    TestServer server(certificate, key);
    httplib::SSLClient client("127.0.0.1", server.port);
    client.enable_server_certificate_verification(false);
    const auto form = client.Get("/sign-in");
    ASSERT_TRUE(form) << httplib::to_string(form.error());
    EXPECT_NE(form->get_header_value("Set-Cookie").find("; HttpOnly; SameSite=Strict; Secure"),
              std::string::npos);
}

// What a browser sends well the browser walk reads back; this is the rest.
TEST(WebFormTextTest, OddFieldsAndCookiesAreReadSafely) {
    EXPECT_EQ(
        formFields("a=1&c&=e&a=2&bad=%zz%4"),
        (std::map<std::string, std::string>{{"a", "1"}, {"c", ""}, {"", "e"}, {"bad", "%zz%4"}}));
    EXPECT_EQ(cookieValue("x=1; scribeon_session=abc; y=2", "scribeon_session"), "abc");
    EXPECT_EQ(cookieValue("not_scribeon_session=abc", "scribeon_session"), "");
}

} // namespace
} // namespace scribeon::server
