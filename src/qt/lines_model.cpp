#include "qt/lines_model.h"

namespace vorn::qt {

LinesModel::LinesModel(const ListBox& list, QObject* parent)
    : QAbstractListModel(parent),
      list_(list),
      shown_rows_(static_cast<int>(list.lines().size())),
      shown_revision_(list.revision()) {}

int LinesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_rows_; }

QVariant LinesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const auto& lines = list_.lines();
    // Between a clear and the next sync the view may still ask for rows
    // the control no longer has.
    auto row = static_cast<std::size_t>(index.row());
    if (row >= lines.size()) return {};
    return QString::fromStdString(lines[row]);
}

void LinesModel::sync() {
    if (!stale()) return;
    const auto lines = static_cast<long long>(list_.lines().size());
    const auto changes = static_cast<long long>(list_.revision() - shown_revision_);
    // Every add and every clear counts one revision, so the rows grew by
    // exactly the number of changes only when all of them were appends.
    const bool only_appended = lines - shown_rows_ == changes;
    if (only_appended) {
        beginInsertRows(QModelIndex(), shown_rows_, static_cast<int>(lines) - 1);
        shown_rows_ = static_cast<int>(lines);
        shown_revision_ = list_.revision();
        endInsertRows();
    } else {
        beginResetModel();
        shown_rows_ = static_cast<int>(lines);
        shown_revision_ = list_.revision();
        endResetModel();
    }
}

}  // namespace vorn::qt
