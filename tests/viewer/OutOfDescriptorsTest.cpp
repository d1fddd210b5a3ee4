#include "FewFreeDescriptors.h"
#include "ViewerFixture.h"

#include "common/Errors.h"
#include "viewer/Dialogs.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

using kvd::test::FewFreeDescriptors;

// The toolkit ends the process when a new thread finds no descriptor for its event
// loop, and the open dialog lists folders on one: without descriptors to spare, the
// dialog is refused with the system's message instead.
TEST(OutOfDescriptors, theOpenDialogIsRefusedWithAMessage)
{
    kvd::Dialogs dialogs;
    // Should the dialog open all the same, it is closed again rather than waiting.
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    for (const int free : {0, 3, 8}) {
        const FewFreeDescriptors few(free);
        try {
            dialogs.openFileNames(nullptr);
            ADD_FAILURE() << "opened with " << free << " free descriptors";
        } catch (const kvd::IoError& error) {
            EXPECT_EQ(error.errorCode(), EMFILE);
            EXPECT_STREQ(error.what(), "Trop de fichiers ouverts");
        }
    }
}

using OutOfDescriptorsWindow = ViewerFixture;

// Files dropped, opened or loaded while descriptors run short open or are reported,
// and the viewer goes on: once descriptors are free again, the same drop opens.
TEST_F(OutOfDescriptorsWindow, dropsAndLoadsOpenOrAreReported)
{
    if (kvd::test::SanitizersNeedDescriptors)
        GTEST_SKIP() << "uses up every descriptor, which the sanitizers need for their own checks";
    const QString file = writeFile(QStringLiteral("dropped.kvd"), kvdFile());
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(file)});
    const auto drop = [&] {
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(m_form.get())->event(&event); // drops come only during a real drag
        idle();
    };
    for (const int free : {0, 1, 2, 4}) {
        const qsizetype windows = m_form->documentWindows().size();
        const qsizetype errors = m_boxes->errors.size();
        {
            const FewFreeDescriptors few(free);
            drop();
            m_boxes->openNames = {file};
            m_form->FileOpen1->trigger();
            idle();
        }
        EXPECT_EQ(m_form->documentWindows().size(), windows + 2) << free;
        for (qsizetype i = errors; i < m_boxes->errors.size(); ++i)
            EXPECT_TRUE(m_boxes->errors[i].startsWith(QLatin1String("Trop de fichiers ouverts"))) << m_boxes->errors[i].toStdString();
    }
    const qsizetype errors = m_boxes->errors.size();
    drop();
    ASSERT_FALSE(m_form->documentWindows().isEmpty());
    EXPECT_GT(m_form->documentWindows().back()->StringGrid1->model()->rowCount(), 1);
    EXPECT_EQ(m_boxes->errors.size(), errors);
}

} // namespace
