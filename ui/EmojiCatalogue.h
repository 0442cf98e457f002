#pragma once

#include <array>
#include <span>
#include <string_view>

namespace scribeon {

// The emoji a command can be given, in the picker's sections and order.
// Every section is a whole number of picker rows (eight), so moving one row
// up or down is always eight places in the flat list.
struct EmojiSection {
    std::string_view title;
    std::span<const std::string_view> emoji;
};

// Rows of eight, as the picker shows them.
// clang-format off
inline constexpr std::string_view emojiSection0[] = {
    "📝", "✍️", "📖", "📚", "🔤", "✏️", "🖊️", "🖋️",
    "📄", "📃", "📑", "📰", "🗒️", "🗓️", "📋", "📎",
};
inline constexpr std::string_view emojiSection1[] = {
    "🌍", "🌐", "🇬🇧", "🇺🇸", "🇫🇷", "🇩🇪", "🇪🇸", "🇮🇹",
    "🇯🇵", "🇨🇳", "🇷🇺", "🇧🇷", "🇰🇷", "🇮🇳", "🇸🇦", "🇹🇷",
    "🇵🇹", "🇳🇱", "🇵🇱", "🇸🇪", "🇳🇴", "🇩🇰", "🇫🇮", "🇬🇷",
};
inline constexpr std::string_view emojiSection2[] = {
    "✨", "🔧", "🛠️", "⚙️", "🔍", "🔎", "🎯", "💡",
    "🧹", "🧪", "🔬", "📊", "📈", "📉", "🗂️", "📂",
    "🔗", "🏷️", "📌", "🔖", "🗑️", "📮", "📬", "📤",
};
inline constexpr std::string_view emojiSection3[] = {
    "💬", "🗣️", "📢", "📣", "💭", "🗨️", "✉️", "📧",
    "📩", "📨", "🔔", "🔕", "📱", "💻", "🖥️", "⌨️",
};
inline constexpr std::string_view emojiSection4[] = {
    "🎨", "🖌️", "🎭", "🎬", "🎵", "🎶", "📷", "📸",
    "🎥", "📹", "🎙️", "🎧", "🖼️", "🏞️", "🌈", "🎪",
};
inline constexpr std::string_view emojiSection5[] = {
    "⚡", "🚀", "🔥", "💪", "🎉", "✅", "❌", "⭐",
    "💎", "❤️", "🧡", "💛", "💚", "💙", "💜", "🤍",
    "👍", "👎", "👏", "🙌", "🤝", "🫡", "🤔", "🧠",
    "⏳", "⏰", "🔒", "🔓", "🛡️", "🏆", "🥇", "🎖️",
};
inline constexpr std::string_view emojiSection6[] = {
    "😊", "😎", "🤩", "😇", "🥳", "🤖", "👻", "🦊",
    "🐱", "🦁", "🐸", "🦄", "🐝", "🦋", "🌟", "☀️",
};
// clang-format on

inline constexpr std::array<EmojiSection, 7> emojiSections{{
    {"Writing & Text", emojiSection0},
    {"Languages & Flags", emojiSection1},
    {"Tools & Actions", emojiSection2},
    {"Communication", emojiSection3},
    {"Creative", emojiSection4},
    {"Status & Symbols", emojiSection5},
    {"Smileys", emojiSection6},
}};

} // namespace scribeon
