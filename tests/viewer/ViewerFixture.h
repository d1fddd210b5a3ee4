#pragma once

#include "viewer/Dialogs.h"
#include "viewer/TMainForm.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

// Readable failure messages for Qt texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (const QString& text : texts)
        *out << " \"" << text.toStdString() << '"';
    *out << " }";
}
QT_END_NAMESPACE

// Records what the main window would have shown in its modal boxes, and answers the
// open dialog with prepared names.
class RecordingDialogs : public kvd::Dialogs {
public:
    struct Record {
        QStringList messages;
        QStringList errors;
        QStringList openNames;
        std::function<void()> whileMessageShown; // runs as if during the modal box
    };
    explicit RecordingDialogs(std::shared_ptr<Record> record) : m_record(std::move(record)) {}

    void message(QWidget*, const QString& text) override
    {
        m_record->messages.append(text);
        if (m_record->whileMessageShown)
            m_record->whileMessageShown();
    }
    void error(QWidget*, const QString& text) override { m_record->errors.append(text); }
    QStringList openFileNames(QWidget*) override { return m_record->openNames; }

private:
    std::shared_ptr<Record> m_record;
};

// A main window whose boxes are recorded, and a temporary folder for data files.
class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file into the temporary folder and returns its path.
    QString writeFile(const QString& name, const std::string& bytes) const;
    QString path(const QString& name) const;
    QString readFile(const QString& path) const;

    // Lets posted events run, as the idle moment after an event does.
    static void idle();

    // A KVD file with `rows` objects and the given header lines (after the first line).
    static std::string kvdFile(const std::string& headerLines = "[Image]\r\nPixel=0.1\r\n", int rows = 3);

    QTemporaryDir m_folder;
    std::shared_ptr<RecordingDialogs::Record> m_boxes = std::make_shared<RecordingDialogs::Record>();
    std::unique_ptr<TMainForm> m_form;
};
