#pragma once
// Rows of a list that are lines of fixed-width text drawn as they are: no icon, no eliding,
// no text layout per row. A list repainted after every point of a scan paints faster so.

#include <QStyledItemDelegate>

namespace kest {

class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kest
