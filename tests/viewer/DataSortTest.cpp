#include "ViewerFixture.h"

#include "viewer/DataRowView.h"
#include "viewer/DataTableModel.h"
#include "viewer/DocumentExplorer.h"
#include "viewer/FindBar.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"
#include "viewer/ValueStatisticsPanel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include "viewer/ConditionDialog.h"
#include "viewer/HistogramWindow.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

using namespace kvd;

namespace {

// Area holds numbers in two spellings of 2, and a text that is not a number.
const std::string AreaFile = "KVD\r\n[Data]\r\nObject;Source;Area;Note\r\n"
                             "a;s1;10;x\r\nb;s2;2;y\r\nc;s3;n/a;z\r\nd;s4;2.0;w\r\ne;s5;-1;v\r\n";

class DataSortTest : public ViewerFixture {
protected:
    TMDIChild* open(const std::string& bytes)
    {
        m_form->OpenDataFile(writeFile(QStringLiteral("areas.kvd"), bytes));
        TMDIChild* window = m_form->activeDocumentWindow();
        EXPECT_NE(window, nullptr);
        QApplication::setActiveWindow(m_form.get());
        window->PageControl1->setCurrentWidget(window->TabSheet2);
        idle();
        return window;
    }

    static void clickHeading(TMDIChild& window, int column)
    {
        QHeaderView* header = window.StringGrid1->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    }

    // The objects (column 0) in the order shown.
    static QString objects(const TMDIChild& window)
    {
        QString shown;
        const QAbstractItemModel* model = window.StringGrid1->model();
        for (int row = 0; row < model->rowCount(); ++row)
            shown += model->index(row, 0).data().toString();
        return shown;
    }

    static QString currentObject(const TMDIChild& window)
    {
        const QModelIndex current = window.StringGrid1->currentIndex();
        return current.siblingAtColumn(0).data().toString();
    }
};

TEST_F(DataSortTest, headingClicksCycleThroughAscendingDescendingAndFileOrderKeepingTheCurrentObject)
{
    TMDIChild* window = open(AreaFile);
    QAbstractItemModelTester tester(window->StringGrid1->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    TextGrid& grid = *window->StringGrid1;
    grid.setCurrentIndex(grid.model()->index(3, 3)); // object d
    QHeaderView* header = grid.horizontalHeader();

    clickHeading(*window, 2);
    EXPECT_EQ(objects(*window), "ebdac"); // 2 and 2.0 in file order, the text last
    EXPECT_EQ(currentObject(*window), "d");
    EXPECT_EQ(grid.currentIndex().column(), 3);
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    // The fixed columns show the same rows.
    EXPECT_EQ(grid.fixedColumnView()->model()->index(0, 1).data().toString(), "s5");

    clickHeading(*window, 2);
    EXPECT_EQ(objects(*window), "abdec");
    EXPECT_EQ(currentObject(*window), "d");
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    clickHeading(*window, 2);
    EXPECT_EQ(objects(*window), "abcde");
    EXPECT_EQ(currentObject(*window), "d");
    EXPECT_FALSE(header->isSortIndicatorShown());

    clickHeading(*window, 3); // a text column
    EXPECT_EQ(objects(*window), "edabc"); // v w x y z
}

TEST_F(DataSortTest, copyFindAndJumpsFollowTheOrderShown)
{
    TMDIChild* window = open(AreaFile);
    TextGrid& grid = *window->StringGrid1;
    window->explorer()->rowView()->sortBy(2, DataRowView::Order::Descending); // a b d e c
    grid.selectAll();
    ASSERT_TRUE(grid.copySelection());
    EXPECT_EQ(QApplication::clipboard()->text(),
              "a\ts1\t10\tx\nb\ts2\t2\ty\nd\ts4\t2.0\tw\ne\ts5\t-1\tv\nc\ts3\tn/a\tz");

    FindBar* bar = window->explorer()->findBar();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    bar->open();
    QTest::keyClicks(bar->textEdit(), "s");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return); // the source of a, in row 0
    EXPECT_EQ(currentObject(*window), "a");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    EXPECT_EQ(currentObject(*window), "b");
    QTest::keyClick(bar->textEdit(), Qt::Key_Return);
    EXPECT_EQ(currentObject(*window), "d");

    // A jump to the table rows of c and d: d comes first in the order shown.
    bar->showRows({3, 4}, -1, QStringLiteral("two"));
    EXPECT_EQ(currentObject(*window), "d");
    bar->findNext();
    EXPECT_EQ(currentObject(*window), "c");
    EXPECT_EQ(grid.selectedRows().size(), 2u);
}

// Groups cop, Cop and COP are one value shown as cop; dia is a group of one.
const std::string GroupFile = "LEARNING SET\nObject;Source;Area;Perimeter;Group;Status\n"
                              "1;img;1.5;10;cop;Learning\n2;img;2.5;20;Cop;Test\n3;IMG;4.5;30;dia;Test\n"
                              "4;img;5.5;40;COP;Learning\n";

TEST_F(DataSortTest, summaryShowsStatisticsByGroupSortedByAClickAndCopiedAsTabSeparatedText)
{
    TMDIChild* window = open(GroupFile);
    ValueStatisticsPanel* panel = window->ValueStatistics;
    ASSERT_EQ(panel->choice()->count(), 4); // (none), Source, Group, Status
    EXPECT_FALSE(panel->grid()->isVisibleTo(panel));
    panel->choice()->setCurrentIndex(2);
    TextGrid& grid = *panel->grid();
    EXPECT_TRUE(grid.isVisibleTo(panel));
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    grid.selectAll();
    ASSERT_TRUE(grid.copySelection());
    EXPECT_EQ(QApplication::clipboard()->text(), "cop\tArea\t3\t3.17\t1.20\t1.50\t5.50\n"
                                                 "cop\tPerimeter\t3\t23.33\t8.82\t10.00\t40.00\n"
                                                 "dia\tArea\t1\t4.50\t\t4.50\t4.50\n"
                                                 "dia\tPerimeter\t1\t30.00\t\t30.00\t30.00");
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), "Group");

    QHeaderView* header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(3) + 4, header->height() / 2)); // Mean
    EXPECT_EQ(grid.model()->index(0, 3).data().toString(), "3.17");
    EXPECT_EQ(grid.model()->index(3, 3).data().toString(), "30.00");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(4) + 4, header->height() / 2)); // Std_Err
    EXPECT_EQ(grid.model()->index(0, 4).data().toString(), "1.20");
    EXPECT_EQ(grid.model()->index(3, 4).data().toString(), ""); // empty last

    panel->choice()->setCurrentIndex(0);
    EXPECT_FALSE(grid.isVisibleTo(panel));
}

TEST_F(DataSortTest, filtersCombineAndSortFindCopyAndTheStatusLineWorkOnTheRowsShown)
{
    TMDIChild* window = open(AreaFile);
    TextGrid& grid = *window->StringGrid1;
    DataRowView& view = *window->explorer()->rowView();
    EXPECT_FALSE(view.filterLine()->isVisibleTo(window));

    view.showOnlyCondition(NumberCondition{2, NumberCondition::Comparison::GreaterOrEqual, 2, 0}, QStringLiteral("Area >= 2"));
    EXPECT_EQ(objects(*window), "abd");
    EXPECT_TRUE(view.filterLine()->isVisibleTo(window));
    EXPECT_TRUE(view.filterLabel()->text().startsWith(QStringLiteral("3 of 5 rows shown")));

    window->explorer()->findBar()->open();
    window->explorer()->findBar()->textEdit()->setText(QStringLiteral("s"));
    view.showOnlyRows({2, 3, 4, 5}, QStringLiteral("jump")); // and-ed with the condition
    EXPECT_EQ(objects(*window), "bd");
    view.sortBy(2, DataRowView::Order::Descending);
    EXPECT_EQ(objects(*window), "bd"); // 2 and 2.0 are equal: file order
    view.sortBy(0, DataRowView::Order::Descending);
    EXPECT_EQ(objects(*window), "db");
    grid.selectAll();
    ASSERT_TRUE(grid.copySelection());
    EXPECT_EQ(QApplication::clipboard()->text(), "d\ts4\t2.0\tw\nb\ts2\t2\ty");

    // The status bar names the file line of the current row: d is on line 7.
    grid.setCurrentIndex(grid.model()->index(0, 1));
    EXPECT_EQ(m_form->statusBar()->currentMessage(), "Line 7");

    view.showAll();
    EXPECT_EQ(objects(*window), "edcba");
    EXPECT_FALSE(view.filterLine()->isVisibleTo(window));
    view.showOnlyCondition(NumberCondition{2, NumberCondition::Comparison::NotANumber, 0, 0}, QStringLiteral("n/a"));
    EXPECT_EQ(objects(*window), "c");
    view.showAllButton()->click();
    EXPECT_EQ(grid.model()->rowCount(), 5);
}

TEST_F(DataSortTest, conditionDialogAcceptsNumbersOnlyAndNamesTheCondition)
{
    ConditionDialog dialog(QStringLiteral("Area"));
    EXPECT_EQ(dialog.windowTitle(), "Show only rows where Area");
    QPushButton* ok = dialog.buttons()->button(QDialogButtonBox::Ok);
    dialog.comparisonChoice()->setCurrentIndex(5); // between
    dialog.valueEdit()->setText(QStringLiteral("1.5"));
    EXPECT_FALSE(ok->isEnabled());
    dialog.upperEdit()->setText(QStringLiteral("x"));
    EXPECT_FALSE(ok->isEnabled());
    dialog.upperEdit()->setText(QStringLiteral("4"));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.condition().comparison, NumberCondition::Comparison::Between);
    EXPECT_EQ(dialog.condition().value, 1.5);
    EXPECT_EQ(dialog.condition().upper, 4.0);
    EXPECT_EQ(dialog.description(), "Area between 1.5 and 4");
    dialog.comparisonChoice()->setCurrentIndex(6); // not a number
    dialog.valueEdit()->clear();
    EXPECT_TRUE(ok->isEnabled());
}

TEST_F(DataSortTest, groupsAndStatusesAreOfferedForLearningFilesOnly)
{
    TMDIChild* window = open(AreaFile);
    EXPECT_EQ(window->ValueStatistics->choice()->count(), 2); // (none), Source
}

} // namespace
