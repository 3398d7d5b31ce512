#pragma once

// The compressed formats that runtally-check and runtally-table read, each
// told by the magic number its files begin with (never by their names),
// and decompressed by the library that Debian packages for it, where the
// build found that library (CMakeLists.txt: each is optional).

#include "common/compressed/decoder.hpp"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// How a build decompresses one format: the library, and a decoder of it.
struct Decoding {
    std::string_view library;  // "isa-l", "zlib", "libzstd", "liblzma", "libbz2"
    std::unique_ptr<Decoder> (*make)();
};

struct CompressionFormat {
    std::string_view name;     // "gzip"
    std::string_view command;  // one that writes a file of it out decompressed: "igzip -dc"
    std::string_view package;  // the Debian package a build needs to read it: "libisal-dev"
    // True when the first bytes of a file (kMagicBytes, fewer where it is
    // shorter) begin a file of this format.
    bool (*begins)(std::string_view first_bytes);
    const Decoding* decoding;  // null where the build does not read it
};

// The first bytes of a file that tell its format: bzip2's, the longest,
// are "BZh", the block size and the magic number of its first block.
inline constexpr std::size_t kMagicBytes = 10;

// The formats, in the order the programs name them.
std::span<const CompressionFormat> compression_formats();

// The format whose file begins with these bytes; null for any other file.
const CompressionFormat* format_of(std::string_view first_bytes);

// The formats the build reads and the library of each, then those it does
// not read, as --version tells them: "gzip (isa-l), zstd (libzstd), xz
// (liblzma), bzip2 (libbz2)"; "...; not zstd" where one is missing.
std::string formats_read();
