#pragma once

// The logs a command line names, handed out one at a time: the operands,
// then the paths of a list file, one a line (--files-from) or separated by
// NUL bytes (--files0-from), as GNU du and wc read them; an empty entry
// names nothing and is passed over. The list is read a path at a time, so
// memory does not grow with the number of logs.
//
// "-" names standard input: as an operand, as the list, or in the list. It
// can be read once: the command line cannot name it twice (problem()), and
// a "-" in the list after standard input was taken is refused. A list that
// names no log is a usage error too, known once it is read (none_named());
// a list whose first entry is a record, a log named where its list was
// meant, is warned of.

#include "logformat/log_stream.hpp"

#include <cstdint>
#include <cstdio>
#include <string>

enum class ListForm { Lines, NulSeparated };

// The list of logs a command line names with --files-from or --files0-from:
// one at most.
struct ListOption {
    const char* path = nullptr;  // null where no list is named
    ListForm form = ListForm::Lines;

    // Takes the list an option names; the problem with it, or empty.
    std::string take(const char* list_path, ListForm list_form);
};

struct LogName {
    std::string path;
    // What rows and diagnostics call the log: its path, or for standard
    // input the name --label gives it.
    std::string label;
    // Why the log is not read although it is named; null for a log to read.
    const char* refused = nullptr;
    // A warning of the list, to go to standard error before the log's own
    // diagnostics (log_jobs.hpp writes it there); empty for none.
    std::string warning;
};

class LogList {
public:
    // The operands [first, last), then the paths in the list, if one is named,
    // for `program`, which reads them with `pattern`; standard input is
    // labelled `label` where one is given (not null).
    LogList(const char* program, char* const* first, char* const* last, const ListOption& list,
            logformat::LogPattern pattern, const char* label = nullptr);
    ~LogList();
    LogList(const LogList&) = delete;
    LogList& operator=(const LogList&) = delete;

    // Why the command line cannot be carried out, found before any log is
    // read (no log named, "-" named twice, a list that cannot be opened);
    // empty when it can.
    const std::string& problem() const { return problem_; }
    // The next log into `name`; false after the last. Where the first entry
    // of the list is itself a record of the pattern, its warning says that
    // the list looks like a log: "PROGRAM: LIST: warning: ...", a line.
    bool next(LogName& name);
    // After the last log: the problem with a command line whose list, read
    // whole, named no log, as no log on the command line is one; empty when
    // a log was named or the list could not be read to its end.
    std::string none_named() const;
    // After the last log: tells of a fault that ended the reading of the
    // list early, on standard error, as "PROGRAM: LIST: REASON". True when
    // there was one.
    bool tell_error(const char* program) const;

private:
    const char* program_;
    logformat::LogPattern pattern_;
    std::uint64_t named_ = 0;  // logs handed out
    bool list_started_ = false;
    char* const* operand_;
    char* const* last_;
    const char* list_path_;
    const char* label_;
    std::FILE* list_ = nullptr;
    char delimiter_;
    bool standard_input_taken_ = false;
    std::string problem_;
    int error_ = 0;
    char* line_ = nullptr;  // getdelim's buffer, as long as the longest path
    std::size_t capacity_ = 0;
};

bool is_standard_input(const std::string& path);

// The name of the instruction set that the logs are read with
// (logformat/instruction_set.hpp), for --version.
const char* instruction_set_of_logs();
