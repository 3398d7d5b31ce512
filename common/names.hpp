#pragma once

// How a name (a path as given) is written where it must stay on one line of
// valid UTF-8: in a diagnostic and in the `log` column of runtally-table's
// TSV; and what its CSV and JSON need to know of it (table_writer.hpp).

#include <string>
#include <string_view>

// The name's bytes as text that stays on one line, is valid UTF-8 and turns
// back into the same bytes: printable valid UTF-8 as it is; the backslash
// as \\; the control characters (bytes below 0x20, 0x7f, and the two bytes
// of U+0080 to U+009F) as \n, \t, \r or \xHH, byte by byte; every byte that
// is not part of valid UTF-8 as \xHH (lower-case hexadecimal digits).
std::string escaped_name(std::string_view name);

// The name as every diagnostic writes it, on standard error or standard
// output: escaped as above, so that no two names print alike (the text
// "\xe9" prints as "\\xe9", the byte 0xe9 as "\xe9"); a name of printable
// UTF-8 without a backslash prints as it is.
std::string printable_name(std::string_view name);

// One byte that no text may hold raw, escaped as names and runtally-check's
// quotes write it: \n, \t, \r, or \xHH (lower-case hexadecimal digits).
void append_escaped_byte(std::string& text, unsigned char byte);

// True when the name is valid UTF-8 (no overlong form, no surrogate,
// nothing beyond U+10FFFF).
bool is_utf8(std::string_view name);

// True when the name is valid UTF-8 without a control character (C0, DEL,
// C1): text that stays on one line as it is.
bool is_plain_text(std::string_view name);
