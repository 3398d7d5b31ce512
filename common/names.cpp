#include "common/names.hpp"

#include <cstddef>

namespace {

unsigned byte_at(std::string_view text, std::size_t i)
{
    return static_cast<unsigned char>(text[i]);
}

// The length of the valid UTF-8 sequence that text starts with, or 0: no
// overlong form, no surrogate, nothing beyond U+10FFFF.
std::size_t sequence_length(std::string_view text)
{
    const unsigned lead = byte_at(text, 0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 4;
    unsigned low = 0x80;  // the bounds of the second byte
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead < 0xF0 || lead > 0xF4)
        return 0;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (text.size() < length || byte_at(text, 1) < low || byte_at(text, 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte_at(text, i) & 0xC0) != 0x80)
            return 0;
    return length;
}

// A control character: C0, DEL, or C1 (U+0080 to U+009F, two bytes).
bool is_control(std::string_view sequence)
{
    const unsigned lead = byte_at(sequence, 0);
    return lead < 0x20 || lead == 0x7F || (lead == 0xC2 && byte_at(sequence, 1) < 0xA0);
}

}  // namespace

bool is_plain_text(std::string_view name)
{
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = sequence_length(name.substr(at));
        if (length == 0 || is_control(name.substr(at, length)))
            return false;
        at += length;
    }
    return true;
}

bool is_utf8(std::string_view name)
{
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = sequence_length(name.substr(at));
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

void append_escaped_byte(std::string& text, unsigned char byte)
{
    constexpr std::string_view kHex = "0123456789abcdef";
    switch (byte) {
    case '\n': text += "\\n"; return;
    case '\t': text += "\\t"; return;
    case '\r': text += "\\r"; return;
    default:
        text += "\\x";
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
}

std::string escaped_name(std::string_view name)
{
    std::string text;
    text.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = sequence_length(name.substr(at));
        const std::string_view sequence = name.substr(at, length == 0 ? 1 : length);
        if (sequence == "\\")
            text += "\\\\";
        else if (length == 0 || is_control(sequence))
            for (const char c : sequence)
                append_escaped_byte(text, static_cast<unsigned char>(c));
        else
            text += sequence;
        at += sequence.size();
    }
    return text;
}

std::string printable_name(std::string_view name)
{
    return escaped_name(name);
}
