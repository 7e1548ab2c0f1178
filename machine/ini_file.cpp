#include "ini_file.h"

#include "disk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace machine {
namespace {

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct Line {
    std::string_view body;   // the line without its ending
    std::string_view ending; // "\r\n", "\n", or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // entry value, trimmed
};

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

void Classify(Line* line) {
    // Windows reads a profile as C strings: a NUL ends what the line says.
    std::string_view text = Trim(line->body.substr(0, line->body.find('\0')));
    if (text.empty()) {
        line->kind = LineKind::Blank;
    } else if (text[0] == ';') {
        line->kind = LineKind::Comment;
    } else if (text[0] == '[') {
        // A header without its "]" still opens a section named by the rest.
        std::string_view inner = text.substr(1);
        line->kind = LineKind::Section;
        line->name = Trim(inner.substr(0, inner.find(']')));
    } else if (size_t equals = text.find('='); equals != std::string_view::npos) {
        line->name = Trim(text.substr(0, equals));
        line->value = Trim(text.substr(equals + 1));
        line->kind = line->name.empty() ? LineKind::Other : LineKind::Entry;
    } else {
        line->kind = LineKind::Other;
    }
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t newline = content.find('\n', start);
        Line line;
        if (newline == std::string_view::npos) {
            line.body = content.substr(start);
            start = content.size();
        } else {
            size_t bodyEnd = newline;
            if (bodyEnd > start && content[bodyEnd - 1] == '\r') --bodyEnd;
            line.body = content.substr(start, bodyEnd - start);
            line.ending = content.substr(bodyEnd, newline + 1 - bodyEnd);
            start = newline + 1;
        }
        Classify(&line);
        lines.push_back(line);
    }
    return lines;
}

enum class ReadResult { Ok, Missing, Failed };

// Reads a regular file, at most kMaxIniFileBytes of it. `complete` says
// whether the whole file fitted. Anything but a regular file (a folder, a
// FIFO that would block) counts as missing.
ReadResult ReadFile(const fs::path& file, std::string* content, bool* complete) {
    content->clear();
    *complete = true;
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::Missing;
    }
    char buffer[65536];
    while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        size_t room = kMaxIniFileBytes - content->size();
        if (static_cast<size_t>(n) > room) {
            content->append(buffer, room);
            *complete = false;
            break;
        }
        content->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadResult::Ok;
}

std::optional<std::string> ReadForQuery(const fs::path& file) {
    std::string content;
    bool complete;
    if (ReadFile(file, &content, &complete) != ReadResult::Ok) return std::nullopt;
    return content;
}

// Index of the first section line named `section`, or lines.size().
size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && SameName(lines[i].name, section)) return i;
    return lines.size();
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

void AddUnique(std::vector<std::string>* names, std::string_view name) {
    if (name.empty()) return;
    for (const std::string& existing : *names)
        if (SameName(existing, name)) return;
    names->emplace_back(name);
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool Refuse(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Replaces `file` by `content`: temporary file in the same folder, flushed,
// renamed over the old one.
bool ReplaceFile(const fs::path& file, std::string_view content, mode_t mode, std::string* error) {
    std::string pattern =
        (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return Refuse(error,
                      file.string() + ": cannot create a temporary file: " + std::strerror(errno));
    bool ok = WriteAll(fd, content) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && rename(pattern.c_str(), file.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlink(pattern.c_str());
        return Refuse(error, file.string() + ": cannot write: " + std::strerror(savedErrno));
    }
    return true;
}

} // namespace

std::optional<std::string> IniGet(const fs::path& file, std::string_view section,
                                  std::string_view key) {
    std::optional<std::string> content = ReadForQuery(file);
    if (!content) return std::nullopt;
    std::vector<Line> lines = SplitLines(*content);
    size_t header = FindSection(lines, section);
    if (header == lines.size()) return std::nullopt;
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Entry && SameName(lines[i].name, key))
            return std::string(StripQuotes(lines[i].value));
    return std::nullopt;
}

std::optional<std::vector<std::string>> IniSections(const fs::path& file) {
    std::optional<std::string> content = ReadForQuery(file);
    if (!content) return std::nullopt;
    std::vector<std::string> names;
    for (const Line& line : SplitLines(*content))
        if (line.kind == LineKind::Section) AddUnique(&names, line.name);
    return names;
}

std::optional<std::vector<std::string>> IniKeys(const fs::path& file, std::string_view section) {
    std::optional<std::string> content = ReadForQuery(file);
    if (!content) return std::nullopt;
    std::vector<Line> lines = SplitLines(*content);
    size_t header = FindSection(lines, section);
    if (header == lines.size()) return std::nullopt;
    std::vector<std::string> names;
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Entry) AddUnique(&names, lines[i].name);
    return names;
}

bool IniSet(const fs::path& file, std::string_view sectionName, std::string_view keyName,
            std::optional<std::string> value, std::string* error) {
    std::string_view section = Trim(sectionName);
    std::string_view key = Trim(keyName);
    if (section.empty() || HasLineBreakOrNul(sectionName) ||
        section.find(']') != std::string_view::npos)
        return Refuse(error, "invalid section name \"" + std::string(sectionName) + "\"");
    if (key.empty() || HasLineBreakOrNul(keyName) || key.find('=') != std::string_view::npos ||
        key[0] == '[' || key[0] == ';')
        return Refuse(error, "invalid key name \"" + std::string(keyName) + "\"");
    if (value && HasLineBreakOrNul(*value))
        return Refuse(error, "a profile value cannot hold a line break");

    std::string content;
    bool complete;
    ReadResult read = ReadFile(file, &content, &complete);
    if (read == ReadResult::Failed)
        return Refuse(error, file.string() + ": cannot read: " + std::strerror(errno));
    mode_t mode = 0644;
    if (read == ReadResult::Missing) {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(file, ec)) && fs::is_directory(file, ec))
            return Refuse(error, file.string() + ": is a folder");
        if (!value) return true;
    } else {
        if (!complete) return Refuse(error, file.string() + ": too large to rewrite");
        struct stat st;
        if (stat(file.c_str(), &st) == 0) mode = st.st_mode & 07777;
    }

    std::vector<Line> lines = SplitLines(content);
    // New lines follow the file's own line ending; a new file gets Windows'.
    std::string_view eol = "\r\n";
    for (const Line& line : lines)
        if (!line.ending.empty()) {
            eol = line.ending;
            break;
        }
    const std::string entry = value ? std::string(key) + "=" + *value : std::string();

    std::string out;
    auto emit = [&](std::string_view body, std::string_view ending) {
        out += body;
        out += ending;
    };
    size_t header = FindSection(lines, section);
    if (header == lines.size()) {
        if (!value) return true;
        for (const Line& line : lines)
            emit(line.body, line.ending);
        if (!lines.empty() && lines.back().ending.empty()) out += eol;
        if (!lines.empty()) out += eol;
        emit("[" + std::string(section) + "]", eol);
        emit(entry, eol);
        return ReplaceFile(file, out, mode, error);
    }

    size_t end = SectionEnd(lines, header);
    size_t found = lines.size();
    size_t lastEntry = header;
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind != LineKind::Entry) continue;
        lastEntry = i;
        if (found == lines.size() && SameName(lines[i].name, key)) found = i;
    }
    if (!value && found == lines.size()) return true;

    for (size_t i = 0; i < lines.size(); ++i) {
        const bool inSection = i > header && i < end;
        const bool matches =
            inSection && lines[i].kind == LineKind::Entry && SameName(lines[i].name, key);
        if (matches && !value) continue; // every copy goes, so no older one shows through
        if (i == found) {
            emit(entry, lines[i].ending.empty() ? eol : lines[i].ending);
            continue;
        }
        emit(lines[i].body, lines[i].ending);
        if (value && found == lines.size() && i == lastEntry) {
            if (lines[i].ending.empty()) out += eol;
            emit(entry, eol);
        }
    }
    return ReplaceFile(file, out, mode, error);
}

} // namespace machine
