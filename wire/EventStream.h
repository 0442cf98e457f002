#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scribeon {

inline constexpr std::string_view eventStreamMediaType = "text/event-stream";

// One Server-Sent Event: its `event:` name ("message" when it has none) and
// its `data:` lines joined by newlines.
struct StreamEvent {
    std::string name;
    std::string data;
    bool operator==(const StreamEvent&) const = default;
};

// Reads an event stream as it arrives: bytes come in pieces cut anywhere (in
// a line, in a CRLF, in a UTF-8 character), so a line is only read once its
// end has come. A line or an event longer than the bound fails the stream
// rather than letting a peer that never ends one grow the buffer forever.
class EventStreamReader {
public:
    explicit EventStreamReader(std::size_t maximumEventBytes = 4u << 20);

    // The events completed by these bytes, in order; nothing once failed.
    std::vector<StreamEvent> feed(std::string_view bytes);
    bool failed() const { return failed_; }

private:
    void readLine(std::string_view line, std::vector<StreamEvent>& events);

    std::size_t maximumEventBytes_;
    std::string pending_; // the start of a line whose end has not come
    bool afterCarriageReturn_ = false;
    std::optional<std::string> name_;
    std::optional<std::string> data_;
    bool failed_ = false;
};

// One event as it goes on the wire; data with newlines becomes several lines.
std::string encodeStreamEvent(std::string_view name, std::string_view data);

} // namespace scribeon
