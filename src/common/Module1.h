#pragma once

#include "SystemTime.h"

#include <QString>
#include <array>

// The program's shared state: one instance per running program, owned by the application object.
struct Module1
{
    // Clock fields handed to the receive routine, in record order.
    qint16 gpsYear = 0;
    qint16 gpsMonth = 0;
    qint16 gpsDayOfWeek = 0;
    qint16 gpsDay = 0;
    qint16 gpsHour = 0;
    qint16 gpsMinute = 0;
    qint16 gpsSecond = 0;
    qint16 gpsMilliseconds = 0;
    SYSTEMTIME systemTime;

    // Port numbers: 0 = not selected, 1 to 8 = COM port; other values are kept as read.
    qint16 receivePort = 0;
    qint16 transmitPort = 0;
    // Wait until the receiver is locked before setting the clock: 0 no, 1 yes (as designed),
    // 2 greyed. Start-up sets it from the settings file, then only the setup dialog's check box.
    qint16 waitForLock = 1;

    // Receive state.
    bool gpsLocked = false;
    bool receiveBusy = false;
    qint16 receiveCountdown = 0;
    QString timeText;
    QString dateText;

    // Schedule state.
    QString lastClockText;
    QString countdownLastTime;
    QString lastDisplayTime;

    bool shuttingDown = false;
    std::array<quint8, 3> settingsBytes {0, 0, 0};

    // Setup dialog hand-over.
    bool setupForTransmit = false;
    bool setupStopped = false;
    bool skipSetupActivate = false;

    qint16 messageBoxResult = 0;
};

inline bool isSelectablePort(int port)
{
    return port >= 1 && port <= 8;
}
