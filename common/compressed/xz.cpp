// xz by liblzma, which reads concatenated streams (and the padding between
// them) itself: the end comes once the input ends.

#include "common/compressed/formats.hpp"

#include <lzma.h>

#include <cstdint>
#include <memory>

namespace {

// liblzma has codes, no messages: these are xz's words for them.
std::string message_of(lzma_ret result)
{
    switch (result) {
    case LZMA_MEM_ERROR: return "memory allocation failed";
    case LZMA_MEMLIMIT_ERROR: return "memory usage limit reached";
    case LZMA_FORMAT_ERROR: return "file format not recognized";
    case LZMA_OPTIONS_ERROR: return "unsupported options";
    case LZMA_DATA_ERROR: return "compressed data is corrupt";
    case LZMA_BUF_ERROR: return "unexpected end of input";
    default: return "internal error (bug)";
    }
}

class XzDecoder final : public Decoder {
public:
    XzDecoder() { init_ = lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED); }
    ~XzDecoder() override { lzma_end(&stream_); }
    XzDecoder(const XzDecoder&) = delete;
    XzDecoder& operator=(const XzDecoder&) = delete;

    Step decode(Spans& spans, bool input_ends) override
    {
        if (init_ != LZMA_OK)
            return {Step::Damaged, message_of(init_)};
        stream_.next_in = spans.in;
        stream_.avail_in = spans.in_size;
        stream_.next_out = spans.out;
        stream_.avail_out = spans.out_size;
        const lzma_ret result = lzma_code(&stream_, input_ends ? LZMA_FINISH : LZMA_RUN);
        spans.in_size -= static_cast<std::size_t>(stream_.next_in - spans.in);
        spans.in = stream_.next_in;
        spans.out_size -= static_cast<std::size_t>(stream_.next_out - spans.out);
        spans.out = stream_.next_out;
        if (result == LZMA_STREAM_END)
            return {Step::StreamEnd, {}};
        // A buffer error before the end of the input is no progress, not damage.
        if (result == LZMA_OK || (result == LZMA_BUF_ERROR && !input_ends))
            return {};
        return {Step::Damaged, message_of(result)};
    }

    void restart() override {}

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
    lzma_ret init_;
};

std::unique_ptr<Decoder> make()
{
    return std::make_unique<XzDecoder>();
}

}  // namespace

extern const Decoding kXzDecoding{"liblzma", make};
