#include "publish/OutputRecord.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>

#include <string_view>
#include <utility>

#include "platform/FileReplace.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeading =
    "# Files Findlark wrote here (SHA-256, then the name). Findlark replaces or removes no other file.";
constexpr size_t kDigestLength = 64;

bool isRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(path, error));
}

// Empty when the file cannot be read.
std::string digestOf(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex().toStdString();
}

// A name that cannot stand on one line of the record, or that climbs out of the folder, is never recorded.
bool recordable(const std::string& name) {
    return !name.empty() && name.find_first_of("\r\n") == std::string::npos && name.front() != '/' &&
           fs::path(name).lexically_normal().string().rfind("..", 0) != 0;
}

} // namespace

OutputRecord::OutputRecord(fs::path folder) : m_folder(std::move(folder)) {
    std::string text;
    if (!isRegularFile(m_folder / kFileName) || !TextFile::readAll((m_folder / kFileName).string(), text))
        return;
    for (const std::string& line : TextFile::splitLines(text)) {
        if (line.size() <= kDigestLength + 1 || line[kDigestLength] != ' ')
            continue;
        const std::string name = line.substr(kDigestLength + 1);
        if (recordable(name))
            m_digests[name] = line.substr(0, kDigestLength);
    }
}

bool OutputRecord::holdsWhatWasWritten(const std::string& name) const {
    const auto found = m_digests.find(name);
    if (found == m_digests.end() || !isRegularFile(m_folder / name))
        return false;
    return digestOf(m_folder / name) == found->second;
}

void OutputRecord::update(const std::string& name) {
    std::string digest = isRegularFile(m_folder / name) ? digestOf(m_folder / name) : std::string();
    if (digest.empty() || !recordable(name))
        m_digests.erase(name);
    else
        m_digests[name] = std::move(digest);
}

bool OutputRecord::save() const {
    std::string text(kHeading);
    text += "\r\n";
    for (const auto& [name, digest] : m_digests) {
        if (isRegularFile(m_folder / name))
            text += digest + " " + name + "\r\n";
    }
    return FileReplace::withText(m_folder / kFileName, text);
}
