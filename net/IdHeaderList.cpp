#include "net/IdHeaderList.h"

#include "net/IdGlobal.h"

namespace {
bool isContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}
std::string trimBlanksRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}
} // namespace

std::string_view TIdHeaderList::NameOf(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? line : line.substr(0, colon);
}

std::size_t TIdHeaderList::indexOfName(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.find(':') != std::string::npos && idglobal::sameText(NameOf(line), name))
            return i;
    }
    return lines_.size();
}

std::string TIdHeaderList::valueAt(std::size_t index) const {
    const std::string& line = lines_[index];
    std::string value = line.substr(line.find(':') + 1);
    for (std::size_t j = index + 1; j < lines_.size() && isContinuation(lines_[j]); ++j) {
        value += ' ';
        value += idglobal::trim(lines_[j]);
    }
    return idglobal::trim(value);
}

std::string TIdHeaderList::Values(std::string_view name) const {
    const std::size_t i = indexOfName(name);
    return i < lines_.size() ? valueAt(i) : std::string();
}

std::vector<std::string> TIdHeaderList::AllValues(std::string_view name) const {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        if (line.find(':') != std::string::npos && idglobal::sameText(NameOf(line), name))
            values.push_back(valueAt(i));
    }
    return values;
}

void TIdHeaderList::SetValues(std::string_view name, const std::string& value) {
    std::string line = std::string(name) + ": " + value;
    const std::size_t i = indexOfName(name);
    if (i == lines_.size()) {
        lines_.push_back(std::move(line));
        return;
    }
    std::size_t end = i + 1;
    while (end < lines_.size() && isContinuation(lines_[end]))
        ++end;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i + 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    lines_[i] = std::move(line);
}

std::vector<std::string> TIdHeaderList::Fold(const std::string& line, std::size_t maxLength) {
    if (line.size() <= maxLength)
        return {line};
    std::vector<std::string> pieces;
    std::string rest = line;
    std::size_t indent = 0; // 1 on continuation lines
    while (rest.size() > maxLength) {
        // The last break within the limit, else the first one beyond it.
        std::size_t best = 0;
        bool quoted = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == ' ' || c == '\t' || c == ',') && i + 1 > indent &&
                       i + 1 < rest.size()) {
                if (i + 1 <= maxLength || best == 0)
                    best = i + 1;
                if (i + 1 > maxLength)
                    break;
            }
        }
        if (best == 0)
            break;
        std::string head = trimBlanksRight(rest.substr(0, best));
        std::size_t next = best;
        while (next < rest.size() && (rest[next] == ' ' || rest[next] == '\t'))
            ++next;
        if (next >= rest.size() || head.size() <= indent)
            break;
        pieces.push_back(std::move(head));
        rest.replace(0, next, 1, ' '); // the continuation's indent
        indent = 1;
    }
    pieces.push_back(trimBlanksRight(std::move(rest)));
    return pieces;
}
