#pragma once

#include "serial/PortMap.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <array>
#include <functional>

class ListenerProbe;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// "SetUp" > "Ports...": which device, speed, talker and receiver delay each of COM1..COM8 stands
// for. It edits
// ports.conf in the settings folder; what OK does with the result is the owner's business.
class PortsDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kPortCount = 8;

    explicit PortsDialog(const QString &settingsDir, QWidget *parent = nullptr);

    // The rows as they stand; unmapped rows with default speed and talker are left out.
    QMap<int, PortMap::Entry> entries() const;
    // Port numbers whose row differs from what the file held when the dialog opened.
    QList<int> changedPorts() const;

    QComboBox *deviceBox(int portNumber) const { return m_rows.at(portNumber - 1).device; }
    QComboBox *speedBox(int portNumber) const { return m_rows.at(portNumber - 1).speed; }
    QComboBox *talkerBox(int portNumber) const { return m_rows.at(portNumber - 1).talker; }
    QLineEdit *delayEdit(int portNumber) const { return m_rows.at(portNumber - 1).delay; }
    // What keeps OK from closing the dialog; empty when nothing does.
    QString problem() const;

    // Runs on OK; the dialog closes only when it returns true.
    using ApplyHandler = std::function<bool(const QMap<int, PortMap::Entry> &, const QList<int> &)>;
    void setApplyHandler(ApplyHandler handler) { m_apply = std::move(handler); }

    void accept() override;

    // A "Measure" button on the receive port's row (portNumber; 0 when there is none), which
    // asks for measureRequested(); disabled, with whyNot as its tip, when whyNot is not empty.
    void offerDelayMeasuring(int portNumber, const QString &whyNot);
    QPushButton *measureButton() const { return m_measure; }
    // What the measuring said last; empty before.
    QString measureNote() const;
    void showMeasuring(const QString &text);
    // Puts the delay in the row measured; the user still saves it with OK.
    void setMeasuredDelay(int delayMillis, const QString &text);
    // The measuring ended without a delay, for the reason given.
    void showMeasureEnd(const QString &text);

    // Offers gpsd at this address in the device lists once something answers there.
    void lookForGpsd(const QString &ipv4, quint16 port);

signals:
    void measureRequested();

private:
    struct Row
    {
        QComboBox *device = nullptr;
        QComboBox *speed = nullptr;
        QComboBox *talker = nullptr;
        QLineEdit *delay = nullptr;
    };

    void fillDevices(QComboBox *box) const;
    static QString devicePath(const QComboBox *box);
    void showSpeedUse(const Row &row) const;
    void offerGpsd(const QString &url);
    void loadRow(const Row &row, const std::optional<PortMap::Entry> &entry) const;
    std::optional<PortMap::Entry> rowEntry(int portNumber) const;
    [[nodiscard]] bool delaysAreValid();

    std::array<Row, kPortCount> m_rows;
    std::array<std::optional<PortMap::Entry>, kPortCount> m_loaded;
    ApplyHandler m_apply;
    QLabel *m_problem = nullptr;
    QGridLayout *m_grid = nullptr;
    QPushButton *m_measure = nullptr;
    QLabel *m_measureNote = nullptr;
    int m_measuredPort = 0;
    ListenerProbe *m_gpsdProbe = nullptr;
    QString m_gpsdUrl;
};
