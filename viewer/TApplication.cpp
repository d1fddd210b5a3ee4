#include "viewer/TApplication.h"

#include <exception>

namespace kvd {

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (m_errorHandler)
            m_errorHandler(QString::fromUtf8(error.what()));
    } catch (...) {
        if (m_errorHandler)
            m_errorHandler(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace kvd
