#include "ViewerFixture.h"

#include "viewer/DocumentExplorer.h"
#include "viewer/HistogramChart.h"
#include "viewer/HistogramWindow.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QApplication>
#include <QChartView>
#include <QLabel>
#include <QLegendMarker>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <tuple>

using namespace kvd;

namespace {

// A measurement of words (statistics row 0), then five of numbers.
std::string manyMeasurements()
{
    std::string text = "WUM\r\n[Data]\r\nObject\tWords\tM1\tM2\tM3\tM4\tM5\tSource\r\n";
    for (int row = 1; row <= 20; ++row) {
        text += std::to_string(row) + "\tword";
        for (int column = 1; column <= 5; ++column)
            text += "\t" + std::to_string(row * column % 17) + ".5";
        text += "\ts\r\n";
    }
    return text;
}

} // namespace

class HistogramWindowTest : public ViewerFixture {
protected:
    // Opens the histograms of the statistics rows first..last of a new document.
    HistogramWindow* histogramsOf(int first, int last)
    {
        m_form->OpenDataFile(writeFile("many.kvd", manyMeasurements()));
        TMDIChild* window = m_form->activeDocumentWindow();
        const QAbstractItemModel* rows = window->StringGrid2->model();
        window->StringGrid2->selectionModel()->select(QItemSelection(rows->index(first, 0), rows->index(last, 4)),
                                                      QItemSelectionModel::ClearAndSelect);
        return window->explorer()->showHistograms();
    }
};

TEST_F(HistogramWindowTest, fitsTheAvailableAreaOfItsScreen)
{
    HistogramWindow* histograms = histogramsOf(1, 5);
    ASSERT_NE(histograms, nullptr);
    const QRect available = histograms->screen()->availableGeometry();
    EXPECT_LE(histograms->width() + HistogramWindow::FrameAllowance, available.width());
    EXPECT_LE(histograms->height() + HistogramWindow::FrameAllowance, available.height());
    EXPECT_TRUE(available.contains(histograms->geometry()));
    // Three charts stand side by side where they fit: then the window is as wide as them.
    if (available.width() > 3 * 440) {
        EXPECT_GE(histograms->width(), 3 * 420);
    }
}

TEST_F(HistogramWindowTest, escapeAndCtrlWCloseItAndOtherKeysDoNot)
{
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::CTRL | Qt::Key_W),
                                       QKeyCombination(Qt::Key_A)}) {
        QPointer<HistogramWindow> histograms = histogramsOf(1, 1);
        ASSERT_NE(histograms, nullptr);
        histograms->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(histograms));
        QWidget* focus = histograms->focusWidget() ? histograms->focusWidget() : histograms.data();
        QTest::keyClick(focus, keys.key(), keys.keyboardModifiers());
        idle();
        const bool closes = keys.key() != Qt::Key_A;
        EXPECT_EQ(histograms.isNull() || !histograms->isVisible(), closes) << QKeySequence(keys).toString().toStdString();
    }
}

TEST_F(HistogramWindowTest, aColumnWithoutNumbersGetsAShortMessageInsteadOfAChart)
{
    HistogramWindow* histograms = histogramsOf(0, 1); // Words and M1
    ASSERT_NE(histograms, nullptr);
    EXPECT_EQ(histograms->findChildren<QChartView*>().size(), 1);
    QStringList notes;
    for (const QLabel* label : histograms->findChildren<QLabel*>())
        notes.append(label->text());
    EXPECT_EQ(notes, QStringList{"Words holds no numbers."});
}

TEST(HistogramChartTest, meanAndStandardErrorHaveLegendMarksOfTheirOwn)
{
    Histogram histogram;
    std::vector<double> values = {1, 2, 2, 3, 5, 8};
    binValues(values, BinRule::Sturges, histogram);
    QChart* chart = histogramChart(histogram, "Area");
    ASSERT_NE(chart, nullptr);
    QChartView view(chart); // the legend shows its marks once in a scene
    view.show();
    // What a legend mark shows: a piece of its line (pen style and colour), or a shape
    // filled with its brush.
    using Mark = std::tuple<int, int, QRgb>;
    std::vector<Mark> marks;
    QStringList labels;
    for (QLegendMarker* marker : chart->legend()->markers()) {
        if (!marker->isVisible())
            continue;
        labels.append(marker->label());
        QLegend::MarkerShape shape = marker->shape();
        if (shape == QLegend::MarkerShapeDefault)
            shape = chart->legend()->markerShape();
        if (shape == QLegend::MarkerShapeFromSeries)
            marks.emplace_back(int(shape), int(marker->pen().style()), marker->pen().color().rgb());
        else
            marks.emplace_back(int(shape), 0, marker->brush().color().rgb());
    }
    ASSERT_EQ(labels.size(), 3) << labels.join(", ").toStdString();
    EXPECT_TRUE(labels[1].startsWith("Mean"));
    EXPECT_TRUE(labels[2].startsWith(QString::fromUtf8("\u00b1 Std_Err")));
    EXPECT_NE(marks[0], marks[1]);
    EXPECT_NE(marks[1], marks[2]);
    EXPECT_NE(marks[0], marks[2]);

    Histogram empty;
    EXPECT_EQ(histogramChart(empty, "Words"), nullptr);
}
