#include "viewer/ValueStatisticsPanel.h"

#include "common/Errors.h"
#include "datafile/NumberText.h"
#include "document/Document.h"
#include "viewer/StatisticsByValueModel.h"
#include "viewer/TextGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace kvd {

ValueStatisticsPanel::ValueStatisticsPanel(const Document& document, QWidget* parent)
    : QWidget(parent), m_document(document)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("Statistics by:")));
    m_choice = new QComboBox;
    line->addWidget(m_choice);
    line->addStretch(1);
    layout->addLayout(line);
    layout->setAlignment(line, Qt::AlignTop); // with no grid, the choice stays under the statistics

    m_model = new StatisticsByValueModel(document.table, document.encoding, userDecimalSeparator(), this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(StatisticsByValueModel::SortRole);
    m_grid = new TextGrid;
    m_grid->setModel(m_sorted);
    m_grid->setFixedRowVisible(true);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    m_grid->setSortingEnabled(true);
    m_grid->sortByColumn(-1, Qt::AscendingOrder); // the values in the summary's order
    showGrid(false);
    layout->addWidget(m_grid, 1);

    connect(m_choice, &QComboBox::currentIndexChanged, this, &ValueStatisticsPanel::show);
    documentLoaded();
}

void ValueStatisticsPanel::documentLoaded()
{
    const QSignalBlocker blocker(m_choice);
    m_choice->clear();
    m_choice->addItem(QStringLiteral("(none)"));
    m_choice->addItem(QStringLiteral("Source"), static_cast<int>(ValueColumn::Source));
    if (isLearningKind(m_document.summary.report.kind)) {
        m_choice->addItem(QStringLiteral("Group"), static_cast<int>(ValueColumn::Group));
        m_choice->addItem(QStringLiteral("Status"), static_cast<int>(ValueColumn::Status));
    }
    m_choice->setEnabled(m_document.summary.report.done != SummaryReport::Step::None);
    m_model->setStatistics(std::nullopt);
    showGrid(false);
}

void ValueStatisticsPanel::show(int choiceIndex)
{
    const QVariant key = m_choice->itemData(choiceIndex);
    if (!key.isValid()) {
        m_model->setStatistics(std::nullopt);
        showGrid(false);
        return;
    }
    // A pass over the measurements: about a third of the load's time.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const Summary& summary = m_document.summary;
    try {
        m_model->setStatistics(statisticsByValue(m_document.table, summary.report, summary.figures,
                                                 static_cast<ValueColumn>(key.toInt()), m_document.encoding, m_document.collationLocale,
                                                 userDecimalSeparator()));
    } catch (const std::exception& error) {
        restoreCursor.dismiss();
        QApplication::restoreOverrideCursor();
        m_model->setStatistics(std::nullopt);
        showGrid(false);
        QMessageBox::critical(this, QStringLiteral("KVD Viewer"), QString::fromUtf8(error.what()));
        return;
    }
    m_grid->setColumnWidth(0, 140);
    m_grid->setColumnWidth(1, 140);
    showGrid(true);
}

void ValueStatisticsPanel::showGrid(bool shown)
{
    m_grid->setVisible(shown);
    setSizePolicy(QSizePolicy::Preferred, shown ? QSizePolicy::Expanding : QSizePolicy::Maximum);
}

} // namespace kvd
