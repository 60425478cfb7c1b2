#include "messaging/TFalavix.h"

#include "common/UniqueFd.h"
#include "messaging/MediaContentType.h"
#include "messaging/MessagingError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const noexcept { curl_easy_cleanup(curl); }
};
struct MimeDeleter {
    void operator()(curl_mime* mime) const noexcept { curl_mime_free(mime); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using MimePtr = std::unique_ptr<curl_mime, MimeDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// The largest part of a reply body kept for an error report.
constexpr std::size_t kMaxKeptBody = 64 * 1024;
// The largest part of a reply body quoted in an error's text.
constexpr std::size_t kMaxQuotedBody = 1024;

// What the exchange brought back: the reason phrase of the final status line and, when asked
// for, the start of the body.
struct Reply {
    bool keepBody = false;
    std::string reasonPhrase;
    std::string body;
    char errorText[CURL_ERROR_SIZE] = {};
};

// libcurl callbacks must not throw: a failure to keep what arrives aborts the exchange instead.
std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* userData) noexcept {
    auto& reply = *static_cast<Reply*>(userData);
    const std::string_view line(data, size * count);
    // Status lines: "HTTP/1.1 100 Continue" may precede the final one, which is kept.
    if (!line.starts_with("HTTP/")) {
        return size * count;
    }
    reply.reasonPhrase.clear();
    auto rest = line.substr(std::min(line.find(' '), line.size()));
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const auto afterCode = rest.find(' ');
    if (afterCode != std::string_view::npos) {
        auto reason = rest.substr(afterCode + 1);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) {
            reason.remove_suffix(1);
        }
        try {
            reply.reasonPhrase = reason;
        } catch (...) {
            return 0;
        }
    }
    return size * count;
}

std::size_t OnBodyData(char* data, std::size_t size, std::size_t count, void* userData) noexcept {
    auto& reply = *static_cast<Reply*>(userData);
    if (reply.keepBody && reply.body.size() < kMaxKeptBody) {
        try {
            reply.body.append(data, std::min(size * count, kMaxKeptBody - reply.body.size()));
        } catch (...) {
            return 0;
        }
    }
    return size * count;
}

void Check(CURLcode code, const char* what) {
    if (code != CURLE_OK) {
        throw MessagingError(std::string(what) + ": " + curl_easy_strerror(code));
    }
}

void SetupCheck(CURLcode code) {
    Check(code, "Erro ao preparar o envio");
}

// A header line taken as given; a line break inside it would smuggle in headers of its own.
void AppendHeader(SlistPtr& list, const std::string& line) {
    if (line.find_first_of("\r\n") != std::string::npos) {
        throw MessagingError("Cabeçalho HTTP com quebra de linha recusado: o token do gateway de "
                             "mensagens não pode conter quebras de linha");
    }
    curl_slist* head = curl_slist_append(list.get(), line.c_str());
    if (head == nullptr) {
        throw std::bad_alloc();
    }
    (void)list.release(); // head is the same list, now one entry longer
    list.reset(head);
}

// A request to url with the settings both operations share: HTTP/1.1 (the reason phrase exists
// only there), http and https only, no redirects (libcurl's default), certificates verified
// against the system's store plus the optional CA file, and a stall limit so that a gateway that
// stops answering cannot hold the caller forever.
CurlPtr NewRequest(const std::string& url, const std::string& caFile,
                   std::chrono::seconds stallTimeout, Reply& reply) {
    CurlPtr curl(curl_easy_init());
    if (!curl) {
        throw MessagingError("Erro ao preparar o envio: não foi possível iniciar o cliente HTTP");
    }
    CURL* h = curl.get();
    SetupCheck(curl_easy_setopt(h, CURLOPT_ERRORBUFFER, reply.errorText));
    SetupCheck(curl_easy_setopt(h, CURLOPT_URL, url.c_str()));
    SetupCheck(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
    SetupCheck(curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    SetupCheck(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
    if (!caFile.empty()) {
        // The system's certificate folder (libcurl's CA path) stays in use beside this file.
        SetupCheck(curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str()));
    }
    SetupCheck(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L));
    SetupCheck(
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallTimeout.count())));
    SetupCheck(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeaderLine));
    SetupCheck(curl_easy_setopt(h, CURLOPT_HEADERDATA, &reply));
    SetupCheck(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBodyData));
    SetupCheck(curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply));
    return curl;
}

// Runs the exchange and returns the final status code; no exchange raises.
long Perform(CURL* curl, const std::string& url, const Reply& reply) {
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        const std::string detail =
            reply.errorText[0] != '\0' ? reply.errorText : curl_easy_strerror(code);
        throw MessagingError("Falha na comunicação com o gateway de mensagens (" + url +
                             "): " + detail);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// The media file, opened before any connection is made and read while the request is sent.
struct MediaFile {
    UniqueFd fd;
    curl_off_t size = 0;
};

MediaFile OpenMediaFile(const std::string& path) {
    const auto failure = [&path](const std::string& why) {
        return MessagingError("Não foi possível ler o arquivo de mídia \"" + path + "\": " + why);
    };
    MediaFile file{UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), 0};
    if (!file.fd) {
        throw failure(std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file.fd.get(), &status) != 0) {
        throw failure(std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        throw failure("não é um arquivo comum");
    }
    file.size = static_cast<curl_off_t>(status.st_size);
    return file;
}

std::size_t ReadMedia(char* buffer, std::size_t size, std::size_t count, void* userData) noexcept {
    const int fd = static_cast<MediaFile*>(userData)->fd.get();
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size * count);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            return CURL_READFUNC_ABORT;
        }
    }
}

int SeekMedia(void* userData, curl_off_t offset, int origin) noexcept {
    const int fd = static_cast<MediaFile*>(userData)->fd.get();
    return ::lseek(fd, static_cast<off_t>(offset), origin) < 0 ? CURL_SEEKFUNC_FAIL
                                                               : CURL_SEEKFUNC_OK;
}

void FormCheck(CURLcode code) {
    Check(code, "Erro ao montar o formulário da mídia");
}

curl_mimepart* AddPart(curl_mime* mime) {
    curl_mimepart* part = curl_mime_addpart(mime);
    if (part == nullptr) {
        throw std::bad_alloc();
    }
    return part;
}

// A form field: text/plain in UTF-8, quoted-printable on the wire, no file name.
void AddTextPart(curl_mime* mime, const char* name, const std::string& value) {
    curl_mimepart* part = AddPart(mime);
    FormCheck(curl_mime_name(part, name));
    FormCheck(curl_mime_data(part, value.data(), value.size()));
    FormCheck(curl_mime_type(part, "text/plain; charset=UTF-8"));
    FormCheck(curl_mime_encoder(part, "quoted-printable"));
}

} // namespace

GatewayStatusError::GatewayStatusError(long statusCode, std::string reasonPhrase, std::string body)
    : MessagingError("Erro ao enviar mídia: HTTP " + std::to_string(statusCode) +
                     (reasonPhrase.empty() ? "" : " " + reasonPhrase) +
                     (body.empty() ? "" : " - " + body.substr(0, kMaxQuotedBody))),
      m_statusCode(statusCode), m_reasonPhrase(std::move(reasonPhrase)), m_body(std::move(body)) {}

bool TFalavix::EnviarMensagem(const std::string& Numero, const std::string& Mensagem) {
    m_lastError.clear();

    nlohmann::ordered_json message;
    message["number"] = Numero;
    message["body"] = Mensagem;
    message["userId"] = std::to_string(m_userId);
    message["queueId"] = std::to_string(m_queueId);
    message["openTicket"] = "0";
    std::string body;
    try {
        body = message.dump();
    } catch (const nlohmann::json::type_error&) {
        throw MessagingError("Erro ao enviar mensagem: o número ou o texto não é UTF-8 válido");
    }

    SlistPtr headers;
    AppendHeader(headers, "Content-Type: application/json");
    AppendHeader(headers, "Authorization: Bearer " + m_token);

    Reply reply;
    CurlPtr curl = NewRequest(m_url, m_caFile, m_stallTimeout, reply);
    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get()));
    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_POST, 1L));
    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(body.size())));
    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.data()));

    if (Perform(curl.get(), m_url, reply) == 200) {
        return true;
    }
    m_lastError = "Erro ao enviar mensagem: " + reply.reasonPhrase;
    return false;
}

bool TFalavix::EnviarMidia(const std::string& NumeroTelefone, const std::string& ArquivoMidia,
                           const std::string& ConteudoMensagem) {
    MediaFile file = OpenMediaFile(ArquivoMidia);
    const std::string fileName = std::filesystem::path(ArquivoMidia).filename().string();

    SlistPtr headers;
    AppendHeader(headers, "Authorization: Bearer " + m_token);

    Reply reply;
    reply.keepBody = true;
    MimePtr form; // outlives the handle that sends it
    CurlPtr curl = NewRequest(m_url, m_caFile, m_stallTimeout, reply);
    form.reset(curl_mime_init(curl.get()));
    if (!form) {
        throw std::bad_alloc();
    }
    AddTextPart(form.get(), "number", NumeroTelefone);
    AddTextPart(form.get(), "userId", std::to_string(m_userId));
    AddTextPart(form.get(), "queueId", std::to_string(m_queueId));
    AddTextPart(form.get(), "body", ConteudoMensagem);
    AddTextPart(form.get(), "openTicket", "0");
    curl_mimepart* media = AddPart(form.get());
    FormCheck(curl_mime_name(media, "medias"));
    FormCheck(curl_mime_data_cb(media, file.size, &ReadMedia, &SeekMedia, nullptr, &file));
    FormCheck(curl_mime_filename(media, fileName.c_str()));
    FormCheck(curl_mime_type(media, MediaContentType(fileName).c_str()));
    FormCheck(curl_mime_encoder(media, "binary"));

    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get()));
    SetupCheck(curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, form.get()));

    const long status = Perform(curl.get(), m_url, reply);
    if (status >= 200 && status < 300) {
        return true;
    }
    throw GatewayStatusError(status, std::move(reply.reasonPhrase), std::move(reply.body));
}
