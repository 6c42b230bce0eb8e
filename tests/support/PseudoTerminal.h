#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A pseudo-terminal standing in for a device on a serial line: the program opens the slave
// side as its port, the test plays the device on the master side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString slavePath() const { return m_slavePath; }
    // Makes <folder>/ports/COM<n> point at the slave side; once this object is gone, at a
    // device that never exists (another test's terminal may get the number).
    void linkAsPort(const QString &folder, int portNumber) const;

    void write(const QByteArray &data);
    // Writes what fits without waiting; returns how much that was.
    qsizetype writeSome(const QByteArray &data);
    // Everything the program has sent so far (non-blocking).
    QByteArray readAvailable();
    // Plays an unplugged device: the program's side sees a hang-up and the device node goes;
    // its number stays taken while this object lives.
    void hangUp();
    bool isOpen() const { return m_master >= 0; }
    // The line's output speed as the program set it: a termios speed code (B9600...).
    unsigned outputSpeed() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    mutable QStringList m_links;
};
