#include "runtally-table/table_reader.hpp"

#include "common/names.hpp"
#include "runtally-table/log_rows.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>

using namespace logformat;

namespace {

constexpr std::size_t kLogBytesField = kRowColumns;  // the field after the columns

// What a column holds, as the writer writes it.
enum class Kind { Name, Count, Truth, Text, Figure };

Kind kind_of(std::string_view column)
{
    if (column == "log")
        return Kind::Name;
    if (column == "samples" || column == "missed" || column == "uncounted")
        return Kind::Count;
    if (column == "complete")
        return Kind::Truth;
    if (column == "stop" || column == "error" || column == "outcome")
        return Kind::Text;
    return Kind::Figure;
}

std::span<const std::string_view> columns_of_form(LogPattern pattern)
{
    TableOptions options;
    options.pattern = pattern;
    return columns_of(options);
}

// The header line of a form, as the writer writes it.
std::string header_of(LogPattern pattern, Format format)
{
    std::string line;
    for (const std::string_view column : columns_of_form(pattern)) {
        if (!line.empty())
            line += format == Format::Tsv ? '\t' : ',';
        line += column;
    }
    if (format == Format::Csv)
        line += std::string(",") + std::string(kLogBytes);
    return line;
}

// Why a line that is no header of ours cannot begin a table.
std::string not_ours(std::string_view line)
{
    if (line.starts_with("log\tfrom\tto\t") || line.starts_with("log,from,to,"))
        return "a table of windows (--window, --window-samples): --merge reads tables of one row a log";
    if (line.starts_with("logs\tsamples\tmissed\t") || line.starts_with("logs,samples,missed,"))
        return "a summary (--summary): --merge reads tables of one row a log";
    return "not a table that runtally-table wrote: no header of its own before this line";
}

bool parse_count(std::string_view text, long long& count)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 0;
}

bool parse_figure(std::string_view text, double& figure)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), figure);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes of a name that escaped_name wrote (common/names.hpp).
bool unescape(std::string_view text, std::string& bytes)
{
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        const char c = text[i];
        if (c == '\\' || c == 't' || c == 'n' || c == 'r') {
            bytes += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : '\\';
        } else if (c == 'x' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 && hex_digit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

// Base64 (RFC 4648, with padding), as the writer writes log_bytes.
bool from_base64(std::string_view text, std::string& bytes)
{
    constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        unsigned group = 0;
        std::size_t padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t digit = kDigits.find(text[i + k]);
            const bool pad = text[i + k] == '=' && i + 4 == text.size() && k >= 2;
            if ((digit == std::string_view::npos && !pad) || (padding > 0 && !pad))
                return false;
            padding += pad ? 1 : 0;
            group = group << 6 | (pad ? 0U : static_cast<unsigned>(digit));
        }
        for (std::size_t k = 0; k < 3 - padding; ++k)
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
    }
    return true;
}

// One CSV field at `at` (RFC 4180; the writer puts a field in quotes where
// it holds a comma, a quote or a line end), up to the comma after it or
// the end of the line; false for a quote that does not close.
bool csv_field(std::string_view line, std::size_t& at, std::string& field)
{
    field.clear();
    if (at < line.size() && line[at] == '"') {
        for (++at;; ++at) {
            if (at >= line.size())
                return false;
            if (line[at] == '"' && at + 1 < line.size() && line[at + 1] == '"') {
                field += '"';
                ++at;
            } else if (line[at] == '"') {
                ++at;
                return at == line.size() || line[at] == ',';
            } else {
                field += line[at];
            }
        }
    }
    const std::size_t comma = std::min(line.find(',', at), line.size());
    field.assign(line.substr(at, comma - at));
    at = comma;
    return field.find('"') == std::string::npos;
}

// A JSON string at `at`, its escapes undone (UTF-8 for \u, surrogate
// pairs joined); false where it is none.
bool json_string(std::string_view line, std::size_t& at, std::string& text)
{
    text.clear();
    if (at >= line.size() || line[at] != '"')
        return false;
    const auto code_at = [&](std::size_t i, unsigned& code) {
        if (i + 4 > line.size())
            return false;
        const std::string_view digits = line.substr(i, 4);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + 4, code, 16);
        return error == std::errc() && end == digits.data() + 4;
    };
    for (++at; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++at == line.size())
            return false;
        const char e = line[at];
        constexpr std::string_view kEscapes = "\"\\/bfnrt";
        constexpr std::string_view kBytes = "\"\\/\b\f\n\r\t";
        if (const std::size_t k = kEscapes.find(e); k != std::string_view::npos) {
            text += kBytes[k];
            continue;
        }
        unsigned code = 0;
        if (e != 'u' || !code_at(at + 1, code))
            return false;
        at += 4;
        if (code >= 0xD800 && code < 0xDC00) {
            unsigned low = 0;
            if (at + 2 >= line.size() || line[at + 1] != '\\' || line[at + 2] != 'u' || !code_at(at + 3, low) ||
                low < 0xDC00 || low >= 0xE000)
                return false;
            at += 6;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            return false;
        }
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (code >> 18));
            text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return false;
}

}  // namespace

TableReader::TableReader(std::FILE* file) : file_(file)
{
}

TableReader::~TableReader()
{
    std::free(buffer_);
}

bool TableReader::refuse(std::string reason)
{
    problem_ = std::move(reason);
    return false;
}

bool TableReader::next(ReadRow& row)
{
    for (;;) {
        errno = 0;
        const ssize_t length = getline(&buffer_, &capacity_, file_);
        if (length < 0) {
            if (std::ferror(file_) != 0) {
                line_number_ = 0;  // a fault of the file, not of a line
                return refuse(std::strerror(errno != 0 ? errno : EIO));
            }
            return false;
        }
        ++line_number_;
        std::string_view line(buffer_, static_cast<std::size_t>(length));
        if (!line.ends_with('\n'))
            return refuse("the line has no line end: the table is cut short");
        line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            return refuse("a NUL byte: this is no table");
        if (!line.empty() && line.front() == '{') {
            if (!json_fields(line))
                return false;
        } else if (header(line)) {
            continue;
        } else if (form_ == Form::None) {
            return refuse(not_ours(line));
        } else if (!fields_of(line)) {
            return false;
        }
        return row_of(row);
    }
}

// True when the line is the header of a form; any later row is read in it.
bool TableReader::header(std::string_view line)
{
    for (const LogPattern pattern : {LogPattern::Full, LogPattern::Short}) {
        for (const Format format : {Format::Tsv, Format::Csv}) {
            if (line == header_of(pattern, format)) {
                form_ = format == Format::Tsv ? Form::Tsv : Form::Csv;
                pattern_ = pattern;
                return true;
            }
        }
    }
    return false;
}

bool TableReader::fields_of(std::string_view line)
{
    const std::size_t columns = columns_of_form(pattern_).size();
    const std::size_t wanted = form_ == Form::Csv ? columns + 1 : columns;
    std::size_t n = 0;
    std::size_t at = 0;
    for (;; ++n) {
        if (n == wanted)
            return refuse("more fields than the header's " + std::to_string(wanted) + " columns");
        Field& f = fields_[n == columns ? kLogBytesField : n];
        f.quoted = false;
        if (form_ == Form::Tsv) {
            const std::size_t tab = std::min(line.find('\t', at), line.size());
            f.text.assign(line.substr(at, tab - at));
            at = tab;
        } else if (!csv_field(line, at, f.text)) {
            return refuse("field " + std::to_string(n + 1) + " is not CSV: a double quote out of place");
        }
        f.none = f.text.empty();
        if (at == line.size())
            break;
        ++at;  // the separator
    }
    if (n + 1 != wanted)
        return refuse(std::to_string(n + 1) + " fields where the header has " + std::to_string(wanted) + " columns");
    if (form_ == Form::Tsv)
        fields_[kLogBytesField] = {"", true, false};
    return true;
}

bool TableReader::json_fields(std::string_view line)
{
    std::array<Field, kRowColumns + 1> read;
    std::array<std::string, kRowColumns + 1> keys;
    std::size_t n = 0;
    std::size_t at = 1;
    for (bool first = true;; first = false) {
        if (at < line.size() && line[at] == '}' && first)
            break;
        if (n == read.size())
            return refuse("more members than a row of runtally-table has");
        Field& f = read[n];
        if (!json_string(line, at, keys[n]) || at >= line.size() || line[at++] != ':')
            return refuse("not a JSON object of runtally-table's: a member's name is not as JSON writes it");
        f.quoted = at < line.size() && line[at] == '"';
        f.none = false;
        if (f.quoted) {
            if (!json_string(line, at, f.text))
                return refuse("the value of \"" + keys[n] + "\" is not a JSON string");
        } else {
            const std::size_t end = std::min(line.find_first_of(",}", at), line.size());
            f.text.assign(line.substr(at, end - at));
            at = end;
            f.none = f.text == "null";
        }
        ++n;
        if (at < line.size() && line[at] == ',') {
            ++at;
            continue;
        }
        if (at < line.size() && line[at] == '}')
            break;
        return refuse("not a JSON object of runtally-table's: a member does not end with , or }");
    }
    if (at + 1 != line.size())
        return refuse("text after the JSON object");
    const auto has = [&](std::string_view key) {
        for (std::size_t i = 0; i < n; ++i)
            if (keys[i] == key)
                return true;
        return false;
    };
    if (has("from"))
        return refuse("a table of windows (--window, --window-samples): --merge reads tables of one row a log");
    if (has("logs"))
        return refuse("a summary (--summary): --merge reads tables of one row a log");
    pattern_ = has("seconds") ? LogPattern::Full : LogPattern::Short;
    json_ = true;
    const std::span<const std::string_view> columns = columns_of_form(pattern_);
    if (n != columns.size() + 1)
        return refuse(std::to_string(n) + " members where a row of runtally-table has " +
                      std::to_string(columns.size() + 1));
    for (std::size_t c = 0; c <= columns.size(); ++c) {
        const std::string_view column = c < columns.size() ? columns[c] : kLogBytes;
        std::size_t i = 0;
        while (i < n && keys[i] != column)
            ++i;
        if (i == n)
            return refuse("no member \"" + std::string(column) + "\": not a row of runtally-table's");
        fields_[c < columns.size() ? c : kLogBytesField] = std::move(read[i]);
    }
    return true;
}

bool TableReader::row_of(ReadRow& row)
{
    const std::span<const std::string_view> columns = columns_of_form(pattern_);
    row.pattern = pattern_;
    row.size = columns.size();
    row.summary = {};
    const bool json = fields_[0].quoted;
    const Field& bytes = fields_[kLogBytesField];
    if (!bytes.none) {
        if ((json && !bytes.quoted) || !from_base64(bytes.text, row.name))
            return refuse("log_bytes is not base64");
    } else if (form_ == Form::Tsv && !json) {
        if (!unescape(fields_[0].text, row.name))
            return refuse("the log's name holds a backslash that no escape of runtally-table's begins");
    } else {
        row.name = fields_[0].text;
    }
    row.cells[0] = Name{row.name};
    bool complete = false;
    for (std::size_t c = 1; c < columns.size(); ++c) {
        const Field& f = fields_[c];
        const std::string_view column = columns[c];
        const Kind kind = kind_of(column);
        const std::string where = "the " + std::string(column) + " column";
        // Empty only where a row of a log can leave it so.
        if (f.none) {
            if (column != "stop" && column != "error" && column != "uncounted")
                return refuse(where + " is empty, as only a window's row leaves it");
            row.cells[c] = Cell{};
            continue;
        }
        if (kind == Kind::Count) {
            long long count = 0;
            if (f.quoted || !parse_count(f.text, count))
                return refuse(where + " holds no count: '" + printable_name(f.text) + "'");
            row.cells[c] = count;
            row.summary.figures.samples = column == "samples" ? count : row.summary.figures.samples;
            row.summary.figures.missed = column == "missed" ? count : row.summary.figures.missed;
            row.summary.uncounted = column == "uncounted" ? count : row.summary.uncounted;
        } else if (kind == Kind::Truth) {
            if (f.quoted || (f.text != "true" && f.text != "false"))
                return refuse(where + " is neither true nor false");
            complete = f.text == "true";
            row.cells[c] = complete;
        } else if (kind == Kind::Text) {
            if (json && !f.quoted)
                return refuse(where + " is not a JSON string");
            row.texts[c] = f.text;
            row.cells[c] = std::string_view(row.texts[c]);
        } else {
            // JSON writes a figure that is no finite number as a string.
            double figure = 0;
            if (!parse_figure(f.text, figure) || (json && f.quoted == std::isfinite(figure)))
                return refuse(where + " holds no figure: '" + printable_name(f.text) + "'");
            row.cells[c] = figure;
            LogSummary& s = row.summary;
            if (column == "seconds")
                s.seconds = figure;
            else if (column == "benefit")
                s.figures.benefit = figure;
            else if (column == "instability")
                s.figures.instability = figure;
            else if (column == "utilization")
                s.figures.utilization = figure;
        }
        if (column == "outcome") {
            std::size_t k = 0;
            while (k <= static_cast<std::size_t>(Outcome::Unreadable) && word_of(static_cast<Outcome>(k)) != f.text)
                ++k;
            if (k > static_cast<std::size_t>(Outcome::Unreadable))
                return refuse("the outcome '" + printable_name(f.text) + "' is none of runtally-table's");
            row.summary.outcome = static_cast<Outcome>(k);
        }
    }
    if (complete != (row.summary.outcome == Outcome::Whole))
        return refuse("complete and the outcome disagree: complete is true for a whole log alone");
    return true;
}
