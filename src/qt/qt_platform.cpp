#include "qt/qt_platform.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "qt/message_log.h"
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
// A document window on a large screen.
constexpr int kDocumentWidth = 760;
constexpr int kDocumentHeight = 640;

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

// A long text's box takes this share of its screen.
constexpr double kLongBoxShare = 0.6;
// What a window's frame adds beside its title: the icon and the buttons.
constexpr int kTitleBarExtra = 160;

QScreen* screen_of(const QWidget* widget) {
    if (widget != nullptr && widget->screen() != nullptr) return widget->screen();
    return QGuiApplication::primaryScreen();
}

// Opens a dialog over its window, on that window's screen, wholly inside
// the screen's free area.
void place(QWidget& dialog, const QWidget* parent) {
    QScreen* screen = screen_of(parent);
    if (screen == nullptr) return;
    const QRect free = screen->availableGeometry();
    dialog.resize(dialog.size().boundedTo(free.size()));
    const QPoint centre = parent != nullptr ? parent->window()->frameGeometry().center() : free.center();
    QRect wanted(QPoint(0, 0), dialog.size());
    wanted.moveCenter(centre);
    wanted.moveLeft(std::clamp(wanted.left(), free.left(), std::max(free.left(), free.right() - wanted.width())));
    wanted.moveTop(std::clamp(wanted.top(), free.top(), std::max(free.top(), free.bottom() - wanted.height())));
    dialog.move(wanted.topLeft());
}

QStyle::StandardPixmap icon_pixmap(Icon icon) {
    switch (icon) {
        case Icon::Information: return QStyle::SP_MessageBoxInformation;
        case Icon::Exclamation: return QStyle::SP_MessageBoxWarning;
        case Icon::Critical: return QStyle::SP_MessageBoxCritical;
        case Icon::Question: return QStyle::SP_MessageBoxQuestion;
        case Icon::None: break;
    }
    return QStyle::SP_CustomBase;
}

// A message too tall for a message box: the text in a read-only area that
// scrolls, the icon beside it and "OK" below, all within the screen.
void show_long_message(const QString& text, const QString& title, Icon icon, QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("mensajeLargo"));
    box.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&box);
    auto* row = new QHBoxLayout;
    if (icon != Icon::None) {
        auto* shown_icon = new QLabel(&box);
        const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
        shown_icon->setPixmap(box.style()->standardIcon(icon_pixmap(icon), nullptr, &box).pixmap(side, side));
        shown_icon->setAlignment(Qt::AlignTop);
        row->addWidget(shown_icon);
    }
    auto* area = new QPlainTextEdit(&box);
    area->setObjectName(QStringLiteral("textoLargo"));
    area->setReadOnly(true);
    area->setPlainText(text);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    row->addWidget(area, 1);
    layout->addLayout(row, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    if (QScreen* screen = screen_of(parent)) {
        const QSize free = screen->availableGeometry().size();
        box.resize(static_cast<int>(free.width() * kLongBoxShare), static_cast<int>(free.height() * kLongBoxShare));
    }
    place(box, parent);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    box.exec();
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

bool too_tall_for_a_message_box(const QString& text, const QScreen* screen) {
    if (screen == nullptr) return false;
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    // A message box wraps lines wider than about half the screen.
    const int wrap_width = std::max(1, screen->availableGeometry().width() / 2);
    qsizetype rows = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        rows += 1 + metrics.horizontalAdvance(line) / wrap_width;
    }
    return rows * metrics.lineSpacing() > screen->availableGeometry().height() / 2;
}

QWidget* QtPlatform::dialog_parent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (dialog_parent_) return dialog_parent_();
    return QApplication::activeWindow();
}

// A box without a title shows the program's name: the platform puts it there.
void QtPlatform::message(std::string_view text, std::string_view title, Icon icon) {
    const QString shown = shown_text(text);
    if (ending_ && ending_()) {
        // Nobody is left to dismiss a box: the program ends after this run.
        if (log_ != nullptr) log_->add(shown);
        return;
    }
    QWidget* parent = dialog_parent();
    if (too_tall_for_a_message_box(shown, screen_of(parent))) {
        show_long_message(shown, qstr(title), icon, parent);
        return;
    }
    QMessageBox box(box_icon(icon), qstr(title), shown, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtPlatform::show_document(std::string_view title, std::string_view markdown) {
    if (ending_ && ending_()) return;
    QPointer<QWidget>& window = documents_[std::string(title)];
    if (window.isNull()) {
        auto* dialog = new QDialog(dialog_parent());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(false);
        dialog->setWindowTitle(qstr(title));
        auto* layout = new QVBoxLayout(dialog);
        auto* text = new QTextBrowser(dialog);
        text->setObjectName(QStringLiteral("documento"));
        text->setOpenExternalLinks(true);
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        // Most of a small screen, never more than it.
        const QRect room = screen_of(dialog->parentWidget()) != nullptr
                               ? screen_of(dialog->parentWidget())->availableGeometry()
                               : QRect(0, 0, kDocumentWidth, kDocumentHeight);
        dialog->resize(std::min(kDocumentWidth, room.width() * 9 / 10), std::min(kDocumentHeight, room.height() * 9 / 10));
        window = dialog;
    }
    window->findChild<QTextBrowser*>(QStringLiteral("documento"))->setMarkdown(qstr(markdown));
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* QtPlatform::document_window(std::string_view title) const {
    auto found = documents_.find(std::string(title));
    return found == documents_.end() ? nullptr : found->second.data();
}

void QtPlatform::note(std::string_view text) {
    if (long_runs_ > 0 && log_ != nullptr) {
        log_->add(shown_text(text));
        return;
    }
    message(text);
}

std::optional<std::string> QtPlatform::input(std::string_view prompt, std::string_view title,
                                             std::string_view default_text) {
    if (ending_ && ending_()) return std::nullopt;
    QWidget* parent = dialog_parent();
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(qstr(title));
    dialog.setLabelText(shown_text(prompt));
    dialog.setTextValue(qstr(default_text));
    // Wide enough that the window's frame shows the whole title. The
    // dialog sizes itself from its layout, so the text field is widened.
    dialog.adjustSize();
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    int wanted = metrics.horizontalAdvance(qstr(title)) + kTitleBarExtra;
    if (QScreen* screen = screen_of(parent)) wanted = std::min(wanted, screen->availableGeometry().width());
    auto* edit = dialog.findChild<QLineEdit*>();
    if (edit != nullptr && dialog.width() < wanted) {
        edit->setMinimumWidth(edit->width() + wanted - dialog.width());
        dialog.adjustSize();
    }
    place(dialog, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

Answer QtPlatform::question(std::string_view text, std::string_view title, Icon icon, Answer preferred) {
    if (ending_ && ending_()) return preferred;
    QMessageBox box(box_icon(icon), qstr(title), shown_text(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialog_parent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(preferred == Answer::No       ? QMessageBox::No
                         : preferred == Answer::Cancel ? QMessageBox::Cancel
                                                       : QMessageBox::Yes);
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
