#pragma once

#include <string>
#include <vector>

namespace scribeon::server {

// Deterministic offline text transforms; each is a processor named
// "builtin:<name>". Text is UTF-8; case mapping follows Unicode.
struct BuiltinTransform {
    std::string name;        // processor name and default command code
    std::string displayName; // default command name
    std::string (*apply)(const std::string& text);
};

const std::vector<BuiltinTransform>& builtinTransforms();
const BuiltinTransform* findBuiltinTransform(const std::string& name);

std::string fixSentences(const std::string& text);
std::string upperCase(const std::string& text);
std::string lowerCase(const std::string& text);
std::string titleCase(const std::string& text);
std::string sortLines(const std::string& text);
std::string removeDuplicateLines(const std::string& text);
std::string trimTrailingWhiteSpace(const std::string& text);
std::string reverseLines(const std::string& text);

} // namespace scribeon::server
