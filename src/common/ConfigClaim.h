#pragma once

#include <QString>

#include <memory>
#include <optional>

class QLockFile;

// A configuration open in an Ordano window. The window claims the configuration it makes
// active and keeps the claim until it opens another one or closes; a second window finds the
// claim held and may look but not write. Unlike ConfigLock, which every write takes for a
// moment, a claim lasts as long as the window shows the configuration.
//
// The claim file's name carries the folder's identity on the disk, so that a copy of the
// folder made while it is open does not look open, while a folder renamed stays claimed.
class ConfigClaim {
public:
    // Who has the configuration open, from the claim file.
    struct Holder {
        qint64 process = 0;
        QString program;
        QString host; // empty on this machine
    };

    explicit ConfigClaim(const QString& folder);
    ~ConfigClaim();
    ConfigClaim(const ConfigClaim&) = delete;
    ConfigClaim& operator=(const ConfigClaim&) = delete;

    // Set when another window holds the claim. A folder that takes no claim file (read-only,
    // missing) is nobody's: the writes there say why they fail.
    const std::optional<Holder>& openElsewhere() const { return elsewhere_; }

    // Who holds the claim of `folder`, looked at without claiming it: for a writer that is no
    // window (ordano-cli), which must not change what a window shows and will save.
    static std::optional<Holder> heldBy(const QString& folder);

    // The claim file of `folder` (it need not exist); empty for a folder that is not there.
    static QString fileOf(const QString& folder);

private:
    std::unique_ptr<QLockFile> file_;
    std::optional<Holder> elsewhere_;
    int folder_ = -1; // the claimed folder, wherever it is moved
};
