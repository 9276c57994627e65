// A list model over a ListBox's lines, for a QListView. The model keeps its
// own row count and only moves it to the control's on sync(), so a handler
// may add thousands of lines between two repaints and the view is told once.
// Lines that were only appended become one row insertion; anything else
// (a clear, a clear and refill) becomes one reset.
//
// The listings line their columns up with tabs and blanks for a fixed-width
// font; the view shows each tab as the blanks up to the next tab stop (every
// kTabColumns characters), as a terminal does, and rows as wide as the
// widest line so that nothing is elided and the list scrolls sideways.
#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <string_view>

#include "shell/controls.h"

namespace vorn::qt {

inline constexpr int kTabColumns = 8;

// The line as it shows: each tab replaced by blanks up to the next stop.
QString expand_tabs(std::string_view line);
// How many characters wide the line shows.
int shown_columns(std::string_view line);

class LinesModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit LinesModel(const ListBox& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // True when the control changed since the last sync().
    bool stale() const { return list_.revision() != shown_revision_; }
    // Brings the rows up to the control's lines.
    void sync();
    // The row of the widest line shown (0 when there are none).
    int widest_row() const { return widest_row_; }

private:
    void measure(int from);

    const ListBox& list_;
    int shown_rows_;
    unsigned long long shown_revision_;
    int widest_row_ = 0;
    int widest_columns_ = 0;
};

// Gives every row the size of the model's widest line: the view lays out
// thousands of rows by one size (uniform item sizes), which must be the
// widest one's for no line to be cut.
class WidestLineDelegate : public QStyledItemDelegate {
public:
    WidestLineDelegate(const LinesModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const LinesModel& model_;
};

}  // namespace vorn::qt
