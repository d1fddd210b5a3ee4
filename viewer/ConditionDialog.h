#pragma once

#include "summary/RowFilter.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

namespace kvd {

// Asks for a condition on a measurement column: >, >=, <, <=, =, between two values,
// or "not a number". The values are read as the statistics read numbers; OK stays
// disabled until they are numbers.
class ConditionDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConditionDialog(const QString& columnName, QWidget* parent = nullptr);

    // The condition entered (its column left at 0), and how to name it.
    NumberCondition condition() const;
    QString description() const;

    QComboBox* comparisonChoice() const noexcept { return m_comparison; }
    QLineEdit* valueEdit() const noexcept { return m_value; }
    QLineEdit* upperEdit() const noexcept { return m_upper; }
    QDialogButtonBox* buttons() const noexcept { return m_buttons; }

private:
    void update();
    bool valueOf(const QLineEdit& edit, double& value) const;

    QString m_columnName;
    QComboBox* m_comparison;
    QLineEdit* m_value;
    QLineEdit* m_upper;
    QDialogButtonBox* m_buttons;
};

} // namespace kvd
