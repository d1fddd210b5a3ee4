#include "viewer/OpenDialog.h"

#include "viewer/Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>

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
    plainButtons(*this);
    // The detail columns fit what they show once the folder has been read.
    if (const auto* files = findChild<QFileSystemModel*>())
        connect(files, &QFileSystemModel::directoryLoaded, this, &OpenDialog::fitColumns);
}

void OpenDialog::fitColumns()
{
    auto* details = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details)
        return;
    QHeaderView* header = details->header();
    int others = 0;
    for (int column = 1; column < header->count(); ++column) {
        details->resizeColumnToContents(column);
        others += header->sectionSize(column);
    }
    // The names take the rest of the width, and at least what the longest needs.
    header->resizeSection(0, std::max(static_cast<const QAbstractItemView*>(details)->sizeHintForColumn(0), details->viewport()->width() - others));
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

QStringList OpenDialog::typedNames() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = edit ? edit->text().trimmed() : QString();
    QStringList names;
    if (!text.contains(QLatin1Char('"'))) {
        if (!text.isEmpty())
            names.append(text);
    } else {
        // Several names, each in double quotes, as the dialog writes a selection.
        const QStringList parts = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < parts.size(); i += 2) {
            if (!parts[i].isEmpty())
                names.append(parts[i]);
        }
    }
    const QDir folder = directory();
    for (QString& name : names) {
        if (QFileInfo(name).isRelative())
            name = folder.filePath(name);
    }
    return names;
}

void OpenDialog::accept()
{
    const QStringList names = typedNames();
    const bool anyFolder = std::any_of(names.cbegin(), names.cend(),
                                       [](const QString& name) { return QFileInfo(name).isDir(); });
    if (names.isEmpty() || anyFolder) {
        // The dialog's own handling: it opens a typed folder.
        QFileDialog::accept();
        m_chosen = result() == QDialog::Accepted ? selectedFiles() : QStringList();
        return;
    }
    // Names that name no file go through too: the loader opens an empty window for them.
    m_chosen = names;
    emit filesSelected(m_chosen);
    QDialog::accept();
}

} // namespace kvd
