#pragma once

// Seeded generator of logs for differential tests: well-formed lines with the
// number forms loggers write, every reformatting the format allows, damaged
// P parts and random character edits; or, in another shape, long logs of
// undamaged lines with long runs of white space.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>

struct LogShape {
    bool damage = true;  // damaged P parts and random edits
    bool p_part = true;  // lines of the Full pattern; else of the Short one
    // If not 0, the shape of many blocks: numbers as %f writes them, runs of
    // white space a blank, or one in this many (one in four after a line)
    // 100 to 3000 bytes of every kind of white space.
    int long_space = 0;
};

class LogGenerator {
public:
    explicit LogGenerator(std::uint64_t seed, LogShape shape = {}) : rng_(seed), shape_(shape) {}

    // Whole lines, up to `bytes` bytes or one line more.
    std::string lines(std::size_t bytes)
    {
        std::string text;
        while (text.size() < bytes)
            text += line(text.empty());
        return text;
    }

    std::string log()
    {
        std::string text;
        const int lines = pick(25);
        for (int i = 0; i < lines; ++i)
            text += line(i == 0);
        if (!text.empty() && chance(5))
            text.pop_back();  // no newline at the end
        damage(text, chance(2) ? 0 : 1 + pick(4));
        return text;
    }

    // `edits` random edits of the text, anywhere: damage for logs made elsewhere.
    void damage(std::string& text, int edits)
    {
        for (int i = 0; i < edits && !text.empty(); ++i)
            edit(text);
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    bool chance(int one_in) { return pick(one_in) == 0; }

    // A run of white space: in the long-space shape a blank, or now and then
    // a long run; else a short run of any kind.
    std::string space(int long_one_in)
    {
        if (shape_.long_space > 0) {
            if (!chance(long_one_in))
                return " ";
            std::string run;
            for (int n = 100 + pick(2900); n > 0; --n)
                run += " \t\n\r\v\f"[pick(6)];
            return run;
        }
        static const char* const kRuns[] = {" ", " ", " ", "", "\t", "  ", "\n", " \n ", "\r\n", "\v\f"};
        return kRuns[pick(10)];
    }

    std::string sign() { return chance(6) ? (chance(2) ? "-" : "+") : ""; }

    std::string integer()
    {
        std::string s = sign();
        if (chance(8))
            s += "00";
        s += std::to_string(pick(4) == 0 ? pick(20000000) : pick(2000000));
        return s;
    }

    std::string real()
    {
        char text[64];
        const double v =
            chance(4) ? 0.0 : std::ldexp(static_cast<double>(rng_() >> 11) / 9007199254740992.0, pick(40) - 20);
        switch (shape_.long_space > 0 ? 11 : pick(16)) {
        case 0: std::snprintf(text, sizeof text, "%g", v); break;
        case 1: std::snprintf(text, sizeof text, "%e", v); break;
        case 2: std::snprintf(text, sizeof text, "%.12E", v); break;
        case 3: std::snprintf(text, sizeof text, "%.0f.", chance(3) ? v * 100 : v); break;  // up to 9 digits
        case 4: std::snprintf(text, sizeof text, ".%d", pick(100000)); break;
        case 5: std::snprintf(text, sizeof text, "%d", pick(1000)); break;
        case 6: std::snprintf(text, sizeof text, "%s", chance(2) ? "inf" : (chance(2) ? "NaN" : "Infinity")); break;
        case 7: std::snprintf(text, sizeof text, "%.3fe%s%d", v, chance(2) ? "-" : "", pick(60)); break;
        case 8: std::snprintf(text, sizeof text, "%.1fe%s", v, chance(2) ? "+" : ""); break;
        case 12: *std::to_chars(text, text + sizeof text - 1, v).ptr = '\0'; break;  // shortest, up to 17 digits
        case 13: std::snprintf(text, sizeof text, chance(2) ? "%.20f" : "%.25g", v); break;
        case 14: {  // 20 to 40 digits, every one drawn
            std::string digits = std::to_string(pick(10)) + ".";
            for (int n = 19 + pick(21); n > 0; --n)
                digits += static_cast<char>('0' + pick(10));
            std::snprintf(text, sizeof text, "%s", digits.c_str());
            break;
        }
        case 15: {  // a float midpoint in 17 or 19 digits, within a unit of its last digit
            const auto f = static_cast<float>(v);
            const double mid = (static_cast<double>(f) +
                                static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()))) /
                               2;
            std::snprintf(text, sizeof text, chance(2) ? "%.17g" : "%.19g", mid);
            break;
        }
        default: std::snprintf(text, sizeof text, "%f", v); break;
        }
        return sign() + text;
    }

    std::string p_part()
    {
        std::string s;
        if (!shape_.p_part)
            return s;
        if (!shape_.damage || !chance(8)) {
            field(s, "P:", integer());
            return s;
        }
        static const char* const kDamaged[] = {"", ",", ", P:", ", p:", ", P :", ", P:"};
        const int kind = pick(7);
        s += kind < 6 ? kDamaged[kind] : ", P:";
        if (kind >= 3)
            s += integer();
        if (kind == 5)
            s += ".5";
        if (kind == 6)
            s += " #tail";
        return s;
    }

    // ", TAG:NUMBER" with the white space the format allows.
    void field(std::string& s, const char* tag, const std::string& number)
    {
        s += ',';
        s += space(shape_.long_space);
        s += tag;
        if (chance(10))
            s += space(shape_.long_space);
        s += number;
    }

    std::string line(bool first)
    {
        std::string s;
        if (!first && chance(10))
            s += chance(2) ? "  " : "\n";
        s += "L:";
        if (chance(10))
            s += space(shape_.long_space);
        s += integer();
        field(s, "CPU:", real());
        field(s, "B:", real());
        field(s, "MCPU:", real());
        s += p_part();
        if (chance(10))
            s += chance(2) ? " \t" : "\r";
        s += chance(15) ? " " : "\n";
        if (shape_.long_space > 0)
            s += space(4);
        return s;
    }

    void edit(std::string& text)
    {
        static const std::string kAlphabet = std::string("0123456789.eE+-,: \t\n\rLCPUBMpxinfa", 34) + '\0';
        const auto at = static_cast<std::size_t>(pick(static_cast<int>(text.size())));
        const char c = chance(8) ? static_cast<char>(pick(256))
                                 : kAlphabet[static_cast<std::size_t>(pick(static_cast<int>(kAlphabet.size())))];
        switch (pick(3)) {
        case 0: text.insert(at, 1, c); break;
        case 1: text.erase(at, 1); break;
        default: text[at] = c; break;
        }
    }

    std::mt19937_64 rng_;
    LogShape shape_;
};
