#include "platform/linux/AtspiAccessibilityBridge.h"

#include <atspi/atspi.h>

#include <QList>
#include <QString>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace scribeon {

namespace {

// A hung application costs at most this per call (libatspi's default is
// 800 ms, and 15 s for an application that registered a moment ago).
constexpr int callTimeoutMs = 400;
constexpr int startupTimeoutMs = 1000;
constexpr int searchDepthLimit = 40;
constexpr int searchNodeLimit = 4000;
constexpr int webAncestorLevels = 4;

struct ObjectRelease {
    void operator()(void* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using Ref = std::unique_ptr<T, ObjectRelease>;
using Accessible = Ref<AtspiAccessible>;

// Swallows the GError of one call and remembers that there was one.
class CallError {
public:
    CallError() = default;
    CallError(const CallError&) = delete;
    CallError& operator=(const CallError&) = delete;
    ~CallError() {
        if (error_)
            g_error_free(error_);
    }
    GError** out() { return &error_; }
    bool failed() const { return error_ != nullptr; }

private:
    GError* error_ = nullptr;
};

std::string taken(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

bool isResponsive(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("State:", 0) == 0) {
            const auto state = line.find_first_not_of(" \t", 6);
            return state == std::string::npos ||
                   (line[state] != 'T' && line[state] != 't' && line[state] != 'Z');
        }
    }
    return false; // no such process
}

// When the process started, in clock ticks after boot; 0 when it is gone.
unsigned long long startTimeOf(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    // The state is the third field of the line and the start time the 22nd.
    for (int index = 3; index < 22; ++index)
        if (!(fields >> field))
            return 0;
    unsigned long long started = 0;
    fields >> started;
    return started;
}

bool hasState(AtspiAccessible* object, AtspiStateType state) {
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(object));
    return states && atspi_state_set_contains(states.get(), state);
}

// Toolkits count text offsets in different units: Qt in UTF-16 code units,
// GTK and the others in code points. The length of an insert is bytes for
// GTK (what libatspi documents) and UTF-16 units for Qt.
struct TextUnits {
    bool utf16 = false;
    long offsets(const std::string& text) const {
        const QString string = QString::fromStdString(text);
        return utf16 ? string.size() : string.toUcs4().size();
    }
    long insertLength(const std::string& text) const {
        return utf16 ? QString::fromStdString(text).size() : static_cast<long>(text.size());
    }
};

class AtspiElement : public AccessibleElement {
public:
    explicit AtspiElement(Accessible object) : object_(std::move(object)) {
        // Only the application object answers for the toolkit.
        CallError appError;
        Accessible application(atspi_accessible_get_application(object_.get(), appError.out()));
        CallError error;
        toolkit_ = application
                       ? taken(atspi_accessible_get_toolkit_name(application.get(), error.out()))
                       : std::string();
        units_.utf16 = toolkit_ == "Qt";
        text_.reset(atspi_accessible_get_text_iface(object_.get()));
        editable_.reset(atspi_accessible_get_editable_text_iface(object_.get()));
    }

    std::optional<std::string> role() override {
        CallError error;
        std::string name = taken(atspi_accessible_get_role_name(object_.get(), error.out()));
        if (error.failed() || name.empty())
            return std::nullopt;
        return name;
    }

    AccessibleRead selectedText() override {
        if (!text_)
            return {BridgeStatus::noText, std::nullopt};
        const auto range = selection();
        if (!range)
            return {BridgeStatus::noSelection, std::nullopt};
        CallError error;
        std::string text =
            taken(atspi_text_get_text(text_.get(), range->first, range->second, error.out()));
        if (error.failed())
            return {BridgeStatus::callFailed, std::nullopt};
        return {BridgeStatus::success, std::move(text)};
    }

    std::optional<std::string> value() override {
        if (!text_)
            return std::nullopt;
        CallError error;
        std::string text = taken(atspi_text_get_text(text_.get(), 0, -1, error.out()));
        if (error.failed())
            return std::nullopt;
        return text;
    }

    bool isWebContent() override {
        Accessible current(g_object_ref(object_.get()));
        for (int level = 0; current && level <= webAncestorLevels; ++level) {
            CallError roleError;
            if (atspi_accessible_get_role(current.get(), roleError.out()) ==
                ATSPI_ROLE_DOCUMENT_WEB)
                return true;
            if (level == 0 && hasTagAttribute(current.get()))
                return true;
            CallError parentError;
            current.reset(atspi_accessible_get_parent(current.get(), parentError.out()));
        }
        return false;
    }

    // GTK 3 says "gtk", GTK 4 "GTK"; Chromium's offsets drift by one per
    // emoji before the selection.
    bool hasExactSelectionOffsets() override {
        return toolkit_ == "Qt" || toolkit_ == "gtk" || toolkit_ == "GTK";
    }

    bool isTerminal() override {
        CallError error;
        return atspi_accessible_get_role(object_.get(), error.out()) == ATSPI_ROLE_TERMINAL;
    }

    TextWrite writeSelectedText(const std::string& newText) override {
        if (!text_)
            return {BridgeStatus::noText, {}};
        if (!editable_ || !hasState(object_.get(), ATSPI_STATE_EDITABLE) ||
            hasState(object_.get(), ATSPI_STATE_READ_ONLY))
            return {BridgeStatus::notEditable, {}};
        std::pair<int, int> range;
        if (auto selected = selection()) {
            range = *selected;
        } else {
            CallError error;
            const int caret = atspi_text_get_caret_offset(text_.get(), error.out());
            if (error.failed() || caret < 0)
                return {BridgeStatus::callFailed, {}};
            range = {caret, caret};
        }
        TextEdit edit;
        edit.start = range.first;
        edit.inserted = newText;
        if (range.second > range.first) {
            CallError readError;
            edit.removed =
                taken(atspi_text_get_text(text_.get(), range.first, range.second, readError.out()));
            CallError error;
            if (readError.failed() || !atspi_editable_text_delete_text(editable_.get(), range.first,
                                                                       range.second, error.out()))
                return {BridgeStatus::refused, {}};
            ++edit.steps;
        }
        if (!newText.empty()) {
            CallError error;
            const bool inserted = atspi_editable_text_insert_text(
                editable_.get(), range.first, newText.c_str(),
                static_cast<gint>(units_.insertLength(newText)), error.out());
            if (edit.steps > 0 || inserted)
                ++edit.steps;
            if (!inserted)
                return {BridgeStatus::refused, edit};
        }
        return {BridgeStatus::success, edit};
    }

    BridgeStatus setSelectedRange(const std::string& forValue, std::size_t byteStart,
                                  std::size_t byteLength) override {
        if (!text_)
            return BridgeStatus::noText;
        if (byteStart + byteLength > forValue.size())
            return BridgeStatus::callFailed;
        const int start = static_cast<int>(units_.offsets(forValue.substr(0, byteStart)));
        const int end =
            start + static_cast<int>(units_.offsets(forValue.substr(byteStart, byteLength)));
        // GTK changes an existing selection only with set_selection and adds
        // one only when there is none.
        CallError countError;
        const int count = atspi_text_get_n_selections(text_.get(), countError.out());
        CallError error;
        const bool done = count > 0
                              ? atspi_text_set_selection(text_.get(), 0, start, end, error.out())
                              : atspi_text_add_selection(text_.get(), start, end, error.out());
        if (!done || error.failed())
            return BridgeStatus::refused;
        const auto now = selection();
        return now == std::pair{start, end} ? BridgeStatus::success : BridgeStatus::refused;
    }

    bool takeBack(const TextEdit& edit) override {
        if (!text_ || !editable_)
            return false;
        const int start = static_cast<int>(edit.start);
        const int end = start + static_cast<int>(units_.offsets(edit.inserted));
        CallError readError;
        // Only what the write put there is taken out again.
        if (taken(atspi_text_get_text(text_.get(), start, end, readError.out())) != edit.inserted ||
            readError.failed())
            return false;
        if (end > start) {
            CallError error;
            if (!atspi_editable_text_delete_text(editable_.get(), start, end, error.out()))
                return false;
        }
        if (!edit.removed.empty()) {
            CallError error;
            if (!atspi_editable_text_insert_text(
                    editable_.get(), start, edit.removed.c_str(),
                    static_cast<gint>(units_.insertLength(edit.removed)), error.out()))
                return false;
        }
        return true;
    }

    bool setValue(const std::string& newValue) override {
        if (!editable_)
            return false;
        CallError error;
        return atspi_editable_text_set_text_contents(editable_.get(), newValue.c_str(),
                                                     error.out()) &&
               !error.failed();
    }

private:
    std::optional<std::pair<int, int>> selection() {
        CallError countError;
        const int count = atspi_text_get_n_selections(text_.get(), countError.out());
        if (countError.failed() || count <= 0)
            return std::nullopt;
        CallError error;
        AtspiRange* range = atspi_text_get_selection(text_.get(), 0, error.out());
        if (!range)
            return std::nullopt;
        std::pair<int, int> result{range->start_offset, range->end_offset};
        g_free(range);
        if (error.failed() || result.first < 0 || result.second < result.first)
            return std::nullopt; // garbage offsets count as no selection
        return result;
    }

    static bool hasTagAttribute(AtspiAccessible* object) {
        CallError error;
        GHashTable* attributes = atspi_accessible_get_attributes(object, error.out());
        if (!attributes)
            return false;
        const bool tagged = g_hash_table_contains(attributes, "tag");
        g_hash_table_unref(attributes);
        return tagged;
    }

    Accessible object_;
    Ref<AtspiText> text_;
    Ref<AtspiEditableText> editable_;
    TextUnits units_;
    std::string toolkit_;
};

AtspiAccessible* focusedDescendant(AtspiAccessible* root, int depth, int& budget) {
    if (--budget < 0 || depth > searchDepthLimit)
        return nullptr;
    if (depth > 0 && hasState(root, ATSPI_STATE_FOCUSED))
        return static_cast<AtspiAccessible*>(g_object_ref(root));
    if (depth > 0 && !hasState(root, ATSPI_STATE_SHOWING))
        return nullptr;
    CallError countError;
    const int children = atspi_accessible_get_child_count(root, countError.out());
    for (int i = 0; i < children && budget > 0; ++i) {
        CallError error;
        Accessible child(atspi_accessible_get_child_at_index(root, i, error.out()));
        if (!child)
            continue;
        if (AtspiAccessible* found = focusedDescendant(child.get(), depth + 1, budget))
            return found;
    }
    return nullptr;
}

int processOf(AtspiAccessible* object) {
    CallError error;
    const guint pid = atspi_accessible_get_process_id(object, error.out());
    return error.failed() ? 0 : static_cast<int>(pid);
}

} // namespace

AtspiAccessibilityBridge::AtspiAccessibilityBridge() {
    ready();
}

AtspiAccessibilityBridge::~AtspiAccessibilityBridge() {
    if (listener_) {
        atspi_event_listener_deregister(listener_, "object:state-changed:focused", nullptr);
        g_object_unref(listener_);
    }
    if (lastFocused_)
        g_object_unref(lastFocused_);
}

bool AtspiAccessibilityBridge::ready() {
    if (initialised_)
        return true;
    const int status = atspi_init();
    if (status != 0 && status != 1)
        return false; // no accessibility bus yet; asked again on the next use
    initialised_ = true;
    atspi_set_timeout(callTimeoutMs, startupTimeoutMs);
    listener_ = atspi_event_listener_new(&AtspiAccessibilityBridge::onFocusChanged, this, nullptr);
    atspi_event_listener_register(listener_, "object:state-changed:focused", nullptr);
    return true;
}

void AtspiAccessibilityBridge::onFocusChanged(AtspiEvent* event, void* self) {
    auto* bridge = static_cast<AtspiAccessibilityBridge*>(self);
    if (event->detail1 == 1 && event->source) {
        if (bridge->lastFocused_)
            g_object_unref(bridge->lastFocused_);
        bridge->lastFocused_ = static_cast<AtspiAccessible*>(g_object_ref(event->source));
        bridge->lastFocusedPid_ = 0;
    }
    g_boxed_free(atspi_event_get_type(), event);
}

AtspiAccessible* AtspiAccessibilityBridge::applicationOf(int pid) {
    Accessible desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    CallError countError;
    const int count = atspi_accessible_get_child_count(desktop.get(), countError.out());
    for (int i = 0; i < count; ++i) {
        CallError error;
        Accessible application(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        if (application && processOf(application.get()) == pid)
            return application.release();
    }
    return nullptr;
}

// A connection's process never changes, so the bus is asked once per focus
// change rather than at every shortcut.
int AtspiAccessibilityBridge::lastFocusedPid() {
    if (lastFocused_ && lastFocusedPid_ == 0)
        lastFocusedPid_ = processOf(lastFocused_);
    return lastFocusedPid_;
}

FocusedElement AtspiAccessibilityBridge::focusedElement(int pid) {
    if (!isResponsive(pid))
        return {BridgeStatus::unresponsive, nullptr};
    if (!ready())
        return {BridgeStatus::noApplication, nullptr};
    if (lastFocused_ && lastFocusedPid() == pid) {
        atspi_accessible_clear_cache(lastFocused_);
        // The shortcut's key grab takes the keyboard from the window for a
        // moment, and a GTK window reports no focus at all until it has
        // handled getting it back (some 30 ms). The element that last had
        // the focus, still on screen, is the one the user is in.
        if (hasState(lastFocused_, ATSPI_STATE_FOCUSED) ||
            hasState(lastFocused_, ATSPI_STATE_SHOWING))
            return {BridgeStatus::success,
                    std::make_shared<AtspiElement>(
                        Accessible(static_cast<AtspiAccessible*>(g_object_ref(lastFocused_))))};
    }
    Accessible application(applicationOf(pid));
    if (!application)
        return {BridgeStatus::noApplication, nullptr};
    atspi_accessible_clear_cache(application.get());
    int budget = searchNodeLimit;
    Accessible focused(focusedDescendant(application.get(), 0, budget));
    if (!focused)
        return {BridgeStatus::noFocusedElement, nullptr, true};
    return {BridgeStatus::success, std::make_shared<AtspiElement>(std::move(focused))};
}

std::optional<std::string> AtspiAccessibilityBridge::applicationName(int pid) {
    if (!isResponsive(pid) || !ready())
        return std::nullopt;
    const unsigned long long started = startTimeOf(pid);
    if (const auto known = names_.find(pid); known != names_.end()) {
        if (known->second.started == started)
            return known->second.name;
        names_.erase(known);
    }
    Accessible application(applicationOf(pid));
    if (!application)
        return std::nullopt;
    CallError error;
    std::string name = taken(atspi_accessible_get_name(application.get(), error.out()));
    if (error.failed() || name.empty())
        return std::nullopt;
    names_[pid] = {started, name};
    return name;
}

namespace {

// Every top-level window of the application, with its states; `windows`
// keeps each frame's object for a later search.
void appendFrames(AtspiAccessible* application, int pid, std::vector<AccessibleFrame>& frames,
                  std::vector<Accessible>& windows) {
    CallError nameError;
    const std::string name = taken(atspi_accessible_get_name(application, nameError.out()));
    CallError countError;
    const int count = atspi_accessible_get_child_count(application, countError.out());
    for (int i = 0; i < count; ++i) {
        CallError error;
        Accessible window(atspi_accessible_get_child_at_index(application, i, error.out()));
        if (!window)
            continue;
        AccessibleFrame frame{pid, name};
        frame.active = hasState(window.get(), ATSPI_STATE_ACTIVE);
        frame.showing = hasState(window.get(), ATSPI_STATE_SHOWING);
        frame.iconified = hasState(window.get(), ATSPI_STATE_ICONIFIED);
        frames.push_back(std::move(frame));
        windows.push_back(std::move(window));
    }
}

} // namespace

std::vector<AccessibleFrame> AtspiAccessibilityBridge::frames(int ownPid) {
    std::vector<AccessibleFrame> result;
    if (!ready())
        return result;
    Accessible desktop(atspi_get_desktop(0));
    if (!desktop)
        return result;
    std::vector<Accessible> windows;
    CallError countError;
    const int count = atspi_accessible_get_child_count(desktop.get(), countError.out());
    for (int i = 0; i < count; ++i) {
        CallError error;
        Accessible application(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        const int pid = application ? processOf(application.get()) : 0;
        if (pid == 0 || pid == ownPid || !isResponsive(pid))
            continue;
        atspi_accessible_clear_cache(application.get());
        appendFrames(application.get(), pid, result, windows);
    }
    // Searching a frame for its focused element costs a call per object (a
    // browser's page has thousands), so it is done only to tell apart
    // several frames that claim to be active.
    const auto claims = [](const AccessibleFrame& frame) { return frame.active && frame.showing; };
    if (std::count_if(result.begin(), result.end(), claims) < 2)
        return result;
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (!claims(result[i]))
            continue;
        int budget = searchNodeLimit;
        Accessible focused(focusedDescendant(windows[i].get(), 0, budget));
        result[i].hasFocusedDescendant = focused != nullptr;
    }
    return result;
}

} // namespace scribeon
