#pragma once

#include <QSplitter>

namespace kvd {

// A splitter whose handle is a raised, bevelled bar across the splitter's full width
// (or height), showing the resize pointer of its direction: up-down for a splitter
// of widgets one above the other.
class BevelledSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit BevelledSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;
};

} // namespace kvd
