#pragma once

#include "viewer/Dialogs.h"
#include "viewer/ImageList.h"
#include "viewer/TileLayout.h"
#include "viewer/GridTextWidth.h"
#include "document/DocumentLoader.h"

#include <QMainWindow>
#include <QByteArrayList>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QToolBar;
class QToolButton;
class TAboutBox;
namespace kvd {
class LoadGate;
class LoadIndicator;
class TOneInstance;
} // namespace kvd
class TMDIChild;

// The main window: a frame of document windows with the tool bar, the menus and the
// commands that open, close and arrange documents, show the about box and end the
// program. Every file the user asks for goes through OpenDataFile.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 692;
    static constexpr int ClientHeight = 516;

    // Whether the window carries the single-instance guard OneInstance1. Window tests
    // build theirs without it: test processes of one program run side by side, and a
    // test may hold two windows at once.
    enum class Guard { SingleInstance, None };

    // With the guard, a later start of the program ends inside this constructor with
    // exit status 0, before any window is shown.
    explicit TMainForm(QWidget* parent = nullptr, Guard guard = Guard::SingleInstance);
    ~TMainForm() override;

    // Opens one data file in a new document window: the window is shown at once with
    // its caption and FileName, then filled by the loader. A file of unknown kind is
    // reported and its window closed again. Throws what the loader throws
    // (kvd::Error); the window then stays open showing what it was filled with.
    // While the file loads the windows repaint, but user input is dropped; Escape, or
    // closing the window, cancels the load: the window closes and kvd::LoadCancelled
    // is thrown (the run of files ends there, without a box).
    // `path` is the file system's bytes; the window shows it decoded by the locale.
    void OpenDataFile(const QByteArray& path);
    // The same for a name given as text, encoded by the locale.
    void OpenDataFile(const QString& name);

    // The program's parameters (the bytes the shell passed), opened at first show when
    // they name existing files.
    void setCommandLineParameters(const QByteArrayList& parameters) { m_parameters = parameters; }
    void setCommandLineParameters(const QStringList& parameters);
    // Replaces the message boxes and the open dialog (tests record instead).
    void setDialogs(std::unique_ptr<kvd::Dialogs> dialogs);
    kvd::Dialogs& dialogs() const { return *m_dialogs; }

    // Shows an error that ended a command or an event handler: caption "KVD Viewer",
    // an error icon, OK; the text gets its full stop.
    void reportError(const QString& text);

    // The document windows in the frame's order (the order they were opened).
    QList<TMDIChild*> documentWindows() const;
    // The active document window, nullptr when there is none.
    TMDIChild* activeDocumentWindow() const;
    QMdiArea* mdiArea() const noexcept { return m_mdiArea; }

    // Sets the enabled state of the window commands from the document windows.
    // Runs when the user interface is next idle after a window was opened, closed
    // or activated.
    void UpdateActions();
    // Lists the document windows under the Windows menu's commands.
    void updateWindowMenu();

    TAboutBox* AboutBox() const noexcept { return m_aboutBox; }

    // Parts, in the order they are built.
    QToolBar* ToolBar2;
    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* ToolButton6;
    QToolButton* ToolButton8;
    QToolButton* ToolButton10;
    QToolButton* ToolButton11;
    QToolButton* ToolButton12;
    QMenuBar* MainMenu1;
    QMenu* File1;
    QMenu* Windows1;
    QMenu* Help1;
    QList<QAction*> ActionList1;
    QAction* FileOpen1;
    QAction* FileClose1;
    QAction* FileExit1;
    QAction* WindowCascade1;
    QAction* WindowTileHorizontal1;
    QAction* WindowTileVertical1;
    QAction* HelpAbout1;
    kvd::ImageList ImageList1;
    kvd::TOneInstance* OneInstance1 = nullptr; // a child; none without the guard

public slots:
    void FileOpen1Execute();
    void FileExit1Execute();
    void HelpAbout1Execute();
    void ToolButton2Click();
    void WindowCascade1Execute();
    void WindowTileHorizontal1Execute();
    void WindowTileVertical1Execute();

    // The main caption: "KVD Viewer", followed by " - [CAPTION]" of the active
    // document window while that window is maximised.
    QString mainCaption() const;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormShow();
    void createActions();
    void createToolBar();
    void createMenus();
    void createKeyboardCommands();
    // Shows the next (+1) or previous (-1) page of the active document, round.
    void turnPage(int direction);
    // The part of the workspace that arranged windows fill: all of it, scroll bars
    // included, which go once the windows are inside.
    QRect workspaceRect() const;
    // How far each cascaded window lies below and right of the one before: its title bar.
    int cascadeStep(const QWidget& window) const;
    QToolButton* addToolButton(QAction* action, const QString& hint);
    void addToolBarSeparator();
    TMDIChild* createDocumentWindow();
    // A new document window with the caption and FileName of `path`.
    TMDIChild* createNamedDocumentWindow(const QByteArray& path);
    // Loads the window's file and shows what was loaded. Throws what the loader throws,
    // after showing what was filled; kvd::LoadCancelled after closing the window.
    kvd::ReadResult fillDocumentWindow(TMDIChild& child);
    kvd::ReadResult loadWithProgress(TMDIChild& child);
    kvd::LoadOptions loadOptions(TMDIChild& child, kvd::LoadIndicator& indicator, kvd::LoadGate& gate);
    void placeNewWindow(TMDIChild& child);
    void tile(kvd::TileDirection direction);
    // The windows that arrangements place (neither hidden nor minimised), bottom of
    // the stack first; maximised ones are made normal.
    QList<QMdiSubWindow*> windowsToArrange();
    void scheduleActionUpdate();
    void documentWindowActivated();
    // Sets the main caption from the document windows; the frame's own writes of it
    // are corrected the same way.
    void updateCaption();
    // Opens each existing file (not a folder) of `names`, in order; names that name
    // no such file are skipped. An error ends the run.
    void openExistingFiles(const QByteArrayList& paths);
    template <class Handler>
    void guarded(Handler&& handler);

    // Marks a load in progress for its lifetime.
    class LoadScope {
    public:
        LoadScope(TMainForm& form, kvd::LoadGate& gate);
        ~LoadScope();
        LoadScope(const LoadScope&) = delete;
        LoadScope& operator=(const LoadScope&) = delete;

    private:
        TMainForm& m_form;
    };

    QMdiArea* m_mdiArea = nullptr;
    QProgressBar* m_loadProgress;
    TAboutBox* m_aboutBox;
    std::unique_ptr<kvd::Dialogs> m_dialogs;
    std::optional<kvd::GridTextWidth> m_gridTextWidth;
    QByteArrayList m_parameters;
    bool m_shown = false;
    // A close asked for while a file loads (from a signal, during a warning box) waits
    // for the load to end: the window being filled must not go away under the loader.
    bool m_loading = false;
    bool m_closeAfterLoad = false;
    kvd::LoadGate* m_loadGate = nullptr; // of the load in progress
    bool m_actionUpdatePending = false;
    int m_lastPlace = -1; // of the last new window, see placeNewWindow
    bool m_settingCaption = false;
};
