#include "platform/SettingsStore.h"

#include <QSettings>

namespace {
QString qkey(const std::string& section, const std::string& key) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}
} // namespace

SettingsStore::SettingsStore(const std::string& applicationName)
    : m_settings(
          std::make_unique<QSettings>(QStringLiteral("Tidewell"), QString::fromUtf8(applicationName))) {}

std::unique_ptr<SettingsStore> SettingsStore::atFile(const std::string& path) {
    std::unique_ptr<SettingsStore> store(new SettingsStore());
    store->m_settings = std::make_unique<QSettings>(QString::fromUtf8(path), QSettings::IniFormat);
    return store;
}

SettingsStore::~SettingsStore() = default;

std::string SettingsStore::getString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const {
    const QVariant value = m_settings->value(qkey(section, key));
    if (!value.isValid() || !value.canConvert<QString>())
        return fallback;
    // A list (a value holding an unquoted comma in the file) reads back as its original text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

int SettingsStore::getInt(const std::string& section, const std::string& key, int fallback) const {
    const QVariant value = m_settings->value(qkey(section, key));
    if (!value.isValid())
        return fallback;
    if (value.typeId() == QMetaType::Int)
        return value.toInt();
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : fallback;
}

bool SettingsStore::contains(const std::string& section, const std::string& key) const {
    return m_settings->contains(qkey(section, key));
}

void SettingsStore::setString(const std::string& section, const std::string& key, const std::string& value) {
    m_settings->setValue(qkey(section, key), QString::fromStdString(value));
}

void SettingsStore::setInt(const std::string& section, const std::string& key, int value) {
    m_settings->setValue(qkey(section, key), value);
}

bool SettingsStore::sync() {
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

std::string SettingsStore::fileName() const {
    return m_settings->fileName().toStdString();
}
