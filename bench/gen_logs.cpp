// gen_logs: writes a seeded, realistic log of exactly BYTES bytes.
//
//   gen_logs FORM BYTES SEED [OUTPUT]
//
// FORM is full or short (the line pattern of runtally or runtally2), with
// values as loggers mostly write them; full-sci or short-sci for values
// written with %e and %.9g (7 to 10 significant digits, many with an
// exponent); full-shortest or short-shortest for doubles written as the
// shortest decimal that reads back to them, as std::to_chars and Python's
// str write them (up to 17 digits); full-long or short-long for long digit
// strings (%.20f, %.25g, and 20 to 40 digits). BYTES may end
// in K, M or G (binary multiples). The log goes to OUTPUT, or to standard
// output without one. The same arguments give the same bytes.

#include "tests/support/log_lines.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

using namespace logformat;

namespace {

constexpr std::size_t kChunkBytes = 4 * 1024 * 1024;

struct Options {
    LogPattern pattern = LogPattern::Full;
    NumberForm form = NumberForm::Logger;
    std::uint64_t bytes = 0;
    std::uint64_t seed = 0;
    const char* output = nullptr;  // standard output when null
};

std::optional<std::uint64_t> parse_count(std::string_view text, bool allow_suffix)
{
    std::uint64_t multiple = 1;
    if (allow_suffix && !text.empty()) {
        const char last = text.back();
        const int shift = last == 'K' ? 10 : last == 'M' ? 20 : last == 'G' ? 30 : 0;
        if (shift != 0) {
            multiple = std::uint64_t{1} << shift;
            text.remove_suffix(1);
        }
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        value > std::numeric_limits<std::uint64_t>::max() / multiple)
        return std::nullopt;
    return value * multiple;
}

std::optional<Options> parse_options(int argc, char* argv[])
{
    if (argc != 4 && argc != 5)
        return std::nullopt;
    Options options;
    std::string_view form = argv[1];
    constexpr std::pair<std::string_view, NumberForm> kForms[] = {
        {"-sci", NumberForm::Scientific}, {"-shortest", NumberForm::Shortest}, {"-long", NumberForm::Long}};
    for (const auto& [suffix, number_form] : kForms)
        if (form.ends_with(suffix)) {
            options.form = number_form;
            form.remove_suffix(suffix.size());
        }
    if (form == "full")
        options.pattern = LogPattern::Full;
    else if (form == "short")
        options.pattern = LogPattern::Short;
    else
        return std::nullopt;
    const auto bytes = parse_count(argv[2], true);
    const auto seed = parse_count(argv[3], false);
    if (!bytes || !seed)
        return std::nullopt;
    options.bytes = *bytes;
    options.seed = *seed;
    if (argc == 5)
        options.output = argv[4];
    return options;
}

// Writes the log in chunks of whole lines; the last chunk ends in blank
// lines where the next line would not fit.
bool write_log(const Options& options, std::FILE* out)
{
    LineMaker maker = make_line_maker(options.pattern, options.form, options.seed);
    std::vector<char> chunk(kChunkBytes);
    std::uint64_t remaining = options.bytes;
    while (remaining > 0) {
        const std::size_t room = remaining < chunk.size() ? static_cast<std::size_t>(remaining) : chunk.size();
        std::size_t used = write_lines(maker, chunk.data(), room);
        if (room == remaining) {
            std::memset(chunk.data() + used, '\n', room - used);
            used = room;
        }
        if (std::fwrite(chunk.data(), 1, used, out) != used)
            return false;
        remaining -= used;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::optional<Options> options = parse_options(argc, argv);
    if (!options) {
        std::fputs("usage: gen_logs full|short[-sci|-shortest|-long] BYTES[K|M|G] SEED [OUTPUT]\n", stderr);
        return 2;
    }
    std::FILE* out = options->output != nullptr ? std::fopen(options->output, "wb") : stdout;
    if (out == nullptr) {
        std::fprintf(stderr, "gen_logs: %s: %s\n", options->output, std::strerror(errno));
        return 1;
    }
    const bool written = write_log(*options, out);
    const bool closed = out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "gen_logs: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
