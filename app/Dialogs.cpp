#include "Dialogs.h"

#include "OpenDialog.h"

#include <QMessageBox>

namespace kvd {

namespace {
const QString Caption = QStringLiteral("KVD Viewer");
} // namespace

void Dialogs::message(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, Caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void Dialogs::error(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, Caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QStringList Dialogs::openFileNames(QWidget* parent)
{
    OpenDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenFiles();
}

} // namespace kvd
