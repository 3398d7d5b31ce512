#include "runtally-check/check_log.hpp"

#include "common/diagnostics.hpp"
#include "common/log_moves.hpp"
#include "common/names.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_sample.hpp"
#include "runtally-check/stop.hpp"

#include <array>
#include <optional>

using namespace logformat;

namespace {

constexpr const char* kProgram = "runtally-check";

std::string where(TextPosition at)
{
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column);
}

// Where a read began, and its first bytes.
struct ReadStart {
    TextPosition at;
    Head head;
};

}  // namespace

bool check_log(const LogName& name, const CheckOptions& options, AppData& record, PeriodSource& period, std::FILE* out)
{
    Report report{printable_name(name.path), out};
    if (name.refused != nullptr) {
        path_failed(kProgram, name.path, name.refused);
        report.summary(0, "cannot be read");
        return false;
    }
    std::optional<LogStream> opened;
    open_log(opened, name.path);
    LogStream& log = *opened;
    log.count_lines();
    period.this_log = false;
    const LogPattern pattern = options.pattern;
    const std::size_t fields = elements_of(pattern).size();

    // Read as the programs read: every sample, up to the first read that is
    // none. Of the last sample's read and the read after it, both kept, the
    // notes and where each began.
    std::uint64_t samples = 0;
    std::array<ReadNotes, 2> notes;
    std::array<ReadStart, 2> starts;
    std::size_t now = 0;
    std::uint64_t start = 0;
    int result = 0;
    for (;; now ^= 1) {
        start = log.offset();
        const TextPosition at = starts[now].at = log.position_of(start);
        starts[now].head = head_at(log);
        result = read_sample(log, pattern, record, notes[now]);
        if (!is_sample(result))
            break;
        ++samples;
        if (pattern == LogPattern::Full && static_cast<std::size_t>(result) == fields) {
            if (!period.this_log)
                period.path = report.path;
            period.line = at.line;
            period.this_log = true;
        } else if (pattern == LogPattern::Full) {
            report.warn(NoPeriod, at, period_message(record.P, period));
        }
        for (std::size_t i = 0; i < notes[now].value_count; ++i) {
            const ValueNote& note = notes[now].values[i];
            report.warn(kind_of(note.change), note.at, value_message(note, pattern));
        }
    }

    if (log.error() != 0) {
        close_log(kProgram, name.path.c_str(), log);
        report.summary(samples, samples == 0 && start == 0
                                    ? "cannot be read"
                                    : "a read error stops it at line " + std::to_string(starts[now].at.line));
        return false;
    }

    // Where a read that is no sample consumed nothing, its match broke off
    // where the last sample's did, if that one broke off: that tells why,
    // and the record that broke off is the last sample's.
    const bool consumed = log.offset() != start;
    const MatchBreak& stop = reading_stop(notes[now ^ 1], notes[now], consumed, samples > 0);
    const std::size_t broken = &stop == &notes[now ^ 1].stop ? now ^ 1 : now;
    const Found found = found_at(log);
    if (!consumed && skip_space_to_end(log)) {
        report.summary(samples, "read to the end");
        return true;
    }

    // The end of the file inside the last record, with nothing after it:
    // a run killed while writing.
    const bool cut_end = found.text.empty() && found.file_ends && !stop.out_of_range;
    const bool passes = cut_end && options.allow_cut_end;
    report.say(stop.at, passes ? "warning" : "error", stop_message(stop, pattern, found));
    if (const ReadStart& begin = starts[broken]; begin.at.line < stop.at.line) {
        const Found text = found_in(begin.head);
        report.say(begin.at, "note",
                   "the record that breaks off at line " + std::to_string(stop.at.line) +
                       " begins here: " + shown(text.text, text.truncated));
    }
    const Rest rest = rest_of(log, pattern, stop.at.line);
    if (log.error() != 0)
        close_log(kProgram, name.path.c_str(), log);
    else if (rest.lines > stop.at.line)
        report.say(stop.at, "note", rest_message(rest.lines - stop.at.line, rest.records));
    const std::string compressed = samples == 0 ? compressed_note(starts[now].head.view(), pattern) : "";
    if (!compressed.empty())
        report.say(stop.at, "note", compressed);
    else if (stop.at.line == 1 && rest.nul_on_stop_line)
        report.say(stop.at, "note", "the first line holds a NUL byte: this file does not look like a text log");
    if (four_values_read_full(pattern, samples, stop, found, rest))
        report.say(stop.at, "note",
                   "this log is in the four-value form: runtally reads only its first line; runtally2 reads such "
                   "logs (runtally-check --short)");
    if (five_values_read_short(pattern, samples, stop, found))
        report.say(stop.at, "note",
                   "this log is in the five-value form: runtally2 reads only its first line; runtally reads such logs");
    report.summary(samples, (cut_end ? "last record cut off at " : "stops at ") + where(stop.at));
    return passes;
}
