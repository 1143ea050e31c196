#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulo::test {

// A name for a parameterised case, made from text that tells the case apart,
// so that ctest lists the case by what it is rather than by its number.
// GoogleTest takes letters, digits and underscores only: the text's words
// run together, each after the first starting with a capital ("no second
// line" -> "noSecondLine"), and a minus sign before a number reads "Minus".
inline std::string caseName(std::string_view text) {
    std::string name;
    bool wordStart = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<unsigned char>(text[i]);
        if (std::isalnum(ch)) {
            name += wordStart && !name.empty() ? static_cast<char>(std::toupper(ch)) : static_cast<char>(ch);
            wordStart = false;
        } else if (ch == '-' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])) &&
                   (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])))) {
            name += "Minus";
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return name.empty() ? std::string("blank") : name;
}

// The same with the case's place in its table, for tables where the text
// may repeat: names must be unique within an instantiation.
inline std::string caseName(std::string_view text, size_t index) {
    return caseName(text) + '_' + std::to_string(index);
}

} // namespace tabulo::test
