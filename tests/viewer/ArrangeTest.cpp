#include "ViewerFixture.h"

#include "ErrorText.h"
#include "TileLayout.h"
#include "document/TMDIChild.h"

#include <QMdiArea>

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

    m_form->WindowCascade1->trigger();
    EXPECT_NE(first->geometry().topLeft(), second->geometry().topLeft());
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
