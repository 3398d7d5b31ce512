#pragma once

// The program's name, as its diagnostics begin.
inline constexpr const char* kProgram = "runtally-table";
