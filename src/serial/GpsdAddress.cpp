#include "GpsdAddress.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {
const QString kScheme = QStringLiteral("gpsd://");
} // namespace

bool GpsdAddress::isGpsdUrl(const QString &text)
{
    return text.startsWith(kScheme);
}

std::optional<GpsdAddress> GpsdAddress::parse(const QString &text)
{
    if (!isGpsdUrl(text))
        return std::nullopt;
    QString rest = text.mid(kScheme.size());
    GpsdAddress address;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        address.device = rest.mid(slash);
        rest.truncate(slash);
    }
    std::optional<QString> portText;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return std::nullopt;
        address.host = rest.mid(1, close - 1);
        const QString tail = rest.mid(close + 1);
        if (!tail.isEmpty() && !tail.startsWith(QLatin1Char(':')))
            return std::nullopt;
        if (!tail.isEmpty())
            portText = tail.mid(1);
    } else {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        address.host = rest.left(colon);
        if (colon >= 0)
            portText = rest.mid(colon + 1);
    }
    if (portText) {
        const bool digits = !portText->isEmpty()
            && std::all_of(
                portText->cbegin(), portText->cend(), [](QChar c) { return c.isDigit(); });
        const uint port = digits ? portText->toUInt() : 0;
        if (port == 0 || port > 65535)
            return std::nullopt;
        address.port = quint16(port);
    }
    if (address.host.isEmpty() || address.host.contains(QLatin1Char(' ')))
        return std::nullopt;
    return address;
}

QString GpsdAddress::endpoint() const
{
    const QString shown = host.contains(QLatin1Char(':')) ? u'[' + host + u']' : host;
    return shown + QLatin1Char(':') + QString::number(port);
}

QByteArray GpsdAddress::watchRequest(bool enable) const
{
    QJsonObject watch {{QStringLiteral("enable"), enable}};
    if (enable)
        watch.insert(QStringLiteral("nmea"), true);
    if (!device.isEmpty())
        watch.insert(QStringLiteral("device"), device);
    return "?WATCH=" + QJsonDocument(watch).toJson(QJsonDocument::Compact) + '\n';
}
