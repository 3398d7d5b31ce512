// The scalar read: the order of the routes (routes/read.hpp) with the
// scalar kernels, for every build and every processor.

#include "logformat/routes/read.hpp"
#include "logformat/routes/implementations.hpp"
#include "logformat/scalar/kernels.hpp"

namespace logformat {

int scalar::read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Scalar>(bytes, ahead, pattern, record, notes);
}

}  // namespace logformat
