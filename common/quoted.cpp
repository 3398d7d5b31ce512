#include "common/quoted.hpp"

#include "common/names.hpp"

std::string quoted(std::string_view bytes)
{
    std::string text = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        default:
            if (b >= 0x20 && b < 0x7f)
                text += c;
            else
                append_escaped_byte(text, b);
        }
    }
    return text + "\"";
}
