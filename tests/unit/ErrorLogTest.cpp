#include "common/ErrorLog.h"

#include "support/FileContent.h"
#include "support/TemporaryDirectory.h"

#include <clocale>
#include <csignal>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Switches the character-set category of the process locale for one scope.
class ScopedCharsetLocale {
public:
    explicit ScopedCharsetLocale(const char* name)
        : m_previous(std::setlocale(LC_CTYPE, nullptr)),
          m_active(std::setlocale(LC_CTYPE, name) != nullptr) {}
    ~ScopedCharsetLocale() { std::setlocale(LC_CTYPE, m_previous.c_str()); }
    ScopedCharsetLocale(const ScopedCharsetLocale&) = delete;
    ScopedCharsetLocale& operator=(const ScopedCharsetLocale&) = delete;

    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active;
};

class ErrorLogTest : public testing::Test {
protected:
    std::filesystem::path Log() const { return folder.path() / "LOG" / "AppErro.txt"; }

    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
};

TEST_F(ErrorLogTest, KeepsOnlyTheLatestFailure) {
    std::filesystem::create_directory(folder.path() / "LOG");
    RegistrarErro("Servidor recusou a conexão com um texto bem mais longo que o seguinte");
    RegistrarErro("segunda falha");
    EXPECT_EQ(ReadFileBytes(Log()), "Erro -> segunda falha\r\n");
    EXPECT_EQ(ErrorLogPath(), Log());
}

TEST_F(ErrorLogTest, WritesInTheLocaleCharacterSet) {
    std::filesystem::create_directory(folder.path() / "LOG");
    struct Case {
        const char* locale;
        std::string message;
        std::string bytes;
    };
    const Case cases[] = {
        {"C.UTF-8", "impressão ç", "Erro -> impress\xC3\xA3o \xC3\xA7\r\n"},
        {"C.UTF-8", "bad \xFF byte", "Erro -> bad ? byte\r\n"},
        {"pt_BR.ISO-8859-1", "impressão ç", "Erro -> impress\xE3o \xE7\r\n"},
        {"pt_BR.ISO-8859-1", "日本 €", "Erro -> ?? ?\r\n"},
        {"pt_BR.ISO-8859-1", "emoji 😀 fim", "Erro -> emoji ? fim\r\n"},
        {"C", "ação", "Erro -> a??o\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + ": " + c.message);
        ScopedCharsetLocale locale(c.locale);
        if (!locale.active()) {
            ADD_FAILURE() << "locale " << c.locale << " is not installed (dev/install-packages.sh)";
            continue;
        }
        RegistrarErro(c.message);
        EXPECT_EQ(ReadFileBytes(Log()), c.bytes);
    }
}

TEST_F(ErrorLogTest, MissingLogFolderRaisesNamingTheFileAndIsNotCreated) {
    try {
        RegistrarErro("falha");
        FAIL() << "no error raised";
    } catch (const ErrorLogError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + Log().string() + ": No such file or directory");
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "LOG"));

    // Once the folder exists, the next failure is written.
    std::filesystem::create_directory(folder.path() / "LOG");
    RegistrarErro("depois");
    EXPECT_EQ(ReadFileBytes(Log()), "Erro -> depois\r\n");
}

TEST_F(ErrorLogTest, AFolderInTheFilesPlaceRaises) {
    std::filesystem::create_directories(Log());
    EXPECT_THROW(RegistrarErro("falha"), ErrorLogError);
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

TEST_F(ErrorLogTest, FailedWriteRaisesAndReleasesTheFile) {
    std::filesystem::create_directory(folder.path() / "LOG");
    // In a child: a file-size limit makes the write itself fail after the file was opened.
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int before = OpenDescriptors();
        bool raised = false;
        try {
            RegistrarErro("uma mensagem maior que quatro bytes");
        } catch (const ErrorLogError&) {
            raised = true;
        }
        ::_exit(raised && OpenDescriptors() == before ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write error was not raised or the file stayed open";

    // The file can be recreated afterwards.
    RegistrarErro("de novo");
    EXPECT_EQ(ReadFileBytes(Log()), "Erro -> de novo\r\n");
}

} // namespace
