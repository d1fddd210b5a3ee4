#include "ViewerFixture.h"

#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

// Closes every modal box as soon as it is up, while it lives.
class ModalCloser {
public:
    ModalCloser()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

} // namespace

class KeyboardTest : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        for (const char* name : {"a.kvd", "b.kvd", "c.kvd"}) {
            m_form->OpenDataFile(writeFile(name, kvdFile()));
            m_windows.append(m_form->activeDocumentWindow());
        }
        m_form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
        idle();
    }

    // Presses `key` where the keyboard focus is, as a user would.
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
        idle();
    }

    QString activeCaption() const
    {
        const TMDIChild* active = m_form->activeDocumentWindow();
        return active ? active->windowTitle() : QString();
    }

    QList<TMDIChild*> m_windows;
};

TEST_F(KeyboardTest, ctrlTabGoesRoundTheDocumentWindowsBothWays)
{
    EXPECT_EQ(activeCaption(), "c.kvd");
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(activeCaption(), "a.kvd");
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(activeCaption(), "b.kvd");
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(activeCaption(), "a.kvd");
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(activeCaption(), "c.kvd");
    EXPECT_TRUE(m_form->activeDocumentWindow()->isAncestorOf(QApplication::focusWidget()));
}

TEST_F(KeyboardTest, ctrlPageKeysTurnThePagesFromTheEditorAndTheGrids)
{
    TMDIChild* window = m_form->activeDocumentWindow();
    QTabWidget* pages = window->PageControl1;
    window->RichEdit1->setFocus();

    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), window->StringGrid1); // the focus follows the page
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 0); // round
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(window->RichEdit1->toPlainText(), window->headerLines().join('\n')); // nothing typed
}

TEST_F(KeyboardTest, ctrlF4ClosesTheActiveDocumentWindow)
{
    m_form->activeDocumentWindow()->StringGrid1->setFocus();
    press(Qt::Key_F4, Qt::ControlModifier);
    QStringList captions;
    for (const TMDIChild* window : m_form->documentWindows())
        captions.append(window->windowTitle());
    EXPECT_EQ(captions, (QStringList{"a.kvd", "b.kvd"}));
}

TEST_F(KeyboardTest, everyMenuCommandRunsFromItsAcceleratorLetters)
{
    const struct {
        Qt::Key menu, item;
        QAction* command;
    } accelerators[] = {
        {Qt::Key_F, Qt::Key_O, m_form->FileOpen1},
        {Qt::Key_W, Qt::Key_C, m_form->WindowCascade1},
        {Qt::Key_W, Qt::Key_H, m_form->WindowTileHorizontal1},
        {Qt::Key_W, Qt::Key_V, m_form->WindowTileVertical1},
        {Qt::Key_H, Qt::Key_A, m_form->HelpAbout1},
        {Qt::Key_F, Qt::Key_C, m_form->FileClose1},
        {Qt::Key_F, Qt::Key_Q, m_form->FileExit1},
    };
    const ModalCloser closer; // the about box
    for (const auto& accelerator : accelerators) {
        QSignalSpy triggered(accelerator.command, &QAction::triggered);
        m_windows.front()->RichEdit1->setFocus(); // also from the header editor
        press(accelerator.menu, Qt::AltModifier);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr) << accelerator.command->text().toStdString();
        QTest::keyClick(menu, accelerator.item);
        idle();
        EXPECT_EQ(triggered.count(), 1) << accelerator.command->text().toStdString();
        if (accelerator.command == m_form->HelpAbout1) { // the focus came back from the box
            EXPECT_EQ(QApplication::focusWidget(), m_windows.front()->RichEdit1);
        }
    }
}

TEST_F(KeyboardTest, windowsMenuNumbersActivateTheirWindows)
{
    press(Qt::Key_W, Qt::AltModifier);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    QTest::keyClick(menu, Qt::Key_2);
    idle();
    EXPECT_EQ(activeCaption(), "b.kvd");
}

TEST_F(KeyboardTest, ctrlOOpensTheOpenDialogFromTheEditor)
{
    m_windows.front()->RichEdit1->setFocus();
    QSignalSpy triggered(m_form->FileOpen1, &QAction::triggered);
    press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(triggered.count(), 1);
}
