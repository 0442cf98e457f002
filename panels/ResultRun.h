#pragma once

#include "base/Property.h"
#include "platform/MainQueue.h"
#include "wire/Records.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// One command's result as the result panel shows it: the text so far and
// whether more is coming. A streamed run grows while the panel is open; Stop
// cancels its exchange and keeps what came. Main thread only.
class ResultRun {
public:
    enum class State { writing, complete, stopped, failed };

    // What a view must do to show the text: add a piece at the end, or show
    // the whole text anew.
    struct TextChange {
        std::string text;
        bool whole = false;
    };

    // A result that came in one piece.
    static std::shared_ptr<ResultRun> finished(ProcessResult result);
    // A run whose text is still coming; `head` names the command and carries
    // the original text, `cancel` ends its exchange.
    static std::shared_ptr<ResultRun> writing(ProcessResult head, Cancel cancel);

    // The processed text is what has arrived so far.
    const ProcessResult& result() const { return result_; }
    bool isWriting() const { return state.get() == State::writing; }

    Property<State> state;
    Property<std::optional<std::string>> errorMessage;
    Property<TextChange, Notify::Always> textChanged;

    // Each of these acts only while the run is writing.
    void append(std::string_view piece);
    // The service's whole text is the result, even where the pieces differ.
    void finish(ProcessResult whole);
    // The text so far stays, with the failure under it.
    void fail(std::string message);
    void stop();

private:
    ResultRun(ProcessResult result, State initial, Cancel cancel);

    ProcessResult result_;
    Cancel cancel_;
};

} // namespace scribeon
