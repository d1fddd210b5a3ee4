#include "viewer/Dialogs.h"

#include "viewer/FocusReturn.h"
#include "viewer/OpenDialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QIcon>
#include <QMessageBox>

namespace kvd {

namespace {

const QString Caption = QStringLiteral("KVD Viewer");

void showMessageBox(QMessageBox::Icon icon, QWidget* parent, const QString& text)
{
    const FocusReturn focus;
    QMessageBox box(icon, Caption, text, QMessageBox::Ok, parent);
    plainButtons(box);
    box.exec();
}

} // namespace

void plainButtons(QWidget& dialog)
{
    for (QDialogButtonBox* buttonBox : dialog.findChildren<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttonBox->buttons())
            button->setIcon(QIcon());
    }
}

void Dialogs::message(QWidget* parent, const QString& text)
{
    showMessageBox(QMessageBox::NoIcon, parent, text);
}

void Dialogs::error(QWidget* parent, const QString& text)
{
    showMessageBox(QMessageBox::Critical, parent, text);
}

QStringList Dialogs::openFileNames(QWidget* parent)
{
    const FocusReturn focus;
    OpenDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenFiles();
}

} // namespace kvd
