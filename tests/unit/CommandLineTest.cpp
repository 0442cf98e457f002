#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace scribeon {
namespace {

TEST(CommandLineTest, DecidesTheAction) {
    struct Case {
        std::vector<std::string> arguments;
        CommandLine::Action action;
        const char* outputHas;
    };
    const Case cases[] = {
        {{"scribeon"}, CommandLine::Action::run, ""},
        {{"scribeon", "--trigger"}, CommandLine::Action::trigger, ""},
        {{"scribeon", "--version"},
         CommandLine::Action::printVersion,
         "scribeon " SCRIBEON_VERSION},
        {{"scribeon", "--help"}, CommandLine::Action::printHelp, "Usage: scribeon"},
        {{"scribeon", "--bogus"}, CommandLine::Action::fail, "unknown option '--bogus'"},
        {{"scribeon", "--sign-in", "ada@example.com"},
         CommandLine::Action::signIn,
         "ada@example.com"},
        {{"scribeon", "--sign-in"}, CommandLine::Action::fail, "needs an e-mail address"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = CommandLine::parse(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.arguments.back();
        EXPECT_NE(parsed.output.find(c.outputHas), std::string::npos) << parsed.output;
    }
}

TEST(ServiceAddressesTest, TheFeedAndWebPagesFollowTheServiceOrigin) {
    const char* saved = std::getenv("SCRIBEON_SERVICE_ORIGIN");
    const std::string restore = saved ? saved : "";
    ::setenv("SCRIBEON_SERVICE_ORIGIN", "http://127.0.0.1:4321", 1);
    EXPECT_EQ(serviceBaseURL(), "http://127.0.0.1:4321/api/v1");
    EXPECT_EQ(serviceOrigin(), "http://127.0.0.1:4321");
    EXPECT_EQ(appcastURL(), "http://127.0.0.1:4321/appcast.xml");
    ::unsetenv("SCRIBEON_SERVICE_ORIGIN");
    EXPECT_EQ(serviceOrigin(), SCRIBEON_SERVICE_ORIGIN);
    EXPECT_EQ(appcastURL(), std::string(SCRIBEON_SERVICE_ORIGIN) + "/appcast.xml");
    if (saved)
        ::setenv("SCRIBEON_SERVICE_ORIGIN", restore.c_str(), 1);
}

} // namespace
} // namespace scribeon
