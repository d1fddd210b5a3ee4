#pragma once

#include <QTableView>

namespace kvd {

// A grid of text cells as the document window shows its tables: the fixed row is the
// horizontal header, the fixed columns stay at the left edge while the rest scrolls
// under them (a second view over the same model and selection lies on top of the
// first columns), both drawn sky blue. The user selects one rectangle of cells and
// drags column borders; nothing is edited, rows keep their height. Ctrl+C copies
// the selected cells as lines of TAB-separated text. As long as some columns scroll,
// the current cell stays out of the fixed ones (keys and mouse alike), and fixed
// cells are never drawn in the selection colour.
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

    // The selected cells as text (see selectionText): the rows holding selected cells,
    // their cells separated by TAB; lines separated by LF.
    QString selectedText() const;

    // Also keeps a scrolling column out from under the fixed ones.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // The view that draws the fixed columns over this one.
    QTableView* fixedColumnView() const noexcept { return m_fixedView; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Taking the focus leaves no cell current when none was: a search starts from the
    // current cell, and the first key press chooses one.
    void focusInEvent(QFocusEvent* event) override;
    // Ctrl+Shift+Home and Ctrl+Shift+End extend the selection, as Shift with any other
    // move does.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
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

    QTableView* m_fixedView;
    int m_fixedColumnCount = 0;
};

} // namespace kvd
