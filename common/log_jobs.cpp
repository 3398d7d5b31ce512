#include "common/log_jobs.hpp"

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A job's output waits in its buffer, each stream's up to this much, until
// the job is at the head of the order.
constexpr std::size_t kWaitingBytes = 1 << 20;
// The streams a task writes through: glibc's buffer of each, flushed into
// the job's buffer.
constexpr std::size_t kStreamBuffer = 64 * 1024;
static_assert(kStreamBuffer <= kWaitingBytes, "a flush of a stream fits its buffer");

enum Stream : std::size_t { kOut, kErr };

}  // namespace

// The jobs in flight, at most N, each in a slot of its own (job k in slot
// k mod N), read by N threads; the calling thread hands out the logs and
// writes the output of the job at the head of the order.
class JobQueue {
public:
    JobQueue(unsigned jobs, const LogTask& task);
    ~JobQueue();
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;

    // True when a further log can be handed out: a slot is free and
    // standard output has not failed.
    bool open();
    void hand_out(LogName name);
    // Writes the head job's output as it comes, and once it is done calls
    // `done` and returns true; false when no job is in flight.
    bool write_head(const LogDone& done);

    bool carry_known(std::size_t slot);
    Carry carry_in(std::size_t slot);
    void hand_on(std::size_t slot, const Carry* own);

private:
    // A stream that fopencookie makes of a slot's buffer.
    struct Sink {
        JobQueue* queue;
        std::size_t slot;
        Stream stream;
    };
    struct Slot {
        LogName name;
        std::array<std::string, 2> waiting;  // output not written yet, by Stream
        bool carry_known = false;
        Carry carry;        // into the log, once known
        bool read = false;  // the log is read: it has handed on its carry
        bool own = false;   // it gave a period of its own: own_carry
        Carry own_carry;
        bool finished = false;  // the task returned and its streams are flushed
        bool passes = false;
        std::array<Sink, 2> sinks{};
        std::array<std::FILE*, 2> streams{};
    };

    static ssize_t write_sink(void* cookie, const char* bytes, std::size_t size);
    ssize_t write(std::size_t slot, Stream stream, const char* bytes, std::size_t size);
    void work();
    void resolve_carries();
    Slot& slot_of(std::uint64_t job) { return slots_[job % slots_.size()]; }

    const LogTask& task_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;  // any change below: one condition for all, as changes are few
    std::uint64_t handed_out_ = 0;     // jobs handed out
    std::uint64_t started_ = 0;        // jobs a thread took
    std::uint64_t head_ = 0;           // jobs done and written
    std::uint64_t resolved_ = 0;       // jobs read whose carry is handed on
    Carry carry_;                      // the carry into job resolved_
    bool failed_ = false;              // standard output failed
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

LogJob::LogJob(std::FILE* out, std::FILE* err, std::size_t slot, Carry* run_carry, JobQueue* queue)
    : out_(out), err_(err), slot_(slot), run_carry_(run_carry), queue_(queue)
{
}

bool LogJob::carry_known() const
{
    return queue_ == nullptr || queue_->carry_known(slot_);
}

Carry LogJob::carry_in()
{
    return queue_ == nullptr ? *run_carry_ : queue_->carry_in(slot_);
}

void LogJob::hand_on(const Carry* own)
{
    if (queue_ != nullptr)
        queue_->hand_on(slot_, own);
    else if (own != nullptr)
        *run_carry_ = *own;
}

JobQueue::JobQueue(unsigned jobs, const LogTask& task) : task_(task), slots_(jobs)
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        for (const Stream stream : {kOut, kErr}) {
            s.sinks[stream] = {this, i, stream};
            s.streams[stream] = fopencookie(&s.sinks[stream], "w", {nullptr, write_sink, nullptr, nullptr});
            if (s.streams[stream] == nullptr)
                std::abort();  // out of memory, as a throw of std::bad_alloc would be
            std::setvbuf(s.streams[stream], nullptr, _IOFBF, kStreamBuffer);
        }
    }
    threads_.reserve(jobs);
    for (unsigned i = 0; i < jobs; ++i)
        threads_.emplace_back([this] { work(); });
}

JobQueue::~JobQueue()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
    for (Slot& s : slots_)
        for (std::FILE* stream : s.streams)
            std::fclose(stream);
}

bool JobQueue::open()
{
    const std::lock_guard lock(mutex_);
    return handed_out_ - head_ < slots_.size() && !failed_;
}

void JobQueue::hand_out(LogName name)
{
    {
        const std::lock_guard lock(mutex_);
        Slot& s = slot_of(handed_out_++);
        s.name = std::move(name);
        s.carry_known = s.read = s.own = s.finished = s.passes = false;
        resolve_carries();
    }
    changed_.notify_all();
}

void JobQueue::work()
{
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || started_ < handed_out_; });
        if (started_ == handed_out_)
            return;
        const std::uint64_t job = started_++;
        Slot& s = slot_of(job);
        lock.unlock();

        LogJob log_job(s.streams[kOut], s.streams[kErr], job % slots_.size(), nullptr, this);
        if (!s.name.warning.empty())
            std::fputs(s.name.warning.c_str(), s.streams[kErr]);
        const bool passes = task_(s.name, log_job);
        std::fflush(s.streams[kOut]);
        std::fflush(s.streams[kErr]);

        lock.lock();
        if (!s.read) {
            s.read = true;
            resolve_carries();
        }
        s.finished = true;
        s.passes = passes;
        lock.unlock();
        changed_.notify_all();
    }
}

bool JobQueue::write_head(const LogDone& done)
{
    std::unique_lock lock(mutex_);
    if (head_ == handed_out_)
        return false;
    Slot& s = slot_of(head_);
    for (bool finished = false; !finished;) {
        changed_.wait(lock, [&] { return s.finished || !s.waiting[kOut].empty() || !s.waiting[kErr].empty(); });
        // Once finished, the job writes nothing more: what waits is all.
        finished = s.finished;
        std::string out;
        std::string err;
        out.swap(s.waiting[kOut]);
        err.swap(s.waiting[kErr]);
        const bool failed = failed_;
        lock.unlock();
        changed_.notify_all();  // room in the buffers again
        if (!failed)
            std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        lock.lock();
        if (std::ferror(stdout) != 0 && !failed_) {
            failed_ = true;
            changed_.notify_all();
        }
    }
    const bool passes = s.passes;
    const std::size_t slot = head_ % slots_.size();
    ++head_;
    lock.unlock();
    changed_.notify_all();
    done(slot, passes);
    return true;
}

ssize_t JobQueue::write_sink(void* cookie, const char* bytes, std::size_t size)
{
    const auto* sink = static_cast<const Sink*>(cookie);
    return sink->queue->write(sink->slot, sink->stream, bytes, size);
}

ssize_t JobQueue::write(std::size_t slot, Stream stream, const char* bytes, std::size_t size)
{
    std::unique_lock lock(mutex_);
    Slot& s = slots_[slot];
    // A job's standard output goes nowhere once standard output has failed:
    // its stream fails too, and a task that writes many rows stops.
    changed_.wait(lock, [&] { return (failed_ && stream == kOut) || s.waiting[stream].size() < kWaitingBytes; });
    if (failed_ && stream == kOut)
        return -1;
    s.waiting[stream].append(bytes, size);
    lock.unlock();
    changed_.notify_all();
    return static_cast<ssize_t>(size);
}

bool JobQueue::carry_known(std::size_t slot)
{
    const std::lock_guard lock(mutex_);
    return slots_[slot].carry_known;
}

Carry JobQueue::carry_in(std::size_t slot)
{
    std::unique_lock lock(mutex_);
    Slot& s = slots_[slot];
    changed_.wait(lock, [&] { return s.carry_known; });
    return s.carry;
}

void JobQueue::hand_on(std::size_t slot, const Carry* own)
{
    {
        const std::lock_guard lock(mutex_);
        Slot& s = slots_[slot];
        s.read = true;
        s.own = own != nullptr;
        if (own != nullptr)
            s.own_carry = *own;
        resolve_carries();
    }
    changed_.notify_all();
}

// With the lock held: passes the carry on through the jobs read, in order,
// up to the first that is not, which learns its carry.
void JobQueue::resolve_carries()
{
    for (; resolved_ < handed_out_; ++resolved_) {
        Slot& s = slot_of(resolved_);
        if (!s.carry_known) {
            s.carry_known = true;
            s.carry = carry_;
        }
        if (!s.read)
            return;
        if (s.own)
            carry_ = s.own_carry;
    }
}

void run_jobs(LogList& logs, LogName first, unsigned jobs, const LogTask& task, const LogDone& done)
{
    LogName name = std::move(first);
    if (jobs <= 1) {
        Carry carry;
        for (bool more = true; more && std::ferror(stdout) == 0; more = logs.next(name)) {
            if (!name.warning.empty())
                std::fputs(name.warning.c_str(), stderr);
            LogJob job(stdout, stderr, 0, &carry, nullptr);
            done(0, task(name, job));
        }
        return;
    }
    JobQueue queue(jobs, task);
    bool more = true;
    do {
        for (; more && queue.open(); more = logs.next(name))
            queue.hand_out(std::move(name));
    } while (queue.write_head(done));
}

bool parse_jobs(const char* text, unsigned& jobs)
{
    const std::string digits(text);
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    jobs = static_cast<unsigned>(std::stoul(digits));
    return jobs >= 1 && jobs <= kMostJobs;
}
