// bzip2 by libbz2, a stream at a time: restart begins the next one.

#include "common/compressed/formats.hpp"

#include <bzlib.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

// libbz2 has codes, no messages: these are bzip2's words for them.
std::string message_of(int result)
{
    switch (result) {
    case BZ_MEM_ERROR: return "out of memory";
    case BZ_DATA_ERROR: return "data integrity (CRC) error in data";
    case BZ_DATA_ERROR_MAGIC: return "bad magic number (file not created by bzip2)";
    default: return "internal error " + std::to_string(result);
    }
}

unsigned clamped(std::size_t size)
{
    return static_cast<unsigned>(std::min<std::size_t>(size, std::numeric_limits<unsigned>::max()));
}

class Bzip2Decoder final : public Decoder {
public:
    Bzip2Decoder() { init_ = BZ2_bzDecompressInit(&stream_, 0, 0); }
    ~Bzip2Decoder() override { end(); }
    Bzip2Decoder(const Bzip2Decoder&) = delete;
    Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

    Step decode(Spans& spans, bool /*input_ends*/) override
    {
        if (init_ != BZ_OK)
            return {Step::Damaged, message_of(init_)};
        stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(spans.in));
        stream_.avail_in = clamped(spans.in_size);
        stream_.next_out = reinterpret_cast<char*>(spans.out);
        stream_.avail_out = clamped(spans.out_size);
        const unsigned in_before = stream_.avail_in;
        const unsigned out_before = stream_.avail_out;
        const int result = BZ2_bzDecompress(&stream_);
        spans.in += in_before - stream_.avail_in;
        spans.in_size -= in_before - stream_.avail_in;
        spans.out += out_before - stream_.avail_out;
        spans.out_size -= out_before - stream_.avail_out;
        if (result == BZ_STREAM_END)
            return {Step::StreamEnd, {}};
        if (result == BZ_OK)
            return {};
        return {Step::Damaged, message_of(result)};
    }

    void restart() override
    {
        end();
        stream_ = {};
        init_ = BZ2_bzDecompressInit(&stream_, 0, 0);
    }

private:
    void end()
    {
        if (init_ == BZ_OK)
            BZ2_bzDecompressEnd(&stream_);
    }

    bz_stream stream_{};
    int init_;
};

std::unique_ptr<Decoder> make()
{
    return std::make_unique<Bzip2Decoder>();
}

}  // namespace

extern const Decoding kBzip2Decoding{"libbz2", make};
