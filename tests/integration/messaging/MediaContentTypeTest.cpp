#include "messaging/MediaContentType.h"

#include <gtest/gtest.h>

TEST(MediaContentType, ChosenFromTheLastExtensionIgnoringLetterCase) {
    const struct {
        const char* fileName;
        const char* expected;
    } cases[] = {
        {"foto.jpg", "image/jpeg"},
        {"FOTO.JPEG", "image/jpeg"},
        {"recibo.Pdf", "application/pdf"},
        {"audio.ogg", "audio/ogg"},
        {"video.mp4", "video/mp4"},
        {"relatorio.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"arquivo.tar.zip", "application/zip"},
        {"nota.pdf.exe", "application/octet-stream"},
        {"semextensao", "application/octet-stream"},
        {"termina.em.ponto.", "application/octet-stream"},
        {"pasta.jpg/arquivo", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        EXPECT_EQ(MediaContentType(c.fileName), c.expected);
    }
}
