// The programs read with the widest instruction set this processor offers,
// up to the build's cap (RUNTALLY_WIDEST_SET): the set each one's --version
// names against the set found here, by CPUID and XGETBV, apart from the
// reader's table, with the features each set's read is compiled for.
// Usage: widest_set_test PROGRAM...

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

// The sets, narrowest first, as the cap names them and as --version does.
constexpr std::string_view kCaps[] = {"scalar", "sse2", "avx2", "avx512"};
constexpr std::string_view kNames[] = {"scalar", "SSE2", "AVX2", "AVX512"};

// The widest set this processor runs, as the reader's table would find it.
std::size_t processor_set()
{
#if defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __get_cpuid(1, &a, &b, &c, &d);
    if ((d & bit_SSE2) == 0)
        return 0;
    // The register state the system saves: SSE and AVX (bits 1, 2), AVX-512 (5, 6, 7).
    unsigned state = 0;
    if ((c & bit_OSXSAVE) != 0) {
        unsigned high = 0;
        __asm__("xgetbv" : "=a"(state), "=d"(high) : "c"(0));
    }
    __get_cpuid_count(7, 0, &a, &b, &c, &d);
    const bool avx2 = (state & 0x6) == 0x6 && (b & bit_AVX2) != 0 && (b & bit_BMI) != 0 && (b & bit_BMI2) != 0;
    const bool avx512 = avx2 && (state & 0xE0) == 0xE0 && (b & bit_AVX512F) != 0 && (b & bit_AVX512BW) != 0 &&
                        (b & bit_AVX512VL) != 0 && (b & bit_AVX512DQ) != 0 && (c & bit_AVX512VBMI) != 0 &&
                        (c & bit_AVX512VBMI2) != 0 && (c & bit_AVX512BITALG) != 0;
    return avx512 ? 3 : avx2 ? 2 : 1;
#else
    return 0;
#endif
}

// The set the programs should read with: the one place that says what to expect.
std::string_view expected_set()
{
    const auto cap = static_cast<std::size_t>(std::find(std::begin(kCaps), std::end(kCaps), RUNTALLY_WIDEST_SET) -
                                              std::begin(kCaps));
    return kNames[std::min(processor_set(), cap)];
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string want = "logs read with " + std::string(expected_set()) + "\n";
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string command = std::string("'") + argv[i] + "' --version";
        std::FILE* out = popen(command.c_str(), "r");
        std::string text;
        char line[256];
        while (out != nullptr && std::fgets(line, sizeof line, out) != nullptr)
            text += line;
        const int status = out != nullptr ? pclose(out) : -1;
        // The second line; the third names the compressed formats read.
        const std::size_t second_start = text.find('\n') + 1;
        const std::string second = text.substr(second_start, text.find('\n', second_start) + 1 - second_start);
        if (status != 0 || second != want) {
            std::printf("FAIL: %s --version: %s, wanted %s", argv[i], second.c_str(), want.c_str());
            ++failures;
        } else {
            std::printf("ok: %s %s", argv[i], second.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}
