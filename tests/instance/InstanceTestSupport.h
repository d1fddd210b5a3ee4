#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <functional>

namespace kvd::test {

// The one application object of the test process (offscreen).
inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "instance_test";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

// Runs the event loop until done() holds or ten seconds have passed; returns done().
inline bool processEventsUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Points $XDG_RUNTIME_DIR at a folder of its own for the lifetime of the object, so
// that the blocks and sockets of the single-instance guard land there, apart from
// those of a viewer the user runs.
class PrivateRuntimeDir {
public:
    PrivateRuntimeDir()
        : m_hadPrevious(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")), m_previous(qgetenv("XDG_RUNTIME_DIR"))
    {
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
    }
    ~PrivateRuntimeDir()
    {
        if (m_hadPrevious)
            qputenv("XDG_RUNTIME_DIR", m_previous);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_hadPrevious;
    QByteArray m_previous;
};

// The whole test program meets other starts in a runtime folder of its own.
class PrivateRuntimeEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_dir.emplace(); }
    void TearDown() override { m_dir.reset(); }

private:
    std::optional<PrivateRuntimeDir> m_dir;
};

} // namespace kvd::test
