#include "server/SiteRouter.h"

#include "server/http/LogText.h"
#include "wire/ServiceErrorCodes.h"

#include <cstdio>

namespace scribeon::server {

SiteRouter::SiteRouter(ServiceApi& api, WebPages& pages, const UpdateFeed* feed)
    : api_(api), pages_(pages), feed_(feed) {}

ApiReply SiteRouter::handle(const ApiRequest& request) {
    try {
        return route(request);
    } catch (const StorageUnavailable& failure) {
        std::fprintf(stderr, "[scribeon-server] %s %s: the database is unavailable: %s\n",
                     logSafe(request.method, 16).c_str(), logSafe(request.path).c_str(),
                     logSafe(failure.what()).c_str());
        auto reply = errorReply(503, ServiceErrorCode::serverError,
                                "The service is unavailable for a moment. Try again later.");
        reply.headers.emplace_back("Retry-After", "1");
        return shownTo(request, std::move(reply));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "[scribeon-server] %s %s failed: %s\n",
                     logSafe(request.method, 16).c_str(), logSafe(request.path).c_str(),
                     failure.what());
        return shownTo(request, errorReply(500, ServiceErrorCode::serverError,
                                           "Something went wrong on the server. Try again later."));
    }
}

bool SiteRouter::checksPassword(const ApiRequest& request) const {
    return request.method == "POST" &&
           (ServiceApi::checksPassword(request.path) || WebPages::checksPassword(request.path));
}

// A person on a web page reads the failure as a page; a program gets JSON.
ApiReply SiteRouter::shownTo(const ApiRequest& request, ApiReply reply) {
    if (WebPages::isPage(request.path))
        return WebPages::failurePage(reply);
    return reply;
}

ApiReply SiteRouter::route(const ApiRequest& request) {
    if (ServiceApi::isApiPath(request.path))
        return api_.handle(request);
    if (auto reply = pages_.serve(request))
        return std::move(*reply);
    if (feed_) {
        if (auto reply = feed_->serve(request))
            return std::move(*reply);
    }
    return ServiceApi::notFound();
}

} // namespace scribeon::server
