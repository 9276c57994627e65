#include "qt/message_log.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorn::qt {

namespace {
constexpr int kListWidth = 560;
constexpr int kListHeight = 320;
}  // namespace

void MessageLog::add(const QString& text) {
    messages_.append(text);
    emit added(text);
}

MessagesButton::MessagesButton(MessageLog& log, QWidget* parent) : QToolButton(parent), log_(log) {
    setAutoRaise(true);
    setToolTip(QStringLiteral("Mensajes que se anotaron sin detener la corrida"));
    connect(this, &QToolButton::clicked, this, &MessagesButton::open_list);
    connect(&log_, &MessageLog::added, this, [this](const QString& text) {
        show_count();
        if (list_ != nullptr) list_->addItem(text);
    });
    show_count();
}

void MessagesButton::show_count() {
    setText(QStringLiteral("Mensajes: %1").arg(log_.messages().size()));
    setVisible(!log_.messages().isEmpty());
}

void MessagesButton::open_list() {
    if (window_ == nullptr) {
        window_ = new QDialog(window());
        window_->setWindowTitle(QStringLiteral("Mensajes"));
        window_->setModal(false);
        auto* layout = new QVBoxLayout(window_);
        list_ = new QListWidget(window_);
        // A message may hold several lines ("\r" in the program's texts).
        list_->setWordWrap(true);
        list_->addItems(log_.messages());
        layout->addWidget(list_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window_);
        connect(buttons, &QDialogButtonBox::rejected, window_, &QDialog::hide);
        layout->addWidget(buttons);
        window_->resize(kListWidth, kListHeight);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    list_->scrollToBottom();
}

}  // namespace vorn::qt
