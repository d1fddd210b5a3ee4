#include "ViewerFixture.h"

#include "document/TMDIChild.h"
#include "document/TextGrid.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include "document/ReportView.h"
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>

namespace {

// The character format at the start of header line `line`, one character in.
QTextCharFormat formatOfLine(const TMDIChild& window, int line, int offset = 0)
{
    QTextCursor cursor(window.RichEdit1->document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, offset + 1);
    return cursor.charFormat();
}

} // namespace

using DocumentWindowTest = ViewerFixture;

TEST_F(DocumentWindowTest, headerLinesKeepTheirStylesAndEmptyLines)
{
    m_form->OpenDataFile(writeFile("styled.kvd", kvdFile("[Image]\r\nPixel=0.1=x\r\n\r\nplain\r\n")));
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->headerLines(), (QStringList{"KVD 2.1", "[Image]", "Pixel=0.1=x", "", "plain"}));

    EXPECT_TRUE(window->RichEdit1->currentFont().bold());
    EXPECT_EQ(QFontInfo(formatOfLine(*window, 0).font()).pixelSize(), 16);
    EXPECT_EQ(formatOfLine(*window, 0).font().weight(), QFont::Bold);
    EXPECT_EQ(formatOfLine(*window, 1).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOfLine(*window, 1).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOfLine(*window, 2).foreground().color(), QColor(0, 0, 0));
    EXPECT_EQ(formatOfLine(*window, 2).fontPointSize(), 10);
    EXPECT_EQ(formatOfLine(*window, 2, 6).foreground().color(), QColor(0, 128, 0)); // "0.1=x"
    EXPECT_EQ(formatOfLine(*window, 4).fontWeight(), QFont::Normal);
    EXPECT_EQ(window->RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window->PageControl1->currentIndex(), 0);
}

TEST_F(DocumentWindowTest, editedHeaderLinesAreWhatTheSaveWrites)
{
    m_form->OpenDataFile(writeFile("edit.kvd", kvdFile("[Image]\r\n")));
    TMDIChild* window = m_form->activeDocumentWindow();
    window->RichEdit1->moveCursor(QTextCursor::End);
    QTest::keyClick(window->RichEdit1, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(window->RichEdit1, "Key=1");
    EXPECT_EQ(window->headerLines(), (QStringList{"KVD 2.1", "[Image]", "Key=1"}));

    window->RichEdit1->selectAll();
    QTest::keyClick(window->RichEdit1, Qt::Key_Delete);
    EXPECT_TRUE(window->headerLines().isEmpty()); // an emptied editor has no line at all
    EXPECT_TRUE(window->headerModified());
}

TEST_F(DocumentWindowTest, statisticsWarningsAreShownInColumnOrderAndTheLoadGoesOn)
{
    m_form->OpenDataFile(writeFile("invalid.kvd", "KVD\r\n[Data]\r\nObject;Source;Area;Length;Width\r\n"
                                                  "1;a;1;2;3\r\n2;a;x;2;y\r\n3;b;1;2;3\r\n"));
    EXPECT_EQ(m_boxes->messages, (QStringList{"WARNING: \"Area\" contains invalid value(s)",
                                              "WARNING: \"Width\" contains invalid value(s)"}));
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Memo1->toPlainText().startsWith("This KVD file contains:\n3 objects x 3 measurements"));
    QAbstractItemModel* statistics = window->StringGrid2->model();
    EXPECT_EQ(statistics->rowCount(), 3);
    EXPECT_EQ(statistics->index(0, 0).data().toString(), "Area");
    EXPECT_EQ(statistics->index(0, 1).data().toString(), "");
    EXPECT_EQ(statistics->index(1, 1).data().toString(), "2.00");
    EXPECT_EQ(window->StringGrid2->columnWidth(0), 140);
    EXPECT_TRUE(m_boxes->errors.isEmpty());
}

TEST_F(DocumentWindowTest, dataGridShowsTheTableWithItsFixedPartsAndFittedWidths)
{
    m_form->OpenDataFile(writeFile("data.wum", "WUM\r\n[Data]\r\nId\tArea\tSource\r\nobject-with-long-id\t1;5\ts\r\n"));
    TMDIChild* window = m_form->activeDocumentWindow();
    kvd::TextGrid* grid = window->StringGrid1;
    EXPECT_EQ(grid->fixedColumnCount(), 1);
    EXPECT_FALSE(grid->horizontalHeader()->isHidden());
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Id");
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "1;5");
    EXPECT_EQ(grid->columnWidth(0), window->document().table.columnWidth(0));
    EXPECT_GT(grid->columnWidth(0), 80); // fitted to the long identifier
    EXPECT_EQ(grid->columnWidth(1), 80);
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 24);
}

TEST_F(DocumentWindowTest, splitterStopsSixtyPixelsFromEitherEnd)
{
    m_form->OpenDataFile(writeFile("split.kvd", kvdFile()));
    TMDIChild* window = m_form->activeDocumentWindow();
    window->PageControl1->setCurrentIndex(2);
    idle();
    QSplitter* splitter = window->Splitter1;
    EXPECT_EQ(window->Memo1->height(), 105);

    const int total = splitter->sizes().at(0) + splitter->sizes().at(1);
    splitter->setSizes({0, total});
    EXPECT_EQ(splitter->sizes().at(0), 60);
    splitter->setSizes({total, 0});
    EXPECT_EQ(splitter->sizes().at(1), 60);
}

TEST_F(DocumentWindowTest, droppedFilesOpenInTheirOrderAndFoldersAreSkipped)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(writeFile("z.kvd", kvdFile())), QUrl::fromLocalFile(m_folder.path()),
                  QUrl::fromLocalFile(writeFile("a.kvd", kvdFile()))});
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the window: the application delivers drops only during a real drag.
    static_cast<QObject*>(m_form.get())->event(&drop);
    QStringList titles;
    for (const TMDIChild* window : m_form->documentWindows())
        titles.append(window->windowTitle());
    EXPECT_EQ(titles, (QStringList{"z.kvd", "a.kvd"}));
}

TEST_F(DocumentWindowTest, closeAskedForDuringALoadWaitsForItsEnd)
{
    m_boxes->whileMessageShown = [this] { m_form->close(); };
    m_form->OpenDataFile(writeFile("warn.kvd", "KVD\r\n[Data]\r\nObject;Source;Area\r\n1;a;1\r\n2;a;x\r\n"));
    ASSERT_EQ(m_boxes->messages.size(), 1);
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Memo1->toPlainText().startsWith("This KVD file contains:"));
    EXPECT_TRUE(m_form->isVisible());
    idle();
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
}
