#include "ViewerFixture.h"

#include "viewer/CascadeLayout.h"
#include "viewer/ErrorText.h"
#include "viewer/TileLayout.h"
#include "viewer/TMDIChild.h"

#include <QMdiArea>
#include <QScrollBar>

#include <algorithm>

using namespace kvd;

TEST(ErrorTextTest, addsAFullStopAfterCharactersThatSortAfterIt)
{
    const struct {
        QString text, shown;
    } cases[] = {
        {"Disque plein", "Disque plein."},
        {"Indice de liste hors limites (1)", "Indice de liste hors limites (1)"},
        {"Erreur E/S 5", "Erreur E/S 5."},
        {"Done.", "Done."},
        {"Really!", "Really!"},
        {"path/", "path/."},
        {QString::fromUtf8("Accès refusé"), QString::fromUtf8("Accès refusé.")},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withFullStop(c.text), c.shown) << c.text.toStdString();
}

TEST(TileLayoutTest, horizontalStacksAndVerticalSetsSideBySide)
{
    const QRect area(0, 0, 600, 400);
    EXPECT_EQ(tileRects(area, 2, TileDirection::Horizontal),
              (std::vector<QRect>{QRect(0, 0, 600, 200), QRect(0, 200, 600, 200)}));
    EXPECT_EQ(tileRects(area, 2, TileDirection::Vertical),
              (std::vector<QRect>{QRect(0, 0, 300, 400), QRect(300, 0, 300, 400)}));
    EXPECT_EQ(tileRects(area, 1, TileDirection::Vertical), std::vector<QRect>{area});
    EXPECT_TRUE(tileRects(area, 0, TileDirection::Vertical).empty());
}

TEST(TileLayoutTest, manyWindowsCoverTheAreaWithoutOverlap)
{
    const QRect area(10, 20, 601, 403);
    for (const TileDirection direction : {TileDirection::Horizontal, TileDirection::Vertical}) {
        for (int count = 1; count <= 12; ++count) {
            const std::vector<QRect> rects = tileRects(area, count, direction);
            ASSERT_EQ(static_cast<int>(rects.size()), count);
            long long covered = 0;
            for (std::size_t i = 0; i < rects.size(); ++i) {
                EXPECT_TRUE(area.contains(rects[i])) << count;
                covered += static_cast<long long>(rects[i].width()) * rects[i].height();
                for (std::size_t j = i + 1; j < rects.size(); ++j)
                    EXPECT_FALSE(rects[i].intersects(rects[j])) << count << " " << i << " " << j;
            }
            EXPECT_EQ(covered, static_cast<long long>(area.width()) * area.height()) << count;
        }
    }
}

using ArrangeWindowsTest = ViewerFixture;

TEST_F(ArrangeWindowsTest, tileCommandsArrangeTheDocumentWindowsTheirOwnWay)
{
    m_form->OpenDataFile(writeFile("a.kvd", kvdFile()));
    TMDIChild* first = m_form->activeDocumentWindow();
    m_form->OpenDataFile(writeFile("b.kvd", kvdFile()));
    TMDIChild* second = m_form->activeDocumentWindow();
    idle();
    const QRect area = m_form->mdiArea()->viewport()->rect();

    m_form->WindowTileHorizontal1->trigger();
    EXPECT_EQ(second->geometry().width(), area.width());
    EXPECT_EQ(first->geometry().width(), area.width());
    EXPECT_EQ(second->geometry().top(), 0); // the active window comes first
    EXPECT_EQ(first->geometry().top(), second->geometry().bottom() + 1);

    m_form->WindowTileVertical1->trigger();
    EXPECT_EQ(second->geometry().height(), area.height());
    EXPECT_EQ(first->geometry().height(), area.height());
    EXPECT_EQ(second->geometry().left(), 0);
    EXPECT_EQ(first->geometry().left(), second->geometry().right() + 1);
}

TEST(CascadeLayoutTest, runsEndAtTheBottomRightAndKeepHalfTheArea)
{
    const QRect area(0, 0, 601, 403);
    const int step = 25;
    for (int count = 1; count <= 20; ++count) {
        const std::vector<QRect> rects = cascadeRects(area, count, step);
        ASSERT_EQ(static_cast<int>(rects.size()), count);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            EXPECT_TRUE(area.contains(rects[i])) << count << " " << i;
            EXPECT_EQ(rects[i].size(), rects.front().size()) << count;
            EXPECT_GE(rects[i].width() * 2, area.width()) << count;
            EXPECT_GE(rects[i].height() * 2, area.height()) << count;
            if (i > 0 && rects[i].topLeft() != area.topLeft()) {
                EXPECT_EQ(rects[i].topLeft(), rects[i - 1].topLeft() + QPoint(step, step)) << count << " " << i;
            }
        }
        // The last window of the first run reaches the corner: the area is used.
        const auto run = static_cast<std::size_t>(
            std::find_if(rects.begin() + 1, rects.end(), [&](const QRect& r) { return r.topLeft() == area.topLeft(); })
            - rects.begin());
        EXPECT_EQ(rects[run - 1].bottomRight(), area.bottomRight()) << count;
    }
    EXPECT_EQ(cascadeRects(area, 1, step), std::vector<QRect>{area});
    EXPECT_EQ(cascadeRects(area, 20, step)[9].topLeft(), area.topLeft()); // runs of 9 here
    EXPECT_EQ(cascadeRects(area, 3, 0), (std::vector<QRect>{area, area, area})); // no step: one place
}

TEST_F(ArrangeWindowsTest, cascadeKeepsEveryWindowInsideTheWorkspaceAndTheActiveOnTop)
{
    for (const char* name : {"a.kvd", "b.kvd", "c.kvd", "d.kvd"})
        m_form->OpenDataFile(writeFile(name, kvdFile()));
    TMDIChild* active = m_form->activeDocumentWindow();
    m_form->documentWindows().front()->showMaximized();
    m_form->mdiArea()->setActiveSubWindow(active);
    idle();

    m_form->WindowCascade1->trigger();
    idle();
    const QRect area = m_form->mdiArea()->viewport()->rect();
    EXPECT_FALSE(m_form->mdiArea()->verticalScrollBar()->isVisible());
    QRect covered;
    for (const TMDIChild* window : m_form->documentWindows()) {
        EXPECT_FALSE(window->isMaximized());
        EXPECT_TRUE(area.contains(window->geometry())) << window->windowTitle().toStdString();
        EXPECT_GE(window->height() * 2, area.height());
        covered |= window->geometry();
    }
    EXPECT_EQ(covered, area); // the last reaches the bottom-right corner
    EXPECT_EQ(active->geometry().bottomRight(), area.bottomRight());
    EXPECT_EQ(m_form->mdiArea()->subWindowList(QMdiArea::StackingOrder).back(), active);
}

TEST_F(ArrangeWindowsTest, newWindowsCascadeWithTheirClientSize)
{
    m_form->OpenDataFile(writeFile("a.kvd", kvdFile()));
    TMDIChild* first = m_form->activeDocumentWindow();
    m_form->OpenDataFile(writeFile("b.kvd", kvdFile()));
    TMDIChild* second = m_form->activeDocumentWindow();
    EXPECT_EQ(first->widget()->size(), QSize(445, 386));
    EXPECT_GT(second->pos().x(), first->pos().x());
    EXPECT_GT(second->pos().y(), first->pos().y());
}
