#include "ViewerFixture.h"

#include "viewer/DataRowView.h"
#include "viewer/DataTableModel.h"
#include "viewer/DocumentExplorer.h"
#include "viewer/FindBar.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

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

} // namespace
