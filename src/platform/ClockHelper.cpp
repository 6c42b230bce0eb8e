#include "ClockHelper.h"

#include <QDir>
#include <QFileInfo>

ClockHelper::ClockHelper(
    const QString &program, int answerMs, const QProcessEnvironment &environment)
    : m_program(program)
    , m_answerMs(answerMs)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setProcessEnvironment(environment);
}

qint64 ClockHelper::start()
{
    QString why;
    return ensureRunning(&why) ? m_process.processId() : 0;
}

ClockHelper::~ClockHelper()
{
    // Closing its input ends the helper; it never outlives the program.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(m_answerMs))
        m_process.kill();
    m_process.waitForFinished(m_answerMs);
}

QString ClockHelper::find(const QString &executableDir)
{
    const QString name = QStringLiteral("horolux-settime");
    const QDir dir(executableDir);
    for (const QString &path :
        {dir.filePath(name), dir.filePath(QStringLiteral("../libexec/horolux/") + name)}) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

bool ClockHelper::ensureRunning(QString *why)
{
    if (m_process.state() == QProcess::Running)
        return true;
    if (m_program.isEmpty()) {
        *why = QStringLiteral("the helper horolux-settime was not found");
        return false;
    }
    m_process.start(m_program, {});
    if (m_process.waitForStarted(m_answerMs))
        return true;
    *why = QStringLiteral("the helper %1 cannot be started: %2")
               .arg(m_program, m_process.errorString());
    return false;
}

QString ClockHelper::setSeconds(qint64 secondsSinceEpoch)
{
    QString why;
    if (!ensureRunning(&why))
        return why;
    m_process.readAll(); // nothing is owed from an earlier request
    m_process.write(QByteArray::number(secondsSinceEpoch) + '\n');
    // The helper answers within a millisecond; one that does not is ended, not waited for.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(m_answerMs)) {
            m_process.kill();
            m_process.waitForFinished(m_answerMs);
            return QStringLiteral("the helper gave no answer");
        }
    }
    const QByteArray answer = m_process.readLine().trimmed();
    if (answer == "ok")
        return {};
    return answer.startsWith("error ") ? QString::fromLocal8Bit(answer.mid(6))
                                       : QStringLiteral("the helper's answer was not understood");
}
