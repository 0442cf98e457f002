#include "platform/KeyCodeTable.h"

#include <array>
#include <utility>

namespace scribeon::KeyCodeTable {

namespace {

// {virtual key code, evdev code}
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 74> positions{{
    // letters
    {0, 30},
    {1, 31},
    {2, 32},
    {3, 33},
    {4, 35},
    {5, 34},
    {6, 44},
    {7, 45},
    {8, 46},
    {9, 47},
    {11, 48},
    {12, 16},
    {13, 17},
    {14, 18},
    {15, 19},
    {16, 21},
    {17, 20},
    {31, 24},
    {32, 22},
    {34, 23},
    {35, 25},
    {37, 38},
    {38, 36},
    {40, 37},
    {45, 49},
    {46, 50},
    // digits 1-9, 0
    {18, 2},
    {19, 3},
    {20, 4},
    {21, 5},
    {23, 6},
    {22, 7},
    {26, 8},
    {28, 9},
    {25, 10},
    {29, 11},
    // punctuation: - = [ ] ' ; \ , / . ` and the ISO key beside the left Shift
    {27, 12},
    {24, 13},
    {33, 26},
    {30, 27},
    {39, 40},
    {41, 39},
    {42, 43},
    {43, 51},
    {44, 53},
    {47, 52},
    {50, 41},
    {10, 86},
    // Return, Tab, Space, Delete (backspace), Escape, forward delete
    {36, 28},
    {48, 15},
    {49, 57},
    {51, 14},
    {53, 1},
    {117, 111},
    // F1-F12
    {122, 59},
    {120, 60},
    {99, 61},
    {118, 62},
    {96, 63},
    {97, 64},
    {98, 65},
    {100, 66},
    {101, 67},
    {109, 68},
    {103, 87},
    {111, 88},
    // arrows left, right, down, up; Home, End, Page Up, Page Down
    {123, 105},
    {124, 106},
    {125, 108},
    {126, 103},
    {115, 102},
    {119, 107},
    {116, 104},
    {121, 109},
}};

} // namespace

std::optional<std::uint32_t> evdevFromVirtualKey(std::uint32_t virtualKeyCode) {
    for (const auto& [virtualKey, evdev] : positions)
        if (virtualKey == virtualKeyCode)
            return evdev;
    return std::nullopt;
}

std::optional<std::uint32_t> virtualKeyFromEvdev(std::uint32_t evdevCode) {
    for (const auto& [virtualKey, evdev] : positions)
        if (evdev == evdevCode)
            return virtualKey;
    return std::nullopt;
}

} // namespace scribeon::KeyCodeTable
