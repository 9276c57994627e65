#include "qt/gui_app.h"

#include <QApplication>
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

// Platforms without a screen (offscreen, minimal) have nobody to close a
// dialog; there the message goes to standard error only.
bool has_screen() {
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal");
}

}  // namespace

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
}

GuiApp::~GuiApp() = default;

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
