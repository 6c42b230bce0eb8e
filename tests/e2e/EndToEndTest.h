#pragma once

#include "ProgramCopy.h"
#include "VirtualDesktop.h"

#include <QObject>
#include <QProcess>
#include <memory>

// The frame of an end-to-end test program: one desktop with a tray for all its tests and, for
// each test, a fresh copy of the program in a folder of its own, ended after the test.
class EndToEndTest : public QObject
{
    Q_OBJECT
protected:
    static constexpr int kWaitMs = 10000;

    // Starts the copy on the desktop; checks fail the test.
    void startProgram();

    VirtualDesktop m_desktop;
    std::unique_ptr<ProgramCopy> m_copy;
    QProcess m_program;

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
};

// Runs a helper made of checks and leaves the test when one of them failed.
#define STEP(call)                                                                                 \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)
