#pragma once

#include "HistoryEntry.h"

#include <QList>
#include <QWidget>

class Clock;
class HistoryPlot;
class HistoryRecord;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// What the record says, at a glance: is the receiver locked, when was the clock last set and by
// how much, how far it drifted between settings, did the master clock get its sentences. Built
// and read only when the user opens it.
class HistoryWindow : public QWidget
{
public:
    // The spans of time the plot covers, in the order of the choice.
    enum Span { LastHour, LastDay, LastWeek, LastMonth };

    HistoryWindow(const HistoryRecord &record, const Clock &clock, QWidget *parent = nullptr);

    // Reads the record again and draws the chosen span up to now.
    void showSpan(Span span);
    HistoryPlot *plot() const { return m_plot; }
    QTableWidget *settingsTable() const { return m_settings; }
    QLabel *summary() const { return m_summary; }
    // Saves the plot as a PNG file; false (and says so in the window) when it cannot.
    [[nodiscard]] bool savePicture(const QString &path);

private:
    void createControls();
    void savePictureAs();
    void fillSettings(const QList<HistoryEntry> &entries);
    void fillSummary(const QList<HistoryEntry> &entries, qint64 sinceMs);
    QString localText(qint64 ms) const;

    const HistoryRecord &m_record;
    const Clock &m_clock;
    QComboBox *m_span = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_summary = nullptr;
    HistoryPlot *m_plot = nullptr;
    QLabel *m_pointer = nullptr;
    QTableWidget *m_settings = nullptr;
};
