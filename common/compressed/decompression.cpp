#include "common/compressed/decompression.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

Decompression::Decompression(std::FILE* source, std::string_view first_bytes, const CompressionFormat& format)
    : source_(source), format_(format), decoder_(format.decoding->make()), input_(kInputSize)
{
    std::memcpy(input_.data(), first_bytes.data(), first_bytes.size());
    spans_.in = input_.data();
    spans_.in_size = first_bytes.size();
    text_ = fopencookie(this, "r", {read_text, nullptr, nullptr, close_text});
    if (text_ == nullptr) {
        std::fclose(source_);
        return;
    }
    // glibc reads a stream made by fopencookie through its own buffer, a
    // byte a call where it has none: a block's worth a call, then.
    std::setvbuf(text_, nullptr, _IOFBF, kCookieBuffer);
    thread_ = std::thread([this] { decompress(); });
}

Decompression::~Decompression()
{
    if (text_ != nullptr)
        std::fclose(text_);
}

void Decompression::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    std::fclose(source_);
}

int Decompression::close_text(void* cookie)
{
    auto* self = static_cast<Decompression*>(cookie);
    self->stop();
    self->text_ = nullptr;
    return 0;
}

ssize_t Decompression::read_text(void* cookie, char* into, std::size_t size)
{
    auto* self = static_cast<Decompression*>(cookie);
    Block& block = self->blocks_[self->reading_];
    {
        std::unique_lock lock(self->mutex_);
        self->changed_.wait(lock, [&] { return block.full; });
    }
    if (block.taken == block.size) {  // only the last block is ever left drained
        if (self->fault_error_ == 0)
            return 0;
        errno = self->fault_error_;
        return -1;
    }
    const std::size_t n = std::min(size, block.size - block.taken);
    std::memcpy(into, block.bytes.data() + block.taken, n);
    block.taken += n;
    if (block.taken == block.size && !block.last) {
        {
            const std::lock_guard lock(self->mutex_);
            block.full = false;
            block.size = block.taken = 0;
        }
        self->changed_.notify_all();
        self->reading_ ^= 1;
    }
    return static_cast<ssize_t>(n);
}

void Decompression::decompress()
{
    for (std::size_t b = 0;; b ^= 1) {
        Block& block = blocks_[b];
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !block.full || stopping_; });
            if (stopping_)
                return;
        }
        const Fill fill = this->fill(block);
        {
            const std::lock_guard lock(mutex_);
            block.full = true;
            block.last = fill != Fill::Full;
        }
        changed_.notify_all();
        if (fill != Fill::Full)
            return;
    }
}

bool Decompression::read_source()
{
    // The bytes not yet decoded move to the front, and more are read behind them.
    std::memmove(input_.data(), spans_.in, spans_.in_size);
    const std::size_t room = input_.size() - spans_.in_size;
    errno = 0;
    const std::size_t got = std::fread(input_.data() + spans_.in_size, 1, room, source_);
    spans_.in = input_.data();
    spans_.in_size += got;
    source_ended_ = got < room;
    return std::ferror(source_) == 0;
}

bool Decompression::begin_stream()
{
    return spans_.in_size >= kStreamStart || source_ended_ || read_source();
}

Decompression::Fill Decompression::failed(std::string message, int error)
{
    fault_ = std::string(format_.name) + ": " + message;
    fault_error_ = error;
    return Fill::Fault;
}

Decompression::Fill Decompression::fill(Block& block)
{
    spans_.out = block.bytes.data();
    spans_.out_size = block.bytes.size();
    for (;;) {
        if (at_stream_start_ && !begin_stream()) {
            const int error = errno != 0 ? errno : EIO;
            return failed(std::strerror(error), error);
        }
        at_stream_start_ = false;
        if (spans_.in_size == 0 && !source_ended_ && !read_source()) {
            const int error = errno != 0 ? errno : EIO;
            block.size = block.bytes.size() - spans_.out_size;
            return failed(std::strerror(error), error);
        }
        const std::size_t in_before = spans_.in_size;
        const std::size_t out_before = spans_.out_size;
        Step step = decoder_->decode(spans_, source_ended_);
        block.size = block.bytes.size() - spans_.out_size;
        if (step.kind == Step::Damaged)
            return failed(std::move(step.message), EBADMSG);
        if (step.kind == Step::StreamEnd) {
            if (spans_.in_size == 0 && !source_ended_ && !read_source()) {
                const int error = errno != 0 ? errno : EIO;
                return failed(std::strerror(error), error);
            }
            if (spans_.in_size == 0)
                return Fill::End;
            decoder_->restart();
            at_stream_start_ = true;
            if (spans_.out_size == 0)
                return Fill::Full;
        } else if (spans_.out_size == 0) {
            return Fill::Full;
        } else if (spans_.in_size == in_before && spans_.out_size == out_before &&
                   (source_ended_ || spans_.in_size > 0)) {
            // No progress with nothing more to give: the file ends inside a stream.
            return failed(source_ended_ && spans_.in_size == 0 ? "unexpected end of file"
                                                               : "the library makes no progress",
                          EBADMSG);
        }
    }
}
