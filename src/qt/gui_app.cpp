#include "qt/gui_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <iostream>

#include "qt/message_log.h"
#include "qt/qt_platform.h"
#include "qt/ui.h"
#include "shell/controls.h"

namespace vorn::qt {

namespace {

constexpr const char* kRefusedTitle = "Error de base de datos";
constexpr const char* kCannotOpenText = "No se pudo abrir la base de datos.";
constexpr const char* kSettingsName = "vorn2";
constexpr const char* kQtTranslation = "qtbase_es";

// Platforms without a screen (offscreen, minimal) have nobody to close a
// dialog; there the message goes to standard error only.
bool has_screen() {
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal");
}

}  // namespace

std::unique_ptr<QTranslator> install_spanish_translations(std::string& why_not) {
    // Spanish dates, month names and the decimal comma in Qt's own widgets.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLatin1String(kQtTranslation), folder)) {
        why_not = "No se encontraron las traducciones de Qt al espa\u00f1ol (" + std::string(kQtTranslation) +
                  ".qm en " + folder.toStdString() + "; paquete qt6-translations-l10n)";
        return nullptr;
    }
    if (!QCoreApplication::installTranslator(translator.get())) {
        why_not = "No se pudieron instalar las traducciones de Qt al espa\u00f1ol";
        return nullptr;
    }
    return translator;
}

GuiApp::GuiApp(int argc, char** argv) : argc_(argc) {
    // A test may already have its application; the program has none yet.
    if (QCoreApplication::instance() == nullptr) own_app_ = std::make_unique<QApplication>(argc_, argv);
    // The program ends through "Salir" or the main window's frame, never
    // because some window happened to be the last one shown.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Where the windows' places are kept between starts (QSettings); a
    // test that brings its own names keeps them.
    if (QCoreApplication::organizationName().isEmpty()) QCoreApplication::setOrganizationName(kSettingsName);
    if (QCoreApplication::applicationName().isEmpty()) QCoreApplication::setApplicationName(kSettingsName);
    std::string why_not;
    spanish_ = install_spanish_translations(why_not);
    // The program works without them; Qt's own buttons then say "OK".
    if (!spanish_) std::cerr << why_not << ": los botones de Qt quedan en ingl\u00e9s.\n";
}

GuiApp::~GuiApp() {
    if (spanish_) QCoreApplication::removeTranslator(spanish_.get());
}

int GuiApp::refuse(const std::string& refusal) {
    const QString text = shown_text(refusal.empty() ? std::string(kCannotOpenText) : refusal);
    std::cerr << text.toStdString() << '\n';
    if (has_screen()) QMessageBox::critical(nullptr, kRefusedTitle, text);
    return 1;
}

int GuiApp::run(const GuiOptions& options, const SessionBuilder& build) {
    QtPlatform platform(options.seed);
    std::unique_ptr<Session> session = build(platform);
    Ui ui(*session);
    platform.set_form_widgets([&ui](const Form& form) -> QWidget* { return ui.window(form); });
    platform.set_dialog_parent([&ui] { return ui.dialog_parent(); });
    MessageLog log;
    platform.set_message_log(&log);
    platform.set_ending([&ui] { return ui.ending(); });
    if (QMainWindow* main = ui.main_window()) main->statusBar()->addWidget(new MessagesButton(log, main));
    if (options.no_startup) {
        for (Timer* timer : session->armed_timers()) timer->set_interval(0);
    }
    ui.start_timers();

    int code = QApplication::exec();
    platform.set_form_widgets(nullptr);
    platform.set_dialog_parent(nullptr);
    platform.set_message_log(nullptr);
    platform.set_ending(nullptr);
    return session->exit_code().value_or(code);
}

}  // namespace vorn::qt
