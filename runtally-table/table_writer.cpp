#include "runtally-table/table_writer.hpp"

#include <charconv>
#include <cmath>

TableWriter::TableWriter(std::FILE* out, Format format, std::span<const std::string_view> columns)
    : out_(out), format_(format), columns_(columns)
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
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

void TableWriter::row(std::span<const Cell> cells)
{
    line_.clear();
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
        line_ += '"';
        for (const char c : value) {
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                line_.append(escape, static_cast<std::size_t>(std::snprintf(escape, sizeof escape, "\\u%04x", c)));
                continue;
            }
            if (c == '"' || c == '\\')
                line_ += '\\';
            line_ += c;
        }
        line_ += '"';
    }
}

void TableWriter::cell(const Cell& value)
{
    char digits[32];
    if (std::holds_alternative<std::monostate>(value)) {
        line_ += format_ == Format::Json ? "null" : "";
    } else if (const auto* t = std::get_if<std::string_view>(&value)) {
        text(*t);
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
