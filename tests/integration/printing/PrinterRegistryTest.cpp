#include "printing/PrinterRegistry.h"

#include "PrinterListFake.h"
#include "StoreFixture.h"
#include "common/TParametros.h"
#include "platform/linux/LibuuidGuidGenerator.h"

#include <gmock/gmock.h>
#include <regex>
#include <set>

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace {

using Row = std::vector<std::optional<std::string>>;
using Names = std::vector<std::string>;

// One random identifier with 1, 2, 3, ... in its last byte, so the order of the rows' GUIDs is
// the order in which they were made (and other processes' rows never collide with them).
class CountingGuids : public GuidGenerator {
public:
    std::optional<Bytes> Generate() override {
        Bytes bytes = m_base;
        bytes[15] = ++m_next;
        return bytes;
    }

private:
    Bytes m_base = LibuuidGuidGenerator().Generate().value();
    std::uint8_t m_next = 0;
};

// The registry on the local MariaDB, registering computer PC-A of the test's company. Beside its
// rows the table holds rows that no operation of PC-A may touch: another computer of the company
// with a printer of the same name, PC-A under another company, and PC-A under the company's
// number without its leading zero (the CNPJ is text, not a number).
class PrinterRegistryTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        parametros.CNPJ = m_cnpj;
        parametros.Computador = "PC-A";
        m_server->insertPrinter(guid("b-pdf"), m_cnpj, "PC-B", "PDF");
        m_server->insertPrinter(guid("other-company"), m_otherCnpj, "PC-A", "PDF");
        m_server->insertPrinter(guid("without-zero"), m_cnpjWithoutZero, "PC-A", "PDF");
        m_othersBefore = othersRows();
    }

    void insertOwnRows(const Names& printers) {
        for (std::size_t i = 0; i < printers.size(); ++i) {
            m_server->insertPrinter(guid("a-" + std::to_string(i)), m_cnpj, "PC-A", printers[i]);
        }
    }

    // PC-A's rows of the company: GUID, CNPJ, COMPUTADOR, IMPRESSORA, in the order of the GUIDs.
    std::vector<Row> ownRows() {
        return m_server->rows("SELECT GUID, CNPJ, COMPUTADOR, IMPRESSORA FROM impressoras_remotas "
                              "WHERE CNPJ = " +
                              m_server->literal(m_cnpj) + " AND COMPUTADOR = 'PC-A' ORDER BY GUID");
    }
    Names ownPrinters() {
        Names names;
        for (const Row& row : ownRows()) {
            names.push_back(row[3].value_or("NULL"));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<Row> othersRows() {
        return m_server->rows(
            "SELECT GUID, CNPJ, COMPUTADOR, IMPRESSORA FROM impressoras_remotas WHERE CNPJ IN (" +
            m_server->literal(m_cnpj) + ", " + m_server->literal(m_cnpjWithoutZero) + ", " +
            m_server->literal(m_otherCnpj) + ") AND NOT (CNPJ = " + m_server->literal(m_cnpj) +
            " AND COMPUTADOR = 'PC-A') ORDER BY GUID");
    }

    TParametros parametros;
    RemotePrintStore store;
    PrinterListFake printSystem;
    LibuuidGuidGenerator guids;
    PrinterRegistry registry{store, parametros, printSystem, guids};
    std::vector<Row> m_othersBefore;
};

struct ReplacementCase {
    const char* name;
    Names previous;  // PC-A's rows from the last start
    Names installed; // the print system's list now
};

// Whatever PC-A published before, afterwards its rows name exactly the installed printers, and
// the rows of other computers and companies are as they were.
TEST_F(PrinterRegistryTest, RegistrarImpressorasReplacesThisComputersRows) {
    const ReplacementCase cases[] = {
        {"first start", {}, {"Impressora_A", "Impressora_B"}},
        {"no printers installed", {"Impressora_A", "Impressora_B"}, {}},
        {"one removed, one added", {"Impressora_A", "Impressora_B"}, {"Impressora_B", "Nova"}},
        {"unchanged", {"PDF"}, {"PDF"}},
        {"name with blanks and accents", {}, {"Impressão fiscal (balcão)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_server->exec("DELETE FROM impressoras_remotas WHERE CNPJ = " + m_server->literal(m_cnpj) +
                       " AND COMPUTADOR = 'PC-A'");
        insertOwnRows(c.previous);
        printSystem.names = c.installed;

        registry.RegistrarImpressoras();

        Names expected = c.installed;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ownPrinters(), expected);
        for (const Row& row : ownRows()) {
            EXPECT_THAT(row, ElementsAre(testing::_, Row::value_type(m_cnpj),
                                         Row::value_type("PC-A"), testing::_));
        }
        EXPECT_EQ(othersRows(), m_othersBefore);
        EXPECT_FALSE(store.db_impressoras.Active());
        EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
    }
}

// The list is taken once and the rows are inserted in its order, each with a GUID of its own.
TEST_F(PrinterRegistryTest, RowsAreInsertedInListOrderFromOneListing) {
    CountingGuids counting;
    PrinterRegistry ordered(store, parametros, printSystem, counting);
    printSystem.names = {"Zeta", "Alfa", "Meio"};

    ordered.RegistrarImpressoras();

    EXPECT_EQ(printSystem.listings, 1);
    Names inGuidOrder;
    for (const Row& row : ownRows()) {
        inGuidOrder.push_back(row[3].value_or("NULL"));
    }
    EXPECT_THAT(inGuidOrder, ElementsAre("Zeta", "Alfa", "Meio"));
}

// Every start gives every printer a new GUID in registry form; none repeats an earlier one.
TEST_F(PrinterRegistryTest, EachStartGivesFreshRegistryFormGuids) {
    printSystem.names = {"Impressora_A", "Impressora_B", "PDF"};
    const std::regex registryForm(
        R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");

    std::set<std::string> seen;
    for (int start = 0; start < 3; ++start) {
        registry.RegistrarImpressoras();
        const auto rows = ownRows();
        ASSERT_EQ(rows.size(), 3u);
        for (const Row& row : rows) {
            const std::string guidText = row[0].value_or("");
            EXPECT_EQ(guidText.size(), 38u);
            EXPECT_TRUE(std::regex_match(guidText, registryForm)) << guidText;
            EXPECT_TRUE(seen.insert(guidText).second) << guidText << " was used before";
        }
    }
}

// Closing removes PC-A's rows of the company only, and registers nothing.
TEST_F(PrinterRegistryTest, RemoverImpressorasDeletesOnlyThisComputersRows) {
    insertOwnRows({"Impressora_A", "Impressora_B", "PDF"});
    printSystem.names = {"Impressora_A"};

    registry.RemoverImpressoras();

    EXPECT_THAT(ownRows(), IsEmpty());
    EXPECT_EQ(othersRows(), m_othersBefore);
    EXPECT_EQ(printSystem.listings, 0);
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());

    // With nothing left it is a no-op.
    EXPECT_NO_THROW(registry.RemoverImpressoras());
    EXPECT_EQ(othersRows(), m_othersBefore);
}

// A print system that cannot list its printers: the error reaches the caller with its own text
// after the old rows were deleted (each deletion was committed), and the next registration, on
// the connection the failure left open, works.
TEST_F(PrinterRegistryTest, PrinterListErrorPassesOnAfterRowsWereDeleted) {
    insertOwnRows({"Impressora_A", "Impressora_B"});
    printSystem.refusal = "O servidor de impressão não responde";
    std::size_t rowsWhenListed = 99;
    printSystem.onList = [&] { rowsWhenListed = ownRows().size(); };

    try {
        registry.RegistrarImpressoras();
        FAIL() << "the print system's error was swallowed";
    } catch (const PrintSystemError& error) {
        EXPECT_STREQ(error.what(), "O servidor de impressão não responde");
    }
    EXPECT_EQ(rowsWhenListed, 0u);
    EXPECT_THAT(ownRows(), IsEmpty());
    EXPECT_EQ(othersRows(), m_othersBefore);

    printSystem.refusal.reset();
    printSystem.onList = nullptr;
    printSystem.names = {"Impressora_B"};
    registry.RegistrarImpressoras();
    EXPECT_THAT(ownPrinters(), ElementsAre("Impressora_B"));
}

} // namespace
