// Runs the window tests inside one QApplication set up as the agent's main() sets it up.
#include "common/MessageTexts.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // No display needed: Qt's offscreen platform unless the caller chose another one.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    testing::InitGoogleTest(&argc, argv);

    QApplication app(argc, argv);
    const QString title = QString::fromUtf8(texts::kApplicationTitle);
    QApplication::setApplicationName(title);
    QApplication::setQuitOnLastWindowClosed(false);

    return RUN_ALL_TESTS();
}
