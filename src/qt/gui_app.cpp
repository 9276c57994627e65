#include "qt/gui_app.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <exception>
#include <iostream>
#include <memory>

#include "qt/qt_platform.h"
#include "qt/ui.h"
#include "shell/default_database.h"
#include "shell/record_store.h"
#include "app/workbench.h"

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

void tell_refused(const std::string& text) {
    std::cerr << shown_text(text).toStdString() << '\n';
    if (has_screen()) QMessageBox::critical(nullptr, kRefusedTitle, shown_text(text));
}

}  // namespace

int run_gui(int argc, char** argv, const GuiOptions& options) {
    // A test may already have its application; the program has none yet.
    std::unique_ptr<QApplication> own_app;
    if (QCoreApplication::instance() == nullptr) own_app = std::make_unique<QApplication>(argc, argv);
    // The program ends through "Salir" or the main window's frame, never
    // because some window happened to be the last one shown.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Where the windows' places are kept between starts (QSettings); a
    // test that brings its own names keeps them.
    if (QCoreApplication::organizationName().isEmpty()) QCoreApplication::setOrganizationName(kSettingsName);
    if (QCoreApplication::applicationName().isEmpty()) QCoreApplication::setApplicationName(kSettingsName);

    OpenResult opened;
    try {
        opened = open_workbench_database(options.db);
    } catch (const std::exception& error) {
        opened.error = error.what();
    }
    if (!opened.db) {
        tell_refused(opened.error.empty() ? std::string(kCannotOpenText) : opened.error);
        return 1;
    }

    QtPlatform platform(options.seed);
    Workbench workbench(*opened.db, platform);
    Ui ui(workbench);
    platform.set_form_widgets([&ui](const Form& form) -> QWidget* { return ui.window(form); });
    platform.set_dialog_parent([&ui] { return ui.dialog_parent(); });
    if (options.no_startup) {
        for (Timer* timer : workbench.armed_timers()) timer->set_interval(0);
    }
    ui.start_timers();

    int code = QApplication::exec();
    platform.set_form_widgets(nullptr);
    platform.set_dialog_parent(nullptr);
    return workbench.exit_code().value_or(code);
}

}  // namespace vorn::qt
