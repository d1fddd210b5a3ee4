#include "ViewerFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

void ViewerFixture::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    m_form = std::make_unique<TMainForm>(nullptr, TMainForm::Guard::None);
    m_form->setDialogs(std::make_unique<RecordingDialogs>(m_boxes));
    m_form->show();
    idle();
}

void ViewerFixture::TearDown()
{
    m_form.reset();
    idle();
}

QString ViewerFixture::path(const QString& name) const
{
    return QDir(m_folder.path()).filePath(name);
}

QString ViewerFixture::writeFile(const QString& name, const std::string& bytes) const
{
    const QString filePath = path(name);
    QFile file(filePath);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return filePath;
}

QString ViewerFixture::readFile(const QString& filePath) const
{
    QFile file(filePath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

void ViewerFixture::idle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

std::string ViewerFixture::kvdFile(const std::string& headerLines, int rows)
{
    std::string text = "KVD 2.1\r\n" + headerLines + "[Data]\r\nObject;Source;Area;Length\r\n";
    for (int row = 1; row <= rows; ++row)
        text += std::to_string(row) + ";img" + std::to_string(row % 2) + ";" + std::to_string(row) + ".5;"
                + std::to_string(row * 2) + "\r\n";
    return text;
}
