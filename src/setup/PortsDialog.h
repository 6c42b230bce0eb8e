#pragma once

#include "serial/PortMap.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

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

private:
    struct Row
    {
        QComboBox *device = nullptr;
        QComboBox *speed = nullptr;
        QComboBox *talker = nullptr;
        QLineEdit *delay = nullptr;
    };

    void fillDevices(QComboBox *box) const;
    void loadRow(const Row &row, const std::optional<PortMap::Entry> &entry) const;
    std::optional<PortMap::Entry> rowEntry(int portNumber) const;
    [[nodiscard]] bool delaysAreValid();

    std::array<Row, kPortCount> m_rows;
    std::array<std::optional<PortMap::Entry>, kPortCount> m_loaded;
    ApplyHandler m_apply;
    QLabel *m_problem = nullptr;
};
