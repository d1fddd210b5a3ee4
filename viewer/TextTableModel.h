#pragma once

#include "datafile/TextEncoding.h"

#include <QAbstractTableModel>

#include <string_view>

namespace kvd {

// A read-only grid of text decoded from a data file's bytes: cells can be selected,
// never edited, and the horizontal header shows a heading per column, left aligned.
// Subclasses say how many rows and columns there are and what each cell and heading
// holds. The encoding must outlive the model; call refresh() after the shown table
// changed.
class TextTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Resets the model to what the table now holds.
    void refresh();

protected:
    TextTableModel(const TextEncoding& encoding, QObject* parent);

    // The text of model cell (row, column); both are in range.
    virtual QString cellText(int row, int column) const = 0;
    // The heading of `column`, which is in range.
    virtual QString headerText(int column) const = 0;

    // `bytes` from the file, decoded with the document's encoding.
    QString decoded(std::string_view bytes) const;

private:
    const TextEncoding& m_encoding;
};

} // namespace kvd
