// What a benchmark that shows the Qt front end needs before anything else:
// the offscreen platform (no display), its notes about window hints it
// cannot honour kept off the output, and a scratch settings folder so that
// the window places the front end keeps never land in the user's settings.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace vorn::bench {

class QtBenchApp {
public:
    QtBenchApp(int& argc, char** argv) : app_((prepare(), argc), argv) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        QCoreApplication::setOrganizationName(QStringLiteral("vorn2-bench"));
        QCoreApplication::setApplicationName(QStringLiteral("vorn2-bench"));
    }

private:
    // Runs before the application exists.
    static void prepare() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(quiet_notes);
    }
    static void quiet_notes(QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QLatin1String("propagateSizeHints"))) std::fprintf(stderr, "%s\n", qPrintable(text));
    }

    QApplication app_;
    QTemporaryDir settings_;
};

}  // namespace vorn::bench
