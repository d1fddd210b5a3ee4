#include "ViewerFixture.h"

#include "viewer/DocumentExplorer.h"
#include "viewer/HistogramWindow.h"
#include "viewer/ImageList.h"
#include "viewer/NewWindowPlace.h"
#include "viewer/ReportView.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <set>

using namespace kvd;

TEST(NewWindowPlaceTest, followsTheLastOpenedAndSkipsTakenPlacesWhileOneIsFree)
{
    const struct {
        int last;
        std::vector<bool> taken;
        int place;
    } cases[] = {
        {-1, {false, false, false}, 0},
        {0, {true, false, false}, 1},
        {2, {true, true, true}, 0},    // all taken: round to the first
        {1, {true, true, true}, 2},    // all taken: the next all the same
        {2, {true, false, true}, 1},   // round, past the taken first place
        {0, {true, true, false, false}, 2},
        {1, {false, true, true, true}, 0},
        {5, {false, false}, 0},        // a workspace that shrank since
        {-1, {}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nextNewWindowPlace(c.last, c.taken), c.place) << c.last << " of " << c.taken.size();

    // Places end where the title bar would leave the workspace, and there is always one.
    EXPECT_EQ(newWindowPlaceCount(QSize(692, 430), QSize(453, 420), 20, 24), 10); // across: 239 / 24
    EXPECT_EQ(newWindowPlaceCount(QSize(900, 110), QSize(453, 420), 20, 24), 4);  // down: 90 / 24
    EXPECT_EQ(newWindowPlaceCount(QSize(300, 300), QSize(453, 420), 20, 24), 1);
    EXPECT_EQ(newWindowPlaceCount(QSize(692, 430), QSize(453, 420), 20, 0), 1);
}

class WindowsAndFocusTest : public ViewerFixture {
protected:
    TMDIChild* open(const QString& name, const std::string& bytes = kvdFile())
    {
        m_form->OpenDataFile(writeFile(name, bytes));
        idle();
        return m_form->activeDocumentWindow();
    }

    // Chooses the entry of `window` in the Windows menu, as a user would.
    void chooseInWindowsMenu(const TMDIChild* window)
    {
        m_form->updateWindowMenu();
        for (QAction* entry : m_form->Windows1->actions()) {
            if (entry->text().endsWith(QLatin1Char(' ') + window->windowTitle())) {
                entry->trigger();
                idle();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry for " << window->windowTitle().toStdString();
    }

    static void press(int key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        idle();
    }
};

TEST_F(WindowsAndFocusTest, tenNewWindowsCascadeAndWrapWithoutSharingAFreePlace)
{
    std::vector<TMDIChild*> windows;
    for (int i = 0; i < 10; ++i)
        windows.push_back(open(QStringLiteral("w%1.kvd").arg(i)));
    const TMDIChild& first = *windows.front();
    const int titleBar = first.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &first);
    const int step = titleBar + first.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &first);
    const QSize area = m_form->mdiArea()->contentsRect().size();
    // The places whose title bar lies wholly inside the workspace.
    int places = 0;
    while (places * step + first.width() <= area.width() && places * step + titleBar <= area.height())
        ++places;
    ASSERT_GE(places, 3);
    ASSERT_LT(places, 10); // the tenth window wraps

    for (int i = 0; i < 10; ++i) {
        const int place = i % places;
        EXPECT_EQ(windows[static_cast<std::size_t>(i)]->pos(), QPoint(place * step, place * step)) << i;
    }

    // Two windows close; the next two take their places, not a shared one.
    const QPoint freed1 = windows[3]->pos();
    const QPoint freed2 = windows[5]->pos();
    windows[3]->close();
    windows[5]->close();
    idle();
    using Places = std::set<std::pair<int, int>>;
    const QPoint next1 = open("n1.kvd")->pos();
    const QPoint next2 = open("n2.kvd")->pos();
    const Places opened = {{next1.x(), next1.y()}, {next2.x(), next2.y()}};
    const Places freed = {{freed1.x(), freed1.y()}, {freed2.x(), freed2.y()}};
    EXPECT_EQ(opened, freed);
}

TEST_F(WindowsAndFocusTest, theKeysGoToThePageContentAfterEverySwitch)
{
    TMDIChild* a = open("a.kvd");
    TMDIChild* b = open("b.kvd");
    TMDIChild* c = open("c.kvd");
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    idle();
    EXPECT_EQ(QApplication::focusWidget(), c->RichEdit1); // after the opening

    const auto ctrlTab = [] { press(Qt::Key_Tab, Qt::ControlModifier); };
    const auto ctrlShiftTab = [] { press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier); };
    b->PageControl1->setCurrentIndex(1); // Data
    a->PageControl1->setCurrentIndex(2); // Summary
    const struct {
        const char* how;
        std::function<void()> switchWindows;
        TMDIChild* active;
        QWidget* focus;
    } switches[] = {
        {"Ctrl+Tab", ctrlTab, a, a->Memo1},
        {"Ctrl+Tab", ctrlTab, b, b->StringGrid1},
        {"Ctrl+Shift+Tab", ctrlShiftTab, a, a->Memo1},
        {"Windows menu", [&] { chooseInWindowsMenu(c); }, c, c->RichEdit1},
        {"Windows menu", [&] { chooseInWindowsMenu(b); }, b, b->StringGrid1},
    };
    for (const auto& s : switches) {
        s.switchWindows();
        EXPECT_EQ(m_form->activeDocumentWindow(), s.active) << s.how;
        EXPECT_EQ(QApplication::focusWidget(), s.focus) << s.how;
    }
    // Keys then reach the grid: End goes to the last column of the current row.
    b->StringGrid1->setCurrentIndex(b->StringGrid1->model()->index(0, 2));
    press(Qt::Key_End, Qt::NoModifier);
    EXPECT_EQ(b->StringGrid1->currentIndex().column(), 3);
}

TEST_F(WindowsAndFocusTest, theMainCaptionNamesTheMaximisedDocumentOnlyAfterAnyWindowComesAndGoes)
{
    const std::string numbers = "WUM\r\n[Data]\r\nObject\tArea\tSource\r\n1\t2\ts\r\n2\t3\ts\r\n";
    TMDIChild* plankton = open("plankton_station.wum", numbers);
    TMDIChild* leaf = open("leaf_survey.kvd");
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer");

    leaf->showMaximized();
    idle();
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer - [leaf_survey.kvd]");
    leaf->StringGrid2->setCurrentIndex(leaf->StringGrid2->model()->index(0, 0));
    HistogramWindow* histograms = leaf->explorer()->showHistograms();
    ASSERT_NE(histograms, nullptr);
    histograms->activateWindow();
    idle();
    histograms->close();
    m_form->activateWindow();
    idle();
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer - [leaf_survey.kvd]");

    chooseInWindowsMenu(plankton);
    EXPECT_TRUE(plankton->isMaximized());
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer - [plankton_station.wum]");
    chooseInWindowsMenu(leaf);
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer - [leaf_survey.kvd]");
    leaf->showNormal();
    idle();
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer");
    leaf->showMaximized();
    idle();
    leaf->close();
    idle();
    const TMDIChild* left = m_form->activeDocumentWindow();
    ASSERT_EQ(left, plankton);
    const QString expected = plankton->isMaximized() ? "KVD Viewer - [plankton_station.wum]" : "KVD Viewer";
    EXPECT_EQ(m_form->windowTitle(), expected);
    plankton->close();
    idle();
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer");
}

TEST_F(WindowsAndFocusTest, tabLeavesTheHeaderEditorAndALearningHeaderLooksReadOnly)
{
    TMDIChild* kvd = open("a.kvd");
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    kvd->RichEdit1->setFocus();
    const QString header = kvd->RichEdit1->toPlainText();
    press(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(kvd->RichEdit1->toPlainText(), header);
    EXPECT_NE(QApplication::focusWidget(), kvd->RichEdit1);
    EXPECT_FALSE(kvd->headerModified());

    TMDIChild* learning = open("l.kvd", "LEARNING\r\nObject;Source;Area;Group;Status\r\n1;s;2;g;Learning\r\n");
    const auto base = [](const QTextEdit* editor) { return editor->palette().color(QPalette::Active, QPalette::Base); };
    EXPECT_TRUE(learning->RichEdit1->isReadOnly());
    EXPECT_EQ(base(learning->RichEdit1), QApplication::palette().color(QPalette::Active, QPalette::Window));
    EXPECT_EQ(base(kvd->RichEdit1), QApplication::palette().color(QPalette::Active, QPalette::Base));
    EXPECT_NE(base(learning->RichEdit1), base(kvd->RichEdit1));
}

// Every pixel is faded once, from its own colour: grey, with two fifths of its opacity.
TEST(ImageListTest, disabledImageFadesEveryPixelOnce)
{
    QImage source(5, 3, QImage::Format_ARGB32);
    source.fill(qRgba(200, 40, 10, 255));
    const QImage faded = disabledImage(QPixmap::fromImage(source)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(faded.size(), source.size());
    const int grey = 128 + qGray(200, 40, 10) / 2;
    for (int y = 0; y < faded.height(); ++y) {
        for (int x = 0; x < faded.width(); ++x) {
            const QRgb pixel = faded.pixel(x, y);
            EXPECT_EQ(qAlpha(pixel), 255 * 2 / 5) << x << "," << y;
            EXPECT_NEAR(qRed(pixel), grey, 1) << x << "," << y; // through premultiplied pixels
            EXPECT_EQ(qRed(pixel), qBlue(pixel)) << x << "," << y;
        }
    }
}

TEST(ImageListTest, disabledImagesAreFaintEvenWhereTheImageIsGrey)
{
    const ImageList images;
    for (int index = 0; index < images.count(); ++index) {
        const QSize size(ImageList::ImageSize, ImageList::ImageSize);
        const QImage normal = images.icon(index).pixmap(size, QIcon::Normal).toImage();
        const QImage disabled = images.icon(index).pixmap(size, QIcon::Disabled).toImage();
        // Opacity summed over the image.
        const auto ink = [](const QImage& image) {
            qint64 alpha = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    alpha += qAlpha(image.pixel(x, y));
            return alpha;
        };
        EXPECT_GT(ink(normal), 0) << index;
        EXPECT_LE(ink(disabled) * 2, ink(normal)) << index;
    }
}
