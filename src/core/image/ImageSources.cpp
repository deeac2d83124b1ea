#include "core/image/ImageSources.h"

#include "common/BoundedFile.h"
#include "core/comm/ParGenXml.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkXml.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace ImageSources {

namespace {

enum TextIndex {
    T_ImagesDiffer = 909,
    T_ImagesNotKnown = 910,
};

const QByteArray Absent = "absent";
constexpr int HexLength = 64;

QByteArray fingerprint(const std::optional<QByteArray>& bytes) {
    return bytes ? QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256).toHex() : Absent;
}

// The fingerprint recorded for `name`, empty when the record has none (or a malformed one).
QByteArray recorded(const QByteArray& recordBytes, const char* name) {
    for (const QByteArray& line : recordBytes.split('\n')) {
        const qsizetype gap = line.indexOf("  ");
        if (gap < 0 || line.mid(gap + 2) != name)
            continue;
        const QByteArray value = line.left(gap);
        const bool hex =
            value.size() == HexLength && std::all_of(value.begin(), value.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            });
        return hex || value == Absent ? value : QByteArray();
    }
    return {};
}

std::optional<QByteArray> readOptional(const QString& path, const BoundedFile::Limit& limit,
                                       bool& failed) {
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return std::nullopt;
    BoundedFile::Result file = BoundedFile::read(path, limit);
    if (!file.ok()) {
        failed = true;
        return std::nullopt;
    }
    return std::move(file.bytes);
}

} // namespace

QByteArray record(const std::optional<QByteArray>& parGen, const std::optional<QByteArray>& mbus) {
    return "# SHA-256 of the files these images were compiled from\n" + fingerprint(parGen) + "  " +
           ParGenXml::FileName + '\n' + fingerprint(mbus) + "  " + MBusXml::FileName + '\n';
}

Verdict judge(const std::optional<QByteArray>& recordBytes, const std::optional<QByteArray>& parGen,
              const std::optional<QByteArray>& mbus) {
    Verdict verdict;
    if (!recordBytes)
        return verdict;
    const std::pair<const char*, const std::optional<QByteArray>*> files[] = {
        {ParGenXml::FileName, &parGen}, {MBusXml::FileName, &mbus}};
    for (const auto& [name, bytes] : files) {
        const QByteArray was = recorded(*recordBytes, name);
        if (was.isEmpty()) {
            verdict.changed.clear();
            return verdict; // a record that says nothing of a file proves nothing
        }
        if (was != fingerprint(*bytes))
            verdict.changed << QLatin1String(name);
    }
    verdict.state = verdict.changed.isEmpty() ? State::Match : State::Differs;
    return verdict;
}

Verdict judgeConfiguration(const QString& projectDir) {
    const QDir project(projectDir);
    // Where writeBanks puts the images and the record.
    const QDir bin(project.filePath(QStringLiteral("bin")));
    if (!QFileInfo::exists(bin.filePath(QStringLiteral("bank.bin"))) &&
        !QFileInfo::exists(bin.filePath(QStringLiteral("bank2.bin"))))
        return {State::NoImages, {}};
    bool failed = false;
    const auto recordBytes =
        readOptional(bin.filePath(QLatin1String(RecordName)), BoundedFile::SettingsFile, failed);
    const auto parGen = readOptional(project.filePath(QLatin1String(ParGenXml::FileName)),
                                     BoundedFile::ConfigFile, failed);
    const auto mbus = readOptional(project.filePath(QLatin1String(MBusXml::FileName)),
                                   BoundedFile::ConfigFile, failed);
    if (failed)
        return {}; // a file that cannot be read is not known to match
    return judge(recordBytes, parGen, mbus);
}

QString text(const Verdict& verdict, const LanguageTable& texts) {
    switch (verdict.state) {
    case State::Match:
    case State::NoImages:
        return {};
    case State::Differs:
        return texts.text(T_ImagesDiffer).arg(verdict.changed.join(QStringLiteral(", ")));
    case State::Unknown:
        return texts.text(T_ImagesNotKnown);
    }
    return {};
}

} // namespace ImageSources
