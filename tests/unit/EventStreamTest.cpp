#include "wire/EventStream.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

std::vector<StreamEvent> readInPieces(std::string_view stream, std::size_t cut) {
    EventStreamReader reader;
    auto events = reader.feed(stream.substr(0, cut));
    for (auto& event : reader.feed(stream.substr(cut)))
        events.push_back(std::move(event));
    return events;
}

// Bytes arrive cut anywhere: inside a field name, a CRLF, a UTF-8 character.
TEST(EventStreamTest, EventsAreTheSameWhereverTheBytesAreCut) {
    const std::pair<std::string_view, std::vector<StreamEvent>> cases[] = {
        {"event: delta\ndata: {\"text\":\"caf\xC3\xA9\"}\n\n",
         {{"delta", "{\"text\":\"caf\xC3\xA9\"}"}}},
        {"data: [DONE]\r\n\r\n", {{"message", "[DONE]"}}},
        {"data:a\rdata:b\r\r", {{"message", "a\nb"}}},
        {": keep-alive\n\nevent: done\ndata: {}\n\n", {{"done", "{}"}}},
        {"event: lonely\n\ndata: x\n\n", {{"message", "x"}}}, // no data, no event
        {"data: unfinished\n", {}},
        {"id: 7\nretry: 10\ndata: y\n\n", {{"message", "y"}}},
    };
    for (const auto& [stream, events] : cases)
        for (std::size_t cut = 0; cut <= stream.size(); ++cut)
            EXPECT_EQ(readInPieces(stream, cut), events) << stream << " cut at " << cut;
}

TEST(EventStreamTest, WhatIsWrittenIsReadBackAndDataCannotForgeAField) {
    const std::string data = "line one\r\nevent: forged\rdata: x\n\nlast";
    EventStreamReader reader;
    const auto events =
        reader.feed(encodeStreamEvent("delta", data) + encodeStreamEvent("done", "{}"));
    EXPECT_EQ(events, (std::vector<StreamEvent>{
                          {"delta", "line one\nevent: forged\ndata: x\n\nlast"}, {"done", "{}"}}));
}

TEST(EventStreamTest, APeerThatNeverEndsALineOrAnEventFailsTheStream) {
    for (const std::string& endless :
         {std::string(100, 'x'),
          "data: " + std::string(40, 'y') + "\ndata: " + std::string(60, 'z')}) {
        EventStreamReader reader(64);
        EXPECT_TRUE(reader.feed(endless).empty());
        EXPECT_TRUE(reader.failed()) << endless;
        EXPECT_TRUE(reader.feed("\n\n").empty());
    }
    EventStreamReader reader(64);
    EXPECT_EQ(reader.feed("data: " + std::string(50, 'w') + "\n\n").size(), 1u);
    EXPECT_FALSE(reader.failed());
}

} // namespace
} // namespace scribeon
