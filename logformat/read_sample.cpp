#include "logformat/read_sample.hpp"

namespace logformat {

int read_sample(LogStream& stream, const LogPattern pattern, AppData& record, ReadNotes& notes)
{
    notes.clear();
    notes.read_ahead = false;
    return stream.read_(stream.bytes_, stream.ahead_, pattern, record, &notes);
}

}  // namespace logformat
