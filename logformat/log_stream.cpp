#include "logformat/log_stream.hpp"

#include "logformat/routes/implementations.hpp"

namespace logformat {

LogStream::LogStream(const char* path, InstructionSet set)
    : bytes_(path), set_(is_offered(set) ? set : widest_offered()), read_(read_of(set_))
{
}

LogStream::LogStream(std::FILE* file, std::size_t block_size, InstructionSet set)
    : bytes_(file, block_size), set_(is_offered(set) ? set : widest_offered()), read_(read_of(set_))
{
}

}  // namespace logformat
