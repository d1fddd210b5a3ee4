#pragma once

#include <QFileDialog>
#include <QStringList>

namespace kvd {

// The open dialog: title "OPEN", the data-file filters (the first one selected),
// several files at once, resizable. A typed name that names no file is passed on
// like a chosen one (the loader opens an empty window for it), where the standard
// dialog would refuse it.
class OpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenDialog(QWidget* parent = nullptr);

    // The names chosen, in the dialog's order, once it was accepted.
    QStringList chosenFiles() const { return m_chosen; }

    // The three filters, as the dialog lists them.
    static QStringList nameFilterList();

    // Sizes the detail view's columns to their texts; the name column takes the rest.
    void fitColumns();

public slots:
    void accept() override;

private:
    // The names in the file-name box, in order, made absolute against the folder shown.
    QStringList typedNames() const;

    QStringList m_chosen;
};

} // namespace kvd
