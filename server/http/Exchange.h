#pragma once

#include "server/http/LateReply.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace scribeon::server {

// One request as every part of the service sees it, independent of the HTTP
// library.
struct ApiRequest {
    std::string method;
    std::string path; // percent-decoded, without the query
    std::string authorization;
    std::string body;
    std::string clientAddress;
    std::string cookie;      // the Cookie header, for the web pages
    std::string contentType; // of the body
    std::string accept;      // the media types the client takes
};

// What a reply's body is. The front end writes each kind its own way, and a
// kind it does not know is a compile error there, not a body lost.
struct JsonContent {}; // the reply's `body`, written out as JSON
struct TextContent {   // a page or the feed, held whole
    std::string text;
};
struct FileContent {  // read from disk as the client takes it: a release package
    std::string path; // is too large to hold in memory for every download
};
struct LateContent { // comes after the handler returned, from a processor at work
    std::shared_ptr<LateReply> reply;
};
using ReplyContent = std::variant<JsonContent, TextContent, FileContent, LateContent>;

// nlohmann::json's move checks its invariants, which the analyser counts as
// a possible throw from the implicit noexcept move.
struct ApiReply { // NOLINT(bugprone-exception-escape)
    int status = 200;
    nlohmann::json body;
    std::vector<std::pair<std::string, std::string>> headers;
    ReplyContent content;
    std::string contentType; // of content that is not JSON
};

ApiReply jsonReply(int status, nlohmann::json body);
ApiReply errorReply(int status, std::string_view error, const std::string& message);
ApiReply textReply(int status, std::string text, std::string contentType);
ApiReply lateReply(std::shared_ptr<LateReply> reply);

// What the front end hands each request to.
class RequestHandler {
public:
    virtual ~RequestHandler() = default;
    virtual ApiReply handle(const ApiRequest& request) = 0;
    // A request that hashes a password may wait seconds for a turn, so the
    // front end runs it apart from requests that must stay quick.
    virtual bool checksPassword(const ApiRequest& request) const = 0;
};

} // namespace scribeon::server
