#include "server/http/Exchange.h"

namespace scribeon::server {

ApiReply jsonReply(int status, nlohmann::json body) {
    return {status, std::move(body), {}, JsonContent{}, {}};
}

ApiReply errorReply(int status, std::string_view error, const std::string& message) {
    return jsonReply(status, {{"error", error}, {"message", message}});
}

ApiReply textReply(int status, std::string text, std::string contentType) {
    return {status, {}, {}, TextContent{std::move(text)}, std::move(contentType)};
}

ApiReply lateReply(std::shared_ptr<LateReply> reply) {
    return {200, {}, {}, LateContent{std::move(reply)}, {}};
}

} // namespace scribeon::server
