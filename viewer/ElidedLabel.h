#pragma once

#include <QLabel>

namespace kvd {

// A one-line label whose text, when wider than the label, is shown shortened with an
// ellipsis at its end; its tooltip then gives the whole text. text() is always the
// whole text. It asks for little room, so that a long text never widens its window.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The text as it is drawn at the label's present width.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kvd
