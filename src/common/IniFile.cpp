#include "common/IniFile.h"

#include "common/UniqueFd.h"
#include "common/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Windows reads into a 2048-unit buffer that also holds the terminating NUL.
constexpr std::size_t kMaxValueUnits = 2047;

// Removes a temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(fs::path path) : m_path(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }

    void Release() { m_path.clear(); }

private:
    fs::path m_path;
};

struct Line {
    std::string text;   // without its line ending
    std::string ending; // "\r\n", "\n", or empty for a last line that has none
};

struct Document {
    std::string bom; // kept so a rewrite puts it back
    std::vector<Line> lines;
};

Document Parse(std::string_view content) {
    Document doc;
    if (content.starts_with(kBom)) {
        doc.bom = kBom;
        content.remove_prefix(kBom.size());
    }
    while (!content.empty()) {
        const auto lf = content.find('\n');
        if (lf == std::string_view::npos) {
            doc.lines.push_back({std::string(content), {}});
            break;
        }
        const bool crlf = lf > 0 && content[lf - 1] == '\r';
        doc.lines.push_back(
            {std::string(content.substr(0, crlf ? lf - 1 : lf)), crlf ? "\r\n" : "\n"});
        content.remove_prefix(lf + 1);
    }
    return doc;
}

std::string Join(const Document& doc) {
    std::string out = doc.bom;
    for (const auto& line : doc.lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

// New lines follow the file's own style, judged by its first line ending; CRLF otherwise.
std::string LineEnding(const Document& doc) {
    if (doc.lines.empty() || doc.lines.front().ending.empty()) {
        return "\r\n";
    }
    return doc.lines.front().ending;
}

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Names are compared with ASCII case folding only. Windows folds all of Unicode, but the agent's
// section and key names are plain ASCII, so the result is the same.
bool SameName(std::string_view a, std::string_view b) {
    const auto fold = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// What one line means. A line holding '=' is a key even when it looks like a comment, as on
// Windows: ";CNPJ=1" is the key ";CNPJ", which no caller asks for.
struct LineMeaning {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value; // keys only, blanks removed, quotes still there
};

LineMeaning Interpret(std::string_view text) {
    text = Trim(text);
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close != std::string_view::npos) {
            return {LineMeaning::Kind::Section, Trim(text.substr(1, close - 1)), {}};
        }
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return {LineMeaning::Kind::Key, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// Where a key lives. Only the first section of that name is searched and the first matching
// key in it counts, so later duplicates are never read nor written.
struct Position {
    std::optional<std::size_t> section; // line of the section header
    std::optional<std::size_t> key;     // line of the key
    std::size_t lastFilled = 0;         // last non-blank line of the section; new keys go after it
};

Position Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Position pos;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineMeaning meaning = Interpret(lines[i].text);
        if (!pos.section) {
            if (meaning.kind == LineMeaning::Kind::Section && SameName(meaning.name, section)) {
                pos.section = i;
                pos.lastFilled = i;
            }
            continue;
        }
        if (meaning.kind == LineMeaning::Kind::Section) {
            break;
        }
        if (!Trim(lines[i].text).empty()) {
            pos.lastFilled = i;
        }
        if (meaning.kind == LineMeaning::Kind::Key && !pos.key && SameName(meaning.name, key)) {
            pos.key = i;
        }
    }
    return pos;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The longest prefix of whole characters that fits in maxUnits UTF-16 code units. A character
// outside the BMP takes two units and is dropped whole if only one is left.
std::string_view CutToUtf16Units(std::string_view text, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        // A byte that starts no well-formed sequence counts as one unit of its own.
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text, end));
        const std::size_t needed = length == 4 ? 2 : 1;
        if (units + needed > maxUnits) {
            break;
        }
        units += needed;
        end += length;
    }
    return text.substr(0, end);
}

struct Snapshot {
    bool exists = false;
    std::string content;
    struct stat info {};
};

// The whole file as it is now. A missing file gives a snapshot that says so; a file that exists
// but cannot be read, or is not a regular file, gives nothing.
std::optional<Snapshot> Load(const fs::path& file) {
    Snapshot snap;
    // O_NONBLOCK keeps a FIFO in that place from hanging the open.
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT) {
            return snap;
        }
        return std::nullopt;
    }
    if (::fstat(fd.get(), &snap.info) != 0 || !S_ISREG(snap.info.st_mode)) {
        return std::nullopt;
    }
    snap.exists = true;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        snap.content.append(buffer, static_cast<std::size_t>(n));
    }
    return snap;
}

// The file a chain of symbolic links ends at, so a write changes the target and keeps the link.
std::optional<fs::path> FollowLinks(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) { // the kernel gives up after 40 links as well
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

// Makes the rename itself survive a crash. The new content is already in place, so a failure
// here is not worth reporting.
void SyncFolder(const fs::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

enum class Outcome { Written, NoTemporaryFile, Failed };

// Writes data to a new file beside target and renames it over target, so readers see either the
// old or the new content, never a mix.
Outcome ReplaceAtomically(const fs::path& target, std::string_view data, const Snapshot& old) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path tempPath;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        tempPath = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                             "." + std::to_string(counter++) + ".tmp");
        // Mode 0666 lets the umask decide the permissions of a brand-new file.
        rawFd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (rawFd < 0) {
        // Only a folder we may not write to is worth the in-place fallback; on a full disk or a
        // read-only file system a rewrite in place would fail as well, or worse, half-way.
        return errno == EACCES || errno == EPERM ? Outcome::NoTemporaryFile : Outcome::Failed;
    }
    UniqueFd fd(rawFd);
    TemporaryFile temp(tempPath);
    if (old.exists) {
        // Keep the owner where allowed (only root may hand a file to someone else), then the
        // permission bits, which the chown could have changed.
        if (::fchown(fd.get(), old.info.st_uid, old.info.st_gid) != 0) {
            // Not allowed: the rewritten file belongs to us, with the same permission bits.
        }
        if (::fchmod(fd.get(), old.info.st_mode & 07777) != 0) {
            return Outcome::Failed;
        }
    }
    if (!WriteAll(fd.get(), data) || ::fsync(fd.get()) != 0 || !fd.close()) {
        return Outcome::Failed;
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        return Outcome::Failed;
    }
    temp.Release();
    SyncFolder(folder);
    return Outcome::Written;
}

bool RewriteInPlace(const fs::path& target, std::string_view data) {
    UniqueFd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    return fd && WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0 && fd.close();
}

// Refuses what cannot be stored on one line, or would be read back as something else.
bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
    constexpr std::string_view kLineBreaks = "\r\n";
    constexpr auto npos = std::string_view::npos;
    return section.find_first_of(kLineBreaks) == npos && key.find_first_of(kLineBreaks) == npos &&
           value.find_first_of(kLineBreaks) == npos && key.find('=') == npos &&
           section.find(']') == npos;
}

// Sets "key=value": on the key's own line, after the last non-blank line of its section (before
// the blank lines that separate it from the next one), or in a new section at the end.
void Apply(Document& doc, std::string_view section, std::string_view key, std::string_view value) {
    const std::string eol = LineEnding(doc);
    std::string entry = std::string(key) + "=" + std::string(value);
    const Position pos = Locate(doc.lines, section, key);
    if (pos.key) {
        doc.lines[*pos.key].text = std::move(entry);
        return;
    }
    if (pos.section) {
        Line& anchor = doc.lines[pos.lastFilled];
        if (anchor.ending.empty()) {
            anchor.ending = eol;
        }
        const auto at = doc.lines.begin() + static_cast<std::ptrdiff_t>(pos.lastFilled + 1);
        doc.lines.insert(at, Line{std::move(entry), eol});
        return;
    }
    if (!doc.lines.empty() && doc.lines.back().ending.empty()) {
        doc.lines.back().ending = eol;
    }
    doc.lines.push_back({"[" + std::string(section) + "]", eol});
    doc.lines.push_back({std::move(entry), eol});
}

} // namespace

IniFileError::IniFileError(const fs::path& path)
    : std::runtime_error("Unable to write to " + path.string()) {}

IniFile::IniFile(fs::path path) : m_path(std::move(path)) {}

const fs::path& IniFile::FileName() const {
    return m_path;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const auto snap = Load(m_path);
    if (!snap) {
        return std::string(defaultValue);
    }
    const Document doc = Parse(snap->content);
    const Position pos = Locate(doc.lines, Trim(section), Trim(key));
    if (!pos.key) {
        return std::string(defaultValue);
    }
    const std::string_view value = Unquote(Interpret(doc.lines[*pos.key].text).value);
    return std::string(CutToUtf16Units(value, kMaxValueUnits));
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!CanStore(section, key, value)) {
        throw IniFileError(m_path);
    }
    const auto target = FollowLinks(m_path);
    if (!target) {
        throw IniFileError(m_path);
    }
    const auto snap = Load(*target);
    if (!snap || (snap->exists && ::access(target->c_str(), W_OK) != 0)) {
        throw IniFileError(m_path);
    }
    Document doc = Parse(snap->content);
    Apply(doc, Trim(section), Trim(key), value);
    const std::string data = Join(doc);
    switch (ReplaceAtomically(*target, data, *snap)) {
    case Outcome::Written:
        return;
    case Outcome::NoTemporaryFile:
        // A folder we may not create files in, holding a file we may write: rewrite it in place.
        if (snap->exists && RewriteInPlace(*target, data)) {
            return;
        }
        break;
    case Outcome::Failed:
        break;
    }
    throw IniFileError(m_path);
}
