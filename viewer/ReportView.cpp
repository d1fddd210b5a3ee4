#include "viewer/ReportView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace kvd {

namespace {

// Pixels between the view's edge and the text, as a plain text editor leaves them.
constexpr int Margin = 4;

} // namespace

ReportView::ReportView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    updateScrollRange();
}

ReportView::~ReportView() = default;

void ReportView::setLines(std::size_t count, LineSource source, FormatSource formats)
{
    m_count = count;
    m_source = std::move(source);
    m_formats = std::move(formats);
    m_anchor = m_cursor = {};
    m_shown.clear();
    verticalScrollBar()->setValue(0);
    updateScrollRange();
    viewport()->update();
}

std::size_t ReportView::firstVisibleLine() const
{
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

long long ReportView::lineAt(const QPoint& point) const
{
    int top = Margin;
    for (std::size_t index = firstVisibleLine(); index < m_count && top < viewport()->height(); ++index) {
        const int bottom = top + static_cast<int>(std::ceil(layoutLine(index)->boundingRect().height()));
        if (point.y() >= top && point.y() < bottom)
            return static_cast<long long>(index);
        top = bottom;
    }
    return -1;
}

QRect ReportView::lineRect(std::size_t index) const
{
    int top = Margin;
    for (std::size_t shown = firstVisibleLine(); shown < m_count && top < viewport()->height(); ++shown) {
        const int height = static_cast<int>(std::ceil(layoutLine(shown)->boundingRect().height()));
        if (shown == index)
            return QRect(Margin, top, textWidth(), height);
        top += height;
    }
    return {};
}

QString ReportView::toPlainText() const
{
    if (m_count == 0)
        return {};
    return text({0, 0}, {m_count - 1, static_cast<int>(m_source(m_count - 1).size())});
}

QString ReportView::selectedText() const
{
    return hasSelection() ? text(selectionStart(), selectionEnd()) : QString();
}

QString ReportView::text(Position from, Position to) const
{
    QString joined;
    for (std::size_t index = from.line; index <= to.line && index < m_count; ++index) {
        const QString line = m_source(index);
        const int first = index == from.line ? std::min(from.column, static_cast<int>(line.size())) : 0;
        const int last = index == to.line ? std::min(to.column, static_cast<int>(line.size())) : static_cast<int>(line.size());
        if (index != from.line)
            joined += QLatin1Char('\n');
        joined += line.mid(first, std::max(0, last - first));
    }
    return joined;
}

void ReportView::selectAll()
{
    if (m_count == 0)
        return;
    m_anchor = {0, 0};
    m_cursor = {m_count - 1, static_cast<int>(m_source(m_count - 1).size())};
    viewport()->update();
}

void ReportView::copy() const
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

int ReportView::textWidth() const
{
    return std::max(1, viewport()->width() - 2 * Margin);
}

std::shared_ptr<QTextLayout> ReportView::layoutLine(std::size_t index) const
{
    auto layout = std::make_shared<QTextLayout>(m_source(index), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    if (m_formats)
        layout->setFormats(m_formats(index));
    layout->beginLayout();
    qreal height = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(textWidth());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout->endLayout();
    return layout;
}

void ReportView::layOutShownLines()
{
    m_shown.clear();
    int top = Margin;
    for (std::size_t index = firstVisibleLine(); index < m_count && top < viewport()->height(); ++index) {
        auto layout = layoutLine(index);
        const int height = static_cast<int>(std::ceil(layout->boundingRect().height()));
        m_shown.push_back({index, top, std::move(layout)});
        top += height;
    }
}

// The last lines that fill the view decide how far it scrolls: the bottom line is
// then shown whole.
void ReportView::updateScrollRange()
{
    int fitting = 0;
    int height = Margin;
    for (std::size_t index = m_count; index > 0 && fitting < 10000; --index) {
        height += static_cast<int>(std::ceil(layoutLine(index - 1)->boundingRect().height()));
        if (height > viewport()->height() && fitting > 0)
            break;
        ++fitting;
    }
    const auto maximum = static_cast<long long>(m_count) - std::max(fitting, 1);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(std::clamp<long long>(maximum, 0, INT_MAX)));
    bar->setPageStep(std::max(1, fitting - 1));
}

void ReportView::paintEvent(QPaintEvent*)
{
    layOutShownLines();
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const Position start = selectionStart();
    const Position end = selectionEnd();
    for (const ShownLine& shown : m_shown) {
        QList<QTextLayout::FormatRange> selections;
        if (hasSelection() && start.line <= shown.index && shown.index <= end.line) {
            const int length = static_cast<int>(shown.layout->text().size());
            const int first = shown.index == start.line ? start.column : 0;
            const int last = shown.index == end.line ? end.column : length;
            QTextLayout::FormatRange range;
            range.start = first;
            range.length = std::max(0, last - first);
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            selections.append(range);
        }
        shown.layout->draw(&painter, QPointF(Margin, shown.top), selections);
    }
}

void ReportView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void ReportView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ReportView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateScrollRange();
        viewport()->update();
    }
}

ReportView::Position ReportView::positionAt(const QPoint& point) const
{
    if (m_shown.empty())
        return m_count == 0 ? Position{} : Position{firstVisibleLine(), 0};
    if (point.y() < m_shown.front().top)
        return {m_shown.front().index, 0};
    for (const ShownLine& shown : m_shown) {
        const QTextLayout& layout = *shown.layout;
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (point.y() < shown.top + static_cast<int>(line.y() + line.height()))
                return {shown.index, line.xToCursor(point.x() - Margin)};
        }
    }
    const ShownLine& last = m_shown.back();
    return {last.index, static_cast<int>(last.layout->text().size())};
}

void ReportView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (m_shown.empty())
        layOutShownLines(); // not drawn yet
    m_cursor = positionAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier))
        m_anchor = m_cursor;
    viewport()->update();
}

void ReportView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    m_cursor = positionAt(event->position().toPoint());
    viewport()->update();
}

void ReportView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down || event->key() == Qt::Key_PageUp ||
               event->key() == Qt::Key_PageDown) {
        QAbstractScrollArea::keyPressEvent(event); // the scroll bar's steps
    } else {
        event->ignore();
    }
}

void ReportView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), QKeySequence::Copy, this, &ReportView::copy);
    copyAction->setEnabled(hasSelection());
    menu.addAction(tr("Select All"), QKeySequence::SelectAll, this, &ReportView::selectAll);
    menu.exec(event->globalPos());
}

} // namespace kvd
