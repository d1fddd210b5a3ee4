#pragma once

#include <QStyledItemDelegate>

namespace kvd {

class TextGrid;

// Draws the cells of a TextGrid and explains them: a text too long for its cell, or for
// the part of it the view shows at its right edge, ends in an ellipsis (the view elides
// it) and its tooltip shows the whole text. Cells of
// the grid's row selection are drawn selected, and in the fixed columns the current
// cell of a selection stands out in the selection colour, so that a row found by its
// object or source shows where it is.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `fixedView`: the delegate of the view that draws the fixed columns.
    GridCellDelegate(const TextGrid& grid, bool fixedView, QObject* parent = nullptr);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Whether the text of `cell` (an option made ready by initStyleOption) is wider than
    // the room its cell gives it, so that the view draws it elided.
    static bool textCut(const QStyleOptionViewItem& cell);

private:
    const TextGrid& m_grid;
    bool m_fixedView;
};

} // namespace kvd
