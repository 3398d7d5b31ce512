#include "runtally-table/table_writer.hpp"

#include "common/names.hpp"

#include <charconv>
#include <cmath>

namespace {

// Bytes in base64 (RFC 4648, with padding), as Python's base64.b64decode
// reads them.
std::string base64(std::string_view bytes)
{
    constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

}  // namespace

TableWriter::TableWriter(std::FILE* out, Format format, std::span<const std::string_view> columns)
    : out_(out), format_(format), columns_(columns), named_(!columns.empty() && columns.front() == "log")
{
}

void TableWriter::header()
{
    if (format_ == Format::Json)
        return;
    line_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0)
            line_ += format_ == Format::Tsv ? '\t' : ',';
        line_ += columns_[i];
    }
    if (format_ == Format::Csv && named_) {
        line_ += ',';
        line_ += kLogBytes;
    }
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

void TableWriter::row(std::span<const Cell> cells)
{
    line_.clear();
    log_bytes_.clear();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (format_ == Format::Json) {
            line_ += i == 0 ? "{\"" : ",\"";
            line_ += columns_[i];
            line_ += "\":";
        } else if (i > 0) {
            line_ += format_ == Format::Tsv ? '\t' : ',';
        }
        cell(cells[i]);
    }
    if (format_ == Format::Csv && named_) {
        line_ += ',';
        line_ += log_bytes_;
    } else if (format_ == Format::Json && named_) {
        line_ += ",\"";
        line_ += kLogBytes;
        line_ += "\":";
        line_ += log_bytes_.empty() ? "null" : '"' + log_bytes_ + '"';
    }
    line_ += format_ == Format::Json ? "}\n" : "\n";
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

void TableWriter::text(std::string_view value)
{
    if (format_ == Format::Tsv) {
        line_ += value;
    } else if (format_ == Format::Csv) {
        if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
            line_ += value;
            return;
        }
        line_ += '"';
        for (const char c : value)
            line_ += c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1);
        line_ += '"';
    } else {
        // JSON's escapes for the quote, the backslash and every control
        // character: C0, DEL, and C1 (U+0080 to U+009F, two bytes in UTF-8).
        line_ += '"';
        for (std::size_t i = 0; i < value.size(); ++i) {
            const auto c = static_cast<unsigned char>(value[i]);
            const bool c1 = c == 0xC2 && i + 1 < value.size() && static_cast<unsigned char>(value[i + 1]) < 0xA0;
            if (c < 0x20 || c == 0x7F || c1) {
                const unsigned code = c1 ? static_cast<unsigned char>(value[++i]) : c;
                const char* short_form = code == '\n' ? "\\n" : code == '\t' ? "\\t" : code == '\r' ? "\\r" : nullptr;
                char escape[8];
                if (short_form != nullptr)
                    line_ += short_form;
                else
                    line_.append(escape,
                                 static_cast<std::size_t>(std::snprintf(escape, sizeof escape, "\\u%04x", code)));
                continue;
            }
            if (c == '"' || c == '\\')
                line_ += '\\';
            line_ += value[i];
        }
        line_ += '"';
    }
}

void TableWriter::name(std::string_view bytes)
{
    const bool as_text = format_ == Format::Csv ? is_plain_text(bytes) : format_ == Format::Json && is_utf8(bytes);
    if (as_text) {
        text(bytes);
        return;
    }
    text(escaped_name(bytes));
    if (format_ != Format::Tsv)
        log_bytes_ = base64(bytes);
}

void TableWriter::cell(const Cell& value)
{
    char digits[32];
    if (std::holds_alternative<std::monostate>(value)) {
        line_ += format_ == Format::Json ? "null" : "";
    } else if (const auto* t = std::get_if<std::string_view>(&value)) {
        text(*t);
    } else if (const auto* n = std::get_if<Name>(&value)) {
        name(n->bytes);
    } else if (const auto* count = std::get_if<long long>(&value)) {
        line_.append(digits, std::to_chars(digits, digits + sizeof digits, *count).ptr);
    } else if (const auto* figure = std::get_if<double>(&value)) {
        const std::string_view number(digits, std::to_chars(digits, digits + sizeof digits, *figure).ptr);
        if (format_ == Format::Json && !std::isfinite(*figure))
            text(number);
        else
            line_ += number;
    } else {
        line_ += std::get<bool>(value) ? "true" : "false";
    }
}
