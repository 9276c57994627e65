// The messages a long run did not stop for: notes that only inform, kept
// in order, every one, for the user to read when he likes. The main
// window's status bar shows how many there are; its button opens them.
#pragma once

#include <QStringList>
#include <QToolButton>

class QDialog;
class QListWidget;

namespace vorn::qt {

class MessageLog : public QObject {
    Q_OBJECT

public:
    void add(const QString& text);
    const QStringList& messages() const { return messages_; }

signals:
    void added(const QString& text);

private:
    QStringList messages_;
};

// "Mensajes: n" in the status bar, hidden until there is one; a click
// opens the list (a window of its own that does not block the run).
class MessagesButton : public QToolButton {
    Q_OBJECT

public:
    explicit MessagesButton(MessageLog& log, QWidget* parent = nullptr);
    // The list's window, once opened.
    QDialog* list_window() const { return window_; }
    QListWidget* list() const { return list_; }
    void open_list();

private:
    void show_count();

    MessageLog& log_;
    QDialog* window_ = nullptr;
    QListWidget* list_ = nullptr;
};

}  // namespace vorn::qt
