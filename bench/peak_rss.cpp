// peak_rss: runs a command and tells its peak resident set size.
//
//   peak_rss COMMAND [ARG...]
//
// The command keeps this program's standard input, output and error. When it
// ends, "peak_rss: N KiB" goes to standard error as the last line, N being
// the largest resident set the command reached (the kernel's ru_maxrss), and
// this program exits with the command's status (128 + the signal if one
// killed it, 127 if it could not be run).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fputs("usage: peak_rss COMMAND [ARG...]\n", stderr);
        return 2;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "peak_rss: fork: %s\n", std::strerror(errno));
        return 127;
    }
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::fprintf(stderr, "peak_rss: %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "peak_rss: wait4: %s\n", std::strerror(errno));
            return 127;
        }
    }
    std::fprintf(stderr, "peak_rss: %ld KiB\n", usage.ru_maxrss);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
