#include "common/diagnostics.hpp"

#include "common/names.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

void path_failed(const char* program, std::string_view path, const char* reason)
{
    path_failed(stderr, program, path, reason);
}

void path_failed(std::FILE* err, const char* program, std::string_view path, const char* reason)
{
    std::fprintf(err, "%s: %s: %s\n", program, printable_name(path).c_str(), reason);
}

bool close_log(const char* program, const char* path, logformat::LogStream& log)
{
    log.close();
    if (log.error() == 0)
        return false;
    path_failed(program, path, std::strerror(log.error()));
    return true;
}

bool output_failed(const char* program)
{
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return false;
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(errno));
    return true;
}
