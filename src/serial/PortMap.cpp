#include "PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {
const QString kDevice = QStringLiteral("device");
const QString kSpeed = QStringLiteral("speed");
const QString kTalker = QStringLiteral("talker");
const QString kDelay = QStringLiteral("delay");
const QString kAnyTalker = QStringLiteral("any");
} // namespace

bool PortMap::isAcceptedSpeed(int speed)
{
    return std::find(kAcceptedSpeeds.begin(), kAcceptedSpeeds.end(), speed)
        != kAcceptedSpeeds.end();
}

QString PortMap::groupName(int portNumber)
{
    return QStringLiteral("COM") + QString::number(portNumber);
}

std::optional<int> PortMap::parseDelay(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^([01])(?:\\.([0-9]{1,3}))?$"));
    const QRegularExpressionMatch match = plain.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int millis
        = match.captured(1).toInt() * 1000 + match.captured(2).leftJustified(3, u'0').toInt();
    return millis <= 1000 ? std::optional(millis) : std::nullopt;
}

QString PortMap::delayText(int millis)
{
    return QStringLiteral("%1.%2").arg(millis / 1000).arg(millis % 1000, 3, 10, QLatin1Char('0'));
}

PortMap::PortMap(const QString &settingsDir)
    : m_path(QDir(settingsDir).filePath(QStringLiteral("ports.conf")))
{ }

const PortsConfFile &PortMap::file() const
{
    // A search asks at every attempt: a look at the file's state is all that costs.
    const PortsConfFile::Stamp stamp = PortsConfFile::stampOf(m_path);
    if (m_stamp != stamp) {
        m_file = PortsConfFile::load(m_path);
        m_stamp = stamp;
        ++m_reads;
    }
    return m_file;
}

std::optional<PortMap::Entry> PortMap::entry(int portNumber) const
{
    const PortsConfFile &file = this->file();
    const QString group = groupName(portNumber);
    if (!file.hasGroup(group))
        return std::nullopt;
    Entry entry;
    entry.device = file.value(group, kDevice).value_or(QString());
    if (const auto speed = file.value(group, kSpeed))
        entry.speed = speed->toInt();
    if (file.value(group, kTalker).value_or(QString()).compare(kAnyTalker, Qt::CaseInsensitive)
        == 0)
        entry.talker = Talker::Any;
    if (const auto delay = file.value(group, kDelay)) {
        entry.delayMillis = parseDelay(*delay);
        if (!entry.delayMillis)
            entry.badDelay = delay->isEmpty() ? QStringLiteral("(empty)") : *delay;
    }
    return entry;
}

bool PortMap::write(const QMap<int, Entry> &entries, QString *why) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    PortsConfFile file = PortsConfFile::load(m_path);
    static const QRegularExpression portGroup(QStringLiteral("^COM[0-9]+$"));
    for (const QString &group : file.groups()) {
        if (!portGroup.match(group).hasMatch())
            continue;
        for (const QString &key : {kDevice, kSpeed, kTalker, kDelay})
            file.remove(group, key);
        // A group the user gave keys of his own keeps them, and its place.
        const int portNumber = group.mid(3).toInt();
        if (!entries.contains(portNumber) || group != groupName(portNumber))
            file.removeIfEmpty(group);
    }
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QString group = groupName(it.key());
        if (!it->device.isEmpty())
            file.setValue(group, kDevice, it->device);
        file.setValue(group, kSpeed, QString::number(it->speed));
        file.setValue(
            group, kTalker, it->talker == Talker::Any ? kAnyTalker : QStringLiteral("GP"));
        if (it->delayMillis)
            file.setValue(group, kDelay, delayText(*it->delayMillis));
    }
    return file.save(m_path, why);
}
