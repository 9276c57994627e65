// Notes of a long run go to the messages list instead of stopping it; an
// ending program waits on no box.
#include <QListWidget>
#include <QMessageBox>
#include <QAction>
#include <QMainWindow>
#include <QPushButton>
#include <QTextBrowser>

#include "qt/message_log.h"
#include "qt/qt_platform.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

struct QtMessagesTest : ::testing::Test {
    // Counts the boxes that open, answering each with its default.
    void count_boxes() {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++boxes;
                box->defaultButton() != nullptr ? box->defaultButton()->click() : box->accept();
            }
        });
        poll->start(5);
        poller.reset(poll);
    }
    qt::QtPlatform platform{42};
    qt::MessageLog log;
    int boxes = 0;
    std::unique_ptr<QTimer> poller;
};

TEST_F(QtMessagesTest, a_long_runs_notes_are_listed_in_order_and_its_failures_stay_boxes) {
    platform.set_message_log(&log);
    qt::MessagesButton button(log);
    EXPECT_TRUE(button.isHidden());
    count_boxes();

    // Outside a long run a note is a box like any message.
    platform.note("Estoy antes de particionartrama");
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(log.messages().isEmpty());

    {
        const LongRun run(platform);
        {
            const LongRun nested(platform);
            for (int k = 1; k <= 100; ++k) platform.note("nota " + std::to_string(k) + "\rsegunda linea");
        }
        // Still inside the outer run: the count goes on, nothing dropped.
        platform.note("nota 101");
        platform.message("No se pudo guardar", "Base de datos", Icon::Exclamation);
        EXPECT_EQ(boxes, 2);
    }
    ASSERT_EQ(log.messages().size(), 101);
    EXPECT_EQ(log.messages().front(), "nota 1\nsegunda linea");
    EXPECT_EQ(log.messages().back(), "nota 101");
    EXPECT_EQ(button.text(), "Mensajes: 101");
    EXPECT_FALSE(button.isHidden());

    // The list shows them all, and follows what comes after it opened.
    button.open_list();
    ASSERT_NE(button.list(), nullptr);
    EXPECT_FALSE(button.list_window()->isModal());
    EXPECT_EQ(button.list()->count(), 101);
    {
        const LongRun run(platform);
        platform.note("nota 102");
    }
    EXPECT_EQ(button.list()->count(), 102);
    EXPECT_EQ(button.list()->item(101)->text(), "nota 102");
    EXPECT_EQ(button.text(), "Mensajes: 102");

    // After the run a note is a box again.
    platform.note("otra");
    EXPECT_EQ(boxes, 3);
}

TEST_F(QtMessagesTest, an_ending_program_shows_nothing_that_waits_for_the_user) {
    platform.set_message_log(&log);
    bool ending = true;
    platform.set_ending([&ending] { return ending; });
    count_boxes();
    platform.message("Entrenamiento detenido en la pasada 7");
    EXPECT_EQ(platform.question("Pasada= 20 Termino?", "", Icon::Question, Answer::No), Answer::No);
    EXPECT_EQ(platform.input("Trama", "", "1"), std::nullopt);
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(log.messages(), QStringList{"Entrenamiento detenido en la pasada 7"});
    ending = false;
    platform.message("Programa Terminado");
    EXPECT_EQ(boxes, 1);
}

TEST_F(QtMessagesTest, a_document_opens_in_a_window_that_blocks_nothing_and_f1_opens_the_guide) {
    count_boxes();
    platform.show_document("Ayuda de vorn2", "# Gu\u00eda\n\nUna **prueba**.");
    QWidget* shown = platform.document_window("Ayuda de vorn2");
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(shown->isModal());
    EXPECT_EQ(boxes, 0);
    auto* text = shown->findChild<QTextBrowser*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), "Gu\u00eda\nUna prueba.");
    // The same title reuses its window.
    platform.show_document("Ayuda de vorn2", "otra");
    EXPECT_EQ(platform.document_window("Ayuda de vorn2"), shown);
    EXPECT_EQ(text->toPlainText(), "otra");

    // In the program: the "Ayuda" menu answers F1 with the guide, and
    // "Acerca de" names the market data's licence.
    TempDir dir;
    auto db = make_empty_database(dir.path() / "ga7.mdb");
    Workbench bench(*db, platform, dir.path());
    qt::Ui ui(bench);
    QMainWindow* main = ui.main_window();
    ASSERT_NE(main, nullptr);
    auto* f1 = main->findChild<QAction*>("ayuda");
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->shortcut(), QKeySequence(Qt::Key_F1));
    f1->trigger();
    ASSERT_TRUE(pump_until([&] { return platform.document_window("Ayuda de vorn2") != nullptr; }));
    EXPECT_TRUE(platform.document_window("Ayuda de vorn2")->findChild<QTextBrowser*>()->toPlainText().contains("Estudio"));
    main->findChild<QAction*>("acercade")->trigger();
    ASSERT_TRUE(pump_until([&] { return platform.document_window("Acerca de vorn2") != nullptr; }));
    const QString about = platform.document_window("Acerca de vorn2")->findChild<QTextBrowser*>()->toPlainText();
    EXPECT_TRUE(about.contains("Nadia Luczywo")) << about.toStdString();
    EXPECT_TRUE(about.contains("ODC-PDDL-1.0"));
    EXPECT_TRUE(about.contains("MIT License"));
    EXPECT_EQ(boxes, 0);
}

}  // namespace
}  // namespace vorn::testing
