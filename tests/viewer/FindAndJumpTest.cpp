#include "ViewerFixture.h"

#include "viewer/DataTableModel.h"
#include "viewer/DocumentExplorer.h"
#include "viewer/ElidedLabel.h"
#include "viewer/FindBar.h"
#include "viewer/HistogramWindow.h"
#include "viewer/ReportView.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QAbstractAxis>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QTabWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <QToolTip>
#include <QHeaderView>
#include <QScrollBar>

using namespace kvd;

namespace {

class FindAndJumpTest : public ViewerFixture {
protected:
    TMDIChild* open(const QString& name, const std::string& bytes)
    {
        m_path = writeFile(name, bytes);
        m_bytes = readFile(m_path);
        m_form->OpenDataFile(m_path);
        TMDIChild* window = m_form->activeDocumentWindow();
        EXPECT_NE(window, nullptr);
        QApplication::setActiveWindow(m_form.get());
        idle();
        return window;
    }

    static QString current(const TMDIChild& window)
    {
        const QModelIndex index = window.StringGrid1->currentIndex();
        return QStringLiteral("%1,%2:%3").arg(index.row()).arg(index.column()).arg(index.data().toString());
    }

    static std::vector<std::pair<int, int>> selectedCells(const TMDIChild& window)
    {
        std::vector<std::pair<int, int>> cells;
        const TextGrid& grid = *window.StringGrid1;
        for (const QModelIndex& index : grid.selectionModel()->selectedIndexes())
            cells.emplace_back(index.row(), index.column());
        for (const int row : grid.selectedRows())
            for (int column = 0; column < grid.model()->columnCount(); ++column)
                if (grid.rowSelected(grid.model()->index(row, column)))
                    cells.emplace_back(row, column);
        std::sort(cells.begin(), cells.end());
        return cells;
    }

    // Nothing of the document changed: the file, the header and its modified flag.
    void expectDocumentUntouched(const TMDIChild& window)
    {
        EXPECT_FALSE(window.headerModified());
        EXPECT_FALSE(m_form->ToolButton2->isEnabled());
        EXPECT_EQ(readFile(m_path), m_bytes);
    }

    QString m_path;
    QString m_bytes;
};

const std::string LeafFile = "KVD\r\n[Data]\r\nObject;Source;Note;Area\r\n"
                             "leaf001;scan_A;ok;1\r\nLeaf002;scan_B;ok;2\r\nx;scan_a;LEAF;4\r\n";

TEST_F(FindAndJumpTest, findsCellsIgnoringCaseStepsBothWaysAndLeavesTheCellFoundToCopy)
{
    TMDIChild* window = open("leaves.kvd", LeafFile);
    FindBar* bar = window->explorer()->findBar();
    QTest::keyClick(window->StringGrid1, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->textEdit()->hasFocus());

    QTest::keyClicks(bar->textEdit(), "leaf");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    EXPECT_EQ(current(*window), "0,0:leaf001");
    EXPECT_EQ(selectedCells(*window), (std::vector<std::pair<int, int>>{{0, 0}}));
    QTest::keyClick(bar->textEdit(), Qt::Key_F3);
    EXPECT_EQ(current(*window), "1,0:Leaf002");
    QTest::keyClick(bar->textEdit(), Qt::Key_F3);
    EXPECT_EQ(current(*window), "2,2:LEAF");
    QTest::keyClick(bar->textEdit(), Qt::Key_F3);
    EXPECT_EQ(current(*window), "0,0:leaf001"); // around the end
    QTest::keyClick(bar->textEdit(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(current(*window), "2,2:LEAF");

    // Limited to the source column: "a" is found there only.
    bar->columnChoice()->setCurrentIndex(bar->columnChoice()->findText("Source"));
    bar->textEdit()->setText("SCAN_a");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    EXPECT_EQ(current(*window), "0,1:scan_A");
    bar->textEdit()->setText("zzz");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    EXPECT_EQ(bar->statusLabel()->text(), "not found");
    EXPECT_FALSE(bar->statusLabel()->styleSheet().isEmpty()); // drawn as a problem
    EXPECT_EQ(current(*window), "0,1:scan_A");
    EXPECT_TRUE(m_boxes->messages.isEmpty());

    QTest::keyClick(bar->textEdit(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(window->StringGrid1->hasFocus());
    QTest::keyClick(window->StringGrid1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "scan_A");
    QTest::keyClick(window->StringGrid1, Qt::Key_F3); // the bar comes back to answer
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->statusLabel()->text(), "not found");
    expectDocumentUntouched(*window);
}

TEST_F(FindAndJumpTest, aCellFoundStandsOutInEveryColumnAndComesIntoTheMiddle)
{
    std::string bytes = "KVD\r\n[Data]\r\nObject;Source";
    for (int column = 0; column < 30; ++column)
        bytes += ";M" + std::to_string(column);
    bytes += "\r\n";
    for (int row = 1; row <= 300; ++row) {
        bytes += (row == 250 ? "needle" : row == 253 ? "needle_too" : "o" + std::to_string(row)) + ";s"
                 + std::to_string(row % 5);
        for (int column = 0; column < 30; ++column)
            bytes += ";" + std::to_string(row * (column + 3) % 9000) + ".82";
        bytes += "\r\n";
    }
    TMDIChild* window = open("needles.kvd", bytes);
    FindBar* bar = window->explorer()->findBar();
    TextGrid* grid = window->StringGrid1;
    window->explorer()->findAction->trigger();
    QTest::keyClicks(bar->textEdit(), "NEEDLE");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    ASSERT_EQ(current(*window), "249,0:needle");

    // Its row in the middle of the view, its cell in the selection colour although fixed.
    const int middle = grid->rowViewportPosition(249) + grid->rowHeight(249) / 2;
    EXPECT_LE(std::abs(middle - grid->viewport()->height() / 2), 2 * grid->rowHeight(249)); // whole rows
    QTableView* fixed = grid->fixedColumnView();
    const QImage image = fixed->viewport()->grab().toImage();
    const QColor pixel = image.pixelColor(fixed->visualRect(grid->currentIndex()).topLeft() + QPoint(3, 3));
    EXPECT_TRUE(pixel == grid->palette().color(QPalette::Active, QPalette::Highlight)
                || pixel == grid->palette().color(QPalette::Inactive, QPalette::Highlight))
        << pixel.name().toStdString();
    const QColor otherRow = image.pixelColor(fixed->visualRect(grid->model()->index(248, 0)).topLeft() + QPoint(3, 3));
    EXPECT_EQ(otherRow, FixedCellColour);

    // A hit already in sight moves nothing.
    const int top = grid->verticalScrollBar()->value();
    QTest::keyClick(bar->textEdit(), Qt::Key_F3);
    ASSERT_EQ(current(*window), "252,0:needle_too");
    EXPECT_EQ(grid->verticalScrollBar()->value(), top);

    // A jump from the statistics to a column far right: the first column beside the
    // fixed ones starts at their edge.
    window->explorer()->showStatisticsRow(27);
    EXPECT_EQ(grid->currentIndex().column(), 29);
    const int edge = fixed->width();
    const int first = grid->columnAt(edge);
    EXPECT_GE(first, 2);
    EXPECT_EQ(grid->columnViewportPosition(first), edge);

    // The status text, too long for its room, is shortened and whole in its tooltip;
    // it never makes the bar ask for more room.
    const int barWidth = bar->minimumSizeHint().width();
    bar->showRows({250, 253}, -1, QStringLiteral("Object needle of a source with a very long name indeed"));
    EXPECT_EQ(bar->minimumSizeHint().width(), barWidth);
    ElidedLabel* status = bar->statusLabel();
    status->resize(90, status->height());
    EXPECT_TRUE(status->shownText().endsWith(QChar(0x2026))) << status->shownText().toStdString();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), status->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(status, &help);
    EXPECT_EQ(QToolTip::text(), status->text());
    EXPECT_TRUE(status->text().startsWith("Object needle of a source with a very long name indeed: row 1 of 2"));
    status->resize(2000, status->height());
    EXPECT_EQ(status->shownText(), status->text());
    QToolTip::hideText();
}

TEST_F(FindAndJumpTest, aLongSearchRunsFromTheEventLoopAndCanBeStopped)
{
    std::string bytes = "KVD\r\n[Data]\r\nObject;Source;Area\r\n";
    for (int row = 1; row <= 200000; ++row)
        bytes += "o" + std::to_string(row) + ";s;" + std::to_string(row % 97) + "\r\n";
    bytes += "needle;s;1\r\n";
    TMDIChild* window = open("long.kvd", bytes);
    FindBar* bar = window->explorer()->findBar();
    bar->setMillisecondsPerTurn(0); // one step of rows per turn of the event loop
    window->explorer()->findAction->trigger();
    bar->textEdit()->setText("NEEDLE");
    bar->findNext();
    ASSERT_TRUE(bar->searching());
    EXPECT_TRUE(bar->stopButton()->isVisible());
    idle(); // a few turns: the window handles its events meanwhile
    ASSERT_TRUE(bar->searching());
    QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
    EXPECT_FALSE(bar->searching());
    EXPECT_EQ(bar->statusLabel()->text(), "Search stopped");
    EXPECT_TRUE(bar->statusLabel()->styleSheet().isEmpty()); // not drawn as a problem
    EXPECT_FALSE(window->StringGrid1->currentIndex().isValid());

    QSignalSpy finished(bar, &FindBar::searchFinished);
    bar->findNext();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(current(*window), "200000,0:needle");
}

TEST_F(FindAndJumpTest, reportLinesLeadToTheRowsTheyNameAndF3StepsThroughThem)
{
    TMDIChild* window = open("duplicates.kvd", "KVD\r\n[Data]\r\nObject;Source;Area\r\n"
                                                "a1;img;1\r\nb2;lab;2\r\nA1;IMG;3\r\nc3;img;4\r\n");
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    idle();
    const QStringList lines = window->Memo1->toPlainText().split('\n');
    const auto doubleClickLine = [&](const QString& text) {
        const auto line = static_cast<int>(lines.indexOf(text));
        EXPECT_GE(line, 0) << text.toStdString();
        const QPoint position = window->Memo1->lineRect(static_cast<std::size_t>(line)).center();
        QTest::mouseClick(window->Memo1->viewport(), Qt::LeftButton, {}, position);
        QTest::mouseDClick(window->Memo1->viewport(), Qt::LeftButton, {}, position);
    };
    const auto selectedRows = [&] {
        std::vector<int> rows;
        for (const auto& [row, column] : selectedCells(*window))
            if (column == 0)
                rows.push_back(row);
        return rows;
    };

    doubleClickLine("WARNING: Object A1 of IMG in duplicate !");
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(selectedCells(*window).size(), 6u); // whole rows
    EXPECT_EQ(window->StringGrid1->currentIndex().row(), 0);
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(window->StringGrid1->currentIndex().row(), 2);
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(window->StringGrid1->currentIndex().row(), 0);
    // Ctrl+C copies the rows selected, not those between them.
    QTest::keyClick(window->StringGrid1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "a1\timg\t1\nA1\tIMG\t3");

    window->PageControl1->setCurrentWidget(window->TabSheet3);
    idle();
    doubleClickLine(" - img (2 objects)"); // and the row spelled IMG
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2, 3}));
    EXPECT_TRUE(window->explorer()->findBar()->statusLabel()->text().startsWith("Source img: row 1 of 3"));
    // A text typed leaves the rows behind: F3 then finds the text.
    FindBar* bar = window->explorer()->findBar();
    QTest::keyClicks(bar->textEdit(), "c3");
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(current(*window), "3,0:c3");
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(current(*window), "3,0:c3");
    EXPECT_TRUE(window->StringGrid1->selectedRows().empty());

    // A line that names no rows does nothing.
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    idle();
    doubleClickLine("Objects originating from 2 sources:");
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet3);
    expectDocumentUntouched(*window);
}

TEST_F(FindAndJumpTest, aJumpToManyScatteredRowsSelectsCopiesAndReachesEveryOne)
{
    constexpr int Separate = 100000;
    std::string bytes = "KVD\r\n[Data]\r\nObject;Source;Area\r\n";
    std::vector<int> everyOther; // table rows: the names row is row 0
    std::string expected;
    for (int row = 1; row <= 2 * Separate; ++row) {
        const std::string line = "o" + std::to_string(row) + (row % 2 ? ";a;" : ";b;") + std::to_string(row % 7);
        bytes += line + "\r\n";
        if (row % 2) {
            everyOther.push_back(row);
            std::string cells = line;
            std::replace(cells.begin(), cells.end(), ';', '\t');
            expected += (expected.empty() ? "" : "\n") + cells;
        }
    }
    TMDIChild* window = open("scattered.kvd", bytes);
    FindBar* bar = window->explorer()->findBar();
    TextGrid* grid = window->StringGrid1;
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    bar->showRows(everyOther, -1, "Source a");

    for (int row = 0; row < grid->model()->rowCount(); ++row)
        ASSERT_EQ(grid->rowSelected(grid->model()->index(row, 2)), row % 2 == 0) << row;
    EXPECT_EQ(grid->selectedRows().size(), std::size_t{Separate});
    EXPECT_EQ(bar->statusLabel()->text(), "Source a: row 1 of 100000 (F3, Shift+F3)");
    // Drawn as selected: a row of the set in the selection colour, the row between not.
    const QImage image = grid->viewport()->grab().toImage();
    const auto colourOf = [&](int row) {
        return image.pixelColor(grid->visualRect(grid->model()->index(row, 2)).topLeft() + QPoint(3, 3));
    };
    const QColor highlight[] = {grid->palette().color(QPalette::Active, QPalette::Highlight),
                                grid->palette().color(QPalette::Inactive, QPalette::Highlight)};
    EXPECT_TRUE(colourOf(2) == highlight[0] || colourOf(2) == highlight[1]) << colourOf(2).name().toStdString();
    EXPECT_TRUE(colourOf(3) != highlight[0] && colourOf(3) != highlight[1]) << colourOf(3).name().toStdString();

    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
    // On a busy machine the copy shows its progress dialog, which takes the activation;
    // the offscreen platform does not hand it back as a window manager does.
    QApplication::setActiveWindow(m_form.get());
    grid->setFocus();

    QTest::keyClick(grid, Qt::Key_F3, Qt::ShiftModifier); // around to the last
    EXPECT_EQ(grid->currentIndex().row(), 2 * Separate - 2);
    EXPECT_EQ(bar->statusLabel()->text(), "Source a: row 100000 of 100000 (F3, Shift+F3)");
    QTest::keyClick(grid, Qt::Key_F3);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    for (int step = 1; step < Separate; ++step) {
        window->explorer()->findNextAction->trigger(); // F3
        ASSERT_EQ(grid->currentIndex().row(), 2 * step) << step;
    }
    EXPECT_EQ(grid->selectedRows().size(), std::size_t{Separate}); // stepping keeps the selection

    // A click makes a selection of its own.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->currentIndex()).center());
    EXPECT_TRUE(grid->selectedRows().empty());
}

TEST_F(FindAndJumpTest, statisticsRowsLeadToTheirColumnOrToTheCellsThatAreNotNumbers)
{
    TMDIChild* window = open("invalid.kvd", "KVD\r\n[Data]\r\nObject;Source;Area;Length\r\n"
                                            "1;a;1;2\r\n2;a;3;x\r\n3;b;5;2\r\n4;b;7;\r\n");
    ASSERT_EQ(m_boxes->messages.size(), 1); // Length's warning
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    idle();
    TextGrid* statistics = window->StringGrid2;
    const QPoint area = statistics->visualRect(statistics->model()->index(0, 0)).center();
    QTest::mouseClick(statistics->viewport(), Qt::LeftButton, {}, area); // a double-click's first press
    QTest::mouseDClick(statistics->viewport(), Qt::LeftButton, {}, area);
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
    EXPECT_EQ(window->StringGrid1->currentIndex().column(), 2);
    EXPECT_EQ(selectedCells(*window), (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}, {3, 2}}));

    window->explorer()->showStatisticsRow(1); // Length: a name only
    EXPECT_EQ(selectedCells(*window), (std::vector<std::pair<int, int>>{{1, 3}, {3, 3}}));
    EXPECT_EQ(current(*window), "1,3:x");
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(current(*window), "3,3:");
    QTest::keyClick(window->StringGrid1, Qt::Key_F3);
    EXPECT_EQ(current(*window), "1,3:x");
    EXPECT_EQ(selectedCells(*window).size(), 2u); // stepping keeps the selection
    expectDocumentUntouched(*window);
}

TEST_F(FindAndJumpTest, histogramsOfTheSelectedMeasurementsStandSideBySide)
{
    // WUM: Kind is text from its first value on ("n/a"), Area and Length are numbers.
    TMDIChild* window = open("plankton.wum", "WUM\r\n[Data]\r\nObject\tKind\tArea\tLength\tSource\r\n"
                                             "1\tcop\t1\t2\ts\r\n2\tdia\t2\t2.5\ts\r\n3\tcop\t4\t3\ts\r\n");
    TextGrid* statistics = window->StringGrid2;
    const QItemSelection firstTwoRows(statistics->model()->index(0, 0), statistics->model()->index(1, 4));
    statistics->selectionModel()->select(firstTwoRows, QItemSelectionModel::ClearAndSelect);
    // The current cell counts only when nothing is selected.
    statistics->selectionModel()->setCurrentIndex(statistics->model()->index(2, 0), QItemSelectionModel::NoUpdate);
    HistogramWindow* histograms = window->explorer()->showHistograms();
    ASSERT_NE(histograms, nullptr);
    EXPECT_EQ(histograms->histograms().size(), 2u);
    const QList<QChartView*> views = histograms->findChildren<QChartView*>();
    ASSERT_EQ(views.size(), 1); // Kind has a line in place of its chart
    QChart* area = views[0]->chart();
    EXPECT_EQ(area->axes(Qt::Horizontal).first()->titleText(), "Area");
    EXPECT_EQ(area->axes(Qt::Vertical).first()->titleText(), "Count");
    QStringList legend;
    for (QLegendMarker* marker : area->legend()->markers())
        if (marker->isVisible())
            legend.append(marker->label());
    EXPECT_EQ(legend, (QStringList{"Count", "Mean 2.33", "\u00b1 Std_Err 0.88"}));
    histograms->close();
    expectDocumentUntouched(*window);
}

} // namespace
