// Qt's own buttons speak Spanish whatever the system's language.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QTranslator>

#include "qt/gui_app.h"
#include "qt/qt_platform.h"
#include "qt_dialogs.h"

namespace vorn::testing {
namespace {

// The texts of a dialog's buttons, without their shortcut marks.
QStringList buttons_of(QWidget& dialog) {
    QStringList texts;
    for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
        texts << button->text().remove(QLatin1Char('&'));
    }
    texts.sort();
    return texts;
}

TEST(QtSpanish, input_boxes_and_questions_answer_with_spanish_buttons_under_an_english_system) {
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    std::string why_not;
    // Whatever an earlier test installed is dropped with it; this one is ours alone.
    auto translator = qt::install_spanish_translations(why_not);
    ASSERT_NE(translator, nullptr) << why_not;

    qt::QtPlatform platform(1);
    QStringList input_buttons, question_buttons;
    when_dialog_opens<QInputDialog>([&](QInputDialog& dialog) {
        input_buttons = buttons_of(dialog);
        dialog.reject();
    });
    EXPECT_FALSE(platform.input("Trama", "Sumar Tramas", "1").has_value());
    EXPECT_EQ(input_buttons, (QStringList{"Aceptar", "Cancelar"}));

    when_dialog_opens<QMessageBox>([&](QMessageBox& box) {
        question_buttons = buttons_of(box);
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(platform.question("\u00bfReintentar?", "", Icon::Question, Answer::Yes), Answer::No);
    EXPECT_EQ(question_buttons, (QStringList{"Cancelar", "No", "S\u00ed"}));
    EXPECT_EQ(QLocale().language(), QLocale::Spanish);
    QCoreApplication::removeTranslator(translator.get());
}

}  // namespace
}  // namespace vorn::testing
