#include "ViewerFixture.h"

#include "viewer/OpenDialog.h"
#include "viewer/TAboutBox.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QMenu>
#include "viewer/ReportView.h"
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>

#include <filesystem>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QStringList captions(const QList<TMDIChild*>& windows)
{
    QStringList titles;
    for (const TMDIChild* window : windows)
        titles.append(window->windowTitle());
    return titles;
}

struct CommandStates {
    bool close, cascade, tileHorizontal, tileVertical;
    friend bool operator==(const CommandStates&, const CommandStates&) = default;
};

CommandStates commandStates(const TMainForm& form)
{
    return {form.FileClose1->isEnabled(), form.WindowCascade1->isEnabled(),
            form.WindowTileHorizontal1->isEnabled(), form.WindowTileVertical1->isEnabled()};
}

} // namespace

using MainFormTest = ViewerFixture;

TEST_F(MainFormTest, windowCommandsFollowTheNumberOfDocumentWindows)
{
    const CommandStates none{false, false, false, false};
    const CommandStates some{true, true, true, true};
    EXPECT_EQ(commandStates(*m_form), none);
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
    EXPECT_FALSE(m_form->ToolButton6->isEnabled());

    m_form->OpenDataFile(writeFile("a.kvd", kvdFile()));
    idle();
    EXPECT_EQ(commandStates(*m_form), some);
    EXPECT_TRUE(m_form->ToolButton6->isEnabled());

    m_form->OpenDataFile(writeFile("b.kvd", kvdFile()));
    idle();
    EXPECT_EQ(commandStates(*m_form), some);

    m_form->FileClose1->trigger();
    idle();
    EXPECT_EQ(captions(m_form->documentWindows()), QStringList{"a.kvd"});
    EXPECT_EQ(commandStates(*m_form), some);

    m_form->FileClose1->trigger();
    idle();
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
    EXPECT_EQ(commandStates(*m_form), none);
    EXPECT_FALSE(m_form->ToolButton8->isEnabled());
}

TEST_F(MainFormTest, captionIsTheNameWithoutFolderAndFileNameThePathAsGiven)
{
    const struct {
        QString path;
        QString caption;
    } cases[] = {
        {path("sample.kvd"), "sample.kvd"},
        {"sample.kvd", "sample.kvd"},
        {"./sub dir/../other.wum", "other.wum"},
        {path("naïve é.kvd"), "naïve é.kvd"},
    };
    for (const auto& c : cases) {
        m_form->OpenDataFile(c.path); // none of them exists: an empty window stays open
        TMDIChild* window = m_form->activeDocumentWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), c.caption);
        EXPECT_EQ(window->FileName, c.path);
    }
    EXPECT_EQ(m_form->documentWindows().size(), 4);
    EXPECT_TRUE(m_boxes->messages.isEmpty());
    EXPECT_TRUE(m_boxes->errors.isEmpty());
}

TEST_F(MainFormTest, aPathNamingNoFileGivesAnEmptyEditableWindow)
{
    m_form->OpenDataFile(path("missing.kvd"));
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->RichEdit1->toPlainText().isEmpty());
    EXPECT_FALSE(window->RichEdit1->isReadOnly());
    EXPECT_EQ(window->StringGrid1->model()->rowCount(), 1);
    EXPECT_EQ(window->StringGrid1->model()->columnCount(), 1);
    EXPECT_TRUE(window->Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
}

// A folder or a socket opened as a data file is refused with a message saying what
// it is, not taken for a missing file or reported by an error number.
TEST_F(MainFormTest, aFolderOrASocketIsRefusedAsWhatItIs)
{
    const QString socketPath = path("socket.kvd");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<std::size_t>(socketName.size()), sizeof address.sun_path);
    std::copy(socketName.begin(), socketName.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const QString& name : {m_folder.path(), socketPath}) {
        m_boxes->openNames = {name};
        m_form->FileOpen1->trigger();
        idle();
    }
    ::close(listener);
    EXPECT_EQ(m_boxes->errors,
              (QStringList{"The file " + m_folder.path() + " is a folder, not a regular file: only regular files "
                                                           "can be opened.",
                           "The file " + socketPath + " is a socket, not a regular file: only regular files can "
                                                      "be opened."}));
}

TEST_F(MainFormTest, unknownKindIsReportedAndItsWindowCloses)
{
    for (const char* firstLine : {"KV", "kvd", "\xEF\xBB\xBFKVD", " KVD"}) {
        m_form->OpenDataFile(writeFile("unknown.kvd", std::string(firstLine) + "\r\n[Data]\r\nA;B;C\r\n1;2;3\r\n"));
        idle();
        EXPECT_TRUE(m_form->documentWindows().isEmpty()) << firstLine;
    }
    EXPECT_EQ(m_boxes->messages, QStringList(4, "Unknow file format"));
    EXPECT_TRUE(m_boxes->errors.isEmpty());
    EXPECT_FALSE(m_form->FileClose1->isEnabled());
}

TEST_F(MainFormTest, aFailingFileEndsTheBatchAndStaysOpenWithWhatItHolds)
{
    m_boxes->openNames = {
        writeFile("first.kvd", kvdFile()),
        // A KVD table needs a column beside its two fixed ones.
        writeFile("narrow.kvd", "KVD\r\n[Image]\r\n[Data]\r\nObject;Source\r\n1;a\r\n"),
        writeFile("third.kvd", kvdFile()),
    };
    m_form->FileOpen1->trigger();
    idle();

    EXPECT_EQ(captions(m_form->documentWindows()), (QStringList{"first.kvd", "narrow.kvd"}));
    EXPECT_EQ(m_boxes->errors,
              QStringList{"Le nombre de colonnes fixes doit être inférieur au nombre de colonnes."});
    TMDIChild* narrow = m_form->activeDocumentWindow();
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(narrow->RichEdit1->toPlainText(), "KVD\n[Image]");
    EXPECT_EQ(narrow->StringGrid1->model()->headerData(1, Qt::Horizontal).toString(), "Source");
    EXPECT_TRUE(narrow->Memo1->toPlainText().isEmpty()); // the summary was never built
}

TEST_F(MainFormTest, commandLineOpensExistingFilesInOrderAndSkipsTheRest)
{
    QDir(m_folder.path()).mkdir("folder.kvd");
    m_form = std::make_unique<TMainForm>(nullptr, TMainForm::Guard::None);
    m_form->setDialogs(std::make_unique<RecordingDialogs>(m_boxes));
    m_form->setCommandLineParameters({writeFile("one.kvd", kvdFile()), path("missing.kvd"), path("folder.kvd"),
                                      writeFile("with space.wum", "WUM\r\n[Data]\r\nId\tArea\r\nx\t1\r\n")});
    m_form->show();
    idle();
    EXPECT_EQ(captions(m_form->documentWindows()), (QStringList{"one.kvd", "with space.wum"}));
    EXPECT_TRUE(m_boxes->messages.isEmpty());
    EXPECT_TRUE(m_boxes->errors.isEmpty());
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
}

TEST_F(MainFormTest, openDialogNamesOpenInTheirOrderCancelOpensNothing)
{
    m_form->FileOpen1->trigger(); // cancelled: no names
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
    m_boxes->openNames = {writeFile("c.kvd", kvdFile()), writeFile("a.kvd", kvdFile()), path("typed.kvd")};
    m_form->FileOpen1->trigger();
    EXPECT_EQ(captions(m_form->documentWindows()), (QStringList{"c.kvd", "a.kvd", "typed.kvd"}));
}

TEST_F(MainFormTest, learningHeaderIsReadOnlyWithItsNoHeaderLine)
{
    m_form->OpenDataFile(writeFile("learn.txt", "LEARNING SET\nObject;Source;Area;Group;Status\n1;s;2.5;cop;Test\n"));
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->RichEdit1->isReadOnly());
    EXPECT_EQ(window->headerLines(), (QStringList{"LEARNING SET", "(No Header)"}));
    EXPECT_FALSE(window->headerModified());
}

TEST_F(MainFormTest, windowsMenuListsTheDocumentsAndActivatesTheChosenOne)
{
    m_form->OpenDataFile(writeFile("a&b.kvd", kvdFile()));
    m_form->OpenDataFile(writeFile("second.kvd", kvdFile()));
    m_form->updateWindowMenu();
    QStringList entries;
    QAction* first = nullptr;
    for (QAction* action : m_form->Windows1->actions()) {
        entries.append(action->text());
        if (action->text().startsWith("&1"))
            first = action;
    }
    EXPECT_EQ(entries, (QStringList{"&Cascade", "Tile &horizontal", "Tile &vertical", "", "&1 a&&b.kvd",
                                    "&2 second.kvd"}));
    ASSERT_NE(first, nullptr);
    first->trigger();
    EXPECT_EQ(m_form->activeDocumentWindow()->windowTitle(), "a&b.kvd");
}

TEST_F(MainFormTest, quitClosesEveryWindowWithoutAsking)
{
    m_form->OpenDataFile(writeFile("a.kvd", kvdFile()));
    m_form->activeDocumentWindow()->RichEdit1->insertPlainText("edit");
    m_form->FileExit1->trigger();
    idle();
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_TRUE(m_boxes->messages.isEmpty());
}

TEST_F(MainFormTest, toolBarHoldsItsButtonsWithTheirHints)
{
    const struct {
        QToolButton* button;
        QString hint;
        bool enabled;
    } buttons[] = {
        {m_form->ToolButton1, "Open KVD file", true},
        {m_form->ToolButton2, "", false},
        {m_form->ToolButton6, "Close KVD file", false},
        {m_form->ToolButton8, "Windows cascade", false},
        {m_form->ToolButton10, "Windows tile horizontal", false},
        {m_form->ToolButton11, "Windows tile vertical", false},
        {m_form->ToolButton12, "About KVD Viewer", true},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->toolTip(), b.hint);
        EXPECT_EQ(b.button->isEnabled(), b.enabled) << b.hint.toStdString();
        EXPECT_EQ(b.button->size(), QSize(39, 38));
        EXPECT_FALSE(b.button->icon().isNull());
    }
    EXPECT_EQ(m_form->FileOpen1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(m_form->windowTitle(), "KVD Viewer");
}

TEST_F(MainFormTest, headerSaveWritesTheEditedHeaderAndReportsTheBackup)
{
    const QString file = writeFile("save.kvd", kvdFile("[Image]\r\n", 2));
    m_form->OpenDataFile(file);
    TMDIChild* window = m_form->activeDocumentWindow();
    ASSERT_NE(window, nullptr);
    window->RichEdit1->moveCursor(QTextCursor::End);
    window->RichEdit1->insertPlainText("\nPixel=0.2");
    ASSERT_TRUE(m_form->ToolButton2->isEnabled());

    m_form->ToolButton2->click();
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
    EXPECT_EQ(m_boxes->messages, QStringList{"New backup file created : " + file + ".~1"});
    EXPECT_EQ(readFile(file), "KVD 2.1\r\n[Image]\r\nPixel=0.2\r\n[Data]\r\nObject;Source;Area;Length\r\n"
                              "1;img1;1.5;2\r\n2;img0;2.5;4\r\n");
    EXPECT_TRUE(window->headerModified()); // saving leaves the flag set
}

TEST_F(MainFormTest, failedHeaderSaveIsReportedAndKeepsTheButtonState)
{
    const QString file = writeFile("gone.kvd", kvdFile());
    m_form->OpenDataFile(file);
    TMDIChild* window = m_form->activeDocumentWindow();
    window->RichEdit1->insertPlainText("x");
    ASSERT_TRUE(m_form->ToolButton2->isEnabled());

    // A header without "[Data]" in its file cannot be saved: the file is left whole.
    writeFile("gone.kvd", "KVD 2.1\r\nno data line\r\n");
    m_form->ToolButton2->click();
    EXPECT_TRUE(m_form->ToolButton2->isEnabled());
    EXPECT_EQ(m_boxes->errors.size(), 1);
    EXPECT_TRUE(m_boxes->messages.isEmpty());
    EXPECT_EQ(readFile(file), "KVD 2.1\r\nno data line\r\n");

    // A file that is no longer there: nothing written, no message, the button off.
    QFile::remove(file);
    m_form->ToolButton2->click();
    EXPECT_FALSE(m_form->ToolButton2->isEnabled());
    EXPECT_TRUE(m_boxes->messages.isEmpty());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(MainFormTest, headerLineThatWindows1252CannotHoldIsRefusedNotWrittenAsQuestionMark)
{
    const QString file = writeFile("latin.kvd", kvdFile("Lieu=Z\xFCrich\r\n"));
    m_form->OpenDataFile(file);
    TMDIChild* window = m_form->activeDocumentWindow();
    EXPECT_EQ(window->headerLines().at(1), QString::fromUtf8("Lieu=Zürich"));
    window->RichEdit1->moveCursor(QTextCursor::End);
    window->RichEdit1->insertPlainText(QString::fromUtf8(" \u4E2D"));
    m_form->ToolButton2->click();
    ASSERT_EQ(m_boxes->errors.size(), 1);
    EXPECT_TRUE(m_boxes->errors.front().endsWith("."));
    EXPECT_FALSE(QFile::exists(file + ".~1"));
}

TEST_F(MainFormTest, aboutBoxShowsTheProgramAndItsWebSite)
{
    TAboutBox* box = m_form->AboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "About KVD Viewer 1.3");
    EXPECT_EQ(box->size(), QSize(319, 151));
    EXPECT_TRUE(box->OKButton->isDefault());
    EXPECT_EQ(TAboutBox::webSite().scheme(), "https");
}

TEST_F(MainFormTest, openDialogOffersTheDataFileFiltersAndLetsTypedNamesThrough)
{
    kvd::OpenDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "OPEN");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown.append(types->itemText(i));
    EXPECT_EQ(shown, (QStringList{"Data File (*.wum) (*.kvd)", "Taxolith Data File (*.kvd)",
                                  "Wumera Data File (*.wum)"}));
    EXPECT_EQ(types->currentIndex(), 0);

    const QString existing = writeFile("there.kvd", kvdFile());
    dialog.setDirectory(m_folder.path());
    auto* typed = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(typed, nullptr);
    typed->setText("\"there.kvd\" \"typed.kvd\"");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenFiles(), (QStringList{existing, path("typed.kvd")}));
}

// A file name that is not valid UTF-8 is shown with replacement characters, but the
// command line, the open dialog and a drop all reach the file as its own bytes, and
// its header is saved beside it.
TEST_F(MainFormTest, namesThatAreNotValidUtf8ReachTheFileSystemUnchanged)
{
    const QByteArray folder = QFile::encodeName(m_folder.path()) + "/d\xe9j\xe0";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QByteArray file = folder + "/lat\xe9\xff.kvd";
    {
        const std::string bytes = kvdFile();
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    const QString shown = QFile::decodeName(file);
    ASSERT_FALSE(QFile::exists(shown));

    m_form = std::make_unique<TMainForm>(nullptr, TMainForm::Guard::None);
    m_form->setDialogs(std::make_unique<RecordingDialogs>(m_boxes));
    m_form->setCommandLineParameters(QByteArrayList{file});
    m_form->show();
    idle();
    ASSERT_EQ(m_form->documentWindows().size(), 1) << "command line";
    m_boxes->openNames = {shown};
    m_form->FileOpen1->trigger();
    ASSERT_EQ(m_form->documentWindows().size(), 2) << "open dialog";
    QMimeData dropped;
    dropped.setUrls({QUrl::fromEncoded("file://" + file.toPercentEncoding("/"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(m_form.get())->event(&drop); // drops come only during a real drag

    const QList<TMDIChild*> windows = m_form->documentWindows();
    ASSERT_EQ(windows.size(), 3);
    for (const TMDIChild* window : windows) {
        EXPECT_EQ(window->document().fileName, file.toStdString());
        EXPECT_GT(window->StringGrid1->model()->rowCount(), 1); // not the empty window of a missing file
        EXPECT_EQ(window->windowTitle(), shown.section(QLatin1Char('/'), -1));
    }
    m_form->ToolButton2Click();
    EXPECT_TRUE(m_boxes->errors.isEmpty()) << m_boxes->errors.join(QLatin1Char('\n')).toStdString();
    struct stat info {};
    EXPECT_EQ(::stat((file + ".~1").constData(), &info), 0);
    std::filesystem::remove_all(folder.toStdString()); // the temporary folder's removal goes by text
}

// "%00" in a dropped URL makes a name the system would cut at the NUL byte: it is
// refused with a message, and the file its first bytes name is neither opened nor
// saved over.
TEST_F(MainFormTest, aDroppedNameWithANulByteIsRefused)
{
    const QString existing = writeFile("leaf_survey.kvd", kvdFile());
    m_form->show();
    idle();
    QMimeData dropped;
    dropped.setUrls({QUrl::fromEncoded("file://" + QFile::encodeName(existing).toPercentEncoding("/") +
                                       "%00.notthere")});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(m_form.get())->event(&drop);
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
    ASSERT_EQ(m_boxes->errors.size(), 1);
    EXPECT_EQ(m_boxes->errors.front(), "The name \"" + existing + "\\0.notthere\" holds a NUL byte, which no "
                                       "file name can hold: it names no file.");
}
