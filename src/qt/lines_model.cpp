#include "qt/lines_model.h"

#include <algorithm>

namespace vorn::qt {

namespace {

bool continues_a_character(char byte) { return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U; }

}  // namespace

QString expand_tabs(std::string_view line) {
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    if (!text.contains(u'\t')) return text;
    QString shown;
    shown.reserve(text.size() + kTabColumns * 4);
    for (QChar c : text) {
        if (c == u'\t') {
            shown.append(QString(kTabColumns - static_cast<int>(shown.size() % kTabColumns), u' '));
        } else {
            shown.append(c);
        }
    }
    return shown;
}

int shown_columns(std::string_view line) {
    int columns = 0;
    for (char byte : line) {
        if (byte == '\t') {
            columns += kTabColumns - columns % kTabColumns;
        } else if (!continues_a_character(byte)) {
            ++columns;
        }
    }
    return columns;
}

LinesModel::LinesModel(const ListBox& list, QObject* parent)
    : QAbstractListModel(parent),
      list_(list),
      shown_rows_(static_cast<int>(list.lines().size())),
      shown_revision_(list.revision()) {
    measure(0);
}

int LinesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_rows_; }

QVariant LinesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto& lines = list_.lines();
    // Between a clear and the next sync the view may still ask for rows
    // the control no longer has.
    auto row = static_cast<std::size_t>(index.row());
    if (role != Qt::DisplayRole || row >= lines.size()) return {};
    return expand_tabs(lines[row]);
}

void LinesModel::measure(int from) {
    if (from == 0) {
        widest_row_ = 0;
        widest_columns_ = 0;
    }
    const auto& lines = list_.lines();
    const int rows = std::min(shown_rows_, static_cast<int>(lines.size()));
    for (int row = from; row < rows; ++row) {
        const int columns = shown_columns(lines[static_cast<std::size_t>(row)]);
        if (columns > widest_columns_) {
            widest_columns_ = columns;
            widest_row_ = row;
        }
    }
}

void LinesModel::sync() {
    if (!stale()) return;
    const auto lines = static_cast<long long>(list_.lines().size());
    const auto changes = static_cast<long long>(list_.revision() - shown_revision_);
    // Every add and every clear counts one revision, so the rows grew by
    // exactly the number of changes only when all of them were appends.
    const bool only_appended = lines - shown_rows_ == changes;
    if (only_appended) {
        const int first = shown_rows_;
        beginInsertRows(QModelIndex(), first, static_cast<int>(lines) - 1);
        shown_rows_ = static_cast<int>(lines);
        shown_revision_ = list_.revision();
        measure(first);
        endInsertRows();
    } else {
        beginResetModel();
        shown_rows_ = static_cast<int>(lines);
        shown_revision_ = list_.revision();
        measure(0);
        endResetModel();
    }
}

QSize WidestLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!index.isValid() || model_.rowCount() == 0) return QStyledItemDelegate::sizeHint(option, index);
    return QStyledItemDelegate::sizeHint(option, model_.index(model_.widest_row(), 0));
}

}  // namespace vorn::qt
