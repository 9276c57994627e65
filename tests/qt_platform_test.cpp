// QtPlatform's dialogs answered programmatically, printing to PDF files,
// and run_gui end to end on a temporary database.
#include <QFile>
#include <fstream>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include "qt/gui_app.h"
#include "qt/qt_platform.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class QtPlatformTest : public ::testing::Test {
protected:
    TempDir dir;
    qt::QtPlatform platform{42, qt::PrintSettings{dir.path(), true}};
};

TEST_F(QtPlatformTest, an_input_box_gives_the_typed_answer_or_nothing_on_cancel) {
    QString title, prompt, shown_default;
    when_dialog_opens<QInputDialog>([&](QInputDialog& dialog) {
        title = dialog.windowTitle();
        prompt = dialog.labelText();
        shown_default = dialog.textValue();
        dialog.setTextValue("2");
        dialog.accept();
    });
    auto answer = platform.input("Trama1 a Sumar", "Sumar Tramas", "1");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, "2");
    EXPECT_EQ(title, "Sumar Tramas");
    EXPECT_EQ(prompt, "Trama1 a Sumar");
    EXPECT_EQ(shown_default, "1");

    when_dialog_opens<QInputDialog>([](QInputDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(platform.input("Trama", "Sumar Tramas", "1").has_value());
}

TEST_F(QtPlatformTest, a_message_shows_its_line_breaks_title_and_icon) {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        title = box.windowTitle();
        icon = box.icon();
        box.button(QMessageBox::Ok)->click();
    });
    platform.message("Habia:120\rQuedan:96\r\nFin", "Atencion!!!", Icon::Exclamation);
    EXPECT_EQ(text, "Habia:120\nQuedan:96\nFin");
    EXPECT_EQ(title, "Atencion!!!");
    EXPECT_EQ(icon, QMessageBox::Warning);

    // Markup in a program text is shown as it is.
    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        icon = box.icon();
        box.button(QMessageBox::Ok)->click();
    });
    platform.message("<b>1</b>");
    EXPECT_EQ(text, "<b>1</b>");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST_F(QtPlatformTest, a_question_returns_the_button_chosen) {
    when_dialog_opens<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_EQ(platform.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question), Answer::No);
    when_dialog_opens<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(platform.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question), Answer::Yes);
    when_dialog_opens<QMessageBox>([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(platform.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question), Answer::Cancel);
}

std::vector<std::filesystem::path> pdfs_in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".pdf") found.push_back(entry.path());
    }
    return found;
}

bool is_pdf(const std::filesystem::path& file) {
    QFile pdf(QString::fromStdString(file.string()));
    return pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 500;
}

TEST_F(QtPlatformTest, printing_without_a_printer_writes_a_pdf_and_says_where) {
    QString told;
    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        told = box.text();
        box.button(QMessageBox::Ok)->click();
    });
    std::vector<std::string> lines;
    for (int i = 0; i < 150; ++i) lines.push_back("cadena\t" + std::to_string(i) + "\t .5");
    platform.print_lines(lines);
    auto first = pdfs_in(dir.path());
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(is_pdf(first[0]));
    EXPECT_TRUE(told.contains(QString::fromStdString(first[0].filename().string()))) << told.toStdString();

    // A second print in the same second gets a file of its own.
    when_dialog_opens<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    platform.print_lines({"otra"});
    EXPECT_EQ(pdfs_in(dir.path()).size(), 2u);
}

TEST_F(QtPlatformTest, the_image_of_a_form_without_a_window_is_reported_not_printed) {
    Form form("GABPN", "GA", false);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        icon = box.icon();
        box.button(QMessageBox::Ok)->click();
    });
    platform.print_form_image(form);
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(pdfs_in(dir.path()).empty());
}

TEST(QtPrinting, the_print_button_of_consultas_prints_its_image_and_rises_again) {
    set_decimal_separator('.');
    TempDir dir;
    auto db = make_empty_database(dir.path() / "ga7.mdb");
    qt::QtPlatform platform{1, qt::PrintSettings{dir.path(), true}};
    Workbench bench(*db, platform, dir.path());
    qt::Ui ui(bench);
    platform.set_form_widgets([&ui](const Form& form) -> QWidget* { return ui.window(form); });
    ReportWindow& report = bench.reports().get();
    report.add_line("Entrenando:");
    report.show();

    QString told;
    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        told = box.text();
        box.button(QMessageBox::Ok)->click();
    });
    auto* print = qobject_cast<QPushButton*>(ui.widget(report.GroupPush3D2));
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->text(), "Imprimir");
    print->click();
    auto printed = pdfs_in(dir.path());
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].filename().string().rfind("consultas-", 0), 0u);
    EXPECT_TRUE(is_pdf(printed[0]));
    EXPECT_TRUE(told.startsWith("No hay ninguna impresora instalada.\n")) << told.toStdString();
    EXPECT_FALSE(report.GroupPush3D2.pressed());
    EXPECT_FALSE(print->isChecked());
    platform.set_form_widgets(nullptr);
}

TEST(QtGuiApp, refuses_a_file_that_is_not_a_database_and_leaves_it_alone) {
    TempDir dir;
    auto file = dir.path() / "ga7.mdb";
    {
        std::ofstream out(file);
        out << "no soy una base de datos";
    }
    char name[] = "vorn2";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(qt::run_gui(1, argv, {file, 1, true}), 1);
    std::ifstream in(file);
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "no soy una base de datos");
}

TEST(QtGuiApp, creates_the_database_shows_red_and_ends_when_it_is_closed) {
    TempDir dir;
    auto file = dir.path() / "ga7.mdb";
    QString title;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<QMainWindow*>(top);
            if (window == nullptr || !window->isVisible() || window->windowTitle() != "Red") continue;
            poll->stop();
            poll->deleteLater();
            title = window->windowTitle();
            window->close();
            return;
        }
    });
    poll->start(10);
    char name[] = "vorn2";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(qt::run_gui(1, argv, {file, 1, true}), 0);
    EXPECT_EQ(title, "Red");
    EXPECT_TRUE(std::filesystem::exists(file));
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

}  // namespace
}  // namespace vorn::testing
