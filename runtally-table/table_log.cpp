#include "runtally-table/table_log.hpp"

#include "common/compressed/open_log.hpp"
#include "common/diagnostics.hpp"
#include "common/outcome.hpp"
#include "logformat/read_sample.hpp"
#include "runtally-table/log_rows.hpp"
#include "runtally-table/program.hpp"
#include "runtally/tally_log.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

using namespace logformat;

namespace {

// Where the samples of a log fall: windows of sample time or of samples,
// from the first to the current, never back.
struct WindowCursor {
    const TableOptions& options;
    // A window of sample time in whole microseconds, the unit of the periods,
    // so that a sample that starts on a window's bound is in no doubt.
    const double width = std::round(options.seconds * 1e6);
    double index = 0;  // of the current window
    // The sample time before the next sample, in microseconds: a sum of
    // whole numbers, exact up to 2^53 (285 years), and never overflowing.
    double elapsed = 0;
    long long in_window = 0;  // samples in the current window

    double from() const
    {
        return options.windows == Windows::OfSeconds ? index * width / 1e6
                                                     : index * static_cast<double>(options.samples);
    }
    double to() const
    {
        return options.windows == Windows::OfSeconds ? (index + 1) * width / 1e6
                                                     : from() + static_cast<double>(in_window);
    }

    // The window in which a sample that starts at `start` microseconds lies.
    // Both are whole numbers below 2^53, so the products below are exact and
    // set right a quotient that rounded across a bound.
    double window_of(double start) const
    {
        double k = std::floor(start / width);
        if (k * width > start)
            --k;
        else if ((k + 1) * width <= start)
            ++k;
        return k;
    }

    // Before the sample in `record` is added: writes the windows it leaves
    // behind, the empty ones among them, and starts the sample's window.
    void enter(const AppData& record, Figures& figures, const LogRows& rows)
    {
        double target = index;
        if (options.windows == Windows::OfSeconds) {
            // A sample starts where the periods before it end; where periods
            // were negative, maybe before the current window: it stays in
            // it, as windows are left only forward.
            target = window_of(elapsed);
            elapsed += record.P;
        } else if (in_window == options.samples) {
            target = index + 1;
        }
        // A failed output ends the rows: a long gap could otherwise write on for long.
        for (; index < target && !rows.writer.failed(); ++index, in_window = 0) {
            rows.write(from(), to(), figures, nullptr, "");
            figures.start_window();
        }
        ++in_window;
    }
};

// How the reading of a log ended: the read that gave no sample, and the
// last sample's read.
struct Ending {
    std::array<ReadNotes, 2> notes;
    std::size_t now = 0;      // notes[now] is the read that gave no sample
    std::uint64_t start = 0;  // where that read began
    std::uint64_t samples = 0;
    // The period into the log is known, or a sample of its own gave one:
    // false only while the logs before it are still being read.
    bool period_known = true;

    Reading reading() const { return {notes[now ^ 1], notes[now], start, samples}; }
};

// Reads as the programs read: every sample, up to the first read that is
// none. Expanded for each pattern, so that the reads know their elements.
[[gnu::always_inline]] inline void read_samples(LogStream& log, LogPattern pattern, const TableOptions& options,
                                                AppData& record, Figures& figures, WindowCursor& window,
                                                const LogRows& rows, LogJob& job, Ending& e)
{
    for (;; e.now ^= 1, ++e.samples) {
        e.start = log.offset();
        const int result = read_sample_noting_breaks(log, pattern, record, e.notes[e.now]);
        if (!is_sample(result))
            return;
        // A sample with no period of its own, before the log has given one,
        // takes the carry, waiting for it where it must.
        if (!e.period_known) [[unlikely]] {
            if (static_cast<std::size_t>(result) != elements_of(pattern).size())
                record.P = job.carry_in().period;
            e.period_known = true;
        }
        if (options.windows != Windows::None) {
            window.enter(record, figures, rows);
            if (rows.writer.failed())
                return;
        }
        if (pattern == LogPattern::Full)
            tally_sample(record, figures.full);
        else
            figures.brief.add_sample(record.B);
    }
}

}  // namespace

bool table_log(const LogName& name, const TableOptions& options, LogJob& job, LogSummary& summary)
{
    TableWriter writer(job.out(), options.format, columns_of(options));
    const LogRows rows{options, writer, name.label};
    Figures figures;
    WindowCursor window{options};
    const auto end_log = [&](const Verdict& verdict, std::string_view error) {
        if (options.summary)
            summary = {figures_of(figures.full), figures.full.get_seconds(), verdict.outcome,
                       verdict.outcome == Outcome::Unreadable ? 0 : static_cast<long long>(verdict.rest.records)};
        else
            rows.write(window.from(), window.to(), figures, &verdict, error);
        return passes(verdict.outcome, options.allowed);
    };
    if (name.refused != nullptr) {
        path_failed(job.err(), kProgram, name.label, name.refused);
        return end_log(unreadable(), name.refused);
    }
    OpenLog opened(name.path);
    LogStream& log = opened.stream();
    log.count_lines();

    // The four-value form has no period; the five-value form's carry is
    // known now, or once a sample needs it.
    const bool full = options.pattern == LogPattern::Full;
    AppData record;
    Ending ending;
    ending.period_known = !full || job.carry_known();
    if (full && ending.period_known)
        record.P = job.carry_in().period;
    if (full)
        read_samples(log, LogPattern::Full, options, record, figures, window, rows, job, ending);
    else
        read_samples(log, LogPattern::Short, options, record, figures, window, rows, job, ending);
    const Carry carry{record.P, {}, 0};
    job.hand_on(full && ending.period_known ? &carry : nullptr);

    const Verdict text_verdict = verdict_on(log, options.pattern, ending.reading());
    const Verdict verdict = opened.faulty_past_reading() ? unreadable() : text_verdict;
    const bool failed = opened.close(kProgram, name.label, job.err());
    return end_log(verdict, failed ? opened.reason() : "");
}
