#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class LanguageTable;

// What the images were compiled from. Compile records the SHA-256 of the exact ParGen.xml and
// M_Bus.xml bytes it read, and the record is written with the images in the same exchange of
// bin/. Whether the images match the configuration is decided by these fingerprints alone,
// never by file dates: a file changed within the same second, or replaced while a compile ran,
// is seen all the same.
namespace ImageSources {

inline constexpr const char* RecordName = "sources.sha256";

// The record for the bytes compiled; nullopt stands for an absent file.
QByteArray record(const std::optional<QByteArray>& parGen, const std::optional<QByteArray>& mbus);

enum class State {
    Match,    // both files are the ones compiled
    Differs,  // at least one file changed since (see `changed`)
    Unknown,  // images without a record (made before records were kept), or a record unread
    NoImages, // nothing compiled yet
};

struct Verdict {
    State state = State::Unknown;
    QStringList changed; // "ParGen.xml", "M_Bus.xml": the files that differ from the record
    bool matches() const { return state == State::Match; }
};

// The decision itself: the record beside the images against the files as they are now.
Verdict judge(const std::optional<QByteArray>& recordBytes, const std::optional<QByteArray>& parGen,
              const std::optional<QByteArray>& mbus);

// The same for a configuration folder: its bin/ images and record against its two files.
Verdict judgeConfiguration(const QString& projectDir);

// One line for the user: empty when the images match or there are none.
QString text(const Verdict& verdict, const LanguageTable& texts);

} // namespace ImageSources
