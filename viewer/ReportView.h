#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QString>
#include <QTextLayout>

#include <compare>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace kvd {

// A read-only view of many lines of text that draws only the lines in sight, each
// wrapped at the view's width, from a source that makes them on demand: a million
// lines cost nothing here but what is on screen. It scrolls by whole lines. Text is
// selected with the mouse (Shift extends the selection, Ctrl+A takes everything) and
// copied with Ctrl+C or the context menu.
class ReportView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Makes line `index` (< the count given with it), without line end.
    using LineSource = std::function<QString(std::size_t index)>;
    // The formats of the stretches of line `index`, over the text its LineSource makes.
    using FormatSource = std::function<QList<QTextLayout::FormatRange>(std::size_t index)>;

    explicit ReportView(QWidget* parent = nullptr);
    ~ReportView() override;

    // Shows `count` lines made by `source` from the top, nothing selected. The source
    // is called only for lines that are drawn, measured or copied; `formats`, when
    // given, only for lines that are drawn or measured. Without formats every line is
    // drawn in the view's font and text colour.
    void setLines(std::size_t count, LineSource source, FormatSource formats = {});
    std::size_t lineCount() const noexcept { return m_count; }
    // The index of the line at the top of the view.
    std::size_t firstVisibleLine() const;
    // The index of the line drawn at `point` of the viewport; -1 where none is.
    long long lineAt(const QPoint& point) const;
    // Where line `index` is drawn in the viewport; empty when it is out of sight.
    QRect lineRect(std::size_t index) const;

    // Every line, joined by "\n".
    QString toPlainText() const;
    // The selected text, lines joined by "\n"; empty when nothing is selected.
    QString selectedText() const;

public slots:
    void selectAll();
    // Puts the selected text on the clipboard, when there is any.
    void copy() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A place between two characters: before character `column` of line `line`.
    struct Position {
        std::size_t line = 0;
        int column = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    // A line laid out where the last paint put it.
    struct ShownLine {
        std::size_t index = 0;
        int top = 0;
        std::shared_ptr<QTextLayout> layout;
    };

    std::shared_ptr<QTextLayout> layoutLine(std::size_t index) const;
    int textWidth() const;
    void layOutShownLines();
    void updateScrollRange();
    Position positionAt(const QPoint& point) const;
    Position selectionStart() const { return std::min(m_anchor, m_cursor); }
    Position selectionEnd() const { return std::max(m_anchor, m_cursor); }
    bool hasSelection() const { return m_anchor != m_cursor; }
    QString text(Position from, Position to) const;

    std::size_t m_count = 0;
    LineSource m_source;
    FormatSource m_formats;
    std::vector<ShownLine> m_shown;
    Position m_anchor;
    Position m_cursor;
};

} // namespace kvd
