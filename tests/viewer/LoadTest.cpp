#include "ViewerFixture.h"

#include "viewer/ImageList.h"
#include "viewer/LoadGate.h"
#include "viewer/TMDIChild.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

using namespace kvd;

namespace {

// Two measurement columns that turn to words at the last row: one warning each.
std::string twoWarnings()
{
    std::string text = "KVD\r\n[Data]\r\nObject;Source;Area;Length\r\n";
    for (int row = 1; row <= 50; ++row)
        text += std::to_string(row) + ";s;" + std::to_string(row) + ";2\r\n";
    return text + "51;s;big;long\r\n";
}

} // namespace

class LoadTest : public ViewerFixture {
protected:
    // Runs `during` from the event loop as soon as the load handles events.
    static void whileLoading(std::function<void()> during) { QTimer::singleShot(0, std::move(during)); }

    TMDIChild* openFile(const QString& name)
    {
        m_form->OpenDataFile(writeFile(name, kvdFile()));
        idle();
        return m_form->activeDocumentWindow();
    }

    QStringList folderNames() const { return QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(LoadTest, escapeOrClosingTheWindowCancelsTheLoadWithoutABox)
{
    const QString kept = writeFile("kept.kvd", kvdFile());
    m_form->OpenDataFile(kept);
    const QString path = writeFile("big.kvd", kvdFile("[Image]\r\n", 20000));
    const QStringList before = folderNames();
    const struct {
        const char* how;
        std::function<void(TMainForm&)> cancel;
    } ways[] = {
        {"Escape",
         [](TMainForm&) {
             QWidget* focus = QApplication::focusWidget();
             QTest::keyClick(focus, Qt::Key_Escape);
         }},
        {"closing the window", [](TMainForm& form) { form.activeDocumentWindow()->close(); }},
    };
    for (const auto& way : ways) {
        TMainForm& form = *m_form;
        whileLoading([&] { way.cancel(form); });
        EXPECT_THROW(m_form->OpenDataFile(path), LoadCancelled) << way.how;
        idle();
        ASSERT_EQ(m_form->documentWindows().size(), 1) << way.how;
        EXPECT_EQ(m_form->activeDocumentWindow()->windowTitle(), "kept.kvd") << way.how;
        EXPECT_FALSE(m_form->ToolButton2->isEnabled()) << way.how;
        EXPECT_FALSE(m_form->statusBar()->findChild<QProgressBar*>()->isVisible()) << way.how;
    }
    EXPECT_TRUE(m_boxes->messages.isEmpty());
    EXPECT_TRUE(m_boxes->errors.isEmpty());
    EXPECT_EQ(folderNames(), before);
}

TEST_F(LoadTest, aCancelledFileEndsTheRunOfNamesWithoutABox)
{
    const QString first = writeFile("first.kvd", kvdFile());
    const QString second = writeFile("second.kvd", kvdFile());
    m_boxes->openNames = {first, second};
    whileLoading([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
    m_form->FileOpen1Execute();
    idle();
    EXPECT_TRUE(m_form->documentWindows().isEmpty());
    EXPECT_TRUE(m_boxes->errors.isEmpty());
}

TEST_F(LoadTest, otherInputIsDroppedWhileTheWindowsRepaint)
{
    TMDIChild* first = openFile("first.kvd");
    first->RichEdit1->setFocus();
    const QString header = first->RichEdit1->toPlainText();
    bool ran = false;
    whileLoading([&] {
        ran = true;
        QTest::keyClick(first->RichEdit1, Qt::Key_X);
        QTest::keyClick(first->RichEdit1, Qt::Key_O, Qt::ControlModifier); // the open dialog's key
        QTest::mouseClick(m_form->ToolButton1, Qt::LeftButton);
    });
    m_boxes->openNames = {path("never.kvd")};
    m_form->OpenDataFile(writeFile("second.kvd", twoWarnings()));
    idle();
    EXPECT_TRUE(ran); // the load handled events
    EXPECT_EQ(first->RichEdit1->toPlainText(), header);
    EXPECT_EQ(m_form->documentWindows().size(), 2); // no open dialog ran
    EXPECT_EQ(m_boxes->messages.size(), 2);
}

TEST_F(LoadTest, theStatusBarShowsTheLoadAgainOnceAWarningBoxHasClosed)
{
    QStringList statusDuringBoxes;
    QStringList statusAfterBoxes;
    m_boxes->whileMessageShown = [&] {
        statusDuringBoxes.append(m_form->statusBar()->currentMessage());
        QTimer::singleShot(0, [&] { statusAfterBoxes.append(m_form->statusBar()->currentMessage()); });
    };
    m_form->OpenDataFile(writeFile("warnings.kvd", twoWarnings()));
    idle();
    ASSERT_EQ(m_boxes->messages.size(), 2);
    EXPECT_EQ(statusDuringBoxes, (QStringList{"", ""}));
    ASSERT_GE(statusAfterBoxes.size(), 1);
    EXPECT_EQ(statusAfterBoxes.front(), "Reading warnings.kvd");
    EXPECT_EQ(m_form->statusBar()->currentMessage(), ""); // and not after the load
}

// Cancelled during its last warning box, a load still ends there.
TEST_F(LoadTest, closingTheMainWindowDuringTheLastBoxEndsTheLoad)
{
    m_boxes->whileMessageShown = [&] { m_form->close(); };
    const QString path = writeFile("one.kvd", "KVD\r\n[Data]\r\nObject;Source;Area\r\n1;s;1\r\n2;s;big\r\n");
    EXPECT_THROW(m_form->OpenDataFile(path), LoadCancelled);
    EXPECT_EQ(m_boxes->messages.size(), 1);
}

TEST_F(LoadTest, closingTheMainWindowDuringABoxOfTheLoadEndsTheLoadAndThenCloses)
{
    m_boxes->whileMessageShown = [&] { m_form->close(); };
    EXPECT_THROW(m_form->OpenDataFile(writeFile("warnings.kvd", twoWarnings())), LoadCancelled);
    EXPECT_TRUE(m_form->isVisible()); // not under the loader
    idle();
    EXPECT_EQ(m_boxes->messages.size(), 1); // the second warning is not shown
    EXPECT_FALSE(m_form->isVisible());
}
