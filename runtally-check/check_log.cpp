#include "runtally-check/check_log.hpp"

#include "common/diagnostics.hpp"
#include "common/quoted.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_sample.hpp"
#include "runtally-check/log_moves.hpp"
#include "runtally-check/text.hpp"

#include <array>
#include <string_view>

using namespace logformat;

namespace {

constexpr const char* kProgram = "runtally-check";
constexpr std::uint64_t kShownPerKind = 10;
// The text found where a match broke off is quoted up to this many bytes.
constexpr std::size_t kQuotedBytes = 20;
static_assert(kQuotedBytes < BlockBuffer::kLookahead, "the quoted text is looked at ahead of the stream's position");

// The kinds of warning, each shown ten times per log at most.
enum Kind { NoPeriod, BeyondFloat, ExponentWithoutDigits, Hexadecimal, InfinityOrNan, kKinds };

constexpr const char* kMoreOfKind[kKinds] = {
    "samples without a period", "values beyond single precision", "exponent marks without digits",
    "hexadecimal values", "inf or nan values",
};

Kind kind_of(Change change)
{
    switch (change) {
    case Change::BeyondFloat: return BeyondFloat;
    case Change::ExponentWithoutDigits: return ExponentWithoutDigits;
    case Change::Hexadecimal: return Hexadecimal;
    case Change::InfinityOrNan: return InfinityOrNan;
    }
    return BeyondFloat;
}

struct Report {
    const char* path;
    std::FILE* out;
    std::array<std::uint64_t, kKinds> counts{};

    void say(TextPosition at, const char* severity, const std::string& message) const
    {
        std::fprintf(out, "%s:%llu:%llu: %s: %s\n", path, static_cast<unsigned long long>(at.line),
                     static_cast<unsigned long long>(at.column), severity, message.c_str());
    }

    void warn(Kind kind, TextPosition at, const std::string& message)
    {
        if (counts[kind]++ < kShownPerKind)
            say(at, "warning", message);
    }

    void summary(std::uint64_t samples, const std::string& how) const
    {
        for (int k = 0; k < kKinds; ++k)
            if (counts[k] > kShownPerKind)
                std::fprintf(out, "%s: note: %s more %s\n", path, grouped(counts[k] - kShownPerKind).c_str(),
                             kMoreOfKind[k]);
        std::fprintf(out, "%s: %s, %s\n", path, counted(samples, "sample", "samples").c_str(), how.c_str());
    }
};

std::string name_of(LogPattern pattern, std::size_t element)
{
    return std::string(elements_of(pattern)[element].name());
}

std::string float_text(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string value_message(const ValueNote& note, LogPattern pattern)
{
    const std::string name = name_of(pattern, note.element);
    switch (note.change) {
    case Change::BeyondFloat:
        return name + " is beyond single precision and reads as " + float_text(note.value);
    case Change::ExponentWithoutDigits:
        return name + " has an exponent mark without digits and reads as " + float_text(note.value);
    case Change::Hexadecimal:
        return name + " is hexadecimal, which is not read: it reads as 0 and the x ends it";
    case Change::InfinityOrNan:
        return name + " reads as " + float_text(note.value);
    }
    return name;
}

std::string period_message(std::int32_t period, const PeriodSource& from)
{
    if (from.path == nullptr)
        return "this sample has no period (P), and no line has given one yet: it weighs 0 s";
    const std::string line = std::to_string(from.line);
    return "this sample has no period (P): it takes P:" + std::to_string(period) + " from " +
           (from.this_log ? "line " + line : std::string(from.path) + ":" + line);
}

// The text at the stream's position, up to the end of its line.
struct Found {
    std::string text;        // kQuotedBytes at most
    bool truncated = false;  // the line goes on
    bool file_ends = false;  // the file, not the line, ends after the text
};

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

// The lines after the line where the reading stopped, and the records among
// them: the samples that reads from each line's first record would give.
struct Rest {
    std::uint64_t lines = 0;  // lines of the whole log
    std::uint64_t records = 0;
    std::uint64_t whole = 0;  // records with every element of the pattern
};

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
        what = grouped(records) + " of " + lines + (records == 1 ? " is a record that was" : " are records that were") +
               " not counted";
    return "reading stops here; " + what;
}

// Read with the Short pattern, the line goes on where it stopped with the
// next element of the Full one: a log in the five-value form.
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

// Read with the Full pattern, the first line ends before the elements of
// Full alone, and so do all the records after it: a log in the four-value
// form.
bool four_values_read_full(LogPattern pattern, std::uint64_t samples, const MatchBreak& stop, const Found& found,
                           const Rest& rest)
{
    return pattern == LogPattern::Full && samples == 1 && stop.element == element_count(LogPattern::Short) &&
           stop.part == Part::Comma && found.text.empty() && !found.file_ends && rest.records > 0 && rest.whole == 0;
}

std::string where(TextPosition at)
{
    return "line " + grouped(at.line) + ", column " + grouped(at.column);
}

}  // namespace

bool check_log(const char* path, const LogPattern pattern, AppData& record, PeriodSource& period, std::FILE* out)
{
    Report report{path, out};
    LogStream log(path);
    log.count_lines();
    period.this_log = false;
    const std::size_t fields = elements_of(pattern).size();

    // Read as the programs read: every sample, up to the first read that is none.
    std::uint64_t samples = 0;
    std::array<ReadNotes, 2> notes;  // the last sample's read, and the read after it
    std::size_t now = 0;
    std::uint64_t start = 0;
    TextPosition at;  // where the read began
    int result = 0;
    for (;; now ^= 1) {
        start = log.offset();
        at = log.position_of(start);
        result = read_sample(log, pattern, record, notes[now]);
        if (!is_sample(result))
            break;
        ++samples;
        if (pattern == LogPattern::Full && static_cast<std::size_t>(result) == fields)
            period = {path, at.line, true};
        else if (pattern == LogPattern::Full)
            report.warn(NoPeriod, at, period_message(record.P, period));
        for (std::size_t i = 0; i < notes[now].value_count; ++i) {
            const ValueNote& note = notes[now].values[i];
            report.warn(kind_of(note.change), note.at, value_message(note, pattern));
        }
    }

    if (log.error() != 0) {
        close_log(kProgram, path, log);
        report.summary(samples, samples == 0 && start == 0 ? "cannot be read"
                                                           : "a read error stops it at line " + grouped(at.line));
        return false;
    }

    // Where a read that is no sample consumed nothing, its match broke off
    // where the last sample's did, if that one broke off: that tells why.
    const bool consumed = log.offset() != start;
    const ReadNotes& last = notes[now ^ 1];
    const MatchBreak& stop = !consumed && samples > 0 && !last.complete ? last.stop : notes[now].stop;
    const Found found = found_at(log);
    if (!consumed && skip_space_to_end(log)) {
        report.summary(samples, "read to the end");
        return true;
    }

    report.say(stop.at, "error", stop_message(stop, pattern, found));
    const Rest rest = rest_of(log, pattern, stop.at.line);
    if (log.error() != 0)
        close_log(kProgram, path, log);
    else if (rest.lines > stop.at.line)
        report.say(stop.at, "note", rest_message(rest.lines - stop.at.line, rest.records));
    if (four_values_read_full(pattern, samples, stop, found, rest))
        report.say(stop.at, "note",
                   "this log is in the four-value form: runtally reads only its first line; runtally2 reads such "
                   "logs (runtally-check --short)");
    if (five_values_read_short(pattern, samples, stop, found))
        report.say(stop.at, "note",
                   "this log is in the five-value form: runtally2 reads only its first line; runtally reads such logs");
    report.summary(samples, "stops at " + where(stop.at));
    return false;
}
