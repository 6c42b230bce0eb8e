#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLockFile;

// One running copy per installation: a lock file in the user's runtime folder whose name is made
// from the executable's folder. The lock is held for as long as this object lives; the lock of a
// copy that died is taken over.
class SingleInstance : public QObject
{
public:
    // An empty runtime folder means the user's runtime folder.
    explicit SingleInstance(
        const QString &executableDir, const QString &runtimeDir = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this copy may run: it now holds the lock, or the lock cannot be made at all
    // (reported on standard error; refusing to start would help nobody). False when another
    // running copy of the same installation holds it.
    bool tryLock();
    bool isLocked() const;

    QString lockPath() const { return m_lockPath; }
    static QString lockFileName(const QString &executableDir);
    // Where the lock goes when the user has no runtime folder: a folder of this user's own under
    // the temporary folder, its name carrying the user id, so no other user can hold it.
    static QString privateTempFolder();

private:
    [[nodiscard]] QString makeFolder() const;

    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
};
