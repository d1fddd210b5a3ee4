#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kvd {

// Takes the icons off the buttons of a dialog's button box, which some platform
// themes put there (a tick on OK): the buttons are drawn plain, as the style draws
// any other.
void plainButtons(QWidget& dialog);

// The modal boxes and the open dialog of the main window. Tests put in their own,
// which record what would have been shown instead of waiting for a user.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message of the program: caption "KVD Viewer", an OK button.
    virtual void message(QWidget* parent, const QString& text);
    // An error that ended a command: caption "KVD Viewer", an error icon, an OK button.
    // `text` is shown as it is given.
    virtual void error(QWidget* parent, const QString& text);
    // The names chosen in the open dialog, in order; empty when it was cancelled.
    virtual QStringList openFileNames(QWidget* parent);
};

} // namespace kvd
