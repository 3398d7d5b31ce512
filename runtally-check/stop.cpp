#include "runtally-check/stop.hpp"

#include "common/log_moves.hpp"
#include "common/quoted.hpp"
#include "logformat/read_sample.hpp"
#include "runtally-check/text.hpp"

#include <cstring>
#include <string_view>

using namespace logformat;

Head head_at(LogStream& log)
{
    Head head;
    BlockBuffer& bytes = log.bytes();
    if (static_cast<std::size_t>(bytes.data_end() - bytes.data()) >= head.bytes.size()) [[likely]] {
        std::memcpy(head.bytes.data(), bytes.data(), head.bytes.size());
        head.size = head.bytes.size();
        return head;
    }
    for (int c; head.size < head.bytes.size() && (c = bytes.peek_at(head.size)) != BlockBuffer::kEnd; ++head.size)
        head.bytes[head.size] = static_cast<char>(c);
    return head;
}

Found found_in(const Head& head)
{
    Found found;
    for (std::size_t i = 0; i <= kQuotedBytes; ++i) {
        if (i == head.size || head.bytes[i] == '\n') {
            found.file_ends = i == head.size;
            return found;
        }
        if (i == kQuotedBytes) {
            found.truncated = true;
            return found;
        }
        found.text += head.bytes[i];
    }
    return found;
}

std::string shown(const std::string& bytes, bool truncated)
{
    std::string text = quoted(bytes);
    if (truncated)
        text.insert(text.size() - 1, "\u2026");
    return text;
}

std::string stop_message(const MatchBreak& stop, LogPattern pattern, const Found& found)
{
    const std::string name = name_of(pattern, stop.element);
    if (stop.out_of_range)
        return "the number for " + name + " is outside the 32-bit range";
    const std::string tag(elements_of(pattern)[stop.element].tag);
    const std::string expected = stop.part == Part::Comma ? "\", " + tag + "\""
                                 : stop.part == Part::Tag ? "\"" + tag + "\""
                                                          : "a number for " + name;
    if (found.text.empty())
        return "expected " + expected + " but the " + (found.file_ends ? "file" : "line") + " ends" +
               (stop.consumed.empty() ? "" : " after " + quoted(stop.consumed));
    return "expected " + expected + " but found " + shown(stop.consumed + found.text, found.truncated);
}

Rest rest_of(LogStream& log, LogPattern pattern, std::uint64_t stop_line)
{
    Rest rest;
    if (log.position_of(log.offset()).line == stop_line)
        rest.nul_on_stop_line = skip_line(log);
    AppData scratch;
    while (!skip_space_to_end(log)) {
        const std::uint64_t before = log.offset();
        const int result = read_sample(log, pattern, scratch);
        rest.records += is_sample(result) ? 1U : 0U;
        rest.whole += static_cast<std::size_t>(result) == elements_of(pattern).size() ? 1U : 0U;
        if (log.offset() == before)
            skip_line(log);  // no record begins here: try the next line
    }
    const TextPosition end = log.position_of(log.offset());
    rest.lines = end.column > 1 ? end.line : end.line - 1;
    return rest;
}

std::string rest_message(std::uint64_t lines_after, std::uint64_t records)
{
    const std::string lines =
        lines_after == 1 ? "the line after it" : "the " + std::to_string(lines_after) + " lines after it";
    std::string what;
    if (records == 0)
        what = lines + (lines_after == 1 ? " holds" : " hold") + " no record";
    else if (records > lines_after)
        what = lines + " hold " + std::to_string(records) + " records that were not counted";
    else if (lines_after == 1)
        what = lines + " is a record that was not counted";
    else if (records == lines_after)
        what = "all " + std::to_string(lines_after) + " lines after it are records that were not counted";
    else
        what = std::to_string(records) + " of " + lines +
               (records == 1 ? " is a record that was not counted" : " are records that were not counted");
    return "reading stops here; " + what;
}

bool five_values_read_short(LogPattern pattern, std::uint64_t samples, const MatchBreak& stop, const Found& found)
{
    if (pattern != LogPattern::Short || samples != 1 || stop.element != 0 || stop.part != Part::Tag ||
        !stop.consumed.empty())
        return false;
    if (!found.text.starts_with(','))
        return false;
    // The text is a C string: the white space after the comma ends at its end.
    const std::string_view text = past_space(found.text.c_str() + 1);
    return text.starts_with(elements_of(LogPattern::Full)[element_count(LogPattern::Short)].tag);
}

bool four_values_read_full(LogPattern pattern, std::uint64_t samples, const MatchBreak& stop, const Found& found,
                           const Rest& rest)
{
    return pattern == LogPattern::Full && samples == 1 && stop.element == element_count(LogPattern::Short) &&
           stop.part == Part::Comma && found.text.empty() && !found.file_ends && rest.records > 0 && rest.whole == 0;
}

std::string compressed_note(std::string_view first_bytes, LogPattern pattern)
{
    struct Format {
        std::string_view name;
        std::string_view magic;
        std::string_view reader;  // the command that writes it out decompressed
    };
    static constexpr Format kFormats[] = {
        {"gzip", "\x1f\x8b", "zcat"},
        {"bzip2", "BZh", "bzcat"},
        {"xz",
         {"\xfd"
          "7zXZ\0",
          6},
         "xzcat"},
        {"zstd", "\x28\xb5\x2f\xfd", "zstdcat"},
    };
    static_assert(kQuotedBytes + 1 >= 6, "a log's head holds the longest magic number, xz's");
    for (const Format& format : kFormats)
        if (first_bytes.starts_with(format.magic))
            return "this file is compressed with " + std::string(format.name) + ": read it decompressed, as in " +
                   (pattern == LogPattern::Full ? "runtally" : "runtally2") + " <(" + std::string(format.reader) +
                   " LOG)";
    return "";
}
