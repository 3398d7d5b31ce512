#pragma once

// What runtally-check tells of the place where the reading of a log stops:
// what the reader expected there and what it found, how much of the log is
// left, what cut a log short, and the hints at a likely cause of a stop.

#include "common/compressed/formats.hpp"
#include "common/outcome.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_notes.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An element's name, as messages give it: "CPU".
inline std::string name_of(logformat::LogPattern pattern, std::size_t element)
{
    return std::string(logformat::elements_of(pattern)[element].name());
}

// The text found where a match broke off is quoted up to this many bytes.
inline constexpr std::size_t kQuotedBytes = 20;
static_assert(kQuotedBytes < logformat::BlockBuffer::kLookahead,
              "the quoted text is looked at ahead of the stream's position");

// The bytes at the stream's position, one more than are quoted: taken before
// each read, so that the start of a record can be quoted once the stream has
// passed it, and the start of a log told from its first bytes.
struct Head {
    std::array<char, kQuotedBytes + 1> bytes{};
    std::size_t size = 0;  // fewer than all where the log ends
    std::string_view view() const { return {bytes.data(), size}; }
};

static_assert(kQuotedBytes + 1 >= kMagicBytes, "a read's head holds the longest magic number, bzip2's");

Head head_at(logformat::LogStream& log);

// The text at a place, up to the end of its line.
struct Found {
    std::string text;        // kQuotedBytes at most
    bool truncated = false;  // the line goes on
    bool file_ends = false;  // the file, not the line, ends after the text
};

Found found_in(const Head& head);
inline Found found_at(logformat::LogStream& log)
{
    return found_in(head_at(log));
}

// Bytes of a log quoted as in C, with an ellipsis where the line goes on.
std::string shown(const std::string& bytes, bool truncated);

// "expected ... but found ...".
std::string stop_message(const logformat::MatchBreak& stop, logformat::LogPattern pattern, const Found& found);

// "reading stops here; ..." for the lines after the stop, up to the end or to
// binary data, and the records among them.
std::string rest_message(std::uint64_t stop_line, const Rest& rest);

// What a log cut short tells where it is cut, and its likely cause: the end
// of the file inside a record (`stop` is where its match broke off) or
// right after one with no line end (`stop` null), a killed run; NUL bytes
// to the end, a power loss. `record_line` is where the record cut short
// begins.
std::string cut_message(Cause cause, const logformat::MatchBreak* stop, logformat::LogPattern pattern,
                        std::uint64_t record_line, std::uint64_t samples);

// What an empty log tells: no byte at all, or nothing but white space.
std::string empty_message(bool no_byte);

// The notes that name a likely cause of a stop, in order: text that is
// compressed once more, a byte-order mark, a first line with a NUL byte, a decimal comma, a
// log of the other form. `first_bytes` are those of the read that stopped.
std::vector<std::string> stop_hints(const logformat::MatchBreak& stop, logformat::LogPattern pattern,
                                    std::uint64_t samples, const Found& found, const Rest& rest,
                                    std::string_view first_bytes);

// Read with the Short pattern, the line goes on where it stopped with the
// next element of the Full one: a log in the five-value form.
bool five_values_read_short(logformat::LogPattern pattern, std::uint64_t samples, const logformat::MatchBreak& stop,
                            const Found& found);

// Read with the Full pattern, the first line ends before the elements of
// Full alone, and so do all the records counted after it (up to binary
// data, where the count ends): a log in the four-value form.
bool four_values_read_full(logformat::LogPattern pattern, std::uint64_t samples, const logformat::MatchBreak& stop,
                           const Found& found, const Rest& rest);

// The note for a compressed log, read decompressed: runtally and runtally2
// read only text, and how to give them this log's.
std::string compressed_note(const CompressionFormat& format, logformat::LogPattern pattern);
