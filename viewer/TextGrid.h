#pragma once

#include "summary/RowSet.h"

#include <QTableView>

namespace kvd {

// A grid of text cells as the document window shows its tables: the fixed row is the
// horizontal header, the fixed columns stay at the left edge while the rest scrolls
// under them (a second view over the same model and selection lies on top of the
// first columns), both drawn sky blue. The user selects one rectangle of cells and
// drags column borders; nothing is edited, rows keep their height. Ctrl+C copies
// the selected cells as lines of TAB-separated text (with a progress dialog when that
// takes long). As long as some columns scroll,
// the current cell stays out of the fixed ones (keys and mouse alike), and fixed
// cells are never drawn in the selection colour.
//
// The grid scrolls sideways by whole columns: the horizontal scroll bar counts the
// scrolling columns, and the first one in view always starts at the fixed columns'
// edge, never cut. At the end of the bar the last column is in view in full.
class TextGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int RowHeight = 24;

    explicit TextGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // Columns 0..count-1 stay put when the grid scrolls sideways.
    void setFixedColumnCount(int count);
    int fixedColumnCount() const noexcept { return m_fixedColumnCount; }
    // Whether row 0 of the table stands above the cells as the fixed row.
    void setFixedRowVisible(bool visible);

    // The selected cells as text (see SelectionText.h): the rows holding selected
    // cells, their cells separated by TAB; lines separated by LF.
    QString selectedText() const;
    // Puts the selected cells on the clipboard as UTF-8 text, built once. A copy that
    // takes more than a second shows its progress and can be cancelled; false when it
    // was (the clipboard is then left as it was).
    bool copySelection();

    // Selects the cells of model rows `rows` in columns leftColumn..rightColumn, however
    // many and scattered: the set of rows is held as it is, beside the widget's
    // selection, which is cleared. Any later change of the widget's selection (a click,
    // a key, Ctrl+A) or of the model ends it.
    void selectRows(RowSet rows, int leftColumn, int rightColumn);
    const RowSet& selectedRows() const noexcept { return m_rowSelection; }
    // Whether `index` lies in the row selection.
    bool rowSelected(const QModelIndex& index) const;
    void clearRowSelection();

    // Also keeps a scrolling column out from under the fixed ones.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // The view that draws the fixed columns over this one.
    QTableView* fixedColumnView() const noexcept { return m_fixedView; }

protected:
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Taking the focus leaves no cell current when none was: a search starts from the
    // current cell, and the first key press chooses one.
    void focusInEvent(QFocusEvent* event) override;
    // Ctrl+Shift+Home and Ctrl+Shift+End extend the selection, as Shift with any other
    // move does.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    // The cell made current other than by a Shift move anchors the next Shift moves.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void resizeEvent(QResizeEvent* event) override;
    // Home (Ctrl+Home) goes to the first scrollable column (of the first row), Left
    // stops at it, Tab and Shift+Tab pass over the fixed columns to the next or
    // previous row.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // A rectangle dragged or extended over the fixed columns stops at their edge.
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;

private:
    void setUpView(QTableView& view);
    void updateFixedColumns();
    void updateFixedViewGeometry();
    int fixedColumnsWidth() const;
    // Whether some columns scroll beside the fixed ones.
    bool hasScrollingColumns() const;

    // Horizontal scroll value v shows scrolling column fixedColumnCount() + v first,
    // at the fixed columns' edge.
    int scrollingWidth() const;
    int lastScrollValue() const;
    // The value that shows `column` (a scrolling one) in full, moving as little as
    // possible from `value`; a column wider than the view starts at the edge.
    int scrollValueShowing(int column, int value) const;
    void applyColumnOffset();

    QTableView* m_fixedView;
    int m_fixedColumnCount = 0;
    RowSet m_rowSelection;
    int m_rowSelectionLeft = 0;
    int m_rowSelectionRight = -1;
    bool m_selectingRows = false; // selectRows() is clearing the widget's selection
    // Shift moves select the cells from this one to the current one, whatever the
    // view's scrolling has done to the first's place on screen.
    QPersistentModelIndex m_selectionAnchor;
    bool m_extendingByKey = false;
};

} // namespace kvd
