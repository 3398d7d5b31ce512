#include "common/log_list.hpp"

#include "common/diagnostics.hpp"
#include "common/names.hpp"
#include "logformat/read_sample.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

bool is_standard_input(const std::string& path)
{
    return path == "-";
}

namespace {

// True when the text begins with a record of the pattern that is a sample.
bool is_record(std::string text, logformat::LogPattern pattern)
{
    std::FILE* file = fmemopen(text.data(), text.size(), "r");
    if (file == nullptr)
        return false;
    logformat::LogStream stream(file, logformat::BlockBuffer::kBlockSize);
    logformat::AppData record;
    return logformat::is_sample(logformat::read_sample(stream, pattern, record));
}

}  // namespace

std::string ListOption::take(const char* list_path, ListForm list_form)
{
    if (path != nullptr)
        return "only one list of logs can be given";
    path = list_path;
    form = list_form;
    return "";
}

LogList::LogList(const char* program, char* const* first, char* const* last, const ListOption& list,
                 logformat::LogPattern pattern, const char* label)
    : program_(program), pattern_(pattern), operand_(first), last_(last), list_path_(list.path), label_(label),
      delimiter_(list.form == ListForm::Lines ? '\n' : '\0')
{
    const char* const list_path = list.path;
    if (first == last && list_path == nullptr) {
        problem_ = "no log named";
        return;
    }
    const auto dashes = std::count_if(first, last, [](const char* arg) { return std::string_view(arg) == "-"; });
    const bool list_is_input = list_path != nullptr && std::string_view(list_path) == "-";
    if (dashes + (list_is_input ? 1 : 0) > 1) {
        problem_ = "standard input ('-') can be read only once";
        return;
    }
    if (list_path == nullptr)
        return;
    if (list_is_input) {
        list_ = stdin;
        standard_input_taken_ = true;
    } else if ((list_ = std::fopen(list_path, "r")) == nullptr) {
        problem_ = "cannot open '" + printable_name(list_path) + "' for reading: " + std::strerror(errno);
    }
}

LogList::~LogList()
{
    if (list_ != nullptr && list_ != stdin)
        std::fclose(list_);
    std::free(line_);
}

bool LogList::next(LogName& name)
{
    name.refused = nullptr;
    name.warning.clear();
    if (operand_ != last_) {
        name.path = *operand_++;
    } else {
        if (list_ == nullptr)
            return false;
        // An empty entry (a blank line, a NUL after a NUL) names nothing: passed over.
        do {
            errno = 0;
            const ssize_t length = getdelim(&line_, &capacity_, delimiter_, list_);
            if (length < 0) {
                error_ = std::ferror(list_) != 0 ? (errno != 0 ? errno : EIO) : 0;
                return false;
            }
            const auto size = static_cast<std::size_t>(length);
            name.path.assign(line_, size > 0 && line_[size - 1] == delimiter_ ? size - 1 : size);
        } while (name.path.empty());
        if (!list_started_ && is_record(name.path, pattern_))
            name.warning = std::string(program_) + ": " + printable_name(list_path_) + ": warning: its first " +
                           (delimiter_ == '\n' ? "line" : "entry") +
                           " is a record: this looks like a log, not a list of logs\n";
        list_started_ = true;
    }
    ++named_;
    name.label = is_standard_input(name.path) && label_ != nullptr ? label_ : name.path;
    if (is_standard_input(name.path)) {
        if (standard_input_taken_)
            name.refused = list_ == stdin ? "standard input holds the list of logs" : "standard input was read already";
        standard_input_taken_ = true;
    }
    return true;
}

std::string LogList::none_named() const
{
    if (named_ > 0 || error_ != 0 || list_path_ == nullptr)
        return "";
    return is_standard_input(list_path_) ? "no log named in the list on standard input"
                                         : "no log named in the list '" + printable_name(list_path_) + "'";
}

bool LogList::tell_error(const char* program) const
{
    if (error_ == 0)
        return false;
    path_failed(program, list_path_, std::strerror(error_));
    return true;
}

const char* instruction_set_of_logs()
{
    const logformat::LogStream probe("/dev/null");
    return logformat::name_of(probe.instruction_set());
}
