// zstd by libzstd. A stream decompresses frame after frame, skippable
// frames among them, on its own: restart has nothing to do.

#include "common/compressed/formats.hpp"

#include <zstd.h>

#include <memory>

namespace {

class ZstdDecoder final : public Decoder {
public:
    ZstdDecoder() = default;
    ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }
    ZstdDecoder(const ZstdDecoder&) = delete;
    ZstdDecoder& operator=(const ZstdDecoder&) = delete;

    Step decode(Spans& spans, bool /*input_ends*/) override
    {
        if (stream_ == nullptr)
            return {Step::Damaged, "out of memory"};
        ZSTD_inBuffer in{spans.in, spans.in_size, 0};
        ZSTD_outBuffer out{spans.out, spans.out_size, 0};
        const std::size_t result = ZSTD_decompressStream(stream_, &out, &in);
        spans.in += in.pos;
        spans.in_size -= in.pos;
        spans.out += out.pos;
        spans.out_size -= out.pos;
        if (ZSTD_isError(result) != 0)
            return {Step::Damaged, ZSTD_getErrorName(result)};
        // 0: a frame ended, and all it holds is out.
        return {result == 0 ? Step::StreamEnd : Step::Going, {}};
    }

    void restart() override {}

private:
    ZSTD_DStream* stream_ = ZSTD_createDStream();
};

std::unique_ptr<Decoder> make()
{
    return std::make_unique<ZstdDecoder>();
}

}  // namespace

extern const Decoding kZstdDecoding{"libzstd", make};
