#include "platform/linux/CurlHttpTransport.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

namespace scribeon {

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

struct ReplyBuffer {
    const HttpRequest* request = nullptr;
    CURL* handle = nullptr;
    std::string body;
    std::uint64_t received = 0;
    std::size_t limit = 0;
    bool overflowed = false;
    std::optional<HttpReplyHead> head; // read once, at the first piece of a streamed body
};

HttpReplyHead replyHead(CURL* handle) {
    HttpReplyHead head;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &head.status);
    const char* type = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        head.contentType = type;
    return head;
}

// Returning anything but `bytes` makes curl stop with CURLE_WRITE_ERROR.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* buffer = static_cast<ReplyBuffer*>(user);
    const HttpRequest& request = *buffer->request;
    const std::size_t bytes = size * count;
    if (request.cancel.isCancelled())
        return 0;
    if (buffer->received + bytes > buffer->limit) {
        buffer->overflowed = true;
        return 0;
    }
    buffer->received += bytes;
    if (request.onChunk) {
        if (!buffer->head)
            buffer->head = replyHead(buffer->handle);
        request.onChunk(*buffer->head, std::string_view(data, bytes));
    } else {
        buffer->body.append(data, bytes);
    }
    if (request.onProgress)
        request.onProgress(buffer->received);
    return bytes;
}

// curl calls this at least once a second even while nothing arrives, which
// bounds how long a cancelled exchange keeps its connection.
int checkCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<ReplyBuffer*>(user)->request->cancel.isCancelled() ? 1 : 0;
}

TransportError classify(CURLcode code, const char* detail) {
    using Code = TransportError::Code;
    const std::string description = detail && *detail ? detail : curl_easy_strerror(code);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return {Code::cannotFindHost, description};
    case CURLE_COULDNT_CONNECT:
        return {description.find("unreachable") != std::string::npos ? Code::notConnectedToInternet
                                                                     : Code::cannotConnectToHost,
                description};
    case CURLE_OPERATION_TIMEDOUT:
        return {Code::timedOut, description};
    case CURLE_SSL_CONNECT_ERROR:
        return {Code::secureConnectionFailed, description};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return {Code::serverCertificateUntrusted, description};
    default:
        return {Code::other, description};
    }
}

struct UrlParts {
    std::string scheme;
    std::string host;
};

std::optional<UrlParts> parseUrl(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    char* host = nullptr;
    UrlParts parts;
    if (curl_url_get(handle.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK)
        parts.scheme = scheme;
    if (curl_url_get(handle.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK)
        parts.host = host;
    curl_free(scheme);
    curl_free(host);
    return parts;
}

} // namespace

bool CurlHttpTransport::isLoopbackHost(const std::string& host) {
    if (host == "localhost")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    in6_addr v6{};
    return inet_pton(AF_INET6, bare.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

CurlHttpTransport::CurlHttpTransport(std::size_t workers, std::size_t maxReplyBytes)
    : maxWorkers_(std::max<std::size_t>(workers, 1)), maxReplyBytes_(maxReplyBytes) {
    static CurlGlobal global;
}

CurlHttpTransport::~CurlHttpTransport() {
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        workers.swap(workers_);
    }
    wake_.notify_all();
    for (auto& worker : workers)
        worker.join();
}

void CurlHttpTransport::send(HttpRequest request, std::function<void(HttpOutcome)> completion) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(request), std::move(completion)});
        // Idle workers take the waiting calls first; a new one starts only
        // for a call none of them will take.
        if (jobs_.size() > idle_ && workers_.size() < maxWorkers_)
            workers_.emplace_back([this] { work(); });
    }
    wake_.notify_one();
}

void CurlHttpTransport::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job.completion(perform(job.request));
    }
}

HttpOutcome CurlHttpTransport::perform(const HttpRequest& request) const {
    using Code = TransportError::Code;
    if (request.cancel.isCancelled())
        return TransportError{Code::cancelled, "stopped"};
    const auto parts = parseUrl(request.url);
    if (!parts)
        return TransportError{Code::foreign, "the address " + request.url + " is not a valid URL"};
    if (parts->scheme != "https" && !(parts->scheme == "http" && isLoopbackHost(parts->host)))
        return TransportError{Code::foreign, "refusing to send to " + parts->host +
                                                 " without encryption (http:// is allowed only "
                                                 "for this computer)"};

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        return TransportError{Code::other, "could not start an HTTP session"};
    ReplyBuffer buffer;
    buffer.request = &request;
    buffer.handle = curl.get();
    buffer.limit = maxReplyBytes_;
    char errorText[CURL_ERROR_SIZE] = {};

    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
        std::string line = name;
        line.append(": ").append(value);
        headers = curl_slist_append(headers, line.c_str());
    }
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                           curl_slist_free_all);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "GET")
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    else if (request.method == "POST" || !request.body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    if (request.onChunk) {
        // Silence, not length, ends a streamed reply: fewer than one byte a
        // second for the whole timeout.
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeout.count()));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(
            h, CURLOPT_LOW_SPEED_TIME,
            static_cast<long>(std::max<std::int64_t>(1, request.timeout.count() / 1000)));
    } else {
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
    }
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, checkCancelled);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &buffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &buffer);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxReplyBytes_));
    // A proxy from http_proxy or ALL_PROXY would otherwise see the password
    // and the token of a plain-http request to this computer in clear text.
    if (isLoopbackHost(parts->host))
        curl_easy_setopt(h, CURLOPT_NOPROXY, "*");

    const CURLcode result = curl_easy_perform(h);
    if (request.cancel.isCancelled())
        return TransportError{Code::cancelled, "stopped"};
    if (buffer.overflowed || result == CURLE_FILESIZE_EXCEEDED)
        return TransportError{
            Code::replyTooLarge,
            "more than " + std::to_string(maxReplyBytes_ / (std::size_t{1024} * 1024)) + " MiB"};
    if (result != CURLE_OK)
        return classify(result, errorText);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return HttpReply{status, std::move(buffer.body)};
}

} // namespace scribeon
