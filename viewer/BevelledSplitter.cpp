#include "viewer/BevelledSplitter.h"

#include <QPainter>
#include <QSplitterHandle>
#include <qdrawutil.h>

namespace kvd {

namespace {

class BevelledHandle : public QSplitterHandle {
public:
    BevelledHandle(Qt::Orientation orientation, QSplitter* parent)
        : QSplitterHandle(orientation, parent)
    {
        setCursor(orientation == Qt::Vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        qDrawWinPanel(&painter, rect(), palette(), false, &palette().brush(QPalette::Button));
    }
};

} // namespace

BevelledSplitter::BevelledSplitter(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
}

QSplitterHandle* BevelledSplitter::createHandle()
{
    return new BevelledHandle(orientation(), this);
}

} // namespace kvd
