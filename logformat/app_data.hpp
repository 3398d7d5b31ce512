#pragma once

#include <cstdint>

namespace logformat {

// One sample of an application's log: the five tagged values of a line.
// A read stores only the fields it converts; the others keep what they held,
// so the record starts at zero (a P that no line has supplied yet weighs no
// time) and is shared by every read of a run.
struct AppData {
    std::int32_t L = 0;
    float CPU = 0;
    float B = 0;
    float MCPU = 0;
    std::int32_t P = 0;
};

// The two line forms:
//   Full   "L:%d, CPU:%f, B:%f, MCPU:%f, P:%d\n"   (runtally)
//   Short  "L:%d, CPU:%f, B:%f, MCPU:%f\n"          (runtally2)
enum class LogPattern { Full, Short };

}  // namespace logformat
