#pragma once

#include <memory>
#include <string>

class QSettings;

// The settings store: sections of named integer and string values.
// Missing values and values of the wrong type read as the given default; write failures are not reported.
class SettingsStore {
public:
    // The user's store: "Tidewell/<applicationName>" in the platform's native format.
    explicit SettingsStore(const std::string& applicationName);
    // A store kept in one INI file (tests and tools).
    static std::unique_ptr<SettingsStore> atFile(const std::string& path);
    ~SettingsStore();

    std::string getString(const std::string& section, const std::string& key,
                          const std::string& fallback) const;
    int getInt(const std::string& section, const std::string& key, int fallback) const;
    bool contains(const std::string& section, const std::string& key) const;
    void setString(const std::string& section, const std::string& key, const std::string& value);
    void setInt(const std::string& section, const std::string& key, int value);
    // Writes pending changes; false when the store could not be written.
    bool sync();
    std::string fileName() const;

private:
    SettingsStore() = default;
    std::unique_ptr<QSettings> m_settings;
};
