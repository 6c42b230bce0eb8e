#include "PortsDialog.h"

#include "ListenerProbe.h"
#include "serial/GpsdAddress.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace {
const QString kNotMapped = QStringLiteral("not mapped");
const QString kByIdDir = QStringLiteral("/dev/serial/by-id");
const QString kLocalHost = QStringLiteral("127.0.0.1");

// What QSerialPortInfo knows about the device behind a path: maker, product, serial number.
QString describe(const QSerialPortInfo &info)
{
    QStringList parts;
    for (const QString &part : {info.manufacturer(), info.description(), info.serialNumber()}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(QLatin1Char(' '));
}

QString label(const QString &path, const QString &details)
{
    return details.isEmpty() ? path : QStringLiteral("%1 (%2)").arg(path, details);
}

bool sameEntry(const std::optional<PortMap::Entry> &a, const std::optional<PortMap::Entry> &b)
{
    if (!a || !b)
        return a.has_value() == b.has_value();
    return a->device == b->device && a->speed == b->speed && a->talker == b->talker
        && a->delayMillis == b->delayMillis && a->badDelay == b->badDelay;
}
} // namespace

PortsDialog::PortsDialog(const QString &settingsDir, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral(" SetUp Ports"));
    auto *grid = m_grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Device")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Speed")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Talker")), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Delay (s)")), 0, 4);
    const PortMap map(settingsDir);
    for (int n = 1; n <= kPortCount; ++n) {
        Row &row = m_rows.at(n - 1);
        row.device = new QComboBox(this);
        row.device->setEditable(true);
        row.device->setInsertPolicy(QComboBox::NoInsert);
        // Long enough for a by-id link's name; the path is shown from its start.
        row.device->setMinimumContentsLength(56);
        fillDevices(row.device);
        row.speed = new QComboBox(this);
        for (int speed : PortMap::kAcceptedSpeeds)
            row.speed->addItem(QString::number(speed), speed);
        row.talker = new QComboBox(this);
        row.talker->addItem(QStringLiteral("GP"), int(PortMap::Talker::Gps));
        row.talker->addItem(QStringLiteral("any"), int(PortMap::Talker::Any));
        row.delay = new QLineEdit(this);
        row.delay->setToolTip(QStringLiteral("How long after the start of its second the "
                                             "receiver begins its RMC sentence, in seconds"));
        // Room for "0.000" and a little more; empty means the receiver's delay is not known.
        row.delay->setFixedWidth(
            row.delay->fontMetrics().horizontalAdvance(QStringLiteral("0.0000"))
            + row.talker->sizeHint().width() / 2);
        m_loaded.at(n - 1) = map.entry(n);
        loadRow(row, m_loaded.at(n - 1));
        showSpeedUse(row);
        connect(row.device, &QComboBox::currentTextChanged, this,
            [this, n] { showSpeedUse(m_rows.at(n - 1)); });
        grid->addWidget(new QLabel(PortMap::groupName(n)), n, 0);
        grid->addWidget(row.device, n, 1);
        grid->addWidget(row.speed, n, 2);
        grid->addWidget(row.talker, n, 3);
        grid->addWidget(row.delay, n, 4);
    }
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->hide();
    m_measureNote = new QLabel(this);
    m_measureNote->setWordWrap(true);
    m_measureNote->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PortsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PortsDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_measureNote);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    resize(sizeHint());
    lookForGpsd(kLocalHost, GpsdAddress::kDefaultPort);
}

void PortsDialog::fillDevices(QComboBox *box) const
{
    box->addItem(kNotMapped, QString());
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QStringList listed;
    // Stable names first: the links survive replugging, the device nodes do not.
    const QDir byId(kByIdDir);
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        QString details;
        for (const QSerialPortInfo &info : infos) {
            if (QFileInfo(info.systemLocation()).canonicalFilePath() == target)
                details = describe(info);
        }
        box->addItem(label(link.absoluteFilePath(), details), link.absoluteFilePath());
        listed.append(target);
    }
    for (const QSerialPortInfo &info : infos) {
        const QString path = info.systemLocation();
        if (!listed.contains(QFileInfo(path).canonicalFilePath()))
            box->addItem(label(path, describe(info)), path);
    }
}

void PortsDialog::loadRow(const Row &row, const std::optional<PortMap::Entry> &entry) const
{
    const PortMap::Entry e = entry.value_or(PortMap::Entry {});
    int device = e.device.isEmpty() ? 0 : row.device->findData(e.device);
    if (device < 0) {
        row.device->addItem(e.device, e.device);
        device = row.device->count() - 1;
    }
    row.device->setCurrentIndex(device);
    row.device->lineEdit()->setCursorPosition(0);
    const int speed = row.speed->findData(e.speed);
    row.speed->setCurrentIndex(speed >= 0 ? speed : row.speed->findData(PortMap::kDefaultSpeed));
    row.talker->setCurrentIndex(row.talker->findData(int(e.talker)));
    row.delay->setText(e.delayMillis ? PortMap::delayText(*e.delayMillis) : e.badDelay);
}

QString PortsDialog::devicePath(const QComboBox *box)
{
    // A typed path is the text itself; a listed choice carries its path without the label.
    const QString text = box->currentText().trimmed();
    const int listed = box->findText(text);
    return listed >= 0 ? box->itemData(listed).toString() : text;
}

void PortsDialog::showSpeedUse(const Row &row) const
{
    const bool gpsd = GpsdAddress::isGpsdUrl(devicePath(row.device));
    row.speed->setEnabled(!gpsd);
    row.speed->setToolTip(gpsd ? QStringLiteral("gpsd reports the receiver's speed") : QString());
}

void PortsDialog::lookForGpsd(const QString &ipv4, quint16 port)
{
    if (!m_gpsdProbe) {
        m_gpsdProbe = new ListenerProbe(this);
        connect(m_gpsdProbe, &ListenerProbe::answered, this, [this] { offerGpsd(m_gpsdUrl); });
    }
    m_gpsdUrl = QStringLiteral("gpsd://%1:%2").arg(ipv4).arg(port);
    m_gpsdProbe->start(ipv4, port);
}

void PortsDialog::offerGpsd(const QString &url)
{
    for (const Row &row : m_rows) {
        if (row.device->findData(url) >= 0)
            continue;
        // Appended: the choice shown, or the text typed, stays as it is.
        row.device->addItem(label(url, QStringLiteral("gpsd on this computer")), url);
    }
}

std::optional<PortMap::Entry> PortsDialog::rowEntry(int portNumber) const
{
    const Row &row = m_rows.at(portNumber - 1);
    PortMap::Entry entry;
    entry.device = devicePath(row.device);
    entry.speed = row.speed->currentData().toInt();
    entry.talker = PortMap::Talker(row.talker->currentData().toInt());
    const QString delay = row.delay->text().trimmed();
    entry.delayMillis = PortMap::parseDelay(delay);
    if (!delay.isEmpty() && !entry.delayMillis)
        entry.badDelay = delay;
    const PortMap::Entry plain;
    if (entry.device.isEmpty() && entry.speed == plain.speed && entry.talker == plain.talker
        && delay.isEmpty())
        return std::nullopt;
    return entry;
}

QMap<int, PortMap::Entry> PortsDialog::entries() const
{
    QMap<int, PortMap::Entry> result;
    for (int n = 1; n <= kPortCount; ++n) {
        if (const auto entry = rowEntry(n))
            result.insert(n, *entry);
    }
    return result;
}

QList<int> PortsDialog::changedPorts() const
{
    QList<int> result;
    for (int n = 1; n <= kPortCount; ++n) {
        // A file entry equal to the defaults reads the same as none.
        const auto before = m_loaded.at(n - 1);
        const auto now = rowEntry(n);
        if (!sameEntry(before.value_or(PortMap::Entry {}), now.value_or(PortMap::Entry {})))
            result.append(n);
    }
    return result;
}

QString PortsDialog::problem() const
{
    return m_problem->isHidden() ? QString() : m_problem->text();
}

bool PortsDialog::delaysAreValid()
{
    for (int n = 1; n <= kPortCount; ++n) {
        const QString text = rowEntry(n).value_or(PortMap::Entry {}).badDelay;
        if (text.isEmpty())
            continue;
        m_problem->setText(QStringLiteral("The delay of %1, \"%2\", is no number of seconds "
                                          "from 0 to 1 with at most three decimals, such as "
                                          "0.080. Leave it empty when it is not known.")
                               .arg(PortMap::groupName(n), text));
        m_problem->show();
        m_rows.at(n - 1).delay->setFocus();
        return false;
    }
    m_problem->hide();
    return true;
}

void PortsDialog::accept()
{
    if (!delaysAreValid())
        return;
    if (m_apply && !m_apply(entries(), changedPorts()))
        return;
    QDialog::accept();
}

void PortsDialog::offerDelayMeasuring(int portNumber, const QString &whyNot)
{
    if (!m_measure) {
        m_measure = new QPushButton(QStringLiteral("Measure"), this);
        connect(m_measure, &QPushButton::clicked, this, [this] {
            m_measure->setEnabled(false);
            emit measureRequested();
        });
    }
    m_measuredPort = portNumber >= 1 && portNumber <= kPortCount ? portNumber : 0;
    // On the receive port's row; without one, beside the column titles.
    m_grid->addWidget(m_measure, m_measuredPort, 5);
    m_measure->setEnabled(whyNot.isEmpty());
    m_measure->setToolTip(whyNot.isEmpty()
            ? QStringLiteral("Listens to the receiver for a while and puts its delay in this "
                             "row, measured against this computer's clock, which a time service "
                             "keeps synchronised")
            : whyNot);
}

QString PortsDialog::measureNote() const
{
    return m_measureNote->text();
}

void PortsDialog::showMeasuring(const QString &text)
{
    m_measureNote->setText(text);
    m_measureNote->show();
}

void PortsDialog::setMeasuredDelay(int delayMillis, const QString &text)
{
    if (m_measuredPort > 0)
        m_rows.at(m_measuredPort - 1).delay->setText(PortMap::delayText(delayMillis));
    showMeasureEnd(text);
}

void PortsDialog::showMeasureEnd(const QString &text)
{
    showMeasuring(text);
    if (m_measure)
        m_measure->setEnabled(true);
}
