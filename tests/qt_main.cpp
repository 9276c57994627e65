// The Qt tests need one QApplication for the whole run. They are headless:
// without an explicit platform they use the offscreen one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The offscreen platform warns about window hints it cannot honour; that
// says nothing about the program and only buries the test output.
QtMessageHandler standard_handler = nullptr;

void quiet_platform_notes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("does not support propagateSizeHints")) ||
        text.contains(QLatin1String("does not support raise()"))) {
        return;
    }
    if (standard_handler != nullptr) {
        standard_handler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    standard_handler = qInstallMessageHandler(quiet_platform_notes);
    QApplication app(argc, argv);
    // Window places are kept with QSettings: the tests keep theirs in a
    // folder of their own, never in the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QCoreApplication::setOrganizationName(QStringLiteral("vorn2-pruebas"));
    QCoreApplication::setApplicationName(QStringLiteral("vorn2-pruebas"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
