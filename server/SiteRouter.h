#pragma once

#include "server/api/ServiceApi.h"
#include "server/feed/UpdateFeed.h"
#include "server/http/Exchange.h"
#include "server/web/WebPages.h"

namespace scribeon::server {

// The whole site behind the front end: /api/v1 goes to the API, the pages to
// the web part, the update paths to the feed. A failure anywhere becomes a
// 500 (or a 503 while the database is away), shown as a page to a person on
// a page and as JSON to a program.
class SiteRouter : public RequestHandler {
public:
    // The feed, when there is one, outlives the router.
    SiteRouter(ServiceApi& api, WebPages& pages, const UpdateFeed* feed = nullptr);

    ApiReply handle(const ApiRequest& request) override;
    bool checksPassword(const ApiRequest& request) const override;

private:
    ApiReply route(const ApiRequest& request);
    static ApiReply shownTo(const ApiRequest& request, ApiReply reply);

    ServiceApi& api_;
    WebPages& pages_;
    const UpdateFeed* feed_;
};

} // namespace scribeon::server
