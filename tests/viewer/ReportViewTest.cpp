#include "viewer/ReportView.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A view over lines made by a counting source: "line <n>", every tenth line long
// enough to wrap.
class ReportViewTest : public ::testing::Test {
protected:
    void show(std::size_t count)
    {
        m_view.resize(300, 200);
        m_view.setLines(count, [this](std::size_t index) {
            ++m_made;
            return lineText(index);
        });
        m_view.show();
        QApplication::processEvents();
        m_view.viewport()->repaint();
    }

    static QString lineText(std::size_t index)
    {
        QString text = QStringLiteral("line %1").arg(index);
        if (index % 10 == 9)
            text += QStringLiteral(" and many more words to wrap").repeated(4);
        return text;
    }

    kvd::ReportView m_view;
    std::size_t m_made = 0;
};

TEST_F(ReportViewTest, makesOnlyTheLinesItShowsOfAMillion)
{
    show(1'000'000);
    EXPECT_LT(m_made, 200u);
    m_made = 0;
    m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->maximum());
    m_view.viewport()->repaint();
    EXPECT_LT(m_made, 200u);
    EXPECT_GT(m_view.firstVisibleLine(), 999'900u);
    EXPECT_LT(m_view.firstVisibleLine(), 999'999u); // the last lines fill the view
}

TEST_F(ReportViewTest, selectsWithTheMouseAndCopiesTheTextOfTheLines)
{
    show(50);
    QWidget* area = m_view.viewport();
    // From the start of the first line to the start of a point two lines lower.
    const int lineHeight = m_view.fontMetrics().height();
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(1, 6));
    QTest::mouseMove(area, QPoint(1, 6 + 2 * lineHeight));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(1, 6 + 2 * lineHeight));
    EXPECT_EQ(m_view.selectedText(), "line 0\nline 1\n");

    QTest::keyClick(&m_view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&m_view, Qt::Key_C, Qt::ControlModifier);
    QStringList all;
    for (std::size_t index = 0; index < 50; ++index)
        all.append(lineText(index));
    EXPECT_EQ(m_view.toPlainText(), all.join(QLatin1Char('\n')));
    EXPECT_EQ(QApplication::clipboard()->text(), all.join(QLatin1Char('\n')));

    show(3); // new lines: nothing selected any more
    EXPECT_EQ(m_view.selectedText(), "");
}

} // namespace
