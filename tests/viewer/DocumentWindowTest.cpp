#include "ViewerFixture.h"

#include "common/Errors.h"
#include "viewer/HeaderEditorText.h"
#include "viewer/ReportView.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"
#include "viewer/WrappingTabBar.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
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

    // A learning file's "(No Header)" line: italic, not bold, in the editor's colour.
    m_form->OpenDataFile(writeFile("learn.txt", "LEARNING SET\nObject;Source;Area;Group;Status\n1;s;2.5;g;Test\n"));
    TMDIChild* learning = m_form->activeDocumentWindow();
    ASSERT_NE(learning, window);
    EXPECT_TRUE(formatOfLine(*learning, 1).fontItalic());
    EXPECT_EQ(formatOfLine(*learning, 1).fontWeight(), QFont::Normal);
    EXPECT_FALSE(formatOfLine(*learning, 1).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(formatOfLine(*learning, 0).fontItalic());
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

TEST_F(DocumentWindowTest, splitterStopsSixtyPixelsFromEitherEndAndIsPlacedOnce)
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

    // Placed once: where the user put it, the splitter stays when the window grows.
    splitter->setSizes({80, total - 80});
    window->resize(window->width() + 40, window->height() + 120);
    idle();
    EXPECT_EQ(splitter->sizes().at(0), 80);
}

TEST_F(DocumentWindowTest, splitterHandleIsAFullWidthBarWithTheUpDownPointer)
{
    m_form->OpenDataFile(writeFile("handle.kvd", kvdFile()));
    TMDIChild* window = m_form->activeDocumentWindow();
    window->PageControl1->setCurrentIndex(2);
    idle();
    const QSplitterHandle* handle = window->Splitter1->handle(1);
    EXPECT_EQ(handle->height(), 8);
    EXPECT_EQ(handle->width(), window->Splitter1->width());
    EXPECT_EQ(handle->cursor().shape(), Qt::SizeVerCursor);
    // Drawn as a raised panel: edges lighter and darker than the button face between.
    const QImage drawn = const_cast<QSplitterHandle*>(handle)->grab().toImage();
    const int x = drawn.width() / 2;
    const int face = qGray(drawn.pixel(x, drawn.height() / 2));
    EXPECT_EQ(QColor(drawn.pixel(x, drawn.height() / 2)), handle->palette().color(QPalette::Button));
    EXPECT_GT(qGray(drawn.pixel(x, 0)), face);
    EXPECT_LT(qGray(drawn.pixel(x, drawn.height() - 1)), face);
}

TEST_F(DocumentWindowTest, pageTabsWrapIntoColumnsInALowWindowAndFollowThePointer)
{
    m_form->OpenDataFile(writeFile("low.kvd", kvdFile()));
    TMDIChild* window = m_form->activeDocumentWindow();
    auto* tabs = static_cast<kvd::WrappingTabBar*>(window->PageControl1->tabBar());
    EXPECT_EQ(tabs->columnCount(), 1);

    window->resize(window->width(), 130);
    idle();
    EXPECT_GT(tabs->columnCount(), 1);
    const QRect page = window->PageControl1->rect();
    for (const QRect& tab : tabs->tabRects()) {
        EXPECT_TRUE(tabs->rect().contains(tab)); // every tab in view, "Summary" too
        EXPECT_TRUE(page.contains(tab.translated(tabs->pos())));
    }
    for (const QToolButton* button : tabs->findChildren<QToolButton*>())
        EXPECT_FALSE(button->isVisible()); // no scroll arrows

    // The current tab's column stands next to the page; a click picks the tab drawn there.
    const std::vector<QRect> before = tabs->tabRects();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, before[2].center());
    EXPECT_EQ(window->PageControl1->currentIndex(), 2);
    EXPECT_EQ(tabs->tabRects()[2].left(), 0);
    QTest::mouseMove(tabs, tabs->tabRects()[0].center());
    EXPECT_EQ(tabs->hoveredIndex(), 0);
}

TEST_F(DocumentWindowTest, statusBarShowsNoReadingWhileABoxIsUp)
{
    const auto* progress = m_form->statusBar()->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    QStringList shown;
    m_boxes->whileMessageShown = [&] {
        shown.append(m_form->statusBar()->currentMessage() + (progress->isVisible() ? "+progress" : ""));
    };
    m_form->OpenDataFile(writeFile("unknown.kvd", "KV\r\n[Data]\r\n"));
    m_form->OpenDataFile(writeFile("warn.kvd", "KVD\r\n[Data]\r\nObject;Source;Area\r\n1;a;1\r\n2;a;x\r\n"));
    EXPECT_EQ(m_boxes->messages.size(), 2);
    EXPECT_EQ(shown, (QStringList{"", ""}));
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

TEST_F(DocumentWindowTest, headerTooLargeToEditIsShownReadOnlyAndNeverSaved)
{
    const std::size_t bodyLines = TMDIChild::EditableHeaderLines + 1;
    std::string header;
    for (std::size_t i = 0; i < bodyLines; ++i)
        header += i % 2 == 0 ? "[S" + std::to_string(i) + "]\r\n" : "Key" + std::to_string(i) + "=v\r\n";
    const QString file = writeFile("big.kvd", kvdFile(header));
    const QString bytesBefore = readFile(file);
    m_form->OpenDataFile(file);
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->headerTooLargeToEdit());
    EXPECT_FALSE(window->RichEdit1->isVisibleTo(window));
    EXPECT_TRUE(window->HeaderView->isVisibleTo(window));
    EXPECT_TRUE(window->HeaderNote->isVisibleTo(window));
    EXPECT_EQ(window->HeaderNote->text(), QStringLiteral("This header has 20,002 lines, too many to edit here: it "
                                                         "is shown read-only, and the file is unchanged."));
    EXPECT_EQ(window->HeaderView->lineCount(), bodyLines + 1);
    const QStringList lines = window->HeaderView->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), qsizetype(bodyLines + 1));
    EXPECT_EQ(lines.front(), "KVD 2.1");
    EXPECT_EQ(lines[1], "[S0]");
    EXPECT_EQ(lines[10001], "[S10000]");
    EXPECT_EQ(lines[10002], "Key10001=v");
    EXPECT_EQ(lines.back(), "[S20000]");
    // The view keeps the editor's colours: each run's format covers its decoded text.
    const QList<QTextLayout::FormatRange> formats =
        kvd::headerLineFormats({"Lieu=Z\xc3\xbcrich", kvd::HeaderLineClass::KeyValue}, kvd::TextEncoding::Utf8);
    ASSERT_EQ(formats.size(), 2);
    EXPECT_EQ(std::pair(formats[0].start, formats[0].length), std::pair(0, 5));
    EXPECT_EQ(std::pair(formats[1].start, formats[1].length), std::pair(5, 6));
    EXPECT_EQ(formats[1].format.foreground().color(), QColor(0, 128, 0));

    // Neither typing nor pressing into the view marks the header modified.
    window->HeaderView->setFocus();
    QTest::keyClicks(window->HeaderView, "typed");
    QTest::keyClick(window->HeaderView, Qt::Key_Return);
    QTest::mouseClick(window->HeaderView->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(window->headerModified());
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
    EXPECT_THROW(window->headerLineBytes(), kvd::Error); // the editor is empty; a save would drop the header
    EXPECT_EQ(readFile(file), bytesBefore);

    // Given room again, the same header goes back to the editor.
    window->setEditableHeaderLines(bodyLines + 1);
    window->showHeaderAndTable();
    EXPECT_FALSE(window->headerTooLargeToEdit());
    EXPECT_TRUE(window->RichEdit1->isVisibleTo(window));
    EXPECT_FALSE(window->HeaderView->isVisibleTo(window));
    EXPECT_FALSE(window->HeaderNote->isVisibleTo(window));
    EXPECT_EQ(window->headerLines().size(), qsizetype(bodyLines + 1));
}
