#pragma once

#include "document/Document.h"
#include "document/DocumentFonts.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QFrame;
class QLabel;
class QMouseEvent;
class QSplitter;
class QTabWidget;
class QTextEdit;

namespace kvd {
class DataTableModel;
class DocumentExplorer;
class ReportLines;
class ReportView;
class StatisticsTableModel;
class TextGrid;
} // namespace kvd

// A document window: one opened data file on the pages "Header", "Data" and
// "Summary". The window owns its document (kvd::Document) and displays it; once
// shown, the header editor holds the header as the user edits it.
//
// It keeps the main window's save-header button in step with its header editor:
// a change of the header text, and any mouse press over the window or one of its
// controls, set the button from the editor's modified flag; closing the window
// disables it. The window is destroyed when it closes.
class TMDIChild : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 445;
    static constexpr int ClientHeight = 386;

    // saveButton: the main window's save-header button, whose enabled state the
    // window's handlers set. fonts: what the pages are drawn with.
    TMDIChild(QAbstractButton* saveButton, const kvd::DocumentFonts& fonts, QWidget* parent = nullptr);
    ~TMDIChild() override;

    kvd::Document& document() noexcept { return m_document; }
    const kvd::Document& document() const noexcept { return m_document; }

    // Puts what the document holds into the pages: header editor, data grid with its
    // fixed row and columns and column widths, report and statistics. The header
    // editor is left not modified.
    void showDocument();
    // Shows the header and data table only (the summary may still be incomplete).
    void showHeaderAndTable();

    // The header editor's lines as the file's bytes, ready to be written back.
    // Throws kvd::Error when a line holds a character the file's encoding cannot hold.
    std::vector<std::string> headerLineBytes() const;
    QStringList headerLines() const;
    bool headerModified() const;
    void setHeaderModified(bool modified);

    // Find bar, jumps from the summary to the rows, histograms.
    kvd::DocumentExplorer* explorer() const noexcept { return m_explorer; }

    // Members, in the order the window is built.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QTextEdit* RichEdit1;
    kvd::TextGrid* StringGrid1;
    QFrame* Panel1;
    kvd::ReportView* Memo1; // draws the report's lines as they are made, none held
    QSplitter* Splitter1;
    kvd::TextGrid* StringGrid2;
    QLabel* Panel2;
    // The path exactly as given to the loader; set once, before the file is read.
    QString FileName;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void RichEdit1Change();
    void FormMouseActivate();

private:
    void FormClose();
    void buildHeaderPage(const kvd::DocumentFonts& fonts);
    void buildDataPage(const kvd::DocumentFonts& fonts);
    void buildSummaryPage(const kvd::DocumentFonts& fonts);
    void watchMousePresses(QObject* object);
    void setSaveButtonFromModifiedFlag();
    void noteMousePress(const QMouseEvent& mouse);
    void showSummary();

    kvd::Document m_document;
    std::unique_ptr<kvd::ReportLines> m_reportLines; // of m_document, for Memo1
    kvd::DataTableModel* m_dataModel;
    kvd::StatisticsTableModel* m_statisticsModel;
    kvd::DocumentExplorer* m_explorer;
    QPointer<QAbstractButton> m_saveButton;
    bool m_splitterPlaced = false;
    bool m_headerModified = false; // set by any user edit, cleared only by the loader
    // The last mouse press seen, so that a press passed on from a control to its
    // parents counts once.
    struct Press {
        quint64 timestamp = 0;
        QPointF globalPosition;
        int button = 0;
        friend bool operator==(const Press&, const Press&) = default;
    } m_lastPress;
};
