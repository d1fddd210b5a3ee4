#pragma once

#include "datafile/HeaderLineIndex.h"
#include "document/Document.h"
#include "viewer/DocumentFonts.h"

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
class ValueStatisticsPanel;
} // namespace kvd

// A document window: one opened data file on the pages "Header", "Data" and
// "Summary". The window owns its document (kvd::Document) and displays it; once
// shown, the header editor holds the header as the user edits it.
//
// A header of more lines than the editor can hold in reasonable memory and time is
// shown read-only instead, in a line view over the file's bytes, under a note that
// says so; such a header is never modified, so it is never saved.
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
    // The most header lines the editor is given. The editor costs about 650 bytes and
    // 10 to 25 us a line, so 20,000 lines stay within 13 MB and half a second.
    static constexpr std::size_t EditableHeaderLines = 20000;

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
    // Throws kvd::Error when a line holds a character the file's encoding cannot hold,
    // and when the header is too large to edit (the editor does not hold it).
    std::vector<std::string> headerLineBytes() const;
    QStringList headerLines() const;
    bool headerModified() const;
    void setHeaderModified(bool modified);
    // Whether the shown header has more lines than the editor is given.
    bool headerTooLargeToEdit() const noexcept { return m_headerTooLarge; }
    // Replaces EditableHeaderLines for the headers shown from now on.
    void setEditableHeaderLines(std::size_t lines) noexcept { m_editableHeaderLines = lines; }

    // The widget that takes the keyboard focus on the page shown: the header editor (or
    // the line view of a header too large to edit), the data grid or the report.
    QWidget* pageContent() const;
    // Gives the page content the focus, unless the focus is already inside that page.
    void focusPageContent();

    // Find bar, jumps from the summary to the rows, histograms.
    kvd::DocumentExplorer* explorer() const noexcept { return m_explorer; }

    // Members, in the order the window is built.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QTextEdit* RichEdit1;
    QLabel* HeaderNote;           // shown above HeaderView only
    kvd::ReportView* HeaderView; // shown instead of RichEdit1 for a header too large to edit
    kvd::TextGrid* StringGrid1;
    QFrame* Panel1;
    kvd::ReportView* Memo1; // draws the report's lines as they are made, none held
    QSplitter* Splitter1;
    kvd::TextGrid* StringGrid2;
    QLabel* Panel2;
    kvd::ValueStatisticsPanel* ValueStatistics; // under StringGrid2: statistics by source, group, status
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
    void showHeader();

    kvd::Document m_document;
    kvd::HeaderLineIndex m_headerIndex; // of the header in HeaderView; empty when the editor shows it
    std::size_t m_editableHeaderLines = EditableHeaderLines;
    bool m_headerTooLarge = false;
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
