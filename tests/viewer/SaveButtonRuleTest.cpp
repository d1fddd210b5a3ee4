#include "ViewerFixture.h"

#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include "viewer/ReportView.h"
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <QToolButton>

namespace {

void pressIn(QWidget* widget)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(5, 5));
}

void typeInto(TMDIChild* window, const QString& text)
{
    QTest::keyClicks(window->RichEdit1, text);
}

} // namespace

class SaveButtonRuleTest : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        m_form->OpenDataFile(writeFile("a.kvd", kvdFile()));
        a = m_form->activeDocumentWindow();
        m_form->OpenDataFile(writeFile("b.kvd", kvdFile()));
        b = m_form->activeDocumentWindow();
        ASSERT_NE(a, b);
        m_form->mdiArea()->setActiveSubWindow(a);
        typeInto(a, "edit");
    }

    bool saveEnabled() const { return m_form->ToolButton2->isEnabled(); }

    TMDIChild* a = nullptr; // header edited
    TMDIChild* b = nullptr; // not edited
};

TEST_F(SaveButtonRuleTest, followsTheWindowLastPressedNotTheActiveOne)
{
    EXPECT_TRUE(saveEnabled());
    pressIn(b->RichEdit1->viewport());
    EXPECT_FALSE(saveEnabled());
    pressIn(a->RichEdit1->viewport());
    EXPECT_TRUE(saveEnabled());
    pressIn(b->RichEdit1->viewport());
    EXPECT_FALSE(saveEnabled());

    // Switching windows without the mouse leaves the button as it was.
    m_form->mdiArea()->setActiveSubWindow(a);
    m_form->mdiArea()->activateNextSubWindow();
    m_form->mdiArea()->setActiveSubWindow(a);
    EXPECT_EQ(m_form->activeDocumentWindow(), a);
    EXPECT_FALSE(saveEnabled());
    typeInto(a, "x");
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SaveButtonRuleTest, undoingEveryEditKeepsTheHeaderModified)
{
    while (a->RichEdit1->document()->isUndoAvailable())
        a->RichEdit1->undo();
    EXPECT_FALSE(a->RichEdit1->document()->isModified());
    EXPECT_TRUE(a->headerModified());
    EXPECT_TRUE(saveEnabled());
    pressIn(b->RichEdit1->viewport());
    pressIn(a->RichEdit1->viewport());
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SaveButtonRuleTest, everyControlOfTheWindowCountsAsAPressOverIt)
{
    const auto pages = [](TMDIChild* window) { return window->PageControl1; };
    for (int page = 0; page < 3; ++page) {
        a->PageControl1->setCurrentIndex(page);
        b->PageControl1->setCurrentIndex(page);
        QList<std::function<QWidget*(TMDIChild*)>> targets = {
            [](TMDIChild* w) { return static_cast<QWidget*>(w); },
        };
        if (page == 1) {
            targets.append([](TMDIChild* w) { return w->StringGrid1->viewport(); });
            targets.append([](TMDIChild* w) { return w->StringGrid1->fixedColumnView()->viewport(); });
            targets.append([](TMDIChild* w) { return static_cast<QWidget*>(w->StringGrid1->horizontalHeader()); });
        }
        if (page == 2) {
            targets.append([](TMDIChild* w) { return w->Memo1->viewport(); });
            targets.append([](TMDIChild* w) { return static_cast<QWidget*>(w->Panel2); });
            targets.append([](TMDIChild* w) { return static_cast<QWidget*>(w->Splitter1->handle(1)); });
            targets.append([](TMDIChild* w) { return w->StringGrid2->viewport(); });
        }
        // Last: a press on the tabs may change the page.
        targets.append([&](TMDIChild* w) { return static_cast<QWidget*>(pages(w)->tabBar()); });
        for (qsizetype i = 0; i < targets.size(); ++i) {
            pressIn(targets[i](b));
            EXPECT_FALSE(saveEnabled()) << "page " << page << " target " << i;
            pressIn(targets[i](a));
            EXPECT_TRUE(saveEnabled()) << "page " << page << " target " << i;
        }
    }
}

TEST_F(SaveButtonRuleTest, closingAWindowDisablesItUntilTheEditedOneIsUsedAgain)
{
    b->close();
    idle();
    EXPECT_FALSE(saveEnabled());
    m_form->mdiArea()->setActiveSubWindow(a);
    EXPECT_FALSE(saveEnabled());
    pressIn(a->RichEdit1->viewport());
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SaveButtonRuleTest, openingAnotherFileDisablesIt)
{
    m_form->OpenDataFile(writeFile("c.kvd", kvdFile()));
    EXPECT_FALSE(saveEnabled());
    m_form->OpenDataFile(path("no such file.kvd"));
    EXPECT_FALSE(saveEnabled());
    typeInto(m_form->activeDocumentWindow(), "typed into an empty window");
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SaveButtonRuleTest, readOnlyLearningHeaderNeverEnablesIt)
{
    m_form->OpenDataFile(writeFile("learn.kvd", "LEARNING\nObject;Source;Area;Group;Status\n1;s;1;g;Test\n"));
    TMDIChild* learning = m_form->activeDocumentWindow();
    pressIn(learning->RichEdit1->viewport());
    typeInto(learning, "no");
    QTest::keyClick(learning->RichEdit1, Qt::Key_Delete);
    EXPECT_FALSE(saveEnabled());
    EXPECT_FALSE(learning->headerModified());
    EXPECT_EQ(learning->headerLines(), (QStringList{"LEARNING", "(No Header)"}));
}

TEST_F(SaveButtonRuleTest, afterASaveAPressInTheSavedWindowEnablesItAgain)
{
    m_form->mdiArea()->setActiveSubWindow(a);
    m_form->ToolButton2->click();
    EXPECT_FALSE(saveEnabled());
    EXPECT_EQ(m_boxes->messages.size(), 1);
    pressIn(b->RichEdit1->viewport());
    EXPECT_FALSE(saveEnabled());
    pressIn(a->RichEdit1->viewport());
    EXPECT_TRUE(saveEnabled());
}

TEST_F(SaveButtonRuleTest, saveActsOnTheActiveWindowEvenWhenAnotherEnabledTheButton)
{
    m_form->mdiArea()->setActiveSubWindow(b); // enabled by a, b is unedited
    ASSERT_TRUE(saveEnabled());
    m_form->ToolButton2->click();
    EXPECT_EQ(m_boxes->messages, QStringList{"New backup file created : " + path("b.kvd") + ".~1"});
    EXPECT_FALSE(QFile::exists(path("a.kvd") + ".~1"));
}
