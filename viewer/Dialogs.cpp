#include "viewer/Dialogs.h"

#include "viewer/FocusReturn.h"
#include "viewer/FreeDescriptors.h"
#include "viewer/OpenDialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QIcon>
#include <QMessageBox>

namespace kvd {

namespace {

const QString Caption = QStringLiteral("KVD Viewer");
// Descriptors the open dialog may take at once: its folder thread's event loop, a
// folder watch, the folder being read, icons and fonts.
constexpr int OpenDialogDescriptors = 16;

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
    // The dialog lists folders on a thread of its own; the toolkit aborts the process
    // when that thread finds no descriptor for its event loop.
    requireFreeDescriptors(OpenDialogDescriptors);
    const FocusReturn focus;
    OpenDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenFiles();
}

} // namespace kvd
