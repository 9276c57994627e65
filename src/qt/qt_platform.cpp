#include "qt/qt_platform.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

#include "shell/form.h"
#include "shell/number_text.h"

namespace vorn::qt {

namespace {

constexpr const char* kPrintTitle = "Imprimir";
constexpr const char* kPrintedToFileText = "No hay ninguna impresora instalada.\rSe imprimio en el archivo:\r";
constexpr const char* kPrintFailedText = "No se pudo imprimir.";
constexpr const char* kNoWindowText = "No se pudo imprimir: la ventana no esta abierta.";
constexpr const char* kReportDocument = "informe";
constexpr int kPrintPointSize = 10;
constexpr int kTabWidth = 8;

QString qstr(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QMessageBox::Icon box_icon(Icon icon) {
    switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Critical: return QMessageBox::Critical;
        case Icon::Question: return QMessageBox::Question;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Dialogs belong to the window the user works in, so they stay on top of it.
QWidget* dialog_parent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Columns of report lines are tab-separated; on paper they line up on
// stops every eight characters of a fixed-pitch font.
QString expand_tabs(const QString& line) {
    QString out;
    out.reserve(line.size());
    for (QChar c : line) {
        if (c == QLatin1Char('\t')) {
            do {
                out += QLatin1Char(' ');
            } while (out.size() % kTabWidth != 0);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

QString shown_text(std::string_view text) {
    QString shown = qstr(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QtPlatform::QtPlatform(std::optional<std::uint64_t> seed, PrintSettings print)
    : stream_(seed.value_or(RandomStream::seed_from_clock())), print_(std::move(print)) {}

QtPlatform::~QtPlatform() = default;

// A box without a title shows the program's name: the platform puts it there.
void QtPlatform::message(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(box_icon(icon), qstr(title), shown_text(text), QMessageBox::Ok, dialog_parent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<std::string> QtPlatform::input(std::string_view prompt, std::string_view title,
                                             std::string_view default_text) {
    QInputDialog dialog(dialog_parent());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(qstr(title));
    dialog.setLabelText(shown_text(prompt));
    dialog.setTextValue(qstr(default_text));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

Answer QtPlatform::question(std::string_view text, std::string_view title, Icon icon) {
    QMessageBox box(box_icon(icon), qstr(title), shown_text(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialog_parent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton* chosen = box.clickedButton();
    if (chosen == box.button(QMessageBox::Yes)) return Answer::Yes;
    if (chosen == box.button(QMessageBox::No)) return Answer::No;
    return Answer::Cancel;
}

std::unique_ptr<QPrinter> QtPlatform::open_printer(const std::string& document, QString& pdf_file) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(qstr(document));
    pdf_file.clear();
    if (print_.always_pdf || QPrinterInfo::availablePrinters().isEmpty()) {
        QDir folder(QString::fromStdString(print_.pdf_folder.string()));
        QString stem = qstr(document) + QLatin1Char('-') +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
        // Two prints in the same second must not overwrite each other.
        QString name = stem + QStringLiteral(".pdf");
        for (int n = 2; folder.exists(name); ++n) name = stem + QLatin1Char('-') + QString::number(n) + ".pdf";
        pdf_file = QFileInfo(folder, name).absoluteFilePath();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf_file);
    }
    return printer;
}

void QtPlatform::report_printed(const QString& pdf_file) {
    if (pdf_file.isEmpty()) return;
    message(std::string(kPrintedToFileText) + pdf_file.toStdString(), kPrintTitle, Icon::Information);
}

void QtPlatform::print_lines(const std::vector<std::string>& lines) {
    QString pdf_file;
    auto printer = open_printer(kReportDocument, pdf_file);
    QPainter painter;
    if (!painter.begin(printer.get())) {
        message(kPrintFailedText, kPrintTitle, Icon::Critical);
        return;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kPrintPointSize);
    painter.setFont(font);
    QFontMetrics metrics(font, printer.get());
    const int page_height = printer->pageLayout().paintRectPixels(printer->resolution()).height();
    int baseline = metrics.ascent();
    for (const std::string& line : lines) {
        if (baseline + metrics.descent() > page_height) {
            printer->newPage();
            baseline = metrics.ascent();
        }
        painter.drawText(0, baseline, expand_tabs(qstr(line)));
        baseline += metrics.lineSpacing();
    }
    painter.end();
    report_printed(pdf_file);
}

void QtPlatform::print_form_image(const Form& form) {
    QWidget* window = form_widgets_ ? form_widgets_(form) : nullptr;
    if (window == nullptr) {
        message(kNoWindowText, kPrintTitle, Icon::Critical);
        return;
    }
    QString pdf_file;
    auto printer = open_printer(lower(form.name()), pdf_file);
    QPainter painter;
    if (!painter.begin(printer.get())) {
        message(kPrintFailedText, kPrintTitle, Icon::Critical);
        return;
    }
    // The window as shown, as large as fits the page.
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const QSize size = window->size();
    const double scale = std::min(page.width() / static_cast<double>(std::max(1, size.width())),
                                  page.height() / static_cast<double>(std::max(1, size.height())));
    painter.scale(scale, scale);
    window->render(&painter);
    painter.end();
    report_printed(pdf_file);
}

std::chrono::system_clock::time_point QtPlatform::now() { return std::chrono::system_clock::now(); }

double QtPlatform::random() { return stream_.uniform(); }

void QtPlatform::reseed() { stream_.reseed(); }

void QtPlatform::beep() { QApplication::beep(); }

void QtPlatform::end_program(int code) {
    QApplication::closeAllWindows();
    QCoreApplication::exit(code);
}

}  // namespace vorn::qt
