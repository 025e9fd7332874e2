// Per-user preferences store: named text values under a hierarchical key path,
// kept in one text file under $XDG_CONFIG_HOME (default ~/.config).
#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace pelta {

class CRegSettings {
public:
    CRegSettings();

    void SetCompany(const QString& NewVal);
    QString Company() const { return company_; }
    void SetAppName(const QString& NewVal);
    QString AppName() const { return appName_; }

    // The stored text, or Default when there is none. Key "*" is the key's unnamed value.
    QString GetSetting(const QString& Section, const QString& Key, const QString& Default = QString()) const;
    // True when the text was stored.
    bool SaveSetting(const QString& Section, const QString& Key, const QString& Setting);

    // "Software\<Company>\<AppName>[\<Section>]"
    QString BuildKeyPath(const QString& Section) const;

    // The file behind the store (for tests and the README's description).
    static QString StoreFilePath();

    static QString DefaultCompany();
    static QString ProductName();

private:
    QString company_;
    QString appName_;
};

// One section of the store as read once, for callers that want several values together:
// each lookup answers, and sets gRetVal, as GetSetting would have at the time of reading.
class SettingsSnapshot {
public:
    SettingsSnapshot(const CRegSettings& settings, const QString& Section);
    ~SettingsSnapshot();

    QString Get(const QString& Key, const QString& Default = QString()) const;
    // Reads a Boolean setting into `flag`; a text that is not a Boolean leaves it unchanged.
    void ReadBoolean(const QString& Key, bool& flag) const;

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

// "True"/"False" in any case, or a number (0 is False). nullopt for anything else.
std::optional<bool> ToBoolean(const QString& text);
QString BooleanText(bool value);

}  // namespace pelta
