// gzip by isa-l's igzip, which decompresses deflate several times faster
// than zlib (docs/performance.md has the measures); CMakeLists.txt takes it
// where it is found, zlib otherwise.

#include "common/compressed/formats.hpp"

#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace {

std::string message_of(int result)
{
    switch (result) {
    case ISAL_INVALID_BLOCK: return "invalid deflate block";
    case ISAL_INVALID_SYMBOL: return "invalid deflate symbol";
    case ISAL_INVALID_LOOKBACK: return "invalid lookback distance";
    case ISAL_INVALID_WRAPPER: return "invalid gzip header";
    case ISAL_UNSUPPORTED_METHOD: return "unsupported compression method";
    case ISAL_INCORRECT_CHECKSUM: return "incorrect checksum";
    default: return "error " + std::to_string(result);
    }
}

// isa-l counts its spans in 32 bits.
std::uint32_t clamped(std::size_t size)
{
    return static_cast<std::uint32_t>(std::min<std::size_t>(size, std::numeric_limits<std::uint32_t>::max()));
}

class GzipDecoder final : public Decoder {
public:
    GzipDecoder()
    {
        isal_inflate_init(state_.get());
        state_->crc_flag = ISAL_GZIP;
    }

    Step decode(Spans& spans, bool /*input_ends*/) override
    {
        inflate_state& s = *state_;
        s.next_in = const_cast<std::uint8_t*>(spans.in);
        s.avail_in = clamped(spans.in_size);
        s.next_out = spans.out;
        s.avail_out = clamped(spans.out_size);
        const std::uint32_t in_before = s.avail_in;
        const std::uint32_t out_before = s.avail_out;
        const int result = isal_inflate(&s);
        spans.in += in_before - s.avail_in;
        spans.in_size -= in_before - s.avail_in;
        spans.out += out_before - s.avail_out;
        spans.out_size -= out_before - s.avail_out;
        if (result < 0)
            return {Step::Damaged, message_of(result)};
        return {s.block_state == ISAL_BLOCK_FINISH ? Step::StreamEnd : Step::Going, {}};
    }

    void restart() override
    {
        isal_inflate_reset(state_.get());
        state_->crc_flag = ISAL_GZIP;
    }

private:
    std::unique_ptr<inflate_state> state_ = std::make_unique<inflate_state>();
};

std::unique_ptr<Decoder> make()
{
    return std::make_unique<GzipDecoder>();
}

}  // namespace

extern const Decoding kGzipDecoding{"isa-l", make};
