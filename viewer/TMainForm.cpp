#include "viewer/TMainForm.h"

#include "viewer/ApplicationFonts.h"
#include "viewer/CascadeLayout.h"
#include "viewer/ErrorText.h"
#include "viewer/FocusReturn.h"
#include "viewer/LoadGate.h"
#include "viewer/LoadIndicator.h"
#include "viewer/LocalPath.h"
#include "viewer/NewWindowPlace.h"
#include "viewer/TAboutBox.h"
#include "viewer/TileLayout.h"
#include "common/Errors.h"
#include "common/FilePath.h"
#include "datafile/NumberText.h"
#include "document/DocumentLoader.h"
#include "document/HeaderSave.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"
#include "instance/OneInstance.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <optional>

namespace {

constexpr int ToolBarHeight = 49;
constexpr int ToolButtonWidth = 39;
constexpr int ToolButtonHeight = 38;
constexpr int ToolBarIndent = 5;
constexpr int SeparatorWidth = 38;

} // namespace

TMainForm::TMainForm(QWidget* parent, Guard guard)
    : QMainWindow(parent), m_dialogs(std::make_unique<kvd::Dialogs>())
{
    setWindowTitle(QStringLiteral("KVD Viewer"));
    setWindowIcon(kvd::applicationIcon());
    setFont(kvd::tahoma(11));
    setAcceptDrops(true);

    m_mdiArea = new QMdiArea;
    m_mdiArea->setBackground(palette().brush(QPalette::Dark));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    createActions();
    createToolBar();
    createMenus();
    createKeyboardCommands();

    // Right after the commands and images and before the window is ever shown: a
    // later start of the program ends here.
    if (guard == Guard::SingleInstance) {
        OneInstance1 = new kvd::TOneInstance(this);
        OneInstance1->setMaxNewInstances(0);
        OneInstance1->setErrorHandler(
            [this](const std::exception& error) { reportError(QString::fromUtf8(error.what())); });
    }

    m_loadProgress = new QProgressBar;
    m_loadProgress->setMaximumWidth(200);
    m_loadProgress->setTextVisible(false);
    m_loadProgress->hide();
    statusBar()->addPermanentWidget(m_loadProgress);

    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &TMainForm::documentWindowActivated);
    UpdateActions();
    ToolButton2->setEnabled(false);

    m_aboutBox = new TAboutBox(this);
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

TMainForm::~TMainForm()
{
    // The document windows are destroyed after this body, with the widget part of
    // this window: their signals must no longer reach it.
    m_mdiArea->disconnect(this);
    // Closed ones wait for their deferred deletion, out of the area's list.
    for (TMDIChild* window : m_mdiArea->findChildren<TMDIChild*>())
        window->disconnect(this);
}

void TMainForm::createActions()
{
    const auto makeAction = [this](const QString& caption, int image, void (TMainForm::*handler)()) {
        auto* action = new QAction(ImageList1.icon(image), caption, this);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        ActionList1.append(action);
        return action;
    };
    FileOpen1 = makeAction(QStringLiteral("&Open"), 0, &TMainForm::FileOpen1Execute);
    FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    FileClose1 = makeAction(QStringLiteral("&Close"), 1, nullptr);
    connect(FileClose1, &QAction::triggered, this, [this] {
        if (TMDIChild* child = activeDocumentWindow())
            child->close();
    });
    FileExit1 = makeAction(QStringLiteral("&Quit"), 2, &TMainForm::FileExit1Execute);
    WindowCascade1 = makeAction(QStringLiteral("&Cascade"), 3, &TMainForm::WindowCascade1Execute);
    WindowTileHorizontal1 = makeAction(QStringLiteral("Tile &horizontal"), 4, &TMainForm::WindowTileHorizontal1Execute);
    WindowTileVertical1 = makeAction(QStringLiteral("Tile &vertical"), 5, &TMainForm::WindowTileVertical1Execute);
    HelpAbout1 = makeAction(QStringLiteral("&About"), 6, &TMainForm::HelpAbout1Execute);
    // The categories only group the commands.
    for (QAction* action : {FileOpen1, FileClose1, FileExit1})
        action->setProperty("category", QStringLiteral("Fichier"));
    for (QAction* action : {WindowCascade1, WindowTileHorizontal1, WindowTileVertical1})
        action->setProperty("category", QStringLiteral("Fenêtre"));
    HelpAbout1->setProperty("category", QStringLiteral("Aide"));
    addActions(ActionList1); // their shortcuts work wherever the focus is in the window
}

QToolButton* TMainForm::addToolButton(QAction* action, const QString& hint)
{
    auto* button = new QToolButton;
    button->setFixedSize(ToolButtonWidth, ToolButtonHeight);
    button->setIconSize(QSize(kvd::ImageList::ImageSize, kvd::ImageList::ImageSize));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setToolTip(hint);
    if (action) {
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
    }
    ToolBar2->addWidget(button);
    return button;
}

void TMainForm::addToolBarSeparator()
{
    auto* separator = new QWidget;
    separator->setFixedSize(SeparatorWidth, ToolButtonHeight);
    auto* layout = new QHBoxLayout(separator);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line, 0, Qt::AlignHCenter);
    ToolBar2->addWidget(separator);
}

void TMainForm::createToolBar()
{
    ToolBar2 = new QToolBar(QStringLiteral("ToolBar2"));
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setFixedHeight(ToolBarHeight);
    ToolBar2->setIconSize(QSize(kvd::ImageList::ImageSize, kvd::ImageList::ImageSize));
    ToolBar2->setContentsMargins(ToolBarIndent, 0, 0, 0);
    ToolBar2->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar2);

    ToolButton1 = addToolButton(FileOpen1, QStringLiteral("Open KVD file"));
    ToolButton2 = addToolButton(nullptr, QString());
    ToolButton2->setIcon(ImageList1.icon(7));
    connect(ToolButton2, &QToolButton::clicked, this, &TMainForm::ToolButton2Click);
    ToolButton6 = addToolButton(FileClose1, QStringLiteral("Close KVD file"));
    addToolBarSeparator();
    ToolButton8 = addToolButton(WindowCascade1, QStringLiteral("Windows cascade"));
    ToolButton10 = addToolButton(WindowTileHorizontal1, QStringLiteral("Windows tile horizontal"));
    ToolButton11 = addToolButton(WindowTileVertical1, QStringLiteral("Windows tile vertical"));
    addToolBarSeparator();
    ToolButton12 = addToolButton(HelpAbout1, QStringLiteral("About KVD Viewer"));
}

void TMainForm::createMenus()
{
    MainMenu1 = menuBar();
    File1 = MainMenu1->addMenu(QStringLiteral("&File"));
    File1->addAction(FileOpen1);
    File1->addAction(FileClose1);
    File1->addSeparator();
    File1->addAction(FileExit1);

    Windows1 = MainMenu1->addMenu(QStringLiteral("&Windows"));
    connect(Windows1, &QMenu::aboutToShow, this, &TMainForm::updateWindowMenu);
    updateWindowMenu();

    Help1 = MainMenu1->addMenu(QStringLiteral("&Help"));
    QAction* about = Help1->addAction(ImageList1.icon(6), QStringLiteral("&About KVD Viewer"));
    connect(about, &QAction::triggered, HelpAbout1, &QAction::trigger);

    // Drop-down menus are windows of their own and take the application's font, not
    // the window's: give them the menu bar's.
    for (QMenu* menu : {File1, Windows1, Help1})
        menu->setFont(MainMenu1->font());
}

void TMainForm::createKeyboardCommands()
{
    // Keys of the frame that no menu shows. They work wherever the focus is in the
    // window, the header editor and the grids included.
    const auto addKeys = [this](const QList<QKeySequence>& keys, auto handler) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [this] { m_mdiArea->activateNextSubWindow(); });
    addKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
            [this] { m_mdiArea->activatePreviousSubWindow(); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, [this] { turnPage(1); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_PageUp)}, [this] { turnPage(-1); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_F4)}, [this] {
        if (TMDIChild* child = activeDocumentWindow())
            child->close();
    });
}

void TMainForm::turnPage(int direction)
{
    TMDIChild* child = activeDocumentWindow();
    if (!child)
        return;
    QTabWidget* pages = child->PageControl1;
    const int count = pages->count();
    pages->setCurrentIndex(((pages->currentIndex() + direction) % count + count) % count);
}

void TMainForm::updateWindowMenu()
{
    Windows1->clear();
    Windows1->addAction(WindowCascade1);
    Windows1->addAction(WindowTileHorizontal1);
    Windows1->addAction(WindowTileVertical1);
    const QList<TMDIChild*> windows = documentWindows();
    if (windows.isEmpty())
        return;
    Windows1->addSeparator();
    const TMDIChild* active = activeDocumentWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        TMDIChild* child = windows[i];
        QString title = child->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                   : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        QAction* entry = Windows1->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(child == active);
        connect(entry, &QAction::triggered, child, [this, child] {
            if (child->isMinimized())
                child->showNormal();
            m_mdiArea->setActiveSubWindow(child);
        });
    }
}

void TMainForm::setDialogs(std::unique_ptr<kvd::Dialogs> dialogs)
{
    m_dialogs = dialogs ? std::move(dialogs) : std::make_unique<kvd::Dialogs>();
}

void TMainForm::reportError(const QString& text)
{
    m_dialogs->error(this, kvd::withFullStop(text));
}

template <class Handler>
void TMainForm::guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const kvd::LoadCancelled&) {
        // The user stopped it: the run ends there, without a box.
    } catch (const std::exception& error) {
        reportError(QString::fromUtf8(error.what()));
    }
}

QList<TMDIChild*> TMainForm::documentWindows() const
{
    QList<TMDIChild*> windows;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        auto* child = qobject_cast<TMDIChild*>(window);
        if (child && !child->isHidden())
            windows.append(child);
    }
    return windows;
}

TMDIChild* TMainForm::activeDocumentWindow() const
{
    auto* child = qobject_cast<TMDIChild*>(m_mdiArea->currentSubWindow());
    return child && !child->isHidden() ? child : nullptr;
}

void TMainForm::documentWindowActivated()
{
    scheduleActionUpdate();
    updateCaption();
    // However it became active (opened, Ctrl+Tab, the Windows menu), the window's
    // keys go to what its page shows, not to its page tabs.
    if (TMDIChild* child = activeDocumentWindow())
        child->focusPageContent();
}

QString TMainForm::mainCaption() const
{
    const QString title = QStringLiteral("KVD Viewer");
    const TMDIChild* active = activeDocumentWindow();
    if (!active || !active->isMaximized())
        return title;
    return title + QStringLiteral(" - [") + active->windowTitle() + QLatin1Char(']');
}

void TMainForm::updateCaption()
{
    if (m_settingCaption)
        return;
    m_settingCaption = true;
    setWindowTitle(mainCaption());
    m_settingCaption = false;
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A maximised document window writes its own version of the main caption, built
    // on what the caption held before, which may already name a document.
    if (event->type() == QEvent::WindowTitleChange && m_mdiArea && !m_settingCaption && windowTitle() != mainCaption())
        QMetaObject::invokeMethod(this, &TMainForm::updateCaption, Qt::QueuedConnection);
}

void TMainForm::scheduleActionUpdate()
{
    if (m_actionUpdatePending)
        return;
    m_actionUpdatePending = true;
    QMetaObject::invokeMethod(this, &TMainForm::UpdateActions, Qt::QueuedConnection);
}

void TMainForm::UpdateActions()
{
    m_actionUpdatePending = false;
    const bool anyWindow = !documentWindows().isEmpty();
    FileClose1->setEnabled(activeDocumentWindow() != nullptr);
    WindowCascade1->setEnabled(anyWindow);
    WindowTileHorizontal1->setEnabled(anyWindow);
    WindowTileVertical1->setEnabled(anyWindow);
}

TMDIChild* TMainForm::createDocumentWindow()
{
    auto* child = new TMDIChild(ToolButton2, kvd::documentFonts());
    child->setWindowIcon(windowIcon());
    child->systemMenu()->setFont(MainMenu1->font());
    // Ctrl+F4 is the frame's (it closes the active window wherever the focus is); the
    // window's own menu would make it ambiguous.
    for (QAction* action : child->systemMenu()->actions()) {
        QList<QKeySequence> keys = action->shortcuts();
        if (keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_F4)) > 0)
            action->setShortcuts(keys);
    }
    m_mdiArea->addSubWindow(child);
    connect(child, &QObject::destroyed, this, &TMainForm::scheduleActionUpdate);
    connect(child, &QObject::destroyed, this, &TMainForm::updateCaption, Qt::QueuedConnection);
    connect(child, &QMdiSubWindow::windowStateChanged, this, &TMainForm::updateCaption);
    connect(child, &QWidget::windowTitleChanged, this, &TMainForm::updateCaption);
    child->show();
    // The client area, inside the window's frame and title bar.
    child->resize(child->size() - child->widget()->size()
                  + QSize(TMDIChild::ClientWidth, TMDIChild::ClientHeight));
    placeNewWindow(*child);
    m_mdiArea->setActiveSubWindow(child);
    scheduleActionUpdate();
    return child;
}

int TMainForm::cascadeStep(const QWidget& window) const
{
    return style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window)
           + style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
}

QRect TMainForm::workspaceRect() const
{
    return QRect(QPoint(0, 0), m_mdiArea->contentsRect().size());
}

void TMainForm::placeNewWindow(TMDIChild& child)
{
    // New windows cascade: each one a title bar lower and further right than the last
    // one opened, starting again at the top left when its title bar would leave the
    // workspace, and never on a place another window holds while one is free.
    const int step = cascadeStep(child);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &child);
    const int count = kvd::newWindowPlaceCount(workspaceRect().size(), child.size(), titleBar, step);
    std::vector<bool> taken(static_cast<std::size_t>(count), false);
    for (const TMDIChild* other : documentWindows()) {
        const QPoint at = other->pos();
        if (other == &child || other->isMaximized() || other->isMinimized() || at.x() != at.y() || step <= 0)
            continue;
        if (at.x() >= 0 && at.x() % step == 0 && at.x() / step < count)
            taken[static_cast<std::size_t>(at.x() / step)] = true;
    }
    m_lastPlace = kvd::nextNewWindowPlace(m_lastPlace, taken);
    child.move(m_lastPlace * step, m_lastPlace * step);
}

void TMainForm::setCommandLineParameters(const QStringList& parameters)
{
    m_parameters.clear();
    for (const QString& parameter : parameters)
        m_parameters.append(QFile::encodeName(parameter));
}

void TMainForm::OpenDataFile(const QString& name)
{
    OpenDataFile(QFile::encodeName(name));
}

void TMainForm::OpenDataFile(const QByteArray& path)
{
    ToolButton2->setEnabled(false);
    TMDIChild* child = createNamedDocumentWindow(path);
    const kvd::ReadResult result = fillDocumentWindow(*child);
    if (result.status == kvd::ReadStatus::UnknownFormat) {
        m_dialogs->message(this, QStringLiteral("Unknow file format"));
        child->close();
        return;
    }
    child->setHeaderModified(false);
    ToolButton2->setEnabled(false);
}

TMDIChild* TMainForm::createNamedDocumentWindow(const QByteArray& path)
{
    TMDIChild* child = createDocumentWindow();
    child->FileName = QFile::decodeName(path);
    kvd::Document& document = child->document();
    document.fileName = path.toStdString();
    document.caption = kvd::captionForPath(document.fileName);
    child->setWindowTitle(QFile::decodeName(QByteArray::fromStdString(document.caption)));
    child->repaint();
    return child;
}

kvd::ReadResult TMainForm::fillDocumentWindow(TMDIChild& child)
{
    kvd::ReadResult result;
    try {
        result = loadWithProgress(child);
    } catch (const kvd::LoadCancelled&) {
        child.close();
        throw;
    } catch (...) {
        child.showDocument();
        throw;
    }
    child.showDocument();
    return result;
}

kvd::ReadResult TMainForm::loadWithProgress(TMDIChild& child)
{
    // "Reading NAME" stands in the status bar while the file loads, except while a box
    // is up.
    kvd::LoadIndicator indicator(*statusBar(), *m_loadProgress, child.windowTitle());
    kvd::LoadGate gate(child);
    const LoadScope loading(*this, gate);
    return kvd::loadDocument(child.document(), loadOptions(child, indicator, gate));
}

kvd::LoadOptions TMainForm::loadOptions(TMDIChild& child, kvd::LoadIndicator& indicator, kvd::LoadGate& gate)
{
    if (!m_gridTextWidth)
        m_gridTextWidth.emplace(child.StringGrid1->font());
    const kvd::Document& document = child.document();
    kvd::LoadOptions options;
    options.reader.textWidth = [&measure = *m_gridTextWidth, &document](std::string_view text) {
        return measure(text, document.encoding);
    };
    options.reader.progress = [&indicator, &gate](std::uint64_t done, std::uint64_t total) {
        indicator.progress(done, total);
        gate.pump();
    };
    options.decimalSeparator = kvd::userDecimalSeparator();
    options.warning = [this, &child, &indicator, &gate, tableShown = false](const std::string& message) mutable {
        gate.throwIfCancelled();
        if (!tableShown) {
            child.showHeaderAndTable(); // the table is complete when the statistics warn
            tableShown = true;
        }
        indicator.suspend();
        m_dialogs->message(this, kvd::decodeText(message, child.document().encoding));
        indicator.resume();
        gate.pumpNow();
    };
    return options;
}

TMainForm::LoadScope::LoadScope(TMainForm& form, kvd::LoadGate& gate)
    : m_form(form)
{
    m_form.m_loading = true;
    m_form.m_loadGate = &gate;
}

TMainForm::LoadScope::~LoadScope()
{
    m_form.m_loading = false;
    m_form.m_loadGate = nullptr;
    if (m_form.m_closeAfterLoad) {
        m_form.m_closeAfterLoad = false;
        QMetaObject::invokeMethod(&m_form, &QWidget::close, Qt::QueuedConnection);
    }
}

void TMainForm::openExistingFiles(const QByteArrayList& paths)
{
    guarded([&] {
        for (const QByteArray& path : paths) {
            kvd::refuseNulByte(path.toStdString()); // a dropped name may hold "%00"
            if (kvd::isExistingFile(path.toStdString()))
                OpenDataFile(path);
        }
    });
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().center() - frameGeometry().center() + pos());
    // The window appears first; the files of the command line open after.
    QMetaObject::invokeMethod(this, &TMainForm::FormShow, Qt::QueuedConnection);
}

void TMainForm::FormShow()
{
    ToolButton2->setEnabled(false);
    openExistingFiles(m_parameters);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_loading) {
        // The load stops at its next step, and its box, if one is up, closes: the
        // window then closes as asked.
        m_closeAfterLoad = true;
        if (m_loadGate)
            m_loadGate->cancel();
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
        event->ignore();
        return;
    }
    // Closes every document window without asking about unsaved header edits.
    m_mdiArea->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QByteArrayList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(kvd::localPathOfUrl(url));
    }
    event->acceptProposedAction();
    openExistingFiles(paths);
}

void TMainForm::FileOpen1Execute()
{
    guarded([&] {
        for (const QString& name : m_dialogs->openFileNames(this))
            OpenDataFile(kvd::localPathOfShownName(name));
    });
}

void TMainForm::FileExit1Execute()
{
    close();
}

void TMainForm::HelpAbout1Execute()
{
    const kvd::FocusReturn focus;
    m_aboutBox->exec();
}

void TMainForm::ToolButton2Click()
{
    guarded([&] {
        // The active window, or the last one when none is active.
        const QList<TMDIChild*> windows = documentWindows();
        if (windows.isEmpty()) {
            ToolButton2->setEnabled(false);
            return;
        }
        const TMDIChild* active = activeDocumentWindow();
        const auto found = std::find(windows.cbegin(), windows.cend(), active);
        const TMDIChild* chosen = found != windows.cend() ? *found : windows.back();

        const kvd::HeaderSaveResult result =
            kvd::saveHeader(chosen->document().fileName, chosen->headerLineBytes());
        ToolButton2->setEnabled(false);
        if (result.status == kvd::HeaderSaveResult::Status::Saved)
            m_dialogs->message(this, QStringLiteral("New backup file created : ")
                                         + QFile::decodeName(QByteArray::fromStdString(result.backupPath)));
    });
}

void TMainForm::WindowCascade1Execute()
{
    // The bottom of the stack first: the window on top stays on top, at the bottom
    // right, where it is seen whole.
    const QList<QMdiSubWindow*> windows = windowsToArrange();
    if (windows.isEmpty())
        return;
    const std::vector<QRect> rects =
        kvd::cascadeRects(workspaceRect(), static_cast<int>(windows.size()), cascadeStep(*windows.front()));
    for (qsizetype i = 0; i < windows.size(); ++i)
        windows[i]->setGeometry(rects[static_cast<std::size_t>(i)]);
}

QList<QMdiSubWindow*> TMainForm::windowsToArrange()
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isHidden() || window->isMinimized())
            continue;
        if (window->isMaximized())
            window->showNormal();
        windows.append(window);
    }
    // A maximised window's buttons leave the menu bar: let the workspace take its
    // new size before it is measured.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return windows;
}

void TMainForm::WindowTileHorizontal1Execute()
{
    tile(kvd::TileDirection::Horizontal);
}

void TMainForm::WindowTileVertical1Execute()
{
    tile(kvd::TileDirection::Vertical);
}

void TMainForm::tile(kvd::TileDirection direction)
{
    // The topmost window first: the active window takes the first place.
    QList<QMdiSubWindow*> windows = windowsToArrange();
    std::reverse(windows.begin(), windows.end());
    const std::vector<QRect> rects = kvd::tileRects(workspaceRect(), static_cast<int>(windows.size()), direction);
    for (qsizetype i = 0; i < windows.size(); ++i)
        windows[i]->setGeometry(rects[static_cast<std::size_t>(i)]);
}
