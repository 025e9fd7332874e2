#include "settings/RegSettings.h"

#include "settings/Globals.h"

#include "engine/core/profile/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace pelta {

namespace {

// Return codes kept in gRetVal, after the registry's own numbers.
constexpr int16_t kSuccess = 0;
constexpr int16_t kNotFound = 2;
constexpr int16_t kAccessDenied = 5;
constexpr int16_t kInvalidData = 13;

// The file holds one block per key path, like a registry export:
//   [Software\Company\App\Section]
//   "Name"="text"
//   @="text of the unnamed value"
// Key paths and value names compare without regard to case, as registry names do.
struct Value {
    QString name;  // empty: the unnamed value
    QString text;
};
struct Key {
    QString path;
    std::vector<Value> values;
};
struct Store {
    std::vector<Key> keys;
};

QString Escape(const QString& s) {
    QString out;
    out.reserve(s.size() + 2);
    for (QChar c : s) {
        if (c == u'\\') out += QStringLiteral("\\\\");
        else if (c == u'"') out += QStringLiteral("\\\"");
        else if (c == u'\n') out += QStringLiteral("\\n");
        else if (c == u'\r') out += QStringLiteral("\\r");
        else out += c;
    }
    return out;
}

// Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const QString& s, qsizetype& pos, QString& out) {
    if (pos >= s.size() || s[pos] != u'"') return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        QChar c = s[pos++];
        if (c == u'"') return true;
        if (c == u'\\') {
            if (pos >= s.size()) return false;
            QChar e = s[pos++];
            if (e == u'n') out += u'\n';
            else if (e == u'r') out += u'\r';
            else if (e == u'\\' || e == u'"') out += e;
            else return false;
        } else {
            out += c;
        }
    }
    return false;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

Key* FindKey(Store& s, const QString& path) {
    for (Key& k : s.keys)
        if (SameName(k.path, path)) return &k;
    return nullptr;
}

// One value line: "Name"="text" or @="text", nothing after the closing quote.
bool ParseValue(const QString& line, Value& v) {
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else if (!ReadQuoted(line, pos, v.name) || v.name.isEmpty()) {
        return false;
    }
    if (pos >= line.size() || line[pos] != u'=') return false;
    ++pos;
    return ReadQuoted(line, pos, v.text) && pos == line.size();
}

// Reads every well-formed line and skips the rest, so one damaged line (a cut, stray
// text, bytes that are not UTF-8) costs only what it held. Values under a damaged key line
// are skipped too: nothing tells which key they belonged to. Returns false when anything
// was skipped.
bool Parse(const QByteArray& bytes, Store& store) {
    bool whole = true;
    Key* current = nullptr;
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(raw);
        if (utf8.hasError()) {
            whole = false;
            if (raw.startsWith('[')) current = nullptr;
            continue;
        }
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) {
                whole = false;
                current = nullptr;
                continue;
            }
            const QString path = line.mid(1, line.size() - 2);
            current = FindKey(store, path);
            if (!current) {
                store.keys.push_back(Key{path, {}});
                current = &store.keys.back();
            }
            continue;
        }
        Value v;
        if (!current || !ParseValue(line, v)) {
            whole = false;
            continue;
        }
        // A name met twice keeps its later text, as an import into the registry would.
        auto same = std::find_if(current->values.begin(), current->values.end(),
                                 [&](const Value& o) { return SameName(o.name, v.name); });
        if (same != current->values.end()) same->text = std::move(v.text);
        else current->values.push_back(std::move(v));
    }
    return whole;
}

QString Serialise(const Store& store) {
    QString out;
    for (const Key& k : store.keys) {
        out += u'[' + k.path + QStringLiteral("]\n");
        for (const Value& v : k.values) {
            out += v.name.isEmpty() ? QStringLiteral("@") : u'"' + Escape(v.name) + u'"';
            out += QStringLiteral("=\"") + Escape(v.text) + QStringLiteral("\"\n");
        }
        out += u'\n';
    }
    return out;
}

// Damaged: some lines could not be read; `store` holds every line that could.
enum class LoadResult { Missing, Loaded, Damaged, Unreadable };

std::string LocalPath(const QString& file) { return QFile::encodeName(file).toStdString(); }

LoadResult Load(const QString& file, Store& store, std::string* bytes = nullptr) {
    std::string content;
    switch (files::ReadWholeFile(LocalPath(file), content)) {
    case files::ReadResult::Missing: return LoadResult::Missing;
    case files::ReadResult::Unreadable: return LoadResult::Unreadable;
    case files::ReadResult::Read: break;
    }
    const bool whole = Parse(QByteArray::fromStdString(content), store);
    if (bytes) *bytes = std::move(content);
    return whole ? LoadResult::Loaded : LoadResult::Damaged;
}

QString ValueName(const QString& Key) { return Key == QStringLiteral("*") ? QString() : Key; }

}  // namespace

CRegSettings::CRegSettings() : company_(DefaultCompany()), appName_(ProductName()) {}

QString CRegSettings::DefaultCompany() { return QStringLiteral("Quillmere"); }
QString CRegSettings::ProductName() { return QStringLiteral("Pelta-RX"); }

void CRegSettings::SetCompany(const QString& NewVal) {
    company_ = NewVal.isEmpty() ? DefaultCompany() : NewVal.trimmed();
}

void CRegSettings::SetAppName(const QString& NewVal) {
    appName_ = NewVal.isEmpty() ? ProductName() : NewVal.trimmed();
}

QString CRegSettings::BuildKeyPath(const QString& Section) const {
    QString path = QStringLiteral("Software\\") + company_ + u'\\' + appName_;
    if (!Section.isEmpty()) path += u'\\' + Section;
    return path;
}

QString CRegSettings::StoreFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/pelta-rx/settings.reg");
}

QString CRegSettings::GetSetting(const QString& Section, const QString& Key, const QString& Default) const {
    return SettingsSnapshot(*this, Section).Get(Key, Default);
}

struct SettingsSnapshot::Data {
    LoadResult result = LoadResult::Missing;
    Store store;
    const pelta::Key* key = nullptr;  // the section's key in `store`, if it has one
};

SettingsSnapshot::SettingsSnapshot(const CRegSettings& settings, const QString& Section)
    : d_(std::make_unique<Data>()) {
    d_->result = Load(CRegSettings::StoreFilePath(), d_->store);
    if (d_->result == LoadResult::Loaded || d_->result == LoadResult::Damaged) d_->key = FindKey(d_->store, settings.BuildKeyPath(Section));
}

SettingsSnapshot::~SettingsSnapshot() = default;

QString SettingsSnapshot::Get(const QString& Key, const QString& Default) const {
    const LoadResult r = d_->result;
    // What a damaged file lacks may be what the damage destroyed.
    const int16_t missing = r == LoadResult::Damaged ? kInvalidData : kNotFound;
    if (r == LoadResult::Missing || r == LoadResult::Unreadable) {
        gRetVal = r == LoadResult::Missing ? kNotFound : kAccessDenied;
        return Default;
    }
    if (!d_->key) {
        gRetVal = missing;
        return Default;
    }
    const QString name = ValueName(Key);
    for (const Value& v : d_->key->values) {
        if (SameName(v.name, name)) {
            gRetVal = kSuccess;
            return v.text;
        }
    }
    gRetVal = missing;
    return Default;
}

void SettingsSnapshot::ReadBoolean(const QString& Key, bool& flag) const {
    if (auto v = ToBoolean(Get(Key, QStringLiteral("False")))) flag = *v;
}

bool CRegSettings::SaveSetting(const QString& Section, const QString& Key, const QString& Setting) {
    const QString file = StoreFilePath();
    Store store;
    std::string original;
    const LoadResult r = Load(file, store, &original);
    if (r == LoadResult::Unreadable) {
        gRetVal = kAccessDenied;
        return false;
    }

    // Every missing component of the path is created, as the registry does.
    const QString path = BuildKeyPath(Section);
    const QStringList parts = path.split(u'\\');
    QString prefix;
    for (int i = 0; i < parts.size(); ++i) {
        prefix = i == 0 ? parts[0] : prefix + u'\\' + parts[i];
        if (!FindKey(store, prefix)) store.keys.push_back(pelta::Key{prefix, {}});
    }
    pelta::Key* key = FindKey(store, path);
    const QString name = ValueName(Key);
    bool replaced = false;
    for (Value& v : key->values) {
        if (SameName(v.name, name)) {
            v.text = Setting;
            replaced = true;
            break;
        }
    }
    if (!replaced) key->values.push_back(Value{name, Setting});

    // The new file is written in full before anything else happens; a damaged original is
    // then kept as a copy of its bytes, and only when that copy exists is the file replaced.
    // The rename replaces a symbolic link itself, never the file it points to.
    const std::string local = LocalPath(file);
    std::string why;
    files::PendingFile out;
    if (!out.Write(local, Serialise(store).toStdString(), why) ||
        (r == LoadResult::Damaged && files::KeepDamagedCopy(local, original, why).empty()) || !out.Commit(why)) {
        gRetVal = kAccessDenied;
        return false;
    }
    gRetVal = kSuccess;
    return true;
}

std::optional<bool> ToBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok) return d != 0.0;
    return std::nullopt;
}

QString BooleanText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace pelta
