#include "runtally-check/check_log.hpp"

#include "common/diagnostics.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_sample.hpp"
#include "common/log_moves.hpp"
#include "runtally-check/stop.hpp"
#include "runtally-check/text.hpp"

#include <array>
#include <string_view>

using namespace logformat;

namespace {

constexpr const char* kProgram = "runtally-check";
constexpr std::uint64_t kShownPerKind = 10;

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

    const bool consumed = log.offset() != start;
    const MatchBreak& stop = reading_stop(notes[now ^ 1], notes[now], consumed, samples > 0);
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
