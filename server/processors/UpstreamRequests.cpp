#include "server/processors/UpstreamRequests.h"

#include <curl/curl.h>

#include <atomic>
#include <stdexcept>
#include <unordered_map>

namespace scribeon::server {

namespace {

using Clock = std::chrono::steady_clock;

// A model still loading may take a while to answer, not to accept.
constexpr long connectTimeoutMs = 10000;
// Deadlines are looked at this often, and a wake-up comes at least this often.
constexpr auto deadlineCheck = std::chrono::milliseconds(100);

struct Transfer {
    UpstreamRequests::Id id = 0;
    UpstreamRequest request;
    std::shared_ptr<UpstreamListener> listener;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{nullptr, curl_easy_cleanup};
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers{nullptr,
                                                                        curl_slist_free_all};
    Clock::time_point deadline;
    bool enough = false; // the listener wanted no more
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* target) {
    auto* transfer = static_cast<Transfer*>(target);
    long status = 0;
    curl_easy_getinfo(transfer->easy.get(), CURLINFO_RESPONSE_CODE, &status);
    const auto flow = transfer->listener->received({data, size * count}, status);
    if (flow == UpstreamListener::Flow::enough) {
        transfer->enough = true;
        return 0; // ends the transfer
    }
    if (flow == UpstreamListener::Flow::flowing)
        transfer->deadline = Clock::now() + transfer->request.idleTimeout;
    return size * count;
}

bool prepare(Transfer& transfer) {
    transfer.easy.reset(curl_easy_init());
    if (!transfer.easy)
        return false;
    curl_slist* list = curl_slist_append(nullptr, "Expect:");
    for (const auto& header : transfer.request.headers)
        list = curl_slist_append(list, header.c_str());
    transfer.headers.reset(list);
    CURL* h = transfer.easy.get();
    curl_easy_setopt(h, CURLOPT_URL, transfer.request.url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, transfer.request.body.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(transfer.request.body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_PRIVATE, &transfer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    transfer.deadline = Clock::now() + transfer.request.firstTextTimeout;
    return true;
}

} // namespace

struct UpstreamRequests::Loop {
    Loop() {
        static std::once_flag global;
        std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        multi = curl_multi_init();
        if (!multi)
            throw std::runtime_error("the HTTP client could not start");
    }
    ~Loop() { curl_multi_cleanup(multi); }
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;
    Loop(Loop&&) = delete;
    Loop& operator=(Loop&&) = delete;

    void run() {
        Clock::time_point nextCheck = Clock::now() + deadlineCheck;
        while (takeRequests()) {
            int active = 0;
            curl_multi_perform(multi, &active);
            readResults();
            if (Clock::now() >= nextCheck) {
                endOverdue();
                nextCheck = Clock::now() + deadlineCheck;
            }
            curl_multi_poll(multi, nullptr, 0, static_cast<int>(deadlineCheck.count()), nullptr);
        }
        for (auto& [id, transfer] : running)
            end(*transfer, {UpstreamEnd::How::cancelled, "the service is stopping"}, false);
        const std::lock_guard lock(mutex);
        for (auto& transfer : starting)
            transfer->listener->ended({UpstreamEnd::How::cancelled, "the service is stopping"});
    }

    // Adds what was started and drops what was cancelled; false once stopping.
    bool takeRequests() {
        std::vector<std::unique_ptr<Transfer>> added;
        std::vector<Id> dropped;
        {
            const std::lock_guard lock(mutex);
            if (stopping)
                return false;
            added.swap(starting);
            dropped.swap(cancelling);
        }
        for (auto& transfer : added) {
            if (!prepare(*transfer) ||
                curl_multi_add_handle(multi, transfer->easy.get()) != CURLM_OK) {
                transfer->listener->ended(
                    {UpstreamEnd::How::failed, "the HTTP client could not start"});
                continue;
            }
            const Id id = transfer->id;
            running.emplace(id, std::move(transfer));
        }
        for (const Id id : dropped) {
            if (const auto it = running.find(id); it != running.end())
                end(*it->second, {UpstreamEnd::How::cancelled, "cancelled"});
        }
        return true;
    }

    void readResults() {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Transfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            const CURLcode code = message->data.result;
            if (code == CURLE_OK || transfer->enough)
                end(*transfer, {UpstreamEnd::How::complete, {}});
            else
                end(*transfer, {UpstreamEnd::How::failed, curl_easy_strerror(code)});
        }
    }

    void endOverdue() {
        const auto now = Clock::now();
        std::vector<Transfer*> overdue;
        for (const auto& [id, transfer] : running)
            if (now >= transfer->deadline)
                overdue.push_back(transfer.get());
        for (Transfer* transfer : overdue)
            end(*transfer, {UpstreamEnd::How::timedOut, "no answer in time"});
    }

    // Closes the transfer's connection (removed mid-transfer, curl does not
    // keep it) and tells its listener last.
    void end(Transfer& transfer, const UpstreamEnd& how, bool erase = true) {
        curl_multi_remove_handle(multi, transfer.easy.get());
        const auto listener = transfer.listener;
        transfer.easy.reset();
        if (erase)
            running.erase(transfer.id);
        listener->ended(how);
    }

    CURLM* multi = nullptr;
    std::mutex mutex;
    std::vector<std::unique_ptr<Transfer>> starting; // under the mutex
    std::vector<Id> cancelling;                      // under the mutex
    bool stopping = false;                           // under the mutex
    std::atomic<Id> nextId{1};
    std::unordered_map<Id, std::unique_ptr<Transfer>> running; // the loop's thread only
};

UpstreamRequests::UpstreamRequests()
    : loop_(std::make_unique<Loop>()), thread_([this] { loop_->run(); }) {}

UpstreamRequests::~UpstreamRequests() {
    {
        const std::lock_guard lock(loop_->mutex);
        loop_->stopping = true;
    }
    curl_multi_wakeup(loop_->multi);
    thread_.join();
}

UpstreamRequests::Id UpstreamRequests::start(UpstreamRequest request,
                                             std::shared_ptr<UpstreamListener> listener) {
    auto transfer = std::make_unique<Transfer>();
    transfer->id = loop_->nextId++;
    transfer->request = std::move(request);
    transfer->listener = std::move(listener);
    const Id id = transfer->id;
    {
        const std::lock_guard lock(loop_->mutex);
        loop_->starting.push_back(std::move(transfer));
    }
    curl_multi_wakeup(loop_->multi);
    return id;
}

void UpstreamRequests::cancel(Id id) {
    {
        const std::lock_guard lock(loop_->mutex);
        loop_->cancelling.push_back(id);
    }
    curl_multi_wakeup(loop_->multi);
}

} // namespace scribeon::server
