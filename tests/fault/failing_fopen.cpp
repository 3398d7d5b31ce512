// Preloaded into the programs by the fault tests: the file named by
// FAIL_PATH opens as usual, but its reads fail with EIO once FAIL_AFTER bytes
// have been read, as a disk error part way through a log would.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/types.h>

namespace {

struct FailingFile {
    std::FILE* file;
    std::size_t left;  // bytes to read before the failure
};

ssize_t read_until_failure(void* cookie, char* buffer, std::size_t size)
{
    auto* f = static_cast<FailingFile*>(cookie);
    if (f->left == 0) {
        errno = EIO;
        return -1;
    }
    const std::size_t got = std::fread(buffer, 1, size < f->left ? size : f->left, f->file);
    f->left -= got;
    return static_cast<ssize_t>(got);
}

int close_failing(void* cookie)
{
    auto* f = static_cast<FailingFile*>(cookie);
    const int result = std::fclose(f->file);
    delete f;
    return result;
}

}  // namespace

extern "C" std::FILE* fopen(const char* path, const char* mode)
{
    using Fopen = std::FILE* (*)(const char*, const char*);
    const auto real_fopen = reinterpret_cast<Fopen>(dlsym(RTLD_NEXT, "fopen"));
    std::FILE* file = real_fopen(path, mode);
    const char* target = std::getenv("FAIL_PATH");
    const char* after = std::getenv("FAIL_AFTER");
    if (file == nullptr || target == nullptr || after == nullptr || std::strcmp(path, target) != 0)
        return file;
    cookie_io_functions_t io{};
    io.read = read_until_failure;
    io.close = close_failing;
    return fopencookie(new FailingFile{file, std::strtoull(after, nullptr, 10)}, mode, io);
}
