#include "logformat/bytes/block_buffer.hpp"

#include "logformat/bytes/cursor.hpp"
#include "logformat/bytes/line_ends.hpp"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>

namespace logformat {

BlockBuffer::BlockBuffer(const char* path)
    : file_(std::fopen(path, "r")), block_size_(kBlockSize), pos_(front()), end_(front())
{
    std::memset(buffer_.data(), 0, kPaddingBefore);
    std::memset(end_, 0, kPadding);
    if (file_ == nullptr) {
        error_ = pending_error_ = errno;
        drained_ = true;
        return;
    }
    // The block buffer is the only buffer: the file's own would be a second copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

BlockBuffer::BlockBuffer(std::FILE* file, std::size_t block_size)
    : file_(file), block_size_(std::clamp<std::size_t>(block_size, 1, kBlockSize)), pos_(front()), end_(front())
{
    std::memset(buffer_.data(), 0, kPaddingBefore);
    std::memset(end_, 0, kPadding);
    if (file_ == nullptr) {
        error_ = pending_error_ = EINVAL;
        drained_ = true;
    }
}

BlockBuffer::~BlockBuffer()
{
    close();
}

void BlockBuffer::close()
{
    // The line count must not lose the bytes read up to here.
    if (counting_)
        count_to(offset());
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    base_offset_ += static_cast<std::uint64_t>(pos_ - front());
    pos_ = end_ = front();
    ++moves_;
    std::memset(end_, 0, kPadding);
    drained_ = true;
}

// Moves the unconsumed bytes to the front of the buffer and reads one block
// behind them. False when nothing more could be read; a fault met here
// becomes visible to the reader now, since it needed the bytes behind it.
bool BlockBuffer::refill()
{
    const auto unread = static_cast<std::size_t>(end_ - pos_);
    // What keeps a block and the unread bytes inside the buffer.
    assert(unread < kLookahead);
    ++moves_;
    if (counting_)
        count_to(offset());
    base_offset_ += static_cast<std::uint64_t>(pos_ - front());
    std::memmove(front(), pos_, unread);
    pos_ = front();
    end_ = pos_ + unread;
    std::memset(end_, 0, kPadding);
    if (drained_) {
        error_ = pending_error_;
        return false;
    }
    errno = 0;
    const std::size_t got = std::fread(end_, 1, block_size_, file_);
    end_ += got;
    std::memset(end_, 0, kPadding);
    if (got < block_size_) {
        drained_ = true;
        if (std::ferror(file_) != 0)
            pending_error_ = errno != 0 ? errno : EIO;
    }
    if (got == 0) {
        error_ = pending_error_;
        return false;
    }
    return true;
}

int BlockBuffer::peek_at(std::size_t distance)
{
    assert(distance < kLookahead);
    while (static_cast<std::size_t>(end_ - pos_) <= distance)
        if (!refill())
            return kEnd;
    return static_cast<unsigned char>(pos_[distance]);
}

void BlockBuffer::count_to(std::uint64_t offset)
{
    if (offset <= counted_)
        return;
    assert(offset <= offset_of(end_));
    const char* p = front() + (counted_ - base_offset_);
    const char* const stop = front() + (offset - base_offset_);
    // Back from the end, the white space is short but for blank runs.
    for (const char* q = stop; q != p;)
        if (!is_space(static_cast<unsigned char>(*--q))) {
            after_text_ = offset_of(q) + 1;
            break;
        }
    // A line or two (runtally-check asks at every read) is searched end by
    // end; a block, before it is dropped, is counted many bytes at a time.
    constexpr std::ptrdiff_t kSearched = 256;
    if (stop - p < kSearched) {
        while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(stop - p))) {
            p = static_cast<const char*>(found) + 1;
            ++line_;
            line_start_ = offset_of(p);
        }
    } else if (const std::uint64_t ends = count_line_ends(p, stop); ends > 0) {
        line_ += ends;
        line_start_ = offset_of(static_cast<const char*>(memrchr(p, '\n', static_cast<std::size_t>(stop - p))) + 1);
    }
    counted_ = offset;
}

bool BlockBuffer::line_end_after_text(std::uint64_t offset)
{
    count_to(offset);
    return line_start_ > after_text_;
}

TextPosition BlockBuffer::position_of(std::uint64_t offset)
{
    if (!counting_)
        return {};  // line and column 0: no line is counted
    count_to(offset);
    assert(offset >= line_start_);
    return {line_, offset - line_start_ + 1};
}

}  // namespace logformat
