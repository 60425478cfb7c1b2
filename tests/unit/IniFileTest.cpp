#include "common/IniFile.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <set>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards, with helpers to put and inspect files in it.
class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "inifile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }

    void TearDown() override {
        // Tests may leave read-only folders behind; give them back to the owner first.
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir, error)) {
            if (entry.is_directory(error) && !entry.is_symlink(error)) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
            }
        }
        fs::remove_all(m_dir, error);
    }

    fs::path Put(const fs::path& file, const std::string& content) const {
        const fs::path path = m_dir / file;
        std::ofstream out(path, std::ios::binary);
        out << content;
        out.close();
        EXPECT_TRUE(out) << "cannot prepare " << path;
        return path;
    }

    static std::string Contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static std::set<std::string> Names(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    fs::path m_dir;
};

// The message of the IniFileError a write raises, or "written".
std::string TryWrite(IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view value) {
    try {
        ini.WriteString(section, key, value);
    } catch (const IniFileError& error) {
        return error.what();
    }
    return "written";
}

std::string Expected(const fs::path& path) {
    return "Unable to write to " + path.string();
}

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// Owns a file descriptor in the tests' child-process plumbing.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Runs body in a forked child and returns the text it produced, so limits and user changes do
// not leak into the test process. With dropPrivileges the child becomes "nobody" first, because
// root ignores permission bits.
std::string InChild(bool dropPrivileges, const std::function<std::string()>& body) {
    int ends[2];
    if (::pipe(ends) != 0) {
        return "pipe failed";
    }
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        readEnd.Reset();
        std::string result;
        if (dropPrivileges && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            result = "cannot drop privileges";
        } else {
            try {
                result = body();
            } catch (const std::exception& error) {
                result = error.what();
            }
        }
        const ssize_t written = ::write(writeEnd.Get(), result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    writeEnd.Reset();
    if (pid < 0) {
        return "fork failed";
    }
    std::string result;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(readEnd.Get(), buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "child failed: " + result;
    }
    return result;
}

// --- Reading -----------------------------------------------------------------------------------

TEST_F(IniFileTest, ReadMatchesNamesLooselyAndStripsBlanksAndQuotes) {
    struct Row {
        std::string content;
        std::string section;
        std::string key;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"[PARAMETROS]\ncnpj = 123 \n", "PARAMETROS", "CNPJ", "123"},
        {"[parametros]\r\nCNPJ=\"123\"\r\n", "Parametros", "cnpj", "123"},
        {"  [ Parametros ]  \n\tCnpj\t=\t'123'\t\n", "PARAMETROS", "CNPJ", "123"},
        {"[S]\nKEY = \" a b \" \n", "S", "KEY", " a b "},
        {"[S]\nKEY=\"\n", "S", "KEY", "\""},
        {"[S]\nKEY=\"abc'\n", "S", "KEY", "\"abc'"},
        {"[S]\nKEY='\"q\"'\n", "S", "KEY", "\"q\""},
        {"[S]\nKEY=a \"b\"\n", "S", "KEY", "a \"b\""},
        {"[S]\nKEY=\"\"\n", "S", "KEY", ""},
        {"[S]\nKEY=\n", "S", "KEY", ""},
        {"[S]\nKEY=a=b\n", "S", "KEY", "a=b"},
        {"[S]\nKEY=ação ünï\n", "S", "KEY", "ação ünï"},
        {"[S] ; trailing remark\nKEY=1\n", "S", "KEY", "1"},
        {"[S]\nKEY=1\n", " S ", " KEY\t", "1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.content);
        const IniFile ini(Put("App.ini", row.content));
        EXPECT_EQ(ini.ReadString(row.section, row.key, "default"), row.expected);
    }
}

TEST_F(IniFileTest, ReadGivesDefaultWhenTheKeyIsNotThere) {
    const std::vector<std::string> contents = {
        "",
        "[OUTRA]\nCNPJ=1\n",               // key in another section
        "[S]\nAPAGAR=N\n",                 // section without the key
        "CNPJ=1\n[S]\n",                   // key before any section
        "[S]\nCNPJ\n",                     // no '=' on the line
        "[S]\n;CNPJ=1\n#CNPJ=1\n",         // commented out
        "[S\nCNPJ=1\n",                    // broken header starts no section
        "[SS]\nCNPJ=1\n[S2]\nCNPJ=2\n",    // similar names only
        "[S]\nCNPJX=1\nX CNPJ=2\nCNP=3\n", // similar keys only
    };
    for (const auto& content : contents) {
        SCOPED_TRACE(content);
        const IniFile ini(Put("App.ini", content));
        EXPECT_EQ(ini.ReadString("S", "CNPJ", "padrão"), "padrão");
    }

    fs::create_directory(m_dir / "folder");
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    for (const fs::path& path :
         {m_dir / "missing.ini", m_dir / "nowhere" / "App.ini", m_dir / "folder", m_dir / "fifo"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(IniFile(path).ReadString("S", "CNPJ", "padrão"), "padrão");
    }
}

TEST_F(IniFileTest, ReadTakesTheFirstDuplicate) {
    const IniFile ini(Put("App.ini", "[S]\nK=first\nk=second\n[s]\nK=third\nL=later\n"));
    EXPECT_EQ(ini.ReadString("S", "K", ""), "first");
    // Only the first section of a name is searched.
    EXPECT_EQ(ini.ReadString("S", "L", "none"), "none");
}

TEST_F(IniFileTest, ReadCutsLongValuesAtWholeCharacters) {
    const std::string emoji = "\xF0\x9F\x98\x80"; // U+1F600: four bytes, two UTF-16 units
    const std::string euro = "\xE2\x82\xAC";      // U+20AC: three bytes, one unit
    struct Row {
        std::string name;
        std::string value;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"ascii over", std::string(3000, 'x'), std::string(2047, 'x')},
        {"ascii exact", std::string(2047, 'x'), std::string(2047, 'x')},
        {"pair would straddle", std::string(2046, 'x') + emoji + "yy", std::string(2046, 'x')},
        {"pair fits exactly", std::string(2045, 'x') + emoji + "yy",
         std::string(2045, 'x') + emoji},
        {"pairs only", Repeat(emoji, 1100), Repeat(emoji, 1023)},
        {"three-byte exact", Repeat(euro, 2047), Repeat(euro, 2047)},
        {"three-byte over", Repeat(euro, 2048), Repeat(euro, 2047)},
        {"quotes go first", "\"" + std::string(3000, 'x') + "\"", std::string(2047, 'x')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const IniFile ini(Put("App.ini", "[S]\r\nK=" + row.value + "\r\n"));
        EXPECT_EQ(ini.ReadString("S", "K", ""), row.expected);
    }
}

TEST_F(IniFileTest, ReadHandlesBomAndLineEndings) {
    const std::vector<std::string> contents = {
        "\xEF\xBB\xBF[S]\r\nK=v\r\n", "\xEF\xBB\xBF[S]\nK=v",           "[S]\nK=v\n", "[S]\r\nK=v",
        "[S]\nX=1\r\nK=v\r\n",        "\r\n\r\n[S]\r\n\r\nK=v\r\n\r\n",
    };
    for (const auto& content : contents) {
        SCOPED_TRACE(content);
        const IniFile ini(Put("App.ini", content));
        EXPECT_EQ(ini.ReadString("S", "K", ""), "v");
    }
}

TEST_F(IniFileTest, ReadSeesTheFileAsItIsNow) {
    const fs::path path = Put("App.ini", "[S]\nK=old\n");
    const IniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
    Put("App.ini", "[S]\nK=new\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "new");
    fs::remove(path);
    EXPECT_EQ(ini.ReadString("S", "K", "gone"), "gone");
}

// --- Writing -----------------------------------------------------------------------------------

TEST_F(IniFileTest, WritesANewFileWithCrlf) {
    IniFile ini(m_dir / "App.ini");
    ini.WriteString("PARAMETROS", "CNPJ", "12345678000190");
    ini.WriteString("PARAMETROS", "APAGAR", "N");
    ini.WriteString("PARAMETROS", "ADOBE", "N");
    ini.WriteString("PARAMETROS", "SUMATRA", "S");
    EXPECT_EQ(Contents(m_dir / "App.ini"),
              "[PARAMETROS]\r\nCNPJ=12345678000190\r\nAPAGAR=N\r\nADOBE=N\r\nSUMATRA=S\r\n");
    EXPECT_EQ(ini.ReadString("parametros", "cnpj", ""), "12345678000190");
    EXPECT_EQ(Names(m_dir), std::set<std::string>{"App.ini"});
}

TEST_F(IniFileTest, ReplacesOnlyTheKeyLine) {
    const std::string before = "\xEF\xBB\xBF; Servidor de impressao\r\n"
                               "[GERAL]\r\n"
                               "CNPJ=99\r\n"
                               "\r\n"
                               "[ parametros ]\r\n"
                               "# CNPJ antigo: 1\r\n"
                               "  Cnpj = \"111\"  \r\n"
                               "APAGAR=S\r\n"
                               "cnpj=222\r\n"
                               "\r\n"
                               "[OUTRA]\r\n"
                               "X=1";
    const std::string after = "\xEF\xBB\xBF; Servidor de impressao\r\n"
                              "[GERAL]\r\n"
                              "CNPJ=99\r\n"
                              "\r\n"
                              "[ parametros ]\r\n"
                              "# CNPJ antigo: 1\r\n"
                              "CNPJ=12345678000190\r\n"
                              "APAGAR=S\r\n"
                              "cnpj=222\r\n"
                              "\r\n"
                              "[OUTRA]\r\n"
                              "X=1";
    const fs::path path = Put("App.ini", before);
    IniFile ini(path);
    ini.WriteString("PARAMETROS", "CNPJ", "12345678000190");
    EXPECT_EQ(Contents(path), after);
    EXPECT_EQ(ini.ReadString("PARAMETROS", "CNPJ", ""), "12345678000190");
}

TEST_F(IniFileTest, PlacesEachWriteWhereItBelongs) {
    struct Row {
        std::string name;
        std::string before;
        std::string section;
        std::string key;
        std::string after;
    };
    const std::vector<Row> rows = {
        {"key replaced on a last line without ending", "[A]\nx=1", "A", "X", "[A]\nX=2"},
        {"key added before the gap to the next section", "[A]\r\nx=1\r\n\r\n[B]\r\ny=1\r\n", "A",
         "z", "[A]\r\nx=1\r\nz=2\r\n\r\n[B]\r\ny=1\r\n"},
        {"key added after a closing comment", "[A]\nx=1\n; end of A\n\n[B]\n", "A", "z",
         "[A]\nx=1\n; end of A\nz=2\n\n[B]\n"},
        {"key added to an empty section", "[A]\n\n[B]\ny=1\n", "a", "z", "[A]\nz=2\n\n[B]\ny=1\n"},
        {"key added to the last section without ending", "[A]\nx=1", "A", "z", "[A]\nx=1\nz=2\n"},
        {"key added to the first of two same sections", "[A]\nx=1\n[B]\n[A]\nz=0\n", "A", "z",
         "[A]\nx=1\nz=2\n[B]\n[A]\nz=0\n"},
        {"section added to a CRLF file", "[A]\r\nx=1\r\n", "B", "y",
         "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"section added to an LF file without ending", "[A]\nx=1", "B", "y",
         "[A]\nx=1\n[B]\ny=2\n"},
        {"section added to a file without line endings", "; only", "B", "y",
         "; only\r\n[B]\r\ny=2\r\n"},
        {"section added to an empty file", "", "B", "y", "[B]\r\ny=2\r\n"},
        {"first line ending decides", "[A]\nx=1\r\n", "B", "y", "[A]\nx=1\r\n[B]\ny=2\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[A]\nx=1\n", "A", "z", "\xEF\xBB\xBF[A]\nx=1\nz=2\n"},
        {"byte-order mark alone", "\xEF\xBB\xBF", "B", "y", "\xEF\xBB\xBF[B]\r\ny=2\r\n"},
        {"names written without surrounding blanks", "", " B ", "\ty ", "[B]\r\ny=2\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path path = Put("App.ini", row.before);
        IniFile ini(path);
        ini.WriteString(row.section, row.key, "2");
        EXPECT_EQ(Contents(path), row.after);
        EXPECT_EQ(ini.ReadString(row.section, row.key, ""), "2");
    }
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheFile) {
    struct Row {
        std::string section;
        std::string key;
        std::string value;
    };
    const std::vector<Row> rows = {
        {"S", "K", "a\r\nb"}, {"S", "K", "a\nb"},  {"S", "K", "a\rb"}, {"S", "K\n", "v"},
        {"S", "K=1", "v"},    {"S\r\n", "K", "v"}, {"S]x", "K", "v"},
    };
    const std::string original = "[S]\r\nK=old\r\n";
    const fs::path existing = Put("App.ini", original);
    const fs::path missing = m_dir / "New.ini";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.section + "|" + row.key + "|" + row.value);
        IniFile ini(existing);
        EXPECT_EQ(TryWrite(ini, row.section, row.key, row.value), Expected(existing));
        EXPECT_EQ(Contents(existing), original);
        IniFile fresh(missing);
        EXPECT_EQ(TryWrite(fresh, row.section, row.key, row.value), Expected(missing));
    }
    EXPECT_EQ(Names(m_dir), std::set<std::string>{"App.ini"});
}

TEST_F(IniFileTest, FailsWhenThePathCannotHoldAFile) {
    fs::create_directory(m_dir / "folder");
    Put("plain", "data");
    fs::create_symlink("loop", m_dir / "loop");
    ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    const std::vector<fs::path> paths = {
        m_dir / "nowhere" / "App.ini", // folder missing
        m_dir / "folder",              // a directory
        m_dir / "plain" / "App.ini",   // below a regular file
        m_dir / "loop",                // a link to itself
        m_dir / "fifo",                // not a regular file
        "/proc/version",               // a file even root cannot replace
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        IniFile ini(path);
        EXPECT_EQ(TryWrite(ini, "S", "K", "v"), Expected(path));
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));
    EXPECT_TRUE(fs::is_empty(m_dir / "folder"));
    EXPECT_EQ(Contents(m_dir / "plain"), "data");
    EXPECT_TRUE(fs::is_fifo(m_dir / "fifo"));
    EXPECT_EQ(Names(m_dir), (std::set<std::string>{"fifo", "folder", "loop", "plain"}));
}

TEST_F(IniFileTest, HonoursPermissionsOfFileAndFolder) {
    struct Row {
        std::string name;
        fs::perms folder;
        fs::perms file;
        bool writable;
    };
    const auto all = fs::perms::all;
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const auto readWrite =
        readOnly | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    const auto closedFolder = fs::perms::owner_read | fs::perms::owner_exec |
                              fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
    const std::vector<Row> rows = {
        {"read-only file", all, readOnly, false},
        {"read-only file in a read-only folder", closedFolder, readOnly, false},
        {"writable file in a read-only folder is rewritten in place", closedFolder, readWrite,
         true},
        {"writable file in a writable folder", all, readWrite, true},
    };
    fs::permissions(m_dir, all);
    const std::string original = "[S]\nK=old\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        const fs::path folder = m_dir / std::to_string(i);
        fs::create_directory(folder);
        const fs::path path = Put(folder / "App.ini", original);
        fs::permissions(path, row.file);
        fs::permissions(folder, row.folder);

        const std::string result = InChild(true, [&] {
            IniFile ini(path);
            return TryWrite(ini, "S", "K", "new");
        });
        if (result == "cannot drop privileges") {
            GTEST_SKIP() << "needs a user id without root's rights";
        }
        EXPECT_EQ(result, row.writable ? "written" : Expected(path));
        EXPECT_EQ(Contents(path), row.writable ? "[S]\nK=new\n" : original);
        EXPECT_EQ(fs::status(path).permissions(), row.file);
        EXPECT_EQ(Names(folder), std::set<std::string>{"App.ini"});
    }
}

TEST_F(IniFileTest, ShortWriteLeavesTheOriginalAndNoTemporaryFile) {
    const std::string original = "[S]\nK=old\n";
    const fs::path path = Put("App.ini", original);
    const std::string result = InChild(false, [&] {
        // A file-size limit makes the kernel stop the write part-way, like a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return std::string("cannot limit file size");
        }
        IniFile ini(path);
        return TryWrite(ini, "S", "K", std::string(1000, 'x'));
    });
    EXPECT_EQ(result, Expected(path));
    EXPECT_EQ(Contents(path), original);
    EXPECT_EQ(Names(m_dir), std::set<std::string>{"App.ini"});
}

TEST_F(IniFileTest, RewriteKeepsPermissionBits) {
    const fs::path path = Put("App.ini", "[S]\nK=old\n");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    IniFile ini(path);
    ini.WriteString("S", "K", "new");
    EXPECT_EQ(Contents(path), "[S]\nK=new\n");
    EXPECT_EQ(fs::status(path).permissions(), mode);
}

TEST_F(IniFileTest, WritesThroughSymlinks) {
    fs::create_directory(m_dir / "real");
    const fs::path target = Put("real/App.ini", "[S]\nK=old\n");
    fs::create_symlink("real/App.ini", m_dir / "middle.ini");
    fs::create_symlink(m_dir / "middle.ini", m_dir / "App.ini");

    IniFile ini(m_dir / "App.ini");
    ini.WriteString("S", "K", "new");

    EXPECT_TRUE(fs::is_symlink(m_dir / "App.ini"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "middle.ini"));
    EXPECT_EQ(Contents(target), "[S]\nK=new\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "new");
    EXPECT_EQ(Names(m_dir / "real"), std::set<std::string>{"App.ini"});
}

} // namespace
