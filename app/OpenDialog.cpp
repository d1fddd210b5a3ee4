#include "OpenDialog.h"

#include <QFileInfo>

#include <algorithm>

namespace kvd {

OpenDialog::OpenDialog(QWidget* parent)
    : QFileDialog(parent, QStringLiteral("OPEN"))
{
    // The toolkit's own dialog, so that typed names can be let through.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilters(nameFilterList());
    selectNameFilter(nameFilterList().front());
    setSizeGripEnabled(true);
}

QStringList OpenDialog::nameFilterList()
{
    // The patterns stand in the last parentheses; the dialog shows the text before them.
    return {
        QStringLiteral("Data File (*.wum) (*.kvd) (*.kvd *.wum)"),
        QStringLiteral("Taxolith Data File (*.kvd) (*.kvd)"),
        QStringLiteral("Wumera Data File (*.wum) (*.wum)"),
    };
}

void OpenDialog::accept()
{
    const QStringList files = selectedFiles();
    const bool allExist = std::all_of(files.cbegin(), files.cend(),
                                      [](const QString& file) { return QFileInfo::exists(file); });
    const bool anyFolder = std::any_of(files.cbegin(), files.cend(),
                                       [](const QString& file) { return QFileInfo(file).isDir(); });
    if (files.isEmpty() || allExist || anyFolder) {
        // The dialog's own handling: it opens a typed folder, and checks the names.
        QFileDialog::accept();
        m_chosen = result() == QDialog::Accepted ? selectedFiles() : QStringList();
        return;
    }
    m_chosen = files;
    QDialog::accept();
}

} // namespace kvd
