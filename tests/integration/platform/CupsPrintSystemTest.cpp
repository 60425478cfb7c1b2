#include "platform/linux/CupsPrintSystem.h"

#include "support/FileContent.h"
#include "support/PollUntil.h"
#include "support/TemporaryDirectory.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Against the CUPS server of CUPS_SERVER (dev/cups.sh). Each test adds printers of its own, named
// after the test process, whose file: device writes into the test's folder, so tests running at
// the same time never read each other's printouts. Each job overwrites its printer's file.
// libcups reads HOME once per thread, so the whole process shares one home folder and each test
// starts with its ~/.cups removed.

namespace {

namespace fs = std::filesystem;

bool Required() {
    const char* value = std::getenv("AGENT_CUPS_REQUIRED");
    return value != nullptr && std::string(value) == "1";
}

// Runs a CUPS command-line tool; true when it exits with 0.
bool RunTool(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A PDF of one empty page, and one of a few megabytes that carries every byte value (the
// passthrough printer does not look past the header).
std::string SmallPdf() {
    return "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
           "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
           "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>endobj\n"
           "trailer<</Root 1 0 R>>\n%%EOF\n";
}

std::string LargePdf() {
    std::string pdf = SmallPdf() + "%";
    for (int round = 0; round < 12000; ++round) {
        for (int byte = 0; byte < 256; ++byte) {
            pdf += static_cast<char>(byte);
        }
    }
    return pdf + "\n%%EOF\n";
}

class CupsPrintSystemTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_home = std::make_unique<TemporaryDirectory>();
        ::setenv("HOME", s_home->path().c_str(), 1);
        // Either would override the user's default.
        ::unsetenv("LPDEST");
        ::unsetenv("PRINTER");
    }
    static void TearDownTestSuite() { s_home.reset(); }

    void SetUp() override {
        const char* server = std::getenv("CUPS_SERVER");
        if (server == nullptr || *server == '\0') {
            Unavailable("CUPS_SERVER is not set; run dev/cups.sh start and "
                        "eval \"$(dev/cups.sh env)\"");
            return;
        }
        try {
            m_system.PrinterNames();
        } catch (const PrintSystemError& error) {
            Unavailable(std::string("the CUPS server at ") + server +
                        " does not answer: " + error.what());
            return;
        }
        fs::remove_all(s_home->path() / ".cups");
        m_ready = true;
    }

    void TearDown() override {
        for (const std::string& printer : m_printers) {
            RunTool({"lpadmin", "-x", printer});
        }
    }

    void Unavailable(const std::string& reason) {
        if (Required()) {
            FAIL() << reason << " (AGENT_CUPS_REQUIRED=1)";
        }
        GTEST_SKIP() << reason;
    }

    // Adds a passthrough printer of this test; its printouts land in OutputOf(name).
    std::string AddPrinter(const std::string& suffix) {
        const std::string name = "Teste_" + std::to_string(::getpid()) + "_" + suffix;
        const bool added =
            RunTool({"lpadmin", "-p", name, "-E", "-v", "file://" + OutputOf(name).string(), "-P",
                     AGENT_PASSTHROUGH_PPD});
        if (added) {
            m_printers.push_back(name);
        } else {
            ADD_FAILURE() << "lpadmin could not add " << name;
        }
        return name;
    }

    fs::path OutputOf(const std::string& printer) const {
        return m_output.path() / (printer + ".pdf");
    }

    fs::path WriteDocument(const std::string& content) {
        const fs::path folder = m_output.path() / "PDF com espaço";
        fs::create_directories(folder);
        const fs::path path = folder / "{0A1B2C3D}.pdf";
        WriteFileBytes(path, content);
        return path;
    }

    // Waits for the printer's file to hold exactly these bytes.
    testing::AssertionResult PrintedOn(const std::string& printer, const std::string& expected) {
        std::string printed;
        if (PollUntil([&] { return (printed = ReadFileBytes(OutputOf(printer))) == expected; },
                      std::chrono::seconds(30))) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure()
               << printer << " printed " << printed.size() << " bytes, not the " << expected.size()
               << " bytes sent";
    }

    std::string Lpoptions() const { return ReadFileBytes(s_home->path() / ".cups/lpoptions"); }

    static std::unique_ptr<TemporaryDirectory> s_home;
    bool m_ready = false;
    TemporaryDirectory m_output;
    std::vector<std::string> m_printers;
    CupsPrintSystem m_system;
};

std::unique_ptr<TemporaryDirectory> CupsPrintSystemTest::s_home;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::count(names.begin(), names.end(), name) == 1;
}

TEST_F(CupsPrintSystemTest, PrinterNamesAreTheQueuesWithoutInstances) {
    const std::string kept = AddPrinter("A");
    const std::string removed = AddPrinter("B");
    // An instance of the user's own is a variant of a queue, not another printer.
    fs::create_directories(s_home->path() / ".cups");
    WriteFileBytes(s_home->path() / ".cups/lpoptions", "Dest " + kept + "/copia copies=2\n");

    std::vector<std::string> names = m_system.PrinterNames();
    EXPECT_TRUE(Contains(names, kept));
    EXPECT_TRUE(Contains(names, removed));

    ASSERT_TRUE(RunTool({"lpadmin", "-x", removed}));
    names = m_system.PrinterNames();
    EXPECT_TRUE(Contains(names, kept));
    EXPECT_FALSE(Contains(names, removed));
    for (const std::string& name : names) {
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
    }
}

TEST_F(CupsPrintSystemTest, SetDefaultPrinterChangesTheUsersDefault) {
    const std::string first = AddPrinter("A");
    const std::string second = AddPrinter("B");

    m_system.SetDefaultPrinter(first);
    EXPECT_EQ(m_system.DefaultPrinter(), first);
    EXPECT_NE(Lpoptions().find("Default " + first), std::string::npos) << Lpoptions();

    m_system.SetDefaultPrinter(second);
    EXPECT_EQ(m_system.DefaultPrinter(), second);
    EXPECT_NE(Lpoptions().find("Default " + second), std::string::npos) << Lpoptions();

    // CUPS, like Windows, takes a printer's name in any case.
    std::string lower = first;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    m_system.SetDefaultPrinter(lower);
    EXPECT_EQ(m_system.DefaultPrinter(), first);
}

TEST_F(CupsPrintSystemTest, SetDefaultPrinterToAnUnknownNameRaisesAndKeepsTheDefault) {
    const std::string printer = AddPrinter("A");
    m_system.SetDefaultPrinter(printer);
    const std::string saved = Lpoptions();
    ASSERT_FALSE(saved.empty());

    const std::string names[] = {"Nao_Instalada", "", printer + "/copia", printer + "_",
                                 "HP LaserJet (rede)"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        try {
            m_system.SetDefaultPrinter(name);
            ADD_FAILURE() << "no error raised";
        } catch (const PrintSystemError& error) {
            EXPECT_EQ(std::string(error.what()), "Impressora não instalada: " + name);
        }
        EXPECT_EQ(m_system.DefaultPrinter(), printer);
        EXPECT_EQ(Lpoptions(), saved);
    }
}

TEST_F(CupsPrintSystemTest, SetDefaultPrinterOverriddenByTheEnvironmentRaises) {
    const std::string first = AddPrinter("A");
    const std::string second = AddPrinter("B");
    m_system.SetDefaultPrinter(first);
    // CUPS lets PRINTER (or LPDEST) win over the saved default: the change would not take.
    ::setenv("PRINTER", first.c_str(), 1);
    EXPECT_THROW(m_system.SetDefaultPrinter(second), PrintSystemError);
    ::unsetenv("PRINTER");
    EXPECT_EQ(m_system.DefaultPrinter(), second);
}

TEST_F(CupsPrintSystemTest, PrintFileArrivesAtTheDefaultPrinterByteForByte) {
    const std::string other = AddPrinter("A");
    const std::string chosen = AddPrinter("B");
    m_system.SetDefaultPrinter(chosen);

    const std::string small = SmallPdf();
    m_system.PrintFile(WriteDocument(small).string());
    EXPECT_TRUE(PrintedOn(chosen, small));

    const std::string large = LargePdf();
    m_system.PrintFile(WriteDocument(large).string());
    EXPECT_TRUE(PrintedOn(chosen, large));
    EXPECT_FALSE(fs::exists(OutputOf(other)));
}

TEST_F(CupsPrintSystemTest, PrintFileRefusedByCupsRaises) {
    const std::string printer = AddPrinter("A");
    m_system.SetDefaultPrinter(printer);
    const fs::path document = WriteDocument(SmallPdf());

    ASSERT_TRUE(RunTool({"cupsreject", printer}));
    try {
        m_system.PrintFile(document.string());
        ADD_FAILURE() << "a printer that rejects jobs took the document";
    } catch (const PrintSystemError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(printer), std::string::npos) << text;
        EXPECT_NE(text.find(document.string()), std::string::npos) << text;
    }

    ASSERT_TRUE(RunTool({"cupsaccept", printer}));
    EXPECT_THROW(m_system.PrintFile((m_output.path() / "absent.pdf").string()), PrintSystemError);
    m_system.PrintFile(document.string());
    EXPECT_TRUE(PrintedOn(printer, SmallPdf()));
}

TEST_F(CupsPrintSystemTest, PrintFileWithoutADefaultPrinterRaises) {
    AddPrinter("A");
    if (!m_system.DefaultPrinter().empty()) {
        GTEST_SKIP() << "the server has a default printer of its own: "
                     << m_system.DefaultPrinter();
    }
    try {
        m_system.PrintFile(WriteDocument(SmallPdf()).string());
        ADD_FAILURE() << "no error raised";
    } catch (const PrintSystemError& error) {
        EXPECT_NE(std::string(error.what()).find("Nenhuma impressora padrão"), std::string::npos)
            << error.what();
    }
}

TEST_F(CupsPrintSystemTest, UnreachableServerRaisesEverywhere) {
    // libcups reads CUPS_SERVER once per thread: a new thread sees the changed value.
    const std::string server = std::getenv("CUPS_SERVER");
    ::setenv("CUPS_SERVER", (m_output.path() / "no-server.sock").c_str(), 1);
    std::thread([] {
        CupsPrintSystem system;
        EXPECT_THROW(system.PrinterNames(), PrintSystemError);
        EXPECT_THROW(system.DefaultPrinter(), PrintSystemError);
        EXPECT_THROW(system.SetDefaultPrinter("Impressora_A"), PrintSystemError);
        EXPECT_THROW(system.PrintFile("/tmp/x.pdf"), PrintSystemError);
    }).join();
    ::setenv("CUPS_SERVER", server.c_str(), 1);
}

} // namespace
