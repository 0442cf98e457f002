#include "wire/EventStream.h"

namespace scribeon {

EventStreamReader::EventStreamReader(std::size_t maximumEventBytes)
    : maximumEventBytes_(maximumEventBytes) {}

std::vector<StreamEvent> EventStreamReader::feed(std::string_view bytes) {
    std::vector<StreamEvent> events;
    for (const char c : bytes) {
        if (failed_)
            return {};
        if (c == '\n' && afterCarriageReturn_) {
            afterCarriageReturn_ = false;
            continue;
        }
        afterCarriageReturn_ = c == '\r';
        if (c == '\n' || c == '\r') {
            const std::string line = std::move(pending_);
            pending_.clear();
            readLine(line, events);
        } else if (pending_.size() + (data_ ? data_->size() : 0) >= maximumEventBytes_) {
            failed_ = true;
        } else {
            pending_.push_back(c);
        }
    }
    return failed_ ? std::vector<StreamEvent>{} : events;
}

void EventStreamReader::readLine(std::string_view line, std::vector<StreamEvent>& events) {
    if (line.empty()) {
        if (data_)
            events.push_back({name_.value_or("message"), std::move(*data_)});
        name_.reset();
        data_.reset();
        return;
    }
    if (line.front() == ':')
        return; // a comment, which servers send to keep a connection alive
    const auto colon = line.find(':');
    const std::string_view field = line.substr(0, colon);
    std::string_view value = colon == std::string_view::npos ? "" : line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    if (field == "event") {
        name_ = std::string(value);
    } else if (field == "data") {
        if (data_)
            data_->push_back('\n');
        else
            data_.emplace();
        data_->append(value);
    }
}

// A line break of any kind in the data starts a new data line, so nothing in
// the data can end the event early or forge a field; readers join the lines
// back with newlines.
std::string encodeStreamEvent(std::string_view name, std::string_view data) {
    std::string event = "event: " + std::string(name) + "\ndata: ";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            continue;
        if (data[i] == '\r' || data[i] == '\n')
            event += "\ndata: ";
        else
            event.push_back(data[i]);
    }
    return event + "\n\n";
}

} // namespace scribeon
