#pragma once

#include <QApplication>

#include <functional>

namespace kvd {

// The application object. An exception that leaves an event handler without being
// handled there goes to the error handler instead of ending the program; the
// program then goes on with the next event.
class TApplication : public QApplication {
    Q_OBJECT
public:
    using ErrorHandler = std::function<void(const QString& text)>;

    TApplication(int& argc, char** argv);

    // Receives the error's text (UTF-8 decoded, as it stands).
    void setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorHandler m_errorHandler;
};

} // namespace kvd
