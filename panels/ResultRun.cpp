#include "panels/ResultRun.h"

namespace scribeon {

std::shared_ptr<ResultRun> ResultRun::finished(ProcessResult result) {
    return std::shared_ptr<ResultRun>(new ResultRun(std::move(result), State::complete, Cancel()));
}

std::shared_ptr<ResultRun> ResultRun::writing(ProcessResult head, Cancel cancel) {
    head.processedText.clear();
    return std::shared_ptr<ResultRun>(
        new ResultRun(std::move(head), State::writing, std::move(cancel)));
}

ResultRun::ResultRun(ProcessResult result, State initial, Cancel cancel)
    : state(initial), result_(std::move(result)), cancel_(std::move(cancel)) {}

void ResultRun::append(std::string_view piece) {
    if (!isWriting() || piece.empty())
        return;
    result_.processedText.append(piece);
    textChanged.set({std::string(piece), false});
}

void ResultRun::finish(ProcessResult whole) {
    if (!isWriting())
        return;
    const bool differs = whole.processedText != result_.processedText;
    result_ = std::move(whole);
    if (differs)
        textChanged.set({result_.processedText, true});
    state.set(State::complete);
}

void ResultRun::fail(std::string message) {
    if (!isWriting())
        return;
    errorMessage.set(std::move(message));
    state.set(State::failed);
}

void ResultRun::stop() {
    if (!isWriting())
        return;
    cancel_.cancel();
    state.set(State::stopped);
}

} // namespace scribeon
