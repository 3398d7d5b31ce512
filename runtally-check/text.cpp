#include "runtally-check/text.hpp"

#include <cstdio>

std::string grouped(std::uint64_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

std::string counted(std::uint64_t n, std::string_view one, std::string_view many)
{
    return grouped(n) + " " + std::string(n == 1 ? one : many);
}

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
