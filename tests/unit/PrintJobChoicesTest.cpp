#include "printing/PrintJobChoices.h"

#include "common/TParametros.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(PrintJobChoicesTest, BackendFollowsSumatraThenAdobe) {
    struct Case {
        const char* sumatra;
        const char* adobe;
        PrintBackend expected;
    };
    const Case cases[] = {
        {"S", "S", PrintBackend::Sumatra}, {"S", "N", PrintBackend::Sumatra},
        {"", "N", PrintBackend::Sumatra},  {"", "", PrintBackend::Sumatra},
        {"N", "S", PrintBackend::Acrobat}, {"N", "", PrintBackend::Acrobat},
        {"s", "", PrintBackend::Acrobat},  {"N", "N", PrintBackend::None},
        {"s", "N", PrintBackend::None},    {"N", "s", PrintBackend::None},
        {" S", "S ", PrintBackend::None},  {"SIM", "SS", PrintBackend::None},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string("SUMATRA=\"") + row.sumatra + "\" ADOBE=\"" + row.adobe + "\"");
        TParametros parametros;
        parametros.Sumatra = row.sumatra;
        parametros.Adobe = row.adobe;
        EXPECT_EQ(ChoosePrintBackend(parametros), row.expected);
    }
}

TEST(PrintJobChoicesTest, DeletesOnlyForExactlyS) {
    struct Case {
        const char* apagar;
        bool expected;
    };
    const Case cases[] = {{"S", true},   {"s", false},  {"", false},   {"N", false},
                          {"S ", false}, {" S", false}, {"SIM", false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string("APAGAR=\"") + row.apagar + "\"");
        TParametros parametros;
        parametros.Apagar = row.apagar;
        EXPECT_EQ(DeletesSpoolFile(parametros), row.expected);
    }
}

TEST(PrintJobChoicesTest, SpoolPathIsTheGuidUnderPdf) {
    EXPECT_EQ(SpoolFilePath("/srv/agente", "{0A1B2C3D-0000-4000-8000-00000000000F}"),
              "/srv/agente/PDF/{0A1B2C3D-0000-4000-8000-00000000000F}.pdf");
    EXPECT_EQ(SpoolFilePath("/srv/agente", ""), "/srv/agente/PDF/.pdf");
    EXPECT_EQ(SpoolFilePath("/pasta com espaço", "a b"), "/pasta com espaço/PDF/a b.pdf");
}

TEST(PrintJobChoicesTest, GuidsThatStayInsideThePdfFolderAreAccepted) {
    const std::string cases[] = {
        "{0A1B2C3D-0000-4000-8000-00000000000F}",
        "",
        ".",
        "a.b",
        "nota fiscal nº 12",
        "C:nome",
        std::string(200, 'x'),
        // 200 characters of two bytes each.
        [] {
            std::string text;
            for (int i = 0; i < 200; ++i) {
                text += "ç";
            }
            return text;
        }(),
    };
    for (const auto& guid : cases) {
        SCOPED_TRACE("GUID \"" + guid + "\"");
        EXPECT_EQ(UnsafeSpoolNameReason(guid), std::nullopt);
    }
}

TEST(PrintJobChoicesTest, GuidsThatCouldLeaveThePdfFolderAreRefused) {
    struct Case {
        std::string guid;
        const char* reason;
    };
    const Case cases[] = {
        {"../App", "contém separador de caminho"},
        {"sub/arquivo", "contém separador de caminho"},
        {"/etc/passwd", "contém separador de caminho"},
        {"..\\..\\App", "contém separador de caminho"},
        {"..", "contém \"..\""},
        {"a..b", "contém \"..\""},
        {"linha\nnova", "contém caractere de controle"},
        {std::string("nul\0meio", 8), "contém caractere de controle"},
        {"tab\t", "contém caractere de controle"},
        {"del\x7f", "contém caractere de controle"},
        {std::string(201, 'x'), "tem mais de 200 caracteres"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE("GUID \"" + row.guid + "\"");
        EXPECT_EQ(UnsafeSpoolNameReason(row.guid), row.reason);
    }
}

} // namespace
