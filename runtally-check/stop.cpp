#include "runtally-check/stop.hpp"

#include "common/compressed/formats.hpp"
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

namespace {

// What the reader expected where its match broke off: "\", B:\"", "\"B:\"",
// "a number for B".
std::string expected(const MatchBreak& stop, LogPattern pattern)
{
    const std::string tag(elements_of(pattern)[stop.element].tag);
    return stop.part == Part::Comma ? "\", " + tag + "\""
           : stop.part == Part::Tag ? "\"" + tag + "\""
                                    : "a number for " + name_of(pattern, stop.element);
}

// Nothing of a record was read where the match broke off: the next one's
// "L:" was expected.
bool between_records(const MatchBreak& stop)
{
    return stop.element == 0 && stop.part == Part::Tag && stop.consumed.empty();
}

// The element whose number seems written with a decimal comma, or 0:
// "CPU:0,5, B:" reads CPU as 0, takes its comma for the one before B, and
// B's tag meets the digits after it. The last element's comma comes where
// the next record's "L:" is expected.
std::size_t decimal_comma_in(const MatchBreak& stop, LogPattern pattern, std::uint64_t samples, const Found& found)
{
    if (stop.part != Part::Tag || !stop.consumed.empty() || found.text.empty())
        return 0;
    if (stop.element > 0)
        return is_digit(static_cast<unsigned char>(found.text[0])) ? stop.element - 1 : 0;
    const bool comma_digit = samples > 0 && found.text.size() > 1 && found.text[0] == ',' &&
                             is_digit(static_cast<unsigned char>(found.text[1]));
    return comma_digit ? elements_of(pattern).size() - 1 : 0;
}

}  // namespace

std::string stop_message(const MatchBreak& stop, LogPattern pattern, const Found& found)
{
    if (stop.out_of_range)
        return "the number for " + name_of(pattern, stop.element) + " is outside the 32-bit range";
    if (found.text.empty())
        return "expected " + expected(stop, pattern) + " but the " + (found.file_ends ? "file" : "line") + " ends" +
               (stop.consumed.empty() ? "" : " after " + quoted(stop.consumed));
    return "expected " + expected(stop, pattern) + " but found " + shown(stop.consumed + found.text, found.truncated);
}

std::string cut_message(Cause cause, const MatchBreak* stop, LogPattern pattern, std::uint64_t record_line,
                        std::uint64_t samples)
{
    const std::string record = "the record at line " + std::to_string(record_line);
    if (cause == Cause::NoLineEnd)
        return "the file ends right after " + record +
               ", with no line end: that record is likely cut short, as a killed run leaves it";
    if (cause == Cause::EndInRecord)
        return "expected " + expected(*stop, pattern) + " but the file ends" +
               (stop->consumed.empty() ? "" : " after " + quoted(stop->consumed)) + ": " + record +
               " is cut short, as a killed run leaves it";
    if (samples == 0 && between_records(*stop))
        return "the file holds nothing but NUL bytes and white space, as a power loss leaves a log that was never "
               "written out";
    if (between_records(*stop))
        return "NUL bytes run from here to the end of the file, after " + record + ", as a power loss leaves a log";
    return "expected " + expected(*stop, pattern) + " but found NUL bytes that run to the end of the file: " + record +
           " is cut short, as a power loss leaves it";
}

std::string empty_message(bool no_byte)
{
    return std::string(no_byte ? "the file is empty" : "the file holds nothing but white space") +
           ": no sample, yet runtally counts it as an application (one that ended before its first line leaves "
           "such a log)";
}

std::string rest_message(std::uint64_t stop_line, const Rest& rest)
{
    const std::uint64_t lines_after = rest.lines > stop_line ? rest.lines - stop_line : 0;
    const std::uint64_t records = rest.records;
    const std::string lines =
        lines_after == 1 ? "the line after it" : "the " + std::to_string(lines_after) + " lines after it";
    std::string what;
    if (lines_after == 0)
        what = "";
    else if (records == 0)
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
    if (!rest.binary)
        return "reading stops here; " + what;
    const std::string binary = "binary data (a NUL byte) at line " + std::to_string(rest.binary_at.line) + ", column " +
                               std::to_string(rest.binary_at.column);
    if (what.empty())
        return "reading stops here; " + binary + " ends the count of the records after it";
    return "reading stops here; " + what + ", up to " + binary + ", where the count ends";
}

std::vector<std::string> stop_hints(const MatchBreak& stop, LogPattern pattern, std::uint64_t samples,
                                    const Found& found, const Rest& rest, std::string_view first_bytes)
{
    std::vector<std::string> hints;
    const CompressionFormat* const compressed = samples == 0 ? format_of(first_bytes) : nullptr;
    if (compressed != nullptr)
        hints.push_back("this text is itself compressed with " + std::string(compressed->name) +
                        ": the file was compressed twice");
    else if (samples == 0 && first_bytes.starts_with("\xef\xbb\xbf"))
        hints.emplace_back(
            "the file begins with a UTF-8 byte-order mark (\\xef\\xbb\\xbf), which is no part of the "
            "format: remove it, as with sed -i '1s/^\\xef\\xbb\\xbf//' LOG");
    else if (stop.at.line == 1 && rest.binary_on_stop_line)
        hints.push_back("the first line holds a NUL byte, at column " + std::to_string(rest.binary_at.column) +
                        ": this file does not look like a text log, and is read no further");
    if (const std::size_t element = decimal_comma_in(stop, pattern, samples, found); element != 0)
        hints.push_back(name_of(pattern, element) +
                        " seems to be written with a decimal comma, as a German or French locale writes numbers: it "
                        "is read up to the comma; have the logger write a full stop (LC_NUMERIC=C)");
    if (four_values_read_full(pattern, samples, stop, found, rest))
        hints.emplace_back(
            "this log is in the four-value form: runtally reads only its first line; runtally2 reads "
            "such logs (runtally-check --short)");
    if (five_values_read_short(pattern, samples, stop, found))
        hints.emplace_back(
            "this log is in the five-value form: runtally2 reads only its first line; runtally reads such logs");
    return hints;
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

std::string compressed_note(const CompressionFormat& format, LogPattern pattern)
{
    const std::string program = pattern == LogPattern::Full ? "runtally" : "runtally2";
    return "compressed with " + std::string(format.name) + ", and read decompressed: " + program +
           " reads only text, as in " + program + " <(" + std::string(format.command) + " LOG)";
}
