#include "common/compressed/open_log.hpp"

#include "common/diagnostics.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <sys/types.h>

using namespace logformat;

OpenLog::OpenLog(const std::string& path)
{
    std::FILE* const source = path == "-" ? stdin : std::fopen(path.c_str(), "r");
    if (source == nullptr) {
        stream_.emplace(path.c_str());  // fails as the open did, and tells why
        return;
    }
    // The stream's block buffer is the only buffer.
    std::setvbuf(source, nullptr, _IONBF, 0);
    const off_t start = ftello(source);
    std::array<char, kMagicBytes> first{};
    const std::string_view first_bytes(first.data(), std::fread(first.data(), 1, first.size(), source));
    // A fault is met again where the reader reads the same bytes.
    format_ = std::ferror(source) == 0 ? format_of(first_bytes) : nullptr;
    std::clearerr(source);
    if (format_ == nullptr) {
        if (start >= 0 && fseeko(source, start, SEEK_SET) == 0) {
            stream_.emplace(source, BlockBuffer::kBlockSize);
            return;
        }
        replay_.reset(new Replay{source, std::string(first_bytes)});
        std::FILE* const text = fopencookie(replay_.get(), "r", {replay, nullptr, nullptr, close_replay});
        if (text != nullptr)
            std::setvbuf(text, nullptr, _IOFBF, Decompression::kCookieBuffer);
        else
            std::fclose(source);
        stream_.emplace(text, BlockBuffer::kBlockSize);
        return;
    }
    if (format_->decoding == nullptr) {
        std::fclose(source);
        refusal_ = "compressed with " + std::string(format_->name) +
                   ", which this build does not read (built without " + std::string(format_->package) +
                   "): decompress it first, as in " + std::string(format_->command) + " LOG";
        stream_.emplace(nullptr, BlockBuffer::kBlockSize);
        return;
    }
    decompression_ = std::make_unique<Decompression>(source, first_bytes, *format_);
    stream_.emplace(decompression_->text(), BlockBuffer::kBlockSize);
}

OpenLog::~OpenLog()
{
    stream_.reset();
}

ssize_t OpenLog::replay(void* cookie, char* into, std::size_t size)
{
    auto* r = static_cast<Replay*>(cookie);
    if (r->given < r->first_bytes.size()) {
        const std::size_t n = std::min(size, r->first_bytes.size() - r->given);
        std::memcpy(into, r->first_bytes.data() + r->given, n);
        r->given += n;
        return static_cast<ssize_t>(n);
    }
    const std::size_t got = std::fread(into, 1, size, r->source);
    return got == 0 && std::ferror(r->source) != 0 ? -1 : static_cast<ssize_t>(got);
}

int OpenLog::close_replay(void* cookie)
{
    return std::fclose(static_cast<Replay*>(cookie)->source);
}

bool OpenLog::faulty_past_reading()
{
    if (decompression_ == nullptr)
        return false;
    BlockBuffer& bytes = stream_->bytes();
    do
        bytes.consume(bytes.data_end());
    while (bytes.refill());
    return stream_->error() != 0;
}

std::string OpenLog::reason() const
{
    if (!refusal_.empty())
        return refusal_;
    if (decompression_ != nullptr && !decompression_->fault().empty())
        return decompression_->fault();
    return std::strerror(stream_->error());
}

bool OpenLog::close(const char* program, std::string_view name, std::FILE* err)
{
    stream_->close();
    if (stream_->error() == 0)
        return false;
    path_failed(err, program, name, reason().c_str());
    return true;
}
