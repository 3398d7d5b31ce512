#include "runtally-check/check_log.hpp"

#include "common/compressed/open_log.hpp"
#include "common/diagnostics.hpp"
#include "common/names.hpp"
#include "common/outcome.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_sample.hpp"
#include "runtally-check/program.hpp"
#include "runtally-check/stop.hpp"

#include <array>

using namespace logformat;

namespace {

std::string where(TextPosition at)
{
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column);
}

// Where a read began, and its first bytes.
struct ReadStart {
    std::uint64_t offset = 0;
    TextPosition at;
    Head head;
};

// The warnings of one sample: its period, and the values the reader's
// decisions changed.
void warn_of_sample(Report& report, LogPattern pattern, const AppData& record, int result, TextPosition at,
                    const ReadNotes& notes, PeriodSource& period)
{
    if (pattern == LogPattern::Full && static_cast<std::size_t>(result) == elements_of(pattern).size()) {
        if (!period.this_log)
            period.path = report.path;
        period.line = at.line;
        period.this_log = true;
        if (record.P <= 0)
            report.warn(NoTime, at, no_time_message(record.P));
    } else if (pattern == LogPattern::Full) {
        report.warn(NoPeriod, at, period_message(record.P, period));
    }
    for (std::size_t i = 0; i < notes.value_count; ++i) {
        const ValueNote& note = notes.values[i];
        report.warn(kind_of(note.change), note.at, value_message(note, pattern));
    }
}

}  // namespace

bool check_log(const LogName& name, const CheckOptions& options, LogJob& job)
{
    Report report{printable_name(name.label), job.out()};
    if (name.refused != nullptr) {
        path_failed(job.err(), kProgram, name.label, name.refused);
        report.summary(0, std::string(word_of(Outcome::Unreadable)));
        return false;
    }
    OpenLog opened(name.path);
    LogStream& log = opened.stream();
    log.count_lines();
    // A format this build does not read is told as the log's read error.
    if (opened.format() != nullptr && opened.format()->decoding != nullptr)
        report.note(compressed_note(*opened.format(), options.pattern));
    const LogPattern pattern = options.pattern;
    // The period the run carries into the log: known now, or, where the
    // logs before it are still being read, once a sample needs it.
    AppData record;
    PeriodSource period;
    const bool full = pattern == LogPattern::Full;  // the four-value form has no period
    bool period_known = !full || job.carry_known();
    const auto take_carry = [&] {
        const Carry carry = job.carry_in();
        record.P = carry.period;
        period = {carry.path, carry.line, false};
        period_known = true;
    };
    if (full && period_known)
        take_carry();

    // Read as the programs read: every sample, up to the first read that is
    // none. Of the last sample's read and the read after it, both kept, the
    // notes and where each began.
    std::uint64_t samples = 0;
    std::array<ReadNotes, 2> notes;
    std::array<ReadStart, 2> starts;
    std::size_t now = 0;
    for (;; now ^= 1) {
        ReadStart& start = starts[now];
        start.offset = log.offset();
        start.at = log.position_of(start.offset);
        start.head = head_at(log);
        const int result = read_sample(log, pattern, record, notes[now]);
        if (!is_sample(result))
            break;
        // A sample with a period of its own needs the carry no more; one
        // without takes it, and waits for it where it must.
        if (!period_known && static_cast<std::size_t>(result) == elements_of(pattern).size())
            period_known = true;
        else if (!period_known)
            take_carry();
        ++samples;
        warn_of_sample(report, pattern, record, result, start.at, notes[now], period);
    }

    // What the log hands on: the last line that gave a period, its own or the one it took.
    const Carry carry{record.P, period.path, period.line};
    job.hand_on(full && period_known ? &carry : nullptr);

    const std::size_t last = now ^ 1;
    const Found found = found_at(log);
    const Verdict text_verdict = verdict_on(log, pattern, {notes[last], notes[now], starts[now].offset, samples});
    const Verdict verdict = opened.faulty_past_reading() ? unreadable() : text_verdict;
    const std::string outcome(word_of(verdict.outcome));
    const bool passes = ::passes(verdict.outcome, {options.allow_cut_end, options.allow_empty});
    const char* const severity = passes ? "warning" : "error";
    switch (verdict.outcome) {
    case Outcome::Whole: report.summary(samples, outcome); return true;
    case Outcome::Unreadable:
        opened.close(kProgram, name.label, job.err());
        report.summary(samples, samples == 0 && starts[now].offset == 0
                                    ? outcome
                                    : outcome + " at line " + std::to_string(starts[now].at.line));
        return false;
    case Outcome::Empty:
        report.say({1, 1}, severity, empty_message(log.offset() == 0));
        report.summary(samples, outcome);
        return passes;
    case Outcome::Cut:
    case Outcome::Stopped: break;
    }

    // The record that broke off: the last sample's, where the read after it
    // consumed nothing, or the one that read began.
    const std::size_t broken = verdict.stop == &notes[last].stop ? last : now;
    const MatchBreak* const stop = verdict.stop;
    if (verdict.outcome == Outcome::Cut) {
        // Cut between records (no line end, NUL bytes where "L:" was due): the last sample's record.
        const bool between = verdict.cause == Cause::NoLineEnd ||
                             (stop->element == 0 && stop->part == Part::Tag && stop->consumed.empty());
        const std::uint64_t record_line = starts[between && samples > 0 ? last : broken].at.line;
        report.say(verdict.at, severity, cut_message(verdict.cause, stop, pattern, record_line, samples));
    } else {
        report.say(stop->at, severity, stop_message(*stop, pattern, found));
    }
    if (const ReadStart& begin = starts[broken]; stop != nullptr && begin.at.line < stop->at.line) {
        const Found text = found_in(begin.head);
        report.say(begin.at, "note",
                   "the record that breaks off at line " + std::to_string(stop->at.line) +
                       " begins here: " + shown(text.text, text.truncated));
    }
    if (verdict.outcome == Outcome::Stopped) {
        const Rest& rest = verdict.rest;
        // Binary data on the first line, where the count ends at once, is a hint's to tell.
        const bool binary_file = stop->at.line == 1 && rest.binary_on_stop_line;
        if ((rest.binary && !binary_file) || rest.lines > stop->at.line)
            report.say(stop->at, "note", rest_message(stop->at.line, rest));
        for (const std::string& hint : stop_hints(*stop, pattern, samples, found, rest, starts[now].head.view()))
            report.say(stop->at, "note", hint);
    }
    report.summary(samples, outcome + " at " + where(verdict.at));
    return passes;
}
