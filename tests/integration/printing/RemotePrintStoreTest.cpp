#include "StoreFixture.h"
#include "printing/ConnectionFailedError.h"
#include "printing/RemoteStatements.h"
#include "printing/StatementRejectedError.h"
#include "support/TemporaryDirectory.h"

#include <fstream>
#include <gmock/gmock.h>
#include <iterator>
#include <set>

using testing::HasSubstr;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// A document of the given size in which every byte value occurs, in no simple repeating order.
std::string EveryByteDocument(std::size_t size) {
    std::string document(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        document[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    }
    return document;
}

// Walks the open query to its end, collecting one field of every row.
std::set<std::string> Walk(DatabaseQuery& query, const char* field) {
    std::set<std::string> values;
    for (; !query.Eof(); query.Next()) {
        values.insert(query.FieldByName(field).AsString());
    }
    return values;
}

const char* kJobsWithoutKey = "SELECT * FROM impressoes_remotas_sem_chave\n"
                              "WHERE\n"
                              "CNPJ=:CNPJ\n"
                              "AND\n"
                              "COMPUTADOR=:COMPUTADOR\n"
                              "AND\n"
                              "IMPRIMIR='S'";

} // namespace

class RemotePrintStoreTest : public StoreFixture {
protected:
    RemotePrintStore m_store;

    // The steps every operation starts with: open, close the query, set the parameters.
    void start(DatabaseQuery& query, const std::string& cnpj, const std::string& computador) {
        m_store.DBConexaoServidorMobile.Open();
        query.Close();
        query.ParamByName("CNPJ") = cnpj;
        query.ParamByName("COMPUTADOR") = computador;
    }

    void finish(DatabaseQuery& query) {
        query.Close();
        m_store.DBConexaoServidorMobile.Close();
    }
};

// Statement 1 finds the printer rows of this company and computer, and only those: not another
// computer, not another company, not a company number equal to this one as a number.
TEST_F(RemotePrintStoreTest, PrinterRowsOfThisComputerOnly) {
    m_server->insertPrinter(guid("p1"), m_cnpj, "PC-A", "Laser");
    m_server->insertPrinter(guid("p2"), m_cnpj, "PC-A", "Jato de tinta");
    m_server->insertPrinter(guid("p3"), m_cnpj, "PC-B", "Outro computador");
    m_server->insertPrinter(guid("p4"), m_otherCnpj, "PC-A", "Outra empresa");
    m_server->insertPrinter(guid("p5"), m_cnpjWithoutZero, "PC-A", "Sem o zero");

    auto& query = m_store.db_impressoras;
    start(query, m_cnpj, "PC-A");
    query.Open();
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldByName("CNPJ").AsString(), m_cnpj);
    EXPECT_EQ(Walk(query, "IMPRESSORA"), (std::set<std::string>{"Laser", "Jato de tinta"}));
    finish(query);
    EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());
}

// Statement 2 finds this computer's pending jobs only.
TEST_F(RemotePrintStoreTest, PendingJobsOfThisComputerOnly) {
    m_server->insertJob("impressoes_remotas", guid("a1"), m_cnpj, "PC-A", "1", "S");
    m_server->insertJob("impressoes_remotas", guid("a2"), m_cnpj, "PC-A", "2", "S");
    m_server->insertJob("impressoes_remotas", guid("printed"), m_cnpj, "PC-A", "3", "N");
    m_server->insertJob("impressoes_remotas", guid("b"), m_cnpj, "PC-B", "4", "S");
    m_server->insertJob("impressoes_remotas", guid("other"), m_otherCnpj, "PC-A", "5", "S");
    m_server->insertJob("impressoes_remotas", guid("nozero"), m_cnpjWithoutZero, "PC-A", "6", "S");

    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.Open();
    EXPECT_EQ(Walk(query, "GUID"), (std::set<std::string>{guid("a1"), guid("a2")}));
    finish(query);
}

// A SELECT that matches nothing stands at Eof at once and touches no row.
TEST_F(RemotePrintStoreTest, SelectMatchingNothingIsAtEofAtOnce) {
    m_server->insertPrinter(guid("p"), m_cnpj, "PC-A", "Laser");
    m_server->insertJob("impressoes_remotas", guid("j"), m_cnpj, "PC-A", "x", "S");
    for (DatabaseQuery* query : {&m_store.db_impressoras, &m_store.db_busca_impressao}) {
        SCOPED_TRACE(query->SQL());
        start(*query, m_cnpj, "PC-SEM-NADA");
        query->Open();
        EXPECT_TRUE(query->Eof());
        EXPECT_TRUE(query->Active());
        finish(*query);
        EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());
    }
    EXPECT_EQ(m_server->count("SELECT COUNT(*) FROM impressoes_remotas WHERE CNPJ='" + m_cnpj +
                              "' AND IMPRIMIR='S'"),
              1);
    EXPECT_EQ(
        m_server->count("SELECT COUNT(*) FROM impressoras_remotas WHERE CNPJ='" + m_cnpj + "'"), 1);
}

// Statements 3 and 4 reach every computer of the company, printed and pending jobs alike, and
// nothing of another company.
TEST_F(RemotePrintStoreTest, ClearingStatementsReachTheWholeCompanyOnly) {
    struct Case {
        const char* statement;
        const char* table;
    };
    const Case cases[] = {
        {remote_statements::kApagarImpressoes, "impressoes_remotas"},
        {remote_statements::kApagarImpressoras, "impressoras_remotas"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        int n = 0;
        for (const std::string& cnpj : {m_cnpj, m_otherCnpj, m_cnpjWithoutZero}) {
            for (const char* computador : {"PC-A", "PC-B"}) {
                const std::string id = guid(std::to_string(n++));
                if (std::string(c.table) == "impressoes_remotas") {
                    m_server->insertJob(c.table, id, cnpj, computador, "pdf", n % 2 ? "S" : "N");
                } else {
                    m_server->insertPrinter(id, cnpj, computador, "Laser");
                }
            }
        }
        auto& query = m_store.db_aux;
        m_store.DBConexaoServidorMobile.Open();
        query.Close();
        query.SetSQL(c.statement);
        query.ParamByName("CNPJ") = m_cnpj;
        query.ExecSQL();
        EXPECT_EQ(query.RowsAffected(), 2u);
        m_store.DBConexaoServidorMobile.Close();

        auto count = [&](const std::string& cnpj) {
            return m_server->count(std::string("SELECT COUNT(*) FROM ") + c.table +
                                   " WHERE CNPJ='" + cnpj + "'");
        };
        EXPECT_EQ(count(m_cnpj), 0);
        EXPECT_EQ(count(m_otherCnpj), 2);
        EXPECT_EQ(count(m_cnpjWithoutZero), 2);
    }
}

// Each row's document goes to its file byte for byte, replacing what the file held; a NULL
// document gives an empty file.
TEST_F(RemotePrintStoreTest, DocumentsAreWrittenToTheirFilesByteForByte) {
    const std::string document = EveryByteDocument(3 * 1024 * 1024 + 17);
    m_server->insertJob("impressoes_remotas", guid("1-doc"), m_cnpj, "PC-A", document, "S");
    m_server->insertJob("impressoes_remotas", guid("2-null"), m_cnpj, "PC-A", std::nullopt, "S");
    m_server->insertJob("impressoes_remotas", guid("3-empty"), m_cnpj, "PC-A", std::string(), "S");

    TemporaryDirectory folder;
    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.SetSQL(std::string(remote_statements::kBuscaImpressao) + "\nORDER BY GUID");
    query.ParamByName("CNPJ") = m_cnpj;
    query.ParamByName("COMPUTADOR") = "PC-A";
    query.Open();
    std::vector<std::filesystem::path> files;
    for (; !query.Eof(); query.Next()) {
        const auto file = folder.path() / (query.FieldByName("GUID").AsString() + ".pdf");
        // A longer file of an earlier run is cut to the new document.
        WriteFile(file, std::string(std::size_t{4} << 20, 'x'));
        query.FieldByName("ARQUIVO").SaveToFile(file);
        files.push_back(file);
    }
    finish(query);

    ASSERT_EQ(files.size(), 3u);
    const std::string written = ReadFile(files[0]);
    ASSERT_EQ(written.size(), document.size());
    EXPECT_TRUE(written == document) << "the document changed on its way to the file";
    EXPECT_EQ(std::filesystem::file_size(files[1]), 0u);
    EXPECT_EQ(std::filesystem::file_size(files[2]), 0u);
}

// Marking a job printed (document NULL, IMPRIMIR "N") changes that job only, and the walk goes on
// to the next pending job.
TEST_F(RemotePrintStoreTest, PostedJobIsMarkedPrintedOnTheServer) {
    m_server->insertJob("impressoes_remotas", guid("1"), m_cnpj, "PC-A", "um", "S");
    m_server->insertJob("impressoes_remotas", guid("2"), m_cnpj, "PC-A", "dois", "S");

    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.Open();
    ASSERT_FALSE(query.Eof());
    const std::string handled = query.FieldByName("GUID").AsString();
    query.Edit();
    query.FieldByName("ARQUIVO").Clear();
    query.FieldByName("IMPRIMIR").SetAsString("N");
    query.Post();
    query.Next();
    ASSERT_FALSE(query.Eof());
    const std::string untouched = query.FieldByName("GUID").AsString();
    EXPECT_NE(untouched, handled);
    query.Next();
    EXPECT_TRUE(query.Eof());
    finish(query);

    const auto rows = m_server->rows(
        "SELECT GUID, ARQUIVO, IMPRIMIR FROM impressoes_remotas WHERE CNPJ='" + m_cnpj + "'");
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        if (row[0] == handled) {
            EXPECT_EQ(row[1], std::nullopt);
            EXPECT_EQ(row[2], "N");
        } else {
            EXPECT_EQ(row[0], untouched);
            EXPECT_NE(row[1], std::nullopt);
            EXPECT_EQ(row[2], "S");
        }
    }
}

// Without a primary key, of two jobs with identical values exactly the handled one changes, and
// a delete removes exactly one.
TEST_F(RemotePrintStoreTest, OnlyTheHandledOfTwoIdenticalJobsChangesWithoutAKey) {
    const char* table = "impressoes_remotas_sem_chave";
    m_server->insertJob(table, guid("twin"), m_cnpj, "PC-A", "mesmo documento", "S");
    m_server->insertJob(table, guid("twin"), m_cnpj, "PC-A", "mesmo documento", "S");
    auto pending = [&] {
        return m_server->count(std::string("SELECT COUNT(*) FROM ") + table + " WHERE CNPJ='" +
                               m_cnpj + "' AND IMPRIMIR='S' AND ARQUIVO IS NOT NULL");
    };
    auto printed = [&] {
        return m_server->count(std::string("SELECT COUNT(*) FROM ") + table + " WHERE CNPJ='" +
                               m_cnpj + "' AND IMPRIMIR='N' AND ARQUIVO IS NULL");
    };

    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.SetSQL(kJobsWithoutKey);
    query.ParamByName("CNPJ") = m_cnpj;
    query.ParamByName("COMPUTADOR") = "PC-A";
    query.Open();
    ASSERT_FALSE(query.Eof());
    query.Edit();
    query.FieldByName("ARQUIVO").Clear();
    query.FieldByName("IMPRIMIR").SetAsString("N");
    query.Post();
    EXPECT_EQ(pending(), 1);
    EXPECT_EQ(printed(), 1);

    query.Next();
    ASSERT_FALSE(query.Eof());
    query.Delete();
    EXPECT_TRUE(query.Eof());
    finish(query);
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(printed(), 1);
}

// Deleting from the first row until Eof removes every selected row and nothing else.
TEST_F(RemotePrintStoreTest, DeletingUntilEofRemovesEverySelectedRow) {
    for (int i = 0; i < 3; ++i) {
        m_server->insertPrinter(guid("a" + std::to_string(i)), m_cnpj, "PC-A", "Laser");
    }
    m_server->insertPrinter(guid("b"), m_cnpj, "PC-B", "Laser");

    auto& query = m_store.db_impressoras;
    start(query, m_cnpj, "PC-A");
    query.Open();
    int deleted = 0;
    while (!query.Eof()) {
        query.Delete();
        ++deleted;
    }
    finish(query);
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(m_server->count("SELECT COUNT(*) FROM impressoras_remotas WHERE CNPJ='" + m_cnpj +
                              "' AND COMPUTADOR='PC-A'"),
              0);
    EXPECT_EQ(m_server->count("SELECT COUNT(*) FROM impressoras_remotas WHERE CNPJ='" + m_cnpj +
                              "' AND COMPUTADOR='PC-B'"),
              1);
}

// Inserted rows reach the server with the values assigned, text kept as given.
TEST_F(RemotePrintStoreTest, InsertedRowsArePosted) {
    const std::vector<std::string> printers = {"Laser do balcão", "HP \"LaserJet\" 'M15'"};
    auto& query = m_store.db_impressoras;
    start(query, m_cnpj, "PC-A");
    query.Open();
    ASSERT_TRUE(query.Eof());
    for (std::size_t i = 0; i < printers.size(); ++i) {
        query.Insert();
        query.FieldByName("GUID").SetAsString(guid(std::to_string(i)));
        query.FieldByName("CNPJ").SetAsString(m_cnpj);
        query.FieldByName("COMPUTADOR").SetAsString("PC-A");
        query.FieldByName("IMPRESSORA").SetAsString(printers[i]);
        query.Post();
        EXPECT_EQ(query.FieldByName("IMPRESSORA").AsString(), printers[i]);
    }
    finish(query);

    const auto rows = m_server->rows("SELECT GUID, CNPJ, COMPUTADOR, IMPRESSORA FROM "
                                     "impressoras_remotas WHERE CNPJ='" +
                                     m_cnpj + "' ORDER BY GUID");
    ASSERT_EQ(rows.size(), 2u);
    for (std::size_t i = 0; i < printers.size(); ++i) {
        EXPECT_EQ(rows[i][0], guid(std::to_string(i)));
        EXPECT_EQ(rows[i][1], m_cnpj);
        EXPECT_EQ(rows[i][2], "PC-A");
        EXPECT_EQ(rows[i][3], printers[i]);
    }
}

// A job the server side removed between the SELECT and the update is an error, not a silent
// success; the connection is reset and the next operation works.
TEST_F(RemotePrintStoreTest, PostingAJobRemovedMeanwhileFails) {
    m_server->insertJob("impressoes_remotas", guid("gone"), m_cnpj, "PC-A", "x", "S");
    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.Open();
    ASSERT_FALSE(query.Eof());
    m_server->exec("DELETE FROM impressoes_remotas WHERE GUID='" + guid("gone") + "'");
    query.Edit();
    query.FieldByName("IMPRIMIR").SetAsString("N");
    EXPECT_THROW(query.Post(), DatabaseError);
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());

    start(query, m_cnpj, "PC-A");
    query.Open();
    EXPECT_TRUE(query.Eof());
    finish(query);
}

// A statement the server refuses raises its own message as a rejected statement; the connection
// is reset and the next operation runs normally and closes it.
TEST_F(RemotePrintStoreTest, RejectedStatementCarriesTheServersMessage) {
    m_server->insertPrinter(guid("p"), m_cnpj, "PC-A", "Laser");
    auto& query = m_store.db_aux;
    m_store.DBConexaoServidorMobile.Open();
    query.SetSQL("delete FROM tabela_que_nao_existe WHERE CNPJ=:CNPJ ");
    query.ParamByName("CNPJ") = m_cnpj;
    try {
        query.ExecSQL();
        FAIL() << "the statement ran";
    } catch (const StatementRejectedError& error) {
        EXPECT_THAT(error.what(), HasSubstr("tabela_que_nao_existe' doesn't exist"));
    }
    EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());

    m_store.DBConexaoServidorMobile.Open();
    query.SetSQL(remote_statements::kApagarImpressoras);
    query.ParamByName("CNPJ") = m_cnpj;
    query.ExecSQL();
    m_store.DBConexaoServidorMobile.Close();
    EXPECT_EQ(query.RowsAffected(), 1u);
}

// A refused login raises the server's own message.
TEST_F(RemotePrintStoreTest, WrongPasswordGivesTheServersMessage) {
    ConnectionSettings settings = ConnectionSettings::FromDeployment();
    settings.password = "senha-errada";
    RemotePrintStore store(settings);
    try {
        store.db_busca_impressao.ParamByName("CNPJ") = m_cnpj;
        store.db_busca_impressao.ParamByName("COMPUTADOR") = "PC-A";
        store.db_busca_impressao.Open();
        FAIL() << "the login was accepted";
    } catch (const ConnectionFailedError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Access denied for user '" + settings.user + "'"));
        EXPECT_EQ(error.code(), 1045u);
    }
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
}

// Parameters follow the statement text: names are matched without regard to case, one name used
// twice takes one value, a name inside quotes is plain text, and a replaced statement keeps only
// the names it has.
TEST_F(RemotePrintStoreTest, ParametersFollowTheStatementText) {
    m_server->insertPrinter(guid("p"), m_cnpj, "PC-A", ":COMPUTADOR");
    m_server->insertPrinter(guid("q"), m_cnpj, "PC-A", "Laser");
    auto& query = m_store.db_impressoras;
    query.SetSQL("SELECT * FROM impressoras_remotas WHERE CNPJ=:cnpj\n"
                 "AND IMPRESSORA=':COMPUTADOR' AND :CNPJ=CNPJ");
    EXPECT_THROW(query.ParamByName("COMPUTADOR"), DatabaseError);
    query.ParamByName("CNPJ") = m_cnpj;
    query.Open();
    EXPECT_EQ(Walk(query, "IMPRESSORA"), std::set<std::string>{":COMPUTADOR"});
    finish(query);

    query.SetSQL(remote_statements::kApagarImpressoras);
    EXPECT_THROW(query.ParamByName("COMPUTADOR"), DatabaseError);
    EXPECT_EQ(query.ParamByName("CNPJ"), m_cnpj);
}

// A document that cannot be written (here: its folder does not exist) is an error naming the
// file and the reason, and the connection is reset.
TEST_F(RemotePrintStoreTest, UnwritableFileNamesTheFileAndTheReason) {
    m_server->insertJob("impressoes_remotas", guid("j"), m_cnpj, "PC-A", "documento", "S");
    TemporaryDirectory folder;
    const auto file = folder.path() / "PDF" / "job.pdf";
    auto& query = m_store.db_busca_impressao;
    start(query, m_cnpj, "PC-A");
    query.Open();
    ASSERT_FALSE(query.Eof());
    try {
        query.FieldByName("ARQUIVO").SaveToFile(file);
        FAIL() << "the document was written";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr(file.string()));
        EXPECT_THAT(error.what(), HasSubstr("No such file or directory"));
    }
    EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());
}
