#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <optional>

class PseudoTerminal;
class QProcess;

// An installation of the built program in a folder of its own: the executable, its help file,
// its settings file and ports/COMn links, as on a user's machine. Runs the program from there,
// optionally with a wall clock of its own (the preloaded clock shim).
class ProgramCopy
{
public:
    ProgramCopy();

    // Copies the program into the folder; false with *error set when that failed.
    bool install(QString *error);

    QString folder() const { return m_dir.path(); }
    QString settingsPath() const;
    bool writeSettings(const QByteArray &bytes) const;
    QByteArray settings() const;
    // Wires a device to the program's COM port of this number.
    void wirePort(const PseudoTerminal &device, int number) const;

    // The program's clock starts at this moment (UTC milliseconds since the epoch) instead of
    // the machine's time; every clock setting it makes is recorded.
    void setClockStart(qint64 msecsSinceEpoch) { m_clockStart = msecsSinceEpoch; }
    // The clock settings the program made, in milliseconds since the epoch, oldest first.
    QList<qint64> clockSettings() const;
    // Whether the kernel says, to the program's own clock, that a time service keeps it.
    void setClockKeptSynchronised(bool kept) const;
    // The program's history.csv as it stands; empty when there is none.
    QByteArray history() const;

    // Starts the program from its folder with this environment (a desktop's).
    void start(QProcess &process, const QProcessEnvironment &desktop) const;
    // The single-instance lock file of this folder's copies, or empty when there is none.
    QString lockFilePath() const;

    // Whether the process holds the device open (it has a descriptor on it).
    static bool holdsOpen(qint64 pid, const QString &device);

private:
    QString runtimeFolder() const;
    QString clockLogPath() const;
    QString synchronisedFlagPath() const;

    QTemporaryDir m_dir;
    std::optional<qint64> m_clockStart;
};
