#include "viewer/ConditionDialog.h"

#include "datafile/NumberText.h"
#include "summary/MeasurementValue.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kvd {

namespace {

using Comparison = NumberCondition::Comparison;

struct ComparisonText {
    Comparison comparison;
    const char* text;
};
constexpr ComparisonText Comparisons[] = {
    {Comparison::Greater, ">"},    {Comparison::GreaterOrEqual, ">="}, {Comparison::Less, "<"},
    {Comparison::LessOrEqual, "<="}, {Comparison::Equal, "="},          {Comparison::Between, "between"},
    {Comparison::NotANumber, "not a number"},
};

} // namespace

ConditionDialog::ConditionDialog(const QString& columnName, QWidget* parent)
    : QDialog(parent), m_columnName(columnName)
{
    setWindowTitle(QStringLiteral("Show only rows where %1").arg(columnName));
    m_comparison = new QComboBox;
    for (const ComparisonText& entry : Comparisons)
        m_comparison->addItem(QString::fromLatin1(entry.text), static_cast<int>(entry.comparison));
    m_value = new QLineEdit;
    m_upper = new QLineEdit;
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* form = new QFormLayout(this);
    form->addRow(columnName, m_comparison);
    form->addRow(QStringLiteral("Value"), m_value);
    form->addRow(QStringLiteral("and"), m_upper);
    form->addRow(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_comparison, &QComboBox::currentIndexChanged, this, &ConditionDialog::update);
    connect(m_value, &QLineEdit::textChanged, this, &ConditionDialog::update);
    connect(m_upper, &QLineEdit::textChanged, this, &ConditionDialog::update);
    update();
}

bool ConditionDialog::valueOf(const QLineEdit& edit, double& value) const
{
    return measurementValue(edit.text().trimmed().toStdString(), userDecimalSeparator(), value);
}

NumberCondition ConditionDialog::condition() const
{
    NumberCondition condition;
    condition.comparison = static_cast<Comparison>(m_comparison->currentData().toInt());
    valueOf(*m_value, condition.value);
    valueOf(*m_upper, condition.upper);
    return condition;
}

QString ConditionDialog::description() const
{
    const NumberCondition entered = condition();
    switch (entered.comparison) {
    case Comparison::NotANumber: return QStringLiteral("%1 not a number").arg(m_columnName);
    case Comparison::Between:
        return QStringLiteral("%1 between %2 and %3").arg(m_columnName, m_value->text().trimmed(), m_upper->text().trimmed());
    default:
        return QStringLiteral("%1 %2 %3").arg(m_columnName, m_comparison->currentText(), m_value->text().trimmed());
    }
}

void ConditionDialog::update()
{
    const auto comparison = static_cast<Comparison>(m_comparison->currentData().toInt());
    m_value->setEnabled(comparison != Comparison::NotANumber);
    m_upper->setEnabled(comparison == Comparison::Between);
    double value = 0;
    const bool valid = comparison == Comparison::NotANumber
        || (valueOf(*m_value, value) && (comparison != Comparison::Between || valueOf(*m_upper, value)));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
}

} // namespace kvd
