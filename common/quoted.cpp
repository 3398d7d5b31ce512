#include "common/quoted.hpp"

#include <cstdio>

std::string quoted(std::string_view bytes)
{
    std::string text = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        case '\v': text += "\\v"; break;
        case '\f': text += "\\f"; break;
        default:
            if (b >= 0x20 && b < 0x7f) {
                text += c;
            } else {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
                text += escaped;
            }
        }
    }
    return text + "\"";
}
