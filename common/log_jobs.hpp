#pragma once

// A run over the logs of a list, for runtally-check and runtally-table: one
// log after another, or up to N at once (--jobs=N), each on a thread of its
// own, with the same output, byte for byte.
//
// Each log is a job. Its task writes to the job's own streams; with several
// jobs, those are bounded buffers that reach standard output and standard
// error in the list's order: the job at the head of the order is written
// as it goes, the ones after it wait in their buffers, and a job whose
// buffer is full waits for its turn. So memory is bounded by N, whatever a
// log writes (a million window rows).
//
// The period carries from log to log: a sample without one takes the last
// period of the run, also from the logs before it. A job knows it at its
// start where the logs before it are read already (always with one job);
// otherwise it reads on, and only a sample that needs the period before the
// log has given one of its own waits until the logs before it are read.
// That is rare: a log's first line without P. So every figure and warning
// comes out as in one pass.

#include "common/log_list.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// The period that a sample without one takes: the last one the run has
// read, and where (for runtally-check's warnings).
struct Carry {
    std::int32_t period = 0;  // 0 while no line of the run has given one
    std::string path;         // the log that gave it, as diagnostics write it
    std::uint64_t line = 0;   // its line; 0 while no line has given one
};

class JobQueue;

// One log's job: where its task writes, and the carry into the log and out
// of it.
class LogJob {
public:
    LogJob(std::FILE* out, std::FILE* err, std::size_t slot, Carry* run_carry, JobQueue* queue);

    std::FILE* out() const { return out_; }
    std::FILE* err() const { return err_; }
    // Which of the N places the job holds, 0 to N - 1: where a task keeps
    // what the run takes from it once the jobs before it are done.
    std::size_t slot() const { return slot_; }
    // True when the carry into the log is known already.
    bool carry_known() const;
    // The carry into the log; where it is not known yet, waits until the
    // logs before it are read.
    Carry carry_in();
    // After the log is read: the carry it hands on, null where it gave no
    // period of its own and hands on the one it got.
    void hand_on(const Carry* own);

private:
    std::FILE* out_;
    std::FILE* err_;
    std::size_t slot_;
    Carry* run_carry_;  // with one job: the run's carry itself
    JobQueue* queue_;   // with several: the queue that knows it
};

// A log's task: reads the log named and writes to its job's streams. True
// when the log passes.
using LogTask = std::function<bool(const LogName& name, LogJob& job)>;
// Called on the calling thread for each log in the list's order, once its
// output is written: the job's slot and what its task returned.
using LogDone = std::function<void(std::size_t slot, bool passes)>;

// Runs `task` on `first`, then on each log that `logs` hands out, `jobs` at a
// time (1 or more); a warning that the list gives with a log's name goes to
// that log's standard error first. No further log is begun once standard
// output has failed.
void run_jobs(LogList& logs, LogName first, unsigned jobs, const LogTask& task, const LogDone& done);

// The value of --jobs: a whole number from 1 to kMostJobs; false otherwise.
inline constexpr unsigned kMostJobs = 1024;
bool parse_jobs(const char* text, unsigned& jobs);
