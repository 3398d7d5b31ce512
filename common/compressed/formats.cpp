// The table of compressed formats. Which libraries the build found
// (RUNTALLY_READS_GZIP, RUNTALLY_READS_ZSTD, RUNTALLY_READS_XZ and
// RUNTALLY_READS_BZIP2 to the compiler, from CMakeLists.txt) is read here
// and nowhere else: it decides which rows have a decoding, which each
// format's own file (gzip_isal.cpp or gzip_zlib.cpp, zstd.cpp, xz.cpp,
// bzip2.cpp) defines.

#include "common/compressed/formats.hpp"

#include <algorithm>

namespace {

bool is_gzip(std::string_view b)
{
    // ID1, ID2, then the only method there is, deflate (8), and flags whose
    // reserved bits are 0.
    return b.size() >= 4 && b.starts_with("\x1f\x8b\x08") && (static_cast<unsigned char>(b[3]) & 0xE0) == 0;
}

bool is_zstd(std::string_view b)
{
    // A frame, or a skippable frame (0x184D2A50 to 0x184D2A5F, little-endian).
    return b.starts_with("\x28\xb5\x2f\xfd") ||
           (b.size() >= 4 && (static_cast<unsigned char>(b[0]) & 0xF0) == 0x50 && b.substr(1, 3) == "\x2a\x4d\x18");
}

bool is_xz(std::string_view b)
{
    return b.starts_with(
        std::string_view("\xfd"
                         "7zXZ\0",
                         6));
}

bool is_bzip2(std::string_view b)
{
    // "BZh", a block size of 1 to 9 (hundreds of kB), and the magic number
    // of a block, or that of the end of an empty stream.
    if (b.size() < kMagicBytes || !b.starts_with("BZh") || b[3] < '1' || b[3] > '9')
        return false;
    const std::string_view block = b.substr(4, 6);
    return block == "\x31\x41\x59\x26\x53\x59" || block == "\x17\x72\x45\x38\x50\x90";
}

}  // namespace

#if defined(RUNTALLY_READS_GZIP)
extern const Decoding kGzipDecoding;
#endif
#if defined(RUNTALLY_READS_ZSTD)
extern const Decoding kZstdDecoding;
#endif
#if defined(RUNTALLY_READS_XZ)
extern const Decoding kXzDecoding;
#endif
#if defined(RUNTALLY_READS_BZIP2)
extern const Decoding kBzip2Decoding;
#endif

namespace {

constexpr CompressionFormat kFormats[] = {
    {"gzip", "igzip -dc", "libisal-dev or zlib1g-dev", is_gzip,
#if defined(RUNTALLY_READS_GZIP)
     &kGzipDecoding
#else
     nullptr
#endif
    },
    {"zstd", "zstdcat", "libzstd-dev", is_zstd,
#if defined(RUNTALLY_READS_ZSTD)
     &kZstdDecoding
#else
     nullptr
#endif
    },
    {"xz", "xzcat", "liblzma-dev", is_xz,
#if defined(RUNTALLY_READS_XZ)
     &kXzDecoding
#else
     nullptr
#endif
    },
    {"bzip2", "bzcat", "libbz2-dev", is_bzip2,
#if defined(RUNTALLY_READS_BZIP2)
     &kBzip2Decoding
#else
     nullptr
#endif
    },
};

}  // namespace

std::span<const CompressionFormat> compression_formats()
{
    return kFormats;
}

const CompressionFormat* format_of(std::string_view first_bytes)
{
    const auto* found = std::find_if(std::begin(kFormats), std::end(kFormats),
                                     [&](const CompressionFormat& f) { return f.begins(first_bytes); });
    return found == std::end(kFormats) ? nullptr : found;
}

std::string formats_read()
{
    std::string read;
    std::string not_read;
    for (const CompressionFormat& f : kFormats) {
        std::string& list = f.decoding != nullptr ? read : not_read;
        list += list.empty() ? "" : ", ";
        list += f.name;
        if (f.decoding != nullptr)
            list += " (" + std::string(f.decoding->library) + ")";
    }
    if (read.empty())
        return "none";
    return not_read.empty() ? read : read + "; not " + not_read;
}
