#pragma once

#include <chrono>
#include <string>
#include <utility>

// Client of the HTTP messaging gateway that delivers text messages and media files to phone
// numbers. Each call is one POST to Url, built and torn down within the call and blocking the
// caller until the exchange ends. One instance serves one thread at a time.
//
// The two operations report failure differently: EnviarMensagem returns false and leaves the
// reason in LastError for any status but 200; EnviarMidia returns true for any 2xx and raises
// GatewayStatusError for every other status. Both raise MessagingError when no exchange with the
// gateway takes place.
class TFalavix {
public:
    // How long an exchange may go without a single byte moving either way before it is given up.
    static constexpr std::chrono::seconds kDefaultStallTimeout{120};

    int UserID() const { return m_userId; }
    void SetUserID(int userId) { m_userId = userId; }
    int QueueID() const { return m_queueId; }
    void SetQueueID(int queueId) { m_queueId = queueId; }
    const std::string& Token() const { return m_token; }
    void SetToken(std::string token) { m_token = std::move(token); }
    const std::string& Url() const { return m_url; }
    void SetUrl(std::string url) { m_url = std::move(url); }
    // Failure text of the latest EnviarMensagem; empty after a success or a raised error.
    const std::string& LastError() const { return m_lastError; }

    // A PEM file of certificates trusted in addition to the system's trust store, for a gateway
    // whose certificate comes from a private authority. Empty: the system's store alone.
    const std::string& CaFile() const { return m_caFile; }
    void SetCaFile(std::string caFile) { m_caFile = std::move(caFile); }
    std::chrono::seconds StallTimeout() const { return m_stallTimeout; }
    void SetStallTimeout(std::chrono::seconds timeout) { m_stallTimeout = timeout; }

    // Posts {"number","body","userId","queueId","openTicket"} as JSON. True only for status 200;
    // any other status gives false with LastError = "Erro ao enviar mensagem: " + reason phrase.
    bool EnviarMensagem(const std::string& Numero, const std::string& Mensagem);

    // Uploads the file ArquivoMidia, streamed from disk, with the accompanying text as a
    // multipart form. True for any 2xx. A file that cannot be read raises before any connection.
    // LastError is neither read nor changed.
    bool EnviarMidia(const std::string& NumeroTelefone, const std::string& ArquivoMidia,
                     const std::string& ConteudoMensagem);

private:
    int m_userId = 0;
    int m_queueId = 0;
    std::string m_token;
    std::string m_url;
    std::string m_lastError;
    std::string m_caFile;
    std::chrono::seconds m_stallTimeout = kDefaultStallTimeout;
};
