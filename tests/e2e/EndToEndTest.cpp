#include "EndToEndTest.h"

#include "ChildProcess.h"

#include <QTest>

void EndToEndTest::initTestCase()
{
    const QString missing = VirtualDesktop::missingTools(VirtualDesktop::Tray::Present);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QString error;
    QVERIFY2(m_desktop.start(VirtualDesktop::Tray::Present, &error), qPrintable(error));
}

void EndToEndTest::init()
{
    m_copy = std::make_unique<ProgramCopy>();
    QString error;
    QVERIFY2(m_copy->install(&error), qPrintable(error));
}

void EndToEndTest::cleanup()
{
    endProcess(m_program);
    m_copy.reset();
}

void EndToEndTest::cleanupTestCase()
{
    m_desktop.stop();
}

void EndToEndTest::startProgram()
{
    m_copy->start(m_program, m_desktop.environment());
    QVERIFY2(m_program.waitForStarted(kWaitMs), qPrintable(m_program.errorString()));
}
