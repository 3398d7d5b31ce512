#pragma once

// What the built programs print, read back for the differential tests:
// runtally's application lines and their counts, and its summary;
// runtally-check's counts and verdicts (outcomes and places) from its
// summary lines, runtally-table's TSV rows, and a row printed again in
// runtally's and runtally2's formats, a summary row in runtally's.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// The sample counts of runtally-check's summary lines, "PATH: 1234 samples, ...".
inline std::vector<long long> check_counts(const std::string& output)
{
    std::vector<long long> counts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::size_t digits = colon + 2;
        std::size_t at = digits;
        while (at < line.size() && std::isdigit(line[at]))
            ++at;
        if (at > digits && line.compare(at, 7, " sample") == 0)
            counts.push_back(std::stoll(line.substr(digits, at - digits)));
    }
    return counts;
}

// The sample counts of runtally's application lines, "M:x/N".
inline std::vector<long long> runtally_counts(const std::string& output)
{
    std::vector<long long> counts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t m = line.find(", M:"); m != std::string::npos)
            counts.push_back(std::stoll(line.substr(line.find('/', m) + 1)));
    return counts;
}

// The lines of runtally's report for the logs, "B:..., M:x/N (...%)".
inline std::vector<std::string> application_lines(const std::string& report)
{
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        if (line.find(", M:") != std::string::npos)
            lines.push_back(line);
    return lines;
}

// The close of runtally's report: its summary, from the empty line on.
inline std::string summary_of(const std::string& report)
{
    const std::size_t blank = report.rfind("\n\n");
    return blank == std::string::npos ? "" : report.substr(blank + 1);
}

// runtally-check's verdicts from its summary lines, "PATH: N samples,
// OUTCOME" and " at line L, column C" after it where it tells a place: the
// outcome's word, then "L:C" for a cut or stopped log.
inline std::vector<std::string> check_verdicts(const std::string& output)
{
    static constexpr std::string_view kWords[] = {"whole", "empty", "cut", "stopped", "unreadable"};
    std::vector<std::string> verdicts;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        const std::size_t comma = line.find(" samples, ") != std::string::npos  ? line.find(" samples, ") + 10
                                  : line.find(" sample, ") != std::string::npos ? line.find(" sample, ") + 9
                                                                                : std::string::npos;
        if (comma == std::string::npos)
            continue;
        const std::string outcome = line.substr(comma);
        for (const std::string_view word : kWords) {
            if (!outcome.starts_with(word) || (outcome.size() > word.size() && outcome[word.size()] != ' '))
                continue;
            std::string verdict(word);
            if (const std::size_t at = outcome.find(" at line "); at != std::string::npos && word != "unreadable") {
                std::string place = outcome.substr(at + 9);
                if (const std::size_t column = place.find(", column "); column != std::string::npos)
                    place = place.substr(0, column) + ":" + place.substr(column + 9);
                verdict += " " + place;
            }
            verdicts.push_back(verdict);
        }
    }
    return verdicts;
}

// The rows of runtally-table's TSV output, each field by its column's name.
using TableRow = std::map<std::string, std::string>;

inline std::vector<TableRow> table_rows(const std::string& output)
{
    std::vector<TableRow> rows;
    std::istringstream in(output);
    std::vector<std::string> columns;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string field; std::getline(cells, field, '\t');)
            fields.push_back(field);
        if (line.ends_with('\t'))
            fields.emplace_back();
        if (columns.empty()) {
            columns = fields;
            continue;
        }
        TableRow& row = rows.emplace_back();
        for (std::size_t i = 0; i < columns.size() && i < fields.size(); ++i)
            row[columns[i]] = fields[i];
    }
    return rows;
}

inline double figure(const TableRow& row, const std::string& column)
{
    return std::strtod(row.at(column).c_str(), nullptr);
}

inline long long count(const TableRow& row, const std::string& column)
{
    return std::stoll(row.at(column));
}

// A whole-log row printed with runtally's format, or runtally2's.
inline std::string runtally_line(const TableRow& row)
{
    char line[512];
    std::snprintf(line, sizeof line, "B:%2.2f, I:%2.5f, U:%2.5f, M:%lld/%lld (%2.4f%%)", figure(row, "benefit"),
                  figure(row, "instability"), figure(row, "utilization"), count(row, "missed"), count(row, "samples"),
                  figure(row, "missed_percent"));
    return line;
}

inline std::string runtally2_line(const TableRow& row)
{
    char line[512];
    std::snprintf(line, sizeof line, "B:%2.2f, I:%2.5f\n", figure(row, "benefit"), figure(row, "instability"));
    return line;
}

// runtally-table's summary row printed with runtally's formats: the close of
// its report.
inline std::string runtally_summary(const TableRow& row)
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "\nTotal Benefit:     %2.4f\nTotal Instability: %2.4f\nTotal Utilization: %2.4f\n"
                  "Missed Deadlines:  %lld/%lld\nAvg. Benefit:      %2.4f\nAvg. Instability:  %2.4f\n"
                  "Avg. Missed Dls:   %lld\nMissed DL Freq:    %2.4f%%\n",
                  figure(row, "total_benefit"), figure(row, "total_instability"), figure(row, "total_utilization"),
                  count(row, "missed"), count(row, "samples"), figure(row, "average_benefit"),
                  figure(row, "average_instability"), count(row, "average_missed"),
                  figure(row, "missed_frequency_percent"));
    return text;
}

// A row's verdict as check_verdicts writes it; "complete" must say whether
// the log is whole.
inline std::string verdict_of(const TableRow& row)
{
    const std::string& outcome = row.at("outcome");
    if (row.at("complete") != (outcome == "whole" ? "true" : "false"))
        return "complete is " + row.at("complete") + " for " + outcome;
    return row.at("stop").empty() ? outcome : outcome + " " + row.at("stop");
}
