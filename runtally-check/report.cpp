#include "runtally-check/report.hpp"

#include "runtally-check/stop.hpp"
#include "runtally-check/text.hpp"

using namespace logformat;

namespace {

constexpr std::uint64_t kShownPerKind = 10;

constexpr const char* kMoreOfKind[kKinds] = {
    "samples without a period",
    "periods of zero or less",
    "values beyond single precision",
    "exponent marks without digits",
    "hexadecimal values",
    "inf or nan values",
    "values written non-zero that read as 0",
};

std::string float_text(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

}  // namespace

void Report::say(TextPosition at, const char* severity, const std::string& message) const
{
    std::fprintf(out, "%s:%llu:%llu: %s: %s\n", path.c_str(), static_cast<unsigned long long>(at.line),
                 static_cast<unsigned long long>(at.column), severity, message.c_str());
}

void Report::warn(Kind kind, TextPosition at, const std::string& message)
{
    if (counts[kind]++ < kShownPerKind)
        say(at, "warning", message);
}

void Report::note(const std::string& message) const
{
    std::fprintf(out, "%s: note: %s\n", path.c_str(), message.c_str());
}

void Report::summary(std::uint64_t samples, const std::string& outcome) const
{
    for (std::size_t k = 0; k < kKinds; ++k)
        if (counts[k] > kShownPerKind)
            std::fprintf(out, "%s: note: %llu more %s\n", path.c_str(),
                         static_cast<unsigned long long>(counts[k] - kShownPerKind), kMoreOfKind[k]);
    std::fprintf(out, "%s: %s, %s\n", path.c_str(), counted(samples, "sample", "samples").c_str(), outcome.c_str());
}

Kind kind_of(Change change)
{
    switch (change) {
    case Change::BeyondFloat: return BeyondFloat;
    case Change::ExponentWithoutDigits: return ExponentWithoutDigits;
    case Change::Hexadecimal: return Hexadecimal;
    case Change::InfinityOrNan: return InfinityOrNan;
    case Change::ReadsAsZero: return ReadsAsZero;
    }
    return BeyondFloat;
}

std::string value_message(const ValueNote& note, LogPattern pattern)
{
    const std::string name = name_of(pattern, note.element);
    switch (note.change) {
    case Change::BeyondFloat: return name + " is beyond single precision and reads as " + float_text(note.value);
    case Change::ExponentWithoutDigits:
        return name + " has an exponent mark without digits and reads as " + float_text(note.value);
    case Change::Hexadecimal: return name + " is hexadecimal, which is not read: it reads as 0 and the x ends it";
    case Change::InfinityOrNan: return name + " reads as " + float_text(note.value);
    case Change::ReadsAsZero:
        return name + " is written non-zero but lies below the smallest float and reads as 0" +
               (pattern == LogPattern::Full && name == "B" ? ": the sample counts as a missed deadline" : "");
    }
    return name;
}

std::string period_message(std::int32_t period, const PeriodSource& from)
{
    if (from.line == 0)
        return "this sample has no period (P), and no line has given one yet: it weighs 0 s";
    const std::string line = std::to_string(from.line);
    return "this sample has no period (P): it takes P:" + std::to_string(period) + " from " +
           (from.this_log ? "line " + line : from.path + ":" + line);
}

std::string no_time_message(std::int32_t period)
{
    return "P is " + std::to_string(period) + ": the sample weighs " +
           (period == 0 ? "no time, so its B and MCPU count for nothing"
                        : "negative time, which takes from the log's time and benefit");
}
