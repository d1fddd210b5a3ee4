#include "viewer/TMDIChild.h"

#include "common/Errors.h"
#include "viewer/BevelledSplitter.h"
#include "viewer/DataTableModel.h"
#include "viewer/ValueStatisticsPanel.h"
#include "viewer/DocumentExplorer.h"
#include "viewer/HeaderEditorText.h"
#include "viewer/PageControl.h"
#include "viewer/ReportView.h"
#include "viewer/StatisticsTableModel.h"
#include "viewer/TextGrid.h"
#include "summary/ReportLines.h"

#include <QTextDocument>
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace kvd;

namespace {

constexpr int MemoHeight = 105;
constexpr int SplitterMinimum = 60;
constexpr int SplitterHandleHeight = 8;
constexpr int Panel2Height = 16;

// A read-only editor shows the button face behind its text, as read-only fields of
// the platform do; an editable one the window colour.
void showReadOnlyLook(QTextEdit& editor, bool readOnly)
{
    QPalette palette = editor.palette();
    const QPalette standard = QApplication::palette(&editor);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setBrush(group, QPalette::Base,
                         standard.brush(group, readOnly ? QPalette::Window : QPalette::Base));
    editor.setPalette(palette);
}

QWidget* pageWithFullChild(QWidget* child)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(child);
    return page;
}

} // namespace

TMDIChild::TMDIChild(QAbstractButton* saveButton, const DocumentFonts& fonts, QWidget* parent)
    : QMdiSubWindow(parent), m_saveButton(saveButton)
{
    setAttribute(Qt::WA_DeleteOnClose);
    PageControl1 = new PageControl;
    buildHeaderPage(fonts);
    buildDataPage(fonts);
    buildSummaryPage(fonts);
    setWidget(PageControl1);
    PageControl1->setCurrentIndex(0);
    m_explorer = new DocumentExplorer(*this);
    watchMousePresses(this);
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::buildHeaderPage(const DocumentFonts& fonts)
{
    RichEdit1 = new QTextEdit;
    RichEdit1->setFont(fonts.header);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A header line holds no TAB of its own making: Tab moves the focus on.
    RichEdit1->setTabChangesFocus(true);
    connect(RichEdit1, &QTextEdit::textChanged, this, &TMDIChild::RichEdit1Change);
    // The editor's own flag clears again when the user undoes back to the loaded text;
    // the header's flag stays set until the loader clears it.
    connect(RichEdit1->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified)
            m_headerModified = true;
    });

    HeaderNote = new QLabel;
    HeaderNote->setWordWrap(true);
    HeaderNote->setMargin(4);
    HeaderNote->hide();
    HeaderView = new ReportView;
    HeaderView->setFont(fonts.header);
    HeaderView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    HeaderView->hide();

    TabSheet1 = pageWithFullChild(RichEdit1);
    TabSheet1->layout()->addWidget(HeaderNote);
    TabSheet1->layout()->addWidget(HeaderView);
    PageControl1->addTab(TabSheet1, QStringLiteral("Header"));
}

void TMDIChild::buildDataPage(const DocumentFonts& fonts)
{
    StringGrid1 = new TextGrid;
    StringGrid1->setFont(fonts.grid);
    m_dataModel = new DataTableModel(m_document.table, m_document.encoding, this);
    StringGrid1->setModel(m_dataModel);
    StringGrid1->setFixedRowVisible(false);
    TabSheet2 = pageWithFullChild(StringGrid1);
    PageControl1->addTab(TabSheet2, QStringLiteral("Data"));
}

void TMDIChild::buildSummaryPage(const DocumentFonts& fonts)
{
    Memo1 = new ReportView;
    Memo1->setFont(fonts.text);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setMinimumHeight(SplitterMinimum);

    Panel1 = new QFrame;
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFont(fonts.text);
    Panel1->setMinimumHeight(SplitterMinimum);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    panelLayout->setSpacing(0);

    Panel2 = new QLabel(QStringLiteral("Measurements Statistics :"));
    Panel2->setFont(fonts.text);
    Panel2->setFixedHeight(Panel2Height);
    Panel2->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    panelLayout->addWidget(Panel2);

    StringGrid2 = new TextGrid;
    StringGrid2->setFont(fonts.grid);
    m_statisticsModel = new StatisticsTableModel(m_document.summary.statistics, m_document.encoding, this);
    StringGrid2->setModel(m_statisticsModel);
    panelLayout->addWidget(StringGrid2, 1);
    ValueStatistics = new ValueStatisticsPanel(m_document);
    panelLayout->addWidget(ValueStatistics, 1);

    Splitter1 = new BevelledSplitter(Qt::Vertical);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setHandleWidth(SplitterHandleHeight);
    Splitter1->addWidget(Memo1);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->installEventFilter(this);

    TabSheet3 = pageWithFullChild(Splitter1);
    PageControl1->addTab(TabSheet3, QStringLiteral("Summary"));
}

void TMDIChild::watchMousePresses(QObject* object)
{
    if (object != this)
        object->installEventFilter(this);
    for (QObject* child : object->children()) {
        if (child->isWidgetType())
            watchMousePresses(child);
    }
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        noteMousePress(*static_cast<QMouseEvent*>(event));
        break; // the press goes on to its receiver
    case QEvent::ChildAdded: {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watchMousePresses(child);
        break;
    }
    case QEvent::KeyPress:
        if (watched == RichEdit1 || watched == RichEdit1->viewport()) {
            // Shift+Return would put a line separator inside a line; the header is
            // written back line by line, so it starts a new line like Return does.
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && key->modifiers() == Qt::ShiftModifier && !RichEdit1->isReadOnly()) {
                RichEdit1->textCursor().insertBlock();
                return true;
            }
        }
        break;
    case QEvent::Resize:
        if (watched == Splitter1 && !m_splitterPlaced && Splitter1->height() > 0) {
            m_splitterPlaced = true;
            Splitter1->setSizes({MemoHeight, std::max(SplitterMinimum, Splitter1->height() - MemoHeight)});
        }
        break;
    default:
        break;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

bool TMDIChild::event(QEvent* event)
{
    // Presses on the window's own frame and title bar; those over its controls
    // reach eventFilter first.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        noteMousePress(*static_cast<QMouseEvent*>(event));
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watchMousePresses(child);
    }
    return QMdiSubWindow::event(event);
}

void TMDIChild::noteMousePress(const QMouseEvent& mouse)
{
    // A press that a control leaves to its parents reaches the window again.
    const Press press{mouse.timestamp(), mouse.globalPosition(), int(mouse.button())};
    if (press == m_lastPress)
        return;
    m_lastPress = press;
    FormMouseActivate();
}

void TMDIChild::closeEvent(QCloseEvent* event)
{
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        FormClose();
}

void TMDIChild::RichEdit1Change()
{
    setSaveButtonFromModifiedFlag();
}

void TMDIChild::FormMouseActivate()
{
    setSaveButtonFromModifiedFlag();
}

void TMDIChild::FormClose()
{
    if (m_saveButton)
        m_saveButton->setEnabled(false);
}

void TMDIChild::setSaveButtonFromModifiedFlag()
{
    if (m_saveButton)
        m_saveButton->setEnabled(headerModified());
}

bool TMDIChild::headerModified() const
{
    return m_headerModified || RichEdit1->document()->isModified();
}

void TMDIChild::setHeaderModified(bool modified)
{
    m_headerModified = modified;
    RichEdit1->document()->setModified(modified);
}

void TMDIChild::showHeader()
{
    const HeaderText& header = m_document.header;
    m_headerIndex = HeaderLineIndex(header);
    m_headerTooLarge = m_headerIndex.count() > m_editableHeaderLines;
    {
        // Filling the editor is not a user edit: no change handler runs for it.
        const QSignalBlocker blocker(RichEdit1);
        fillHeaderEditor(*RichEdit1->document(), m_headerTooLarge ? HeaderText() : header, m_document.encoding);
        RichEdit1->moveCursor(QTextCursor::Start);
    }
    RichEdit1->setReadOnly(header.readOnly || m_headerTooLarge);
    showReadOnlyLook(*RichEdit1, RichEdit1->isReadOnly());
    const Qt::ScrollBarPolicy scrollBar = header.verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    RichEdit1->setVerticalScrollBarPolicy(scrollBar);
    HeaderView->setVerticalScrollBarPolicy(scrollBar);
    setHeaderModified(header.modified && !m_headerTooLarge);

    if (m_headerTooLarge) {
        QLocale grouped = QLocale::c();
        grouped.setNumberOptions({}); // 50,000,001
        HeaderNote->setText(QStringLiteral("This header has %1 lines, too many to edit here: it is shown read-only, "
                                           "and the file is unchanged.")
                                .arg(grouped.toString(static_cast<qulonglong>(m_headerIndex.count()))));
        const TextEncoding encoding = m_document.encoding;
        HeaderView->setLines(
            m_headerIndex.count(),
            [this, encoding](std::size_t index) { return headerLineText(m_headerIndex.line(index), encoding); },
            [this, encoding](std::size_t index) { return headerLineFormats(m_headerIndex.line(index), encoding); });
    } else {
        m_headerIndex = HeaderLineIndex();
        HeaderView->setLines(0, {});
    }
    RichEdit1->setVisible(!m_headerTooLarge);
    HeaderNote->setVisible(m_headerTooLarge);
    HeaderView->setVisible(m_headerTooLarge);
}

void TMDIChild::showHeaderAndTable()
{
    showHeader();

    const DataTable& table = m_document.table;
    m_dataModel->refresh();
    StringGrid1->setFixedRowVisible(table.fixedRowCount() > 0);
    StringGrid1->setFixedColumnCount(table.fixedColumnCount());
    for (int column = 0; column < table.columnCount(); ++column)
        StringGrid1->setColumnWidth(column, table.columnWidth(column));
}

void TMDIChild::showSummary()
{
    const Summary& summary = m_document.summary;
    m_reportLines = std::make_unique<ReportLines>(summary.report, m_document.table);
    Memo1->setLines(m_reportLines->count(), [this](std::size_t index) {
        return decodeText(m_reportLines->line(index), m_document.encoding);
    });
    Memo1->setVerticalScrollBarPolicy(summary.reportScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);

    m_statisticsModel->refresh();
    for (int column = 0; column < StatisticsTable::ColumnCount; ++column)
        StringGrid2->setColumnWidth(column, summary.statistics.columnWidth(column));
    ValueStatistics->documentLoaded();
}

void TMDIChild::showDocument()
{
    showHeaderAndTable();
    showSummary();
}

QWidget* TMDIChild::pageContent() const
{
    const QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet2)
        return StringGrid1;
    if (page == TabSheet3)
        return Memo1;
    return m_headerTooLarge ? static_cast<QWidget*>(HeaderView) : RichEdit1;
}

void TMDIChild::focusPageContent()
{
    const QWidget* focus = QApplication::focusWidget();
    const QWidget* page = PageControl1->currentWidget();
    if (focus && page && page->isAncestorOf(focus))
        return;
    pageContent()->setFocus(Qt::OtherFocusReason);
}

QStringList TMDIChild::headerLines() const
{
    return headerEditorLines(*RichEdit1->document());
}

std::vector<std::string> TMDIChild::headerLineBytes() const
{
    // The editor is empty then: saving it would drop the file's whole header.
    if (m_headerTooLarge)
        throw Error("This header is too large to edit here; the file is unchanged.");
    std::vector<std::string> lines;
    for (const QString& line : headerLines()) {
        bool lossless = true;
        lines.push_back(encodeText(line, m_document.encoding, &lossless));
        if (!lossless)
            throw Error("The header holds characters that this file's encoding (Windows-1252) cannot hold: "
                        + line.toStdString());
    }
    return lines;
}
