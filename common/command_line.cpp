#include "common/command_line.hpp"

#include "common/diagnostics.hpp"
#include "common/names.hpp"

#include <cstdio>
#include <getopt.h>

int usage_error(const char* program, const char* usage, const std::string& problem)
{
    std::fprintf(stderr, "%s: %s\n%sTry '%s --help' for more.\n", program, problem.c_str(), usage, program);
    return kUsageStatus;
}

std::string refused_option(int answer, char* const argv[])
{
    // A short option is optopt, a char: negative for a byte above 0x7f. A
    // long one, whose value is 256 or more (0 when unknown), is the
    // argument before optind.
    if (optopt != 0 && optopt < 256) {
        const std::string option = printable_name(std::string{'-', static_cast<char>(optopt)});
        return answer == ':' ? "option '" + option + "' needs a value" : "unknown option '" + option + "'";
    }
    const std::string arg = argv[optind - 1];
    const std::string option = printable_name(arg.substr(0, arg.find('=')));
    if (answer == ':')
        return "option '" + option + "' needs a value";
    if (optopt != 0)
        return "option '" + option + "' takes no value";
    return "unknown or ambiguous option '" + option + "'";
}

int finish(const char* program, int status)
{
    return output_failed(program) ? 1 : status;
}
