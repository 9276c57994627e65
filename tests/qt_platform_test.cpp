// QtPlatform's dialogs answered programmatically, printing to PDF files, and the GUI program end to end.
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include "qt/gui_app.h"
#include "qt/qt_platform.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/file_bytes.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

namespace fs = std::filesystem;

// The program with its windows, put together as the program does it: the
// application, then the database, then the workbench over the Qt Platform.
int run_gui(const fs::path& db) {
    char name[] = "vorn2";
    char* argv[] = {name, nullptr};
    qt::GuiApp app(1, argv);
    OpenedDatabase opened = open_database(db);
    if (!opened.db) return app.refuse(opened.refusal);
    return app.run({.seed = 1, .no_startup = true},
                   [&](Platform& platform) { return std::make_unique<Workbench>(*opened.db, platform); });
}

// How many files in folder are named .pdf and are PDF documents with some content.
auto pdfs_in(const fs::path& folder) {
    return std::count_if(fs::directory_iterator(folder), {}, [](const fs::directory_entry& entry) {
        QFile file(QString::fromStdString(entry.path().string()));
        return entry.path().extension() == ".pdf" && file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-" &&
               file.size() > 500;
    });
}

struct QtPlatformTest : ::testing::Test {
    struct Seen { QString text, title; QMessageBox::Icon icon = QMessageBox::NoIcon; bool plain = false; };

    // Records the next message box in seen and answers it with button (NoButton: rejects it).
    void answer_box(QMessageBox::StandardButton button = QMessageBox::Ok) {
        when_dialog_opens<QMessageBox>([this, button](QMessageBox& box) {
            seen = {box.text(), box.windowTitle(), box.icon(), box.textFormat() == Qt::PlainText};
            if (button == QMessageBox::NoButton) box.reject(); else box.button(button)->click();
        });
    }

    TempDir dir;
    qt::QtPlatform platform{42, qt::PrintSettings{dir.path(), true}};
    Seen seen;
};

TEST_F(QtPlatformTest, dialogs_show_what_they_are_given_over_their_window_fit_the_screen_and_return_the_answer) {
    QMainWindow window;
    window.setGeometry(150, 120, 500, 300);
    window.show();
    platform.set_dialog_parent([&window] { return &window; });
    const QRect free = window.screen()->availableGeometry();
    auto over_window = [&](QWidget& dialog) {
        EXPECT_EQ(dialog.parentWidget(), &window);
        EXPECT_EQ(dialog.screen(), window.screen());
        EXPECT_TRUE(window.frameGeometry().contains(dialog.frameGeometry().center()));
        EXPECT_TRUE(free.contains(dialog.frameGeometry())) << dialog.frameGeometry().height();
    };

    // A text taller than half the screen scrolls in a box whose button stays on the screen.
    QString long_text;
    for (int i = 1; i <= 400; ++i) long_text += QString("1;%1;1;0.5\n").arg(i);
    bool long_box = false;
    when_dialog_opens<QDialog>([&](QDialog& box) {
        long_box = box.objectName() == "mensajeLargo";
        auto* area = box.findChild<QPlainTextEdit*>("textoLargo");
        ASSERT_NE(area, nullptr);
        EXPECT_EQ(area->toPlainText(), long_text);
        EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(box.windowTitle(), "Exportar");
        auto* ok = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_TRUE(ok->isVisible());
        EXPECT_TRUE(free.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
        over_window(box);
        ok->click();
    });
    QString sent = long_text;  // the program's lines end with carriage returns
    platform.message(sent.replace('\n', '\r').toStdString(), "Exportar", Icon::Information);
    EXPECT_TRUE(long_box);

    const QString title = "Particionar una trama en ventanas de un tamano dado por el usuario";
    int width = 0, title_width = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title);
    QStringList shown;
    when_dialog_opens<QInputDialog>([&](QInputDialog& dialog) {
        shown = {dialog.windowTitle(), dialog.labelText(), dialog.textValue()};
        width = dialog.width();
        over_window(dialog);
        dialog.setTextValue("2");
        dialog.accept();
    });
    EXPECT_EQ(platform.input("Trama1 a Sumar", title.toStdString(), "1"), "2");
    EXPECT_EQ(shown, (QStringList{title, "Trama1 a Sumar", "1"}));
    EXPECT_GT(width, title_width);
    when_dialog_opens<QInputDialog>([](QInputDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(platform.input("Trama", "Sumar Tramas", "1").has_value());

    // Line breaks of either kind become new lines; markup is shown as it is.
    for (auto [text, icon, expected, box_icon] : {std::tuple{"Habia:120\rQuedan:96\r\nFin", Icon::Exclamation,
                                                          "Habia:120\nQuedan:96\nFin", QMessageBox::Warning},
                                               std::tuple{"<b>1</b>", Icon::None, "<b>1</b>", QMessageBox::NoIcon}}) {
        answer_box();
        platform.message(text, "Atencion!!!", icon);
        EXPECT_EQ(seen.text, expected);
        EXPECT_EQ(seen.title, "Atencion!!!");
        EXPECT_EQ(seen.icon, box_icon) << text;
        EXPECT_TRUE(seen.plain) << text;
    }
    for (auto [button, answer] : {std::pair{QMessageBox::No, Answer::No}, {QMessageBox::Yes, Answer::Yes},
                                  {QMessageBox::NoButton, Answer::Cancel}}) {
        answer_box(button);
        EXPECT_EQ(platform.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question, Answer::Yes), answer);
    }
    // Enter presses the default button the caller asked for.
    for (Answer preferred : {Answer::No, Answer::Yes}) {
        when_dialog_opens<QMessageBox>([](QMessageBox& box) { box.defaultButton()->click(); });
        EXPECT_EQ(platform.question("\u00bfRestaurar?", "", Icon::Question, preferred), preferred);
    }
}

TEST_F(QtPlatformTest, prints_go_to_pdf_files_of_their_own_and_say_where) {
    answer_box();
    platform.print_lines(std::vector<std::string>(150, "cadena\t1\t .5"));  // more than a page
    EXPECT_EQ(pdfs_in(dir.path()), 1);
    EXPECT_TRUE(seen.text.startsWith("No hay ninguna impresora instalada.\n")) << seen.text.toStdString();
    QFileInfo told(seen.text.section('\n', -1));
    EXPECT_TRUE(told.isFile() && told.suffix() == "pdf" && told.fileName().startsWith("informe-"));
    // A second print in the same second must not overwrite the first.
    answer_box();
    platform.print_lines({"otra"});
    EXPECT_EQ(pdfs_in(dir.path()), 2);

    auto db = make_empty_database(dir.path() / "ga7.mdb");
    Workbench bench(*db, platform, dir.path());
    qt::Ui ui(bench);
    platform.set_form_widgets([&ui](const Form& form) -> QWidget* { return ui.window(form); });
    // The image of a form without a window is reported, not printed.
    answer_box();
    platform.print_form_image(Form("GABPN", "GA", false));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(pdfs_in(dir.path()), 2);

    // Consultas' print button prints its window's image and rises again.
    ReportWindow& report = bench.reports().get();
    report.show();
    answer_box();
    auto& print = *qobject_cast<QPushButton*>(ui.widget(report.GroupPush3D2));
    print.click();
    EXPECT_EQ(pdfs_in(dir.path()), 3);
    EXPECT_TRUE(QFileInfo(seen.text.section('\n', -1)).fileName().startsWith("consultas-")) << seen.text.toStdString();
    EXPECT_FALSE(report.GroupPush3D2.pressed());
    EXPECT_FALSE(print.isChecked());
}

TEST(QtGuiApp, refuses_a_file_that_is_not_a_database_else_shows_red_and_ends_when_it_is_closed) {
    TempDir dir;
    auto bad = dir.path() / "bad.mdb", file = dir.path() / "ga7.mdb";
    write_bytes(bad, "no soy una base de datos");
    EXPECT_EQ(run_gui(bad), 1);
    EXPECT_EQ(read_bytes(bad), "no soy una base de datos");

    // Once the program waits for the user, close "Red" (or give up with 2).
    bool closed_red = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<QMainWindow*>(top);
            if (window && window->isVisible() && window->windowTitle() == "Red") closed_red = window->close();
        }
        if (!closed_red) QCoreApplication::exit(2);
    });
    EXPECT_EQ(run_gui(file), 0);
    EXPECT_TRUE(fs::exists(file));
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

}  // namespace
}  // namespace vorn::testing
