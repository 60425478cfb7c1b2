#include "messaging/TFalavix.h"

#include "LoopbackHttpServer.h"
#include "MultipartForm.h"
#include "SelfSignedCertificate.h"
#include "messaging/MessagingError.h"
#include "support/TemporaryDirectory.h"

#include <chrono>
#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// Every byte value several times over, then random bytes with the sequences that frame a
// multipart body ("\r\n--") planted among them.
std::string EveryByteValue(std::size_t size) {
    std::string bytes(size, '\0');
    std::mt19937 random(20261211);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i < 4096 ? i % 256 : random() % 256);
    }
    for (std::size_t at = 5000; at + 4 < size; at += 100003) {
        bytes.replace(at, 4, "\r\n--");
    }
    return bytes;
}

// A quoted-printable text as the wire must carry it: printable ASCII in lines of at most 76.
void ExpectQuotedPrintableWireForm(const std::string& encoded) {
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= encoded.size(); ++i) {
        if (i == encoded.size() || encoded.compare(i, 2, "\r\n") == 0) {
            EXPECT_LE(i - lineStart, 76u) << encoded;
            lineStart = i + 2;
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(encoded[i]);
        EXPECT_TRUE((c >= 32 && c < 127) || c == '\t') << "byte " << int(c) << " in " << encoded;
    }
}

class TFalavixTest : public ::testing::Test {
protected:
    TFalavixTest() {
        falavix.SetUrl(server.Url());
        falavix.SetToken("tok-123");
        falavix.SetUserID(7);
        falavix.SetQueueID(3);
    }

    std::string SmallMedia() {
        const fs::path path = folder.path() / "nota.pdf";
        WriteFile(path, "%PDF-1.4 conteúdo");
        return path.string();
    }

    CapturedRequest LastRequest() const {
        const auto requests = server.Requests();
        EXPECT_FALSE(requests.empty());
        return requests.empty() ? CapturedRequest{} : requests.back();
    }

    std::vector<FormPart> LastForm() const {
        const CapturedRequest request = LastRequest();
        return ParseMultipartForm(request.Header("Content-Type"), request.body);
    }

    TemporaryDirectory folder;
    LoopbackHttpServer server;
    TFalavix falavix;
};

TEST_F(TFalavixTest, TextMessageGoesOutAsExactJsonWithVerbatimHeaders) {
    ASSERT_TRUE(falavix.EnviarMensagem("+55 (11) 99999-0000", "Olá \"mundo\" \\ fim\nação"));

    const CapturedRequest request = LastRequest();
    EXPECT_EQ(request.RequestLine(), "POST /api/messages/send HTTP/1.1");
    EXPECT_EQ(
        request.body,
        R"({"number":"+55 (11) 99999-0000","body":"Olá \"mundo\" \\ fim\nação","userId":"7","queueId":"3","openTicket":"0"})");
    EXPECT_NE(request.head.find("\r\nContent-Type: application/json\r\n"), std::string::npos)
        << request.head;
    EXPECT_NE(request.head.find("\r\nAuthorization: Bearer tok-123\r\n"), std::string::npos)
        << request.head;
    EXPECT_EQ(request.Header("Content-Type"), "application/json");
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()));
    EXPECT_EQ(falavix.LastError(), "");
}

TEST_F(TFalavixTest, IdentifiersGoOutAsDecimalTextInBothRequests) {
    const std::string media = SmallMedia();
    const struct {
        int userId;
        int queueId;
        const char* userText;
        const char* queueText;
    } cases[] = {
        {-5, 0, "-5", "0"},
        {0, 0, "0", "0"},
        {INT_MIN, INT_MAX, "-2147483648", "2147483647"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userText);
        falavix.SetUserID(c.userId);
        falavix.SetQueueID(c.queueId);

        ASSERT_TRUE(falavix.EnviarMensagem("1", "x"));
        EXPECT_NE(LastRequest().body.find(std::string(R"("userId":")") + c.userText +
                                          R"(","queueId":")" + c.queueText + R"(")"),
                  std::string::npos)
            << LastRequest().body;

        ASSERT_TRUE(falavix.EnviarMidia("1", media, "x"));
        const auto parts = LastForm();
        ASSERT_EQ(parts.size(), 6u);
        EXPECT_EQ(DecodeQuotedPrintable(parts[1].content), c.userText);
        EXPECT_EQ(DecodeQuotedPrintable(parts[2].content), c.queueText);
    }
}

TEST_F(TFalavixTest, EmptyTokenStillSendsBearerAndOneBlank) {
    falavix.SetToken("");
    ASSERT_TRUE(falavix.EnviarMensagem("1", "x"));
    EXPECT_NE(LastRequest().head.find("\r\nAuthorization: Bearer \r\n"), std::string::npos)
        << LastRequest().head;
    ASSERT_TRUE(falavix.EnviarMidia("1", SmallMedia(), "x"));
    EXPECT_NE(LastRequest().head.find("\r\nAuthorization: Bearer \r\n"), std::string::npos)
        << LastRequest().head;
}

// The two operations read the same reply differently: only 200 is a sent text message, while
// any 2xx is an accepted upload and every other status raises.
TEST_F(TFalavixTest, ReplyStatusesDecideEachOperationsOutcome) {
    const std::string media = SmallMedia();
    const struct {
        const char* statusLine;
        const char* replyBody;
        bool messageSent;
        const char* lastError;
        long mediaRaisesWith; // 0: accepted
        const char* reason;
    } cases[] = {
        {"HTTP/1.1 200 OK", "{}", true, "", 0, ""},
        {"HTTP/1.1 201 Created", "", false, "Erro ao enviar mensagem: Created", 0, ""},
        {"HTTP/1.1 204 No Content", "", false, "Erro ao enviar mensagem: No Content", 0, ""},
        {"HTTP/1.1 302 Found", "", false, "Erro ao enviar mensagem: Found", 302, "Found"},
        {"HTTP/1.1 404 Not Found", "rota inexistente", false, "Erro ao enviar mensagem: Not Found",
         404, "Not Found"},
        {"HTTP/1.1 500 Internal Server Error", R"({"error":"falhou"})", false,
         "Erro ao enviar mensagem: Internal Server Error", 500, "Internal Server Error"},
        {"HTTP/1.1 201", "", false, "Erro ao enviar mensagem: ", 0, ""},
        {"HTTP/1.1 500", "", false, "Erro ao enviar mensagem: ", 500, ""},
        {"HTTP/1.1 503 Serviço indisponível", "", false,
         "Erro ao enviar mensagem: Serviço indisponível", 503, "Serviço indisponível"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statusLine);
        server.Respond(c.statusLine, c.replyBody);

        EXPECT_EQ(falavix.EnviarMensagem("1", "x"), c.messageSent);
        EXPECT_EQ(falavix.LastError(), c.lastError);

        if (c.mediaRaisesWith == 0) {
            EXPECT_TRUE(falavix.EnviarMidia("1", media, "x"));
        } else {
            try {
                falavix.EnviarMidia("1", media, "x");
                ADD_FAILURE() << "no error raised";
            } catch (const GatewayStatusError& error) {
                EXPECT_EQ(error.StatusCode(), c.mediaRaisesWith);
                EXPECT_EQ(error.ReasonPhrase(), c.reason);
                EXPECT_EQ(error.Body(), c.replyBody);
                const std::string text = error.what();
                const std::string status = "HTTP " + std::to_string(c.mediaRaisesWith) +
                                           (*c.reason != '\0' ? std::string(" ") + c.reason : "");
                EXPECT_NE(text.find(status), std::string::npos) << text;
                EXPECT_NE(text.find(c.replyBody), std::string::npos) << text;
            }
        }
        EXPECT_EQ(falavix.LastError(), c.lastError) << "changed by the media call";
    }
}

TEST_F(TFalavixTest, ClosedPortRaisesForBothAndLeavesLastErrorEmpty) {
    server.Respond("HTTP/1.1 500 Internal Server Error");
    ASSERT_FALSE(falavix.EnviarMensagem("1", "x"));
    ASSERT_NE(falavix.LastError(), "");

    const RefusingPort closed;
    falavix.SetUrl(closed.Url());
    try {
        falavix.EnviarMensagem("1", "x");
        ADD_FAILURE() << "no error raised";
    } catch (const GatewayStatusError&) {
        ADD_FAILURE() << "a refused connection is not a reply";
    } catch (const MessagingError& error) {
        EXPECT_NE(std::string(error.what()).find(closed.Url()), std::string::npos) << error.what();
    }
    EXPECT_EQ(falavix.LastError(), "");
    EXPECT_THROW(falavix.EnviarMidia("1", SmallMedia(), "x"), MessagingError);
}

TEST_F(TFalavixTest, MediaFormCarriesSixPartsInOrderWithTheFileIntact) {
    const std::string fileBytes = EveryByteValue(5 * 1024 * 1024);
    const fs::path path = folder.path() / "pasta com espaço" / "foto.JPG";
    WriteFile(path, fileBytes);
    const std::string text =
        "Preço = R$ 10,00; ação=ok\r\nsegunda linha\n" + std::string(200, 'a') + " =?fim?= ";

    ASSERT_TRUE(falavix.EnviarMidia("5511988887777", path.string(), text));

    const CapturedRequest request = LastRequest();
    EXPECT_EQ(request.RequestLine(), "POST /api/messages/send HTTP/1.1");
    EXPECT_EQ(request.Header("Authorization"), "Bearer tok-123");
    const auto parts = ParseMultipartForm(request.Header("Content-Type"), request.body);
    ASSERT_EQ(parts.size(), 6u);

    const struct {
        const char* name;
        std::string value;
    } fields[] = {
        {"number", "5511988887777"}, {"userId", "7"}, {"queueId", "3"}, {"body", text},
        {"openTicket", "0"},
    };
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        SCOPED_TRACE(fields[i].name);
        EXPECT_EQ(parts[i].name, fields[i].name);
        EXPECT_FALSE(parts[i].fileName.has_value());
        EXPECT_EQ(parts[i].contentType, "text/plain; charset=UTF-8");
        EXPECT_EQ(parts[i].transferEncoding, "quoted-printable");
        ExpectQuotedPrintableWireForm(parts[i].content);
        EXPECT_EQ(DecodeQuotedPrintable(parts[i].content), fields[i].value);
    }

    const FormPart& media = parts[5];
    EXPECT_EQ(media.name, "medias");
    EXPECT_EQ(media.fileName, "foto.JPG");
    EXPECT_EQ(media.contentType, "image/jpeg");
    EXPECT_EQ(media.transferEncoding, "binary");
    ASSERT_EQ(media.content.size(), fileBytes.size());
    EXPECT_TRUE(media.content == fileBytes) << "the file's bytes changed on the way";
}

TEST_F(TFalavixTest, EmptyAccompanyingTextStillSendsTheBodyPart) {
    ASSERT_TRUE(falavix.EnviarMidia("1", SmallMedia(), ""));
    const auto parts = LastForm();
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[3].name, "body");
    EXPECT_EQ(parts[3].content, "");
    EXPECT_EQ(parts[4].name, "openTicket");
}

TEST_F(TFalavixTest, UnusableMediaFileRaisesBeforeAnyConnection) {
    fs::create_directories(folder.path() / "pasta.jpg");
    std::vector<fs::path> cases = {folder.path() / "nao-existe.jpg", folder.path() / "pasta.jpg"};
    if (::geteuid() != 0) { // root reads a file whatever its permissions
        const fs::path locked = folder.path() / "trancado.jpg";
        WriteFile(locked, "x");
        fs::permissions(locked, fs::perms::none);
        cases.push_back(locked);
    }
    for (const auto& path : cases) {
        SCOPED_TRACE(path);
        try {
            falavix.EnviarMidia("1", path.string(), "x");
            ADD_FAILURE() << "no error raised";
        } catch (const MessagingError& error) {
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(TFalavixTest, RequestsThatCannotGoOutAsGivenRaiseBeforeAnyConnection) {
    falavix.SetToken("tok\r\nX-Injected: 1");
    EXPECT_THROW(falavix.EnviarMensagem("1", "x"), MessagingError);
    EXPECT_THROW(falavix.EnviarMidia("1", SmallMedia(), "x"), MessagingError);

    falavix.SetToken("tok");
    EXPECT_THROW(falavix.EnviarMensagem("1", "meia letra \xC3"), MessagingError);
    EXPECT_EQ(falavix.LastError(), "");
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(TFalavixTest, LastErrorOfATextMessageOutlivesMediaCallsUntilTheNextTextMessage) {
    const std::string media = SmallMedia();
    server.Respond("HTTP/1.1 502 Bad Gateway");
    ASSERT_FALSE(falavix.EnviarMensagem("1", "x"));
    const std::string expected = "Erro ao enviar mensagem: Bad Gateway";
    ASSERT_EQ(falavix.LastError(), expected);

    EXPECT_THROW(falavix.EnviarMidia("1", media, "x"), GatewayStatusError);
    server.Respond("HTTP/1.1 200 OK");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(falavix.EnviarMidia("1", media, "x"));
    }
    EXPECT_THROW(falavix.EnviarMidia("1", (folder.path() / "sumiu.png").string(), "x"),
                 MessagingError);
    EXPECT_EQ(falavix.LastError(), expected);

    EXPECT_TRUE(falavix.EnviarMensagem("1", "x"));
    EXPECT_EQ(falavix.LastError(), "");
}

TEST_F(TFalavixTest, GatewayThatNeverAnswersIsGivenUpAfterTheStallLimit) {
    server.NeverAnswer();
    falavix.SetStallTimeout(1s);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(falavix.EnviarMensagem("1", "x"), MessagingError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_EQ(falavix.LastError(), "");
    EXPECT_EQ(server.Requests().size(), 1u) << "the request itself went out";
}

class TFalavixTlsTest : public ::testing::Test {
protected:
    TFalavixTlsTest() {
        falavix.SetUrl(server.Url());
        falavix.SetToken("tok-tls");
        WriteFile(media, "imagem");
    }

    TemporaryDirectory folder;
    SelfSignedCertificate certificate{folder.path()};
    LoopbackHttpServer server{
        LoopbackHttpServer::Tls{certificate.CertificateFile(), certificate.KeyFile()}};
    fs::path media = folder.path() / "imagem.png";
    TFalavix falavix;
};

TEST_F(TFalavixTlsTest, SelfSignedGatewayIsRefusedWithoutItsCaFile) {
    fs::create_directories(folder.path() / "outra");
    const SelfSignedCertificate stranger(folder.path() / "outra");
    const std::string caFiles[] = {"", stranger.CertificateFile().string()};
    for (const auto& caFile : caFiles) {
        SCOPED_TRACE(caFile);
        falavix.SetCaFile(caFile);
        EXPECT_THROW(falavix.EnviarMensagem("1", "x"), MessagingError);
        EXPECT_EQ(falavix.LastError(), "");
        EXPECT_THROW(falavix.EnviarMidia("1", media.string(), "x"), MessagingError);
    }
    EXPECT_EQ(server.Connections(), 4);
    EXPECT_TRUE(server.Requests().empty()) << "a request went out over an untrusted connection";
}

TEST_F(TFalavixTlsTest, GatewayTrustedThroughTheCaFileGetsBothRequests) {
    falavix.SetCaFile(certificate.CertificateFile().string());
    ASSERT_TRUE(falavix.EnviarMensagem("1", "olá"));
    ASSERT_TRUE(falavix.EnviarMidia("1", media.string(), "olá"));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].body,
              R"({"number":"1","body":"olá","userId":"0","queueId":"0","openTicket":"0"})");
    EXPECT_EQ(requests[0].Header("Authorization"), "Bearer tok-tls");
    const auto parts = ParseMultipartForm(requests[1].Header("Content-Type"), requests[1].body);
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[5].fileName, "imagem.png");
    EXPECT_EQ(parts[5].content, "imagem");
    EXPECT_EQ(requests[1].Header("Authorization"), "Bearer tok-tls");
}

} // namespace
