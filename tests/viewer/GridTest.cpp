#include "TableBuilder.h"
#include "datafile/DataTable.h"
#include "viewer/DataTableModel.h"
#include "viewer/GridTextWidth.h"
#include "viewer/SelectionText.h"
#include "viewer/StatisticsTableModel.h"
#include "viewer/TextGrid.h"
#include "summary/StatisticsTable.h"
#include "viewer/ApplicationFonts.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

using namespace kvd;

namespace {

// A KVD-like table: names row, then rows of "object;source;value" lines.
DataTable makeTable(const std::vector<std::string>& lines, int fixedColumns)
{
    DataTable table = test::makeTable(lines);
    table.setFixedRowCount(1);
    table.setFixedColumnCount(fixedColumns);
    return table;
}

// A names row of Object, Source and `measurements` columns M0.., then `rows` lines "N;a" + rowTail.
std::vector<std::string> wideLines(int measurements, int rows, const std::string& rowTail)
{
    std::vector<std::string> lines = {"Object;Source"};
    for (int column = 0; column < measurements; ++column)
        lines[0] += ";M" + std::to_string(column);
    for (int row = 1; row <= rows; ++row)
        lines.push_back(std::to_string(row) + ";a" + rowTail);
    return lines;
}

// A grid with two fixed columns on a table of `lines` (UTF-8), sized and given its column
// widths by `prepare`, then shown with the focus.
struct ShownGrid {
    ShownGrid(const std::vector<std::string>& lines, const std::function<void(TextGrid&)>& prepare)
        : table(makeTable(lines, 2)), model(table, encoding)
    {
        grid.setModel(&model);
        grid.setFixedColumnCount(2);
        prepare(grid);
        grid.show();
        grid.setFocus();
    }

    const DataTable table;
    const TextEncoding encoding = TextEncoding::Utf8;
    DataTableModel model;
    TextGrid grid;
};

} // namespace

TEST(DataTableModelTest, showsTheFixedRowAsHeaderAndDecodesCells)
{
    const DataTable table = makeTable({"Object;Source;Caf\xE9", "1;a;2.5", "2;b", "3;c;4;extra"}, 2);
    const TextEncoding encoding = TextEncoding::Windows1252;
    DataTableModel model(table, encoding);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("Café"));
    EXPECT_EQ(model.index(0, 2).data().toString(), "2.5");
    EXPECT_EQ(model.index(1, 2).data().toString(), ""); // a short line leaves cells empty
    EXPECT_EQ(model.index(2, 2).data().toString(), "4"); // fields past the columns are dropped
    EXPECT_EQ(model.index(0, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(166, 202, 240));
    EXPECT_FALSE(model.index(0, 2).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST(DataTableModelTest, aNewTableIsOneOrdinaryEmptyCell)
{
    const DataTable table;
    const TextEncoding encoding = TextEncoding::Utf8;
    DataTableModel model(table, encoding);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_FALSE(model.index(0, 0).data(Qt::BackgroundRole).isValid());
}

TEST(StatisticsTableModelTest, headingRowIsTheHeader)
{
    StatisticsTable table;
    const char* headings[] = {"Name", "Mean", "Std_Err", "Min", "Max"};
    for (int column = 0; column < 5; ++column)
        table.setCell(0, column, headings[column]);
    table.setCell(1, 0, "Area");
    table.setCell(1, 1, "2.33");
    table.setCell(2, 0, "Length");
    const TextEncoding encoding = TextEncoding::Utf8;
    StatisticsTableModel model(table, encoding);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Std_Err");
    EXPECT_EQ(model.index(0, 1).data().toString(), "2.33");
    EXPECT_EQ(model.index(1, 4).data().toString(), "");
}

TEST(TextGridTest, ctrlCCopiesTheSelectedRectangleAsTabSeparatedLines)
{
    ShownGrid shown({"Object;Source;Area;Length", "1;a;2.5;7", "2;b;3.5;8", "3;c;4.5;9"}, [](TextGrid&) {});
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;

    grid.selectionModel()->select(QItemSelection(model.index(0, 1), model.index(1, 3)), QItemSelectionModel::Select);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "a\t2.5\t7\nb\t3.5\t8");

    grid.selectionModel()->select(model.index(2, 0), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "3");
}

TEST(SelectionTextTest, equalsACellByCellReadingOfRandomSelections)
{
    QStandardItemModel model(40, 6);
    for (int row = 0; row < 40; ++row)
        for (int column = 0; column < 6; ++column)
            model.setItem(row, column, new QStandardItem(QStringLiteral("%1\u00e9%2").arg(row).arg(column)));
    // Each row that some range holds, its cells from the leftmost to the rightmost
    // column of all ranges, those no range holds empty.
    const auto reference = [&](const QItemSelection& selection) {
        QStringList lines;
        int left = 6, right = -1;
        for (const auto& range : selection) {
            left = std::min(left, range.left());
            right = std::max(right, range.right());
        }
        for (int row = 0; row < 40; ++row) {
            if (std::none_of(selection.cbegin(), selection.cend(), [row](const auto& r) { return r.top() <= row && row <= r.bottom(); }))
                continue;
            QStringList cells;
            for (int column = left; column <= right; ++column)
                cells.append(selection.contains(model.index(row, column)) ? model.index(row, column).data().toString() : QString());
            lines.append(cells.join('\t'));
        }
        return lines.join('\n');
    };
    QRandomGenerator random(11);
    for (int trial = 0; trial < 300; ++trial) {
        QItemSelection selection; // ranges in any order, overlapping, apart
        const int ranges = random.bounded(1, 5);
        for (int i = 0; i < ranges; ++i) {
            const int top = random.bounded(40), left = random.bounded(6);
            const int bottom = std::min(39, top + random.bounded(8)), right = std::min(5, left + random.bounded(3));
            selection.append(QItemSelectionRange(model.index(top, left), model.index(bottom, right)));
        }
        ASSERT_EQ(QString::fromUtf8(selectionText(model, selection)), reference(selection)) << trial;
    }

    RowSet rows;
    for (const int row : {0, 3, 39})
        rows.add(row);
    EXPECT_EQ(QString::fromUtf8(rowsText(model, rows, 1, 2)), "0\u00e91\t0\u00e92\n3\u00e91\t3\u00e92\n39\u00e91\t39\u00e92");
    // A copy told to stop (it is asked every few thousand lines) gives nothing.
    QStandardItemModel tall(5000, 1);
    const CopyProgress stop = [](std::int64_t done, std::int64_t total) { return done > total; };
    const QItemSelection column(tall.index(0, 0), tall.index(4999, 0));
    RowSet every;
    for (int row = 0; row < 5000; ++row)
        every.add(row);
    EXPECT_EQ(selectionText(tall, column).size(), 4999);
    EXPECT_EQ(rowsText(tall, every, 0, 0).size(), 4999);
    EXPECT_TRUE(selectionText(tall, column, stop).isEmpty());
    EXPECT_TRUE(rowsText(tall, every, 0, 0, stop).isEmpty());
}

TEST(TextGridTest, fixedColumnsStayInViewWhileTheRestScrolls)
{
    ShownGrid shown(wideLines(40, 1, ""), [](TextGrid& grid) {
        grid.resize(300, 200);
        grid.setColumnWidth(0, 50);
    });
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;

    QTableView* fixed = grid.fixedColumnView();
    EXPECT_TRUE(fixed->isVisible());
    EXPECT_EQ(fixed->width(), 50 + 80);
    EXPECT_TRUE(fixed->isColumnHidden(2));
    EXPECT_FALSE(fixed->isColumnHidden(1));

    grid.scrollTo(model.index(0, 41));
    EXPECT_GT(grid.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(fixed->columnViewportPosition(0), 0);
    // A column scrolled to from the right is not left under the fixed columns.
    grid.scrollTo(model.index(0, 5));
    EXPECT_GE(grid.columnViewportPosition(5), 130);

    // Resizing a fixed column in the view on top resizes it in the grid.
    fixed->horizontalHeader()->resizeSection(1, 120);
    EXPECT_EQ(grid.columnWidth(1), 120);
    EXPECT_EQ(fixed->width(), 50 + 120);
}

TEST(TextGridTest, keysAndClicksNeverMakeAFixedCellCurrent)
{
    ShownGrid shown(wideLines(30, 40, ";1"), [](TextGrid& grid) { grid.resize(400, 200); });
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;
    const auto column = [&] { return grid.currentIndex().column(); };

    grid.setCurrentIndex(model.index(20, 25));
    grid.scrollTo(grid.currentIndex());
    ASSERT_GT(grid.horizontalScrollBar()->value(), 0);
    QTest::keyClick(&grid, Qt::Key_Home);
    EXPECT_EQ(grid.currentIndex(), model.index(20, 2));
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 0); // the first scrollable column is in view

    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    QTest::keyClick(&grid, Qt::Key_Home); // already current, scrolled out of view
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 0);

    grid.setCurrentIndex(model.index(30, 25));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.currentIndex(), model.index(0, 2));
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);

    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(column(), 2);
    QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier); // first cell: stays
    EXPECT_EQ(grid.currentIndex(), model.index(0, 2));
    grid.setCurrentIndex(model.index(1, 2));
    QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentIndex(), model.index(0, 31)); // end of the row above
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), model.index(1, 2)); // over the fixed columns

    // A click into the fixed columns keeps the current cell and selection.
    QTableView* fixed = grid.fixedColumnView();
    QTest::mouseClick(fixed->viewport(), Qt::LeftButton, {}, fixed->visualRect(model.index(3, 0)).center());
    EXPECT_EQ(grid.currentIndex(), model.index(1, 2));
    EXPECT_FALSE(grid.selectionModel()->isSelected(model.index(3, 0)));
    // Selected fixed cells keep their colour.
    EXPECT_EQ(fixed->palette().color(QPalette::Highlight), FixedCellColour);
}

TEST(TextGridTest, shiftedMovesExtendTheSelectionFromTheAnchor)
{
    ShownGrid shown(wideLines(4, 30, ";1;2;3;4"), [](TextGrid& grid) { grid.resize(400, 200); });
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;

    // From the anchor (10, 3): where the key leaves the current cell, and the selected
    // block, whose corners are the anchor and that cell.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row, column;
    } moves[] = {
        {Qt::Key_Right, Qt::ShiftModifier, 10, 4},
        {Qt::Key_Down, Qt::ShiftModifier, 11, 3},
        {Qt::Key_Home, Qt::ShiftModifier, 10, 2},
        {Qt::Key_End, Qt::ShiftModifier, 10, 5},
        {Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier, 0, 2},
        {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, 29, 5},
        {Qt::Key_PageDown, Qt::ShiftModifier, -1, 3}, // a page lower, whatever a page is
    };
    for (const auto& move : moves) {
        const QString name = QKeySequence(move.key | move.modifiers).toString();
        grid.setCurrentIndex(model.index(10, 3));
        QTest::keyClick(&grid, move.key, move.modifiers);
        const int row = move.row >= 0 ? move.row : grid.currentIndex().row();
        ASSERT_EQ(grid.currentIndex(), model.index(row, move.column)) << name.toStdString();
        const int cells = (std::abs(row - 10) + 1) * (std::abs(move.column - 3) + 1);
        EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), cells) << name.toStdString();
        EXPECT_TRUE(grid.selectionModel()->isSelected(model.index(10, 3))) << name.toStdString();
        EXPECT_TRUE(grid.selectionModel()->isSelected(grid.currentIndex())) << name.toStdString();
    }
    // Shift+Tab goes to the cell before without selecting; the next Shift move starts there.
    grid.setCurrentIndex(model.index(10, 3));
    QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes(), QModelIndexList{model.index(10, 2)});
    QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.selectionModel()->selectedIndexes().size(), 2);
    EXPECT_TRUE(grid.selectionModel()->isSelected(model.index(10, 2)));
}

TEST(TextGridTest, scrollsByWholeColumnsSoTheFirstScrollingColumnIsNeverCut)
{
    ShownGrid shown(wideLines(30, 50, ";190.67;4784.82"), [](TextGrid& grid) {
        grid.resize(430, 200);
        grid.setColumnWidth(0, 45);
        grid.setColumnWidth(1, 61);
        for (int column = 2; column < 32; ++column)
            grid.setColumnWidth(column, 40 + column * 37 % 90); // no two neighbours alike
    });
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;
    const int edge = 45 + 61;
    const int last = 31;
    QScrollBar* bar = grid.horizontalScrollBar();

    const auto expectAligned = [&](const std::string& what) {
        const int first = grid.columnAt(edge);
        ASSERT_GE(first, 2) << what;
        EXPECT_EQ(grid.columnViewportPosition(first), edge) << what;
        EXPECT_EQ(grid.fixedColumnView()->columnViewportPosition(0), 0) << what;
    };
    const auto expectInFull = [&](int column, const std::string& what) {
        EXPECT_GE(grid.columnViewportPosition(column), edge) << what;
        EXPECT_LE(grid.columnViewportPosition(column) + grid.columnWidth(column), grid.viewport()->width()) << what;
    };

    grid.setCurrentIndex(model.index(3, 2));
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(grid.currentIndex(), model.index(3, last));
    expectAligned("End");
    expectInFull(last, "End");
    EXPECT_EQ(bar->value(), bar->maximum());

    QTest::keyClick(&grid, Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.currentIndex(), model.index(49, last));
    expectAligned("Ctrl+End");
    expectInFull(last, "Ctrl+End");

    // Jumps to a column left of the view and right of it.
    grid.scrollTo(model.index(10, 12));
    expectAligned("jump left");
    EXPECT_EQ(grid.columnViewportPosition(12), edge);
    grid.scrollTo(model.index(10, 20));
    expectAligned("jump right");
    expectInFull(20, "jump right");
    grid.scrollTo(model.index(10, 0)); // a fixed column: no sideways move
    expectInFull(20, "jump to a fixed column");

    // Every position of the scroll bar, and a resize that leaves the view wider.
    for (int value = bar->minimum(); value <= bar->maximum(); ++value) {
        bar->setValue(value);
        expectAligned("value " + std::to_string(value));
    }
    expectInFull(last, "maximum");
    grid.setColumnWidth(31, 200);
    QCoreApplication::processEvents(); // the view takes in the new width
    bar->setValue(bar->maximum());
    expectAligned("widened");
    expectInFull(last, "widened");
}

TEST(TextGridTest, aCutTextEndsInAnEllipsisAndShowsWhole)
{
    ShownGrid shown({"Object;Source;Max", "leaf_with_a_long_name;a;5724.82", "b;a;1"}, [](TextGrid& grid) {
        grid.resize(400, 200);
        grid.setColumnWidth(0, 40);
        grid.setColumnWidth(2, 22);
    });
    TextGrid& grid = shown.grid;
    const DataTableModel& model = shown.model;
    EXPECT_EQ(grid.textElideMode(), Qt::ElideRight);
    EXPECT_EQ(grid.fixedColumnView()->textElideMode(), Qt::ElideRight);

    const auto toolTip = [&](QTableView& view, const QModelIndex& index) {
        const QPoint at = view.visualRect(index).center();
        QHelpEvent event(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
        QApplication::sendEvent(view.viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // Texts that fit first: a tip once shown lingers a while after it is hidden.
    EXPECT_EQ(toolTip(grid, model.index(1, 2)), ""); // "1"
    EXPECT_EQ(toolTip(*grid.fixedColumnView(), model.index(1, 1)), "");
    EXPECT_EQ(toolTip(grid, model.index(0, 2)), "5724.82");
    EXPECT_EQ(toolTip(*grid.fixedColumnView(), model.index(0, 0)), "leaf_with_a_long_name");

    // A column the right edge cuts through, whose text fits the cell but not the part of
    // it shown: the text is elided in that part.
    grid.setColumnWidth(2, 300);
    grid.resize(40 + 80 + 30, 200);
    const QRect cut = grid.visualRect(model.index(0, 2));
    ASSERT_GT(cut.right(), grid.viewport()->width());
    const QPoint inShownPart(cut.left() + 5, cut.center().y());
    QHelpEvent atEdge(QEvent::ToolTip, inShownPart, grid.viewport()->mapToGlobal(inShownPart));
    QApplication::sendEvent(grid.viewport(), &atEdge);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "5724.82");
    grid.resize(400, 200);
    grid.setColumnWidth(2, 22);

    // Headings too: "Object" is cut at 40 pixels, "Source" fits in 80.
    const auto headingTip = [&](QTableView& view, int column) {
        QWidget* header = view.horizontalHeader()->viewport();
        const QPoint at(view.horizontalHeader()->sectionViewportPosition(column) + 5, 5);
        QHelpEvent event(QEvent::ToolTip, at, header->mapToGlobal(at));
        QApplication::sendEvent(header, &event);
        return QToolTip::text();
    };
    EXPECT_EQ(grid.horizontalHeader()->textElideMode(), Qt::ElideRight);
    EXPECT_EQ(headingTip(grid, 2), "Max");
    EXPECT_EQ(headingTip(*grid.fixedColumnView(), 0), "Object");
    QToolTip::hideText();
}

TEST(GridTextWidthTest, equalsTheFontMetricsOfTheDecodedText)
{
    const QFont font = gridFont();
    EXPECT_FALSE(font.kerning()); // a text's width is the sum of its characters'
    EXPECT_EQ(font.styleHint(), QFont::SansSerif); // where Tahoma is missing
    const GridTextWidth measure(font);
    const QFontMetrics metrics(font);

    const struct {
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"", TextEncoding::Utf8},
        {"Object", TextEncoding::Utf8},
        {"AVAWATava 1.5e-3 ;,", TextEncoding::Utf8},
        {"img_b_with_a_longer_name", TextEncoding::Utf8},
        {"Caf\xE9 \x80 \x9F\xFF", TextEncoding::Windows1252},
        {"Caf\xC3\xA9 \xE4\xB8\xAD", TextEncoding::Utf8},
        {"tab\there", TextEncoding::Utf8},
        {"soft\xADhyphen fl fi ffi", TextEncoding::Windows1252},
    };
    for (const auto& c : cases) {
        const QString text = decodeText(c.bytes, c.encoding);
        EXPECT_EQ(measure(c.bytes, c.encoding), metrics.horizontalAdvance(text)) << c.bytes;
    }

    // Every printable byte, in random texts.
    QRandomGenerator random(7);
    for (int trial = 0; trial < 200; ++trial) {
        std::string bytes;
        const int length = random.bounded(1, 40);
        for (int i = 0; i < length; ++i)
            bytes.push_back(static_cast<char>(random.bounded(32, 256)));
        const QString text = decodeText(bytes, TextEncoding::Windows1252);
        ASSERT_EQ(measure(bytes, TextEncoding::Windows1252), metrics.horizontalAdvance(text)) << bytes;
    }
}
