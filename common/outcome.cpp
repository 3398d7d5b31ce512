#include "common/outcome.hpp"

#include "common/log_moves.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/read_sample.hpp"

using namespace logformat;

namespace {

// NUL bytes at the stream's position, after white space: how far they and
// the white space among them run.
struct NulBytes {
    bool any = false;     // a NUL byte follows the white space
    bool to_end = false;  // NUL bytes and white space run to the end of the log
    TextPosition first;   // the first NUL byte
};

// Passes white space and, where a NUL byte follows it, the NUL bytes and
// white space after it, kMostNulBytes at most.
NulBytes pass_nul_bytes(LogStream& log)
{
    NulBytes nul;
    Cursor c{&log.bytes()};
    c.skip_space();
    if (c.peek() != '\0') {
        c.release();
        return nul;
    }
    nul.any = true;
    const std::uint64_t first = c.offset();
    nul.first = log.position_of(first);
    for (;;) {
        while (c.p != c.end && (*c.p == '\0' || is_space(static_cast<unsigned char>(*c.p))))
            ++c.p;
        if (c.p != c.end || c.offset() - first > kMostNulBytes)
            break;
        if (!c.refill()) {
            nul.to_end = true;
            break;
        }
    }
    c.release();
    return nul;
}

// The rest of a log after the line where its reading stopped, counted:
// reads from each line where a record could begin, up to the end or to a
// NUL byte.
Rest rest_of(LogStream& log, LogPattern pattern, std::uint64_t stop_line)
{
    Rest rest;
    const auto binary_here = [&] {
        rest.binary = true;
        rest.binary_at = log.position_of(log.offset());
    };
    if (log.position_of(log.offset()).line == stop_line && skip_line(log)) {
        binary_here();
        rest.binary_on_stop_line = true;
    }
    AppData scratch;
    while (!rest.binary && !skip_space_to_end(log)) {
        if (*log.bytes().data() == '\0') {
            binary_here();
            break;
        }
        const std::uint64_t before = log.offset();
        const int result = read_sample(log, pattern, scratch);
        rest.records += is_sample(result) ? 1U : 0U;
        rest.whole += static_cast<std::size_t>(result) == elements_of(pattern).size() ? 1U : 0U;
        if (log.offset() == before && skip_line(log))  // no record begins here: try the next line
            binary_here();
    }
    const TextPosition end = rest.binary ? rest.binary_at : log.position_of(log.offset());
    rest.lines = end.column > 1 ? end.line : end.line - 1;
    return rest;
}

// Ends at once at binary data found where the reading stopped.
Rest binary_rest(TextPosition first_nul, std::uint64_t stop_line)
{
    Rest rest;
    rest.binary = true;
    rest.binary_at = first_nul;
    rest.binary_on_stop_line = first_nul.line == stop_line;
    rest.lines = first_nul.column > 1 ? first_nul.line : first_nul.line - 1;
    return rest;
}

}  // namespace

std::string_view word_of(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Whole: return "whole";
    case Outcome::Empty: return "empty";
    case Outcome::Cut: return "cut";
    case Outcome::Stopped: return "stopped";
    case Outcome::Unreadable: return "unreadable";
    }
    return "unreadable";
}

Verdict verdict_on(LogStream& log, LogPattern pattern, const Reading& reading)
{
    if (log.error() != 0)
        return unreadable();
    const bool consumed = log.offset() != reading.after_start;
    const MatchBreak& stop = reading_stop(reading.last_sample, reading.after, consumed, reading.samples > 0);
    Verdict verdict{Outcome::Cut, Cause::EndInRecord, &stop, stop.at, {}};

    if (!consumed && skip_space_to_end(log)) {
        if (log.error() != 0)
            return unreadable();
        if (reading.samples == 0)
            return {Outcome::Empty, Cause::None, nullptr, {}, {}};
        if (log.bytes().line_end_after_text(log.offset()))
            return {};
        // The last sample's match broke off inside its record ("P:", ", P")
        // or after its last number, which may be cut short itself ("P:56").
        const bool inside =
            !reading.last_sample.complete && !stop.out_of_range && !(stop.part == Part::Comma && stop.consumed.empty());
        if (!inside)
            verdict = {Outcome::Cut, Cause::NoLineEnd, nullptr, log.position_of(log.offset()), {}};
        return verdict;
    }
    // The end of the file where the match broke off: inside the last record.
    if (consumed && log.bytes().peek_at(0) == BlockBuffer::kEnd && !stop.out_of_range)
        return log.error() != 0 ? unreadable() : verdict;
    const NulBytes nul = pass_nul_bytes(log);
    if (log.error() != 0)
        return unreadable();
    if (nul.to_end) {
        verdict.cause = Cause::NulBytes;
        return verdict;
    }
    verdict.outcome = Outcome::Stopped;
    verdict.cause = Cause::None;
    verdict.rest = nul.any ? binary_rest(nul.first, stop.at.line) : rest_of(log, pattern, stop.at.line);
    return log.error() != 0 ? unreadable() : verdict;
}

bool passes(Outcome outcome, Allowed allowed)
{
    return outcome == Outcome::Whole || (outcome == Outcome::Cut && allowed.cut) ||
           (outcome == Outcome::Empty && allowed.empty);
}
