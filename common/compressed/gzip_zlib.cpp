// gzip by zlib, where the build has no isa-l (CMakeLists.txt).

#include "common/compressed/formats.hpp"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

uInt clamped(std::size_t size)
{
    return static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
}

class GzipDecoder final : public Decoder {
public:
    // 15 + 16: the largest window, in a gzip wrapper.
    GzipDecoder() { ready_ = inflateInit2(&stream_, 15 + 16) == Z_OK; }
    ~GzipDecoder() override { inflateEnd(&stream_); }
    GzipDecoder(const GzipDecoder&) = delete;
    GzipDecoder& operator=(const GzipDecoder&) = delete;

    Step decode(Spans& spans, bool /*input_ends*/) override
    {
        if (!ready_)
            return {Step::Damaged, "out of memory"};
        stream_.next_in = const_cast<Bytef*>(spans.in);
        stream_.avail_in = clamped(spans.in_size);
        stream_.next_out = spans.out;
        stream_.avail_out = clamped(spans.out_size);
        const uInt in_before = stream_.avail_in;
        const uInt out_before = stream_.avail_out;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        spans.in += in_before - stream_.avail_in;
        spans.in_size -= in_before - stream_.avail_in;
        spans.out += out_before - stream_.avail_out;
        spans.out_size -= out_before - stream_.avail_out;
        if (result == Z_STREAM_END)
            return {Step::StreamEnd, {}};
        if (result == Z_OK || result == Z_BUF_ERROR)  // a buffer error is no progress, not damage
            return {};
        return {Step::Damaged, stream_.msg != nullptr ? stream_.msg : zError(result)};
    }

    void restart() override { inflateReset(&stream_); }

private:
    z_stream stream_{};
    bool ready_ = false;
};

std::unique_ptr<Decoder> make()
{
    return std::make_unique<GzipDecoder>();
}

}  // namespace

extern const Decoding kGzipDecoding{"zlib", make};
