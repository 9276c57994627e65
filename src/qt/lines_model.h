// A list model over a ListBox's lines, for a QListView. The model keeps its
// own row count and only moves it to the control's on sync(), so a handler
// may add thousands of lines between two repaints and the view is told once.
// Lines that were only appended become one row insertion; anything else
// (a clear, a clear and refill) becomes one reset.
#pragma once

#include <QAbstractListModel>

#include "shell/controls.h"

namespace vorn::qt {

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

private:
    const ListBox& list_;
    int shown_rows_;
    unsigned long long shown_revision_;
};

}  // namespace vorn::qt
