#pragma once

// One compressed format's decompression, as its library does it, over
// spans of bytes that the caller fills and drains (decompression.hpp runs
// it beside the reader). A file may hold several streams one after the
// other (gzip members, zstd frames, xz and bzip2 streams: what `cat a.gz
// b.gz`, rotating loggers and pzstd write): each decoder reads them all.

#include <cstddef>
#include <string>

// Bytes to decompress, and room for what they give; each call moves both.
struct Spans {
    const unsigned char* in = nullptr;
    std::size_t in_size = 0;
    unsigned char* out = nullptr;
    std::size_t out_size = 0;
};

struct Step {
    enum Kind {
        Going,      // more to come: input to give, or room to make
        StreamEnd,  // a stream ended with its check: another may follow
        Damaged,    // the library refused the data: `message` says why
    };
    Kind kind = Going;
    std::string message;
};

class Decoder {
public:
    virtual ~Decoder() = default;
    // Decompresses from `spans.in` into `spans.out`. `input_ends` is true
    // when no byte follows those given.
    virtual Step decode(Spans& spans, bool input_ends) = 0;
    // Starts another stream after one ended.
    virtual void restart() = 0;
};
