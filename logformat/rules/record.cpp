#include "logformat/rules/record.hpp"

namespace logformat {

void note_break(ReadNotes* notes, std::size_t element, Part part, std::string_view consumed, const Cursor& c)
{
    if (notes == nullptr)
        return;
    notes->stop.element = element;
    notes->stop.part = part;
    notes->stop.consumed = consumed;
    notes->stop.at = c.in->position_of(c.offset() - consumed.size());
}

}  // namespace logformat
