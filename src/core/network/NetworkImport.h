#pragma once

#include "core/network/Network.h"
#include "core/network/NetworkMessages.h"

#include <QByteArray>
#include <QString>

class LanguageTable;
class Prompts;
class QWidget;

// Import Network: the configuration's M_Bus.xml is replaced by a copy of another network file.
// The current file is never removed before the new one is safely in place.
namespace NetworkImport {

inline constexpr int Msg_Overwrite = NetworkMessages::Overwrite;
// The own file chosen while the editor holds unsaved changes.
inline constexpr int Msg_DropChanges = NetworkMessages::ExitWithoutSaving;
// The chosen file is the configuration's own M_Bus.xml: it is reloaded, nothing is copied.
inline constexpr int Msg_OwnFileReloaded = 780;
// Followed on the next line by the reason; the current M_Bus.xml is unchanged.
inline constexpr int Msg_NotImported = 781;
// Caption of the open-file dialog.
inline constexpr int Caption = 604;

inline constexpr const char* Filter = "XML File (*.xml)";

enum class Outcome {
    Cancelled,       // no file chosen
    Declined,        // question 661 (or 656 for the own file) answered No
    Failed,          // not readable, not a network, or not written; already reported
    Imported,        // M_Bus.xml replaced
    OwnFileReloaded, // the own file was chosen; already said so
};

// The editor reloads its network (as when it is shown) after these.
inline bool reloads(Outcome outcome) {
    return outcome == Outcome::Imported || outcome == Outcome::OwnFileReloaded;
}

// A network file read once, through the bounded reader (a FIFO, a device or a file beyond
// any configuration's size is refused at once): `bytes` are exactly the bytes that were
// checked, `nodes` the network the editor reads from them.
struct CheckedNetwork {
    QByteArray bytes;
    Network nodes;
    QString error; // empty when readable; else the native path or file name and the reason
    bool ok() const { return error.isEmpty(); }
};
CheckedNetwork readNetworkFile(const QString& path);

// importNetworkClicked up to the reload: the open-file dialog starting in `startFolder`, the
// question when `fileMBus` exists, and the atomic replacement by the bytes checked. Choosing
// `fileMBus` itself reloads it, after question 656 when the editor has `unsavedChanges`.
Outcome importFile(Prompts& prompts, QWidget* parent, const LanguageTable& table,
                   const QString& fileMBus, const QString& startFolder,
                   bool unsavedChanges = false);

} // namespace NetworkImport
