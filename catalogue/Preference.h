#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// One preferences domain of the platform's per-user store.
class CPreference {
public:
    CPreference(const QString& applicationID, const QString& userName, const QString& hostName);
    ~CPreference();

    // The stored string (null when absent); always true.
    bool GetValue(const QString& key, QString* value) const;
    // The stored value (invalid when absent); true when one was found.
    bool GetValue(const QString& key, QVariant* value) const;
    // Write, then force the domain to disk: true when the value is there.
    bool SetValue(const QString& key, const QString& value);
    bool SetValue(const QString& key, const QVariant& value);

private:
    QString m_applicationID;
    QString m_userName;
    QString m_hostName;
};

// The launcher's own domain and the two values it keeps.
class CUPreference : public CPreference {
public:
    CUPreference();
    virtual ~CUPreference();

    bool GetPrinterName(QString* name) const;
    bool SavePrinterName(const QString& name);
    bool GetPrinterList(QStringList* list) const;
    bool SavePrinterList(const QStringList& list);
    // The list and the name as one save (what quitting stores): one write of the store, none
    // when it holds them already. True when both values reached the store.
    bool SavePrinterSelection(const QStringList& list, const QString& name);
};
