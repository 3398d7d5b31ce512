#include "runtally-check/stop.hpp"

#include "common/quoted.hpp"
#include "logformat/cursor.hpp"
#include "logformat/read_sample.hpp"
#include "common/log_moves.hpp"
#include "runtally-check/text.hpp"

#include <string_view>

using namespace logformat;

namespace {

// The text found where a match broke off is quoted up to this many bytes.
constexpr std::size_t kQuotedBytes = 20;
static_assert(kQuotedBytes < BlockBuffer::kLookahead, "the quoted text is looked at ahead of the stream's position");

}  // namespace

Found found_at(LogStream& log)
{
    Found found;
    for (std::size_t i = 0; i <= kQuotedBytes; ++i) {
        const int c = log.bytes().peek_at(i);
        if (c == BlockBuffer::kEnd || c == '\n') {
            found.file_ends = c == BlockBuffer::kEnd;
            return found;
        }
        if (i == kQuotedBytes) {
            found.truncated = true;
            return found;
        }
        found.text += static_cast<char>(c);
    }
    return found;
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
    std::string text = quoted(stop.consumed + found.text);
    if (found.truncated)
        text.insert(text.size() - 1, "\u2026");
    return "expected " + expected + " but found " + text;
}

Rest rest_of(LogStream& log, LogPattern pattern, std::uint64_t stop_line)
{
    if (log.position_of(log.offset()).line == stop_line)
        skip_line(log);
    AppData scratch;
    Rest rest;
    while (!skip_space_to_end(log)) {
        const std::uint64_t before = log.offset();
        const int result = read_sample(log, pattern, scratch);
        rest.records += is_sample(result) ? 1 : 0;
        rest.whole += static_cast<std::size_t>(result) == elements_of(pattern).size() ? 1 : 0;
        if (log.offset() == before)
            skip_line(log);  // no record begins here: try the next line
    }
    const TextPosition end = log.position_of(log.offset());
    rest.lines = end.column > 1 ? end.line : end.line - 1;
    return rest;
}

std::string rest_message(std::uint64_t lines_after, std::uint64_t records)
{
    const std::string lines = lines_after == 1 ? "the line after it" : "the " + grouped(lines_after) + " lines after it";
    std::string what;
    if (records == 0)
        what = lines + (lines_after == 1 ? " holds" : " hold") + " no record";
    else if (records > lines_after)
        what = lines + " hold " + grouped(records) + " records that were not counted";
    else if (lines_after == 1)
        what = lines + " is a record that was not counted";
    else if (records == lines_after)
        what = "all " + grouped(lines_after) + " lines after it are records that were not counted";
    else
        what = grouped(records) + " of " + lines +
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
