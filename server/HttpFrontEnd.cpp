#include "server/HttpFrontEnd.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace scribeon::server {

namespace {

thread_local std::chrono::steady_clock::time_point requestStart;

void sendJson(httplib::Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
}

std::string errorCodeFor(int status) {
    switch (status) {
    case 400:
        return "bad request";
    case 404:
        return "not found";
    case 413:
        return "payload too large";
    case 414:
        return "uri too long";
    default:
        return status >= 500 ? "server error" : "request error";
    }
}

std::string messageFor(int status) {
    switch (status) {
    case 413:
        return "The request body is larger than 1 MiB.";
    case 404:
        return "There is nothing at this address.";
    default:
        return status >= 500 ? "Something went wrong on the server. Try again later."
                             : "The request could not be understood.";
    }
}

// The command code is part of the path, so it is logged; a query string,
// which could hold anything, is not.
void logRequest(const httplib::Request& request, const httplib::Response& response) {
    const auto elapsed = std::chrono::steady_clock::now() - requestStart;
    char line[512];
    const int length = std::snprintf(line, sizeof line, "%s %.300s %d %.2f ms\n",
                                     request.method.c_str(), request.path.c_str(), response.status,
                                     std::chrono::duration<double, std::milli>(elapsed).count());
    if (length > 0)
        (void)!::write(STDERR_FILENO, line,
                       std::min<std::size_t>(std::size_t(length), sizeof line - 1));
}

} // namespace

HttpFrontEnd::HttpFrontEnd(ServiceApi& api, ListenOptions options)
    : api_(api), options_(std::move(options)) {
    if (usesTls()) {
        auto tls = std::make_unique<httplib::SSLServer>(options_.certificateFile.c_str(),
                                                        options_.keyFile.c_str());
        if (!tls->is_valid())
            throw std::runtime_error("the certificate or key could not be loaded");
        server_ = std::move(tls);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    auto& server = *server_;
    const int threads = std::max(2, options_.threads);
    server.new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<std::size_t>(threads));
    };
    server.set_payload_max_length(maximumBody);
    server.set_keep_alive_max_count(10000);
    server.set_keep_alive_timeout(5);
    server.set_read_timeout(10);
    server.set_write_timeout(10);

    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        requestStart = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto dispatch = [this](const httplib::Request& request, httplib::Response& response) {
        const ApiReply reply =
            api_.handle({request.method, request.path, request.get_header_value("Authorization"),
                         request.body, request.remote_addr});
        for (const auto& [name, value] : reply.headers)
            response.set_header(name, value);
        sendJson(response, reply.status, reply.body);
    };
    const char* everything = R"(/.*)";
    server.Get(everything, dispatch);
    server.Post(everything, dispatch);
    server.Put(everything, dispatch);
    server.Patch(everything, dispatch);
    server.Delete(everything, dispatch);
    server.Options(everything, dispatch);
    // Answers the library makes itself (413, 400 ...) come without a body.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (!response.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            sendJson(response, response.status,
                     {{"error", errorCodeFor(response.status)},
                      {"message", messageFor(response.status)}});
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            sendJson(response, 500, {{"error", "server error"}, {"message", messageFor(500)}});
        });
    if (options_.accessLog)
        server.set_logger(logRequest);
}

HttpFrontEnd::~HttpFrontEnd() = default;

int HttpFrontEnd::bind() {
    int port = options_.port;
    if (port == 0) {
        port = server_->bind_to_any_port(options_.host);
    } else if (!server_->bind_to_port(options_.host, port)) {
        port = -1;
    }
    if (port < 0)
        throw std::runtime_error("cannot listen on " + options_.host + ":" +
                                 std::to_string(options_.port));
    return port;
}

void HttpFrontEnd::run() {
    server_->listen_after_bind();
}

void HttpFrontEnd::stop() {
    server_->stop();
}

bool HttpFrontEnd::isRunning() const {
    return server_->is_running();
}

} // namespace scribeon::server
