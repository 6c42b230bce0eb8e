#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

// The text of ports.conf: "[COMn]" groups of "key=value" lines, values taken literally (only
// trimmed). Comments (';' or '#'), blank lines and lines it does not understand are skipped when
// read and kept when written, as are groups and keys it is not asked about.
class PortsConfFile
{
public:
    // A file larger than this is no port map a person wrote.
    static constexpr qint64 kMaxSize = 64 * 1024;

    // What tells one state of the file from another without reading it.
    struct Stamp
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 mtimeNanos = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const QString &path);

    // Empty when the file is missing; empty, with a line on standard error, when it is no small
    // plain file (a link, a pipe, a device, too large) or cannot be read. Never blocks.
    static PortsConfFile load(const QString &path);

    bool hasGroup(const QString &group) const;
    QStringList groups() const;
    std::optional<QString> value(const QString &group, const QString &key) const;

    // Replaces the key's line in the group's first section, or adds it there; makes the group at
    // the end when it is missing.
    void setValue(const QString &group, const QString &key, const QString &value);
    void remove(const QString &group, const QString &key);
    // Drops the group's sections that hold no key any more.
    void removeIfEmpty(const QString &group);

    QByteArray text() const;
    // Writes a new file beside the old one, flushes it to disk and renames it over the old one:
    // a reader sees the old file or the new, never half of one. Refuses a symbolic link.
    [[nodiscard]] bool save(const QString &path, QString *why) const;

private:
    struct Section
    {
        QString name; // empty for the lines before the first group
        QList<QByteArray> lines;
    };

    static PortsConfFile parse(const QByteArray &text);
    static std::optional<std::pair<QString, QString>> keyValue(const QByteArray &line);

    QList<Section> m_sections {Section {}};
};
