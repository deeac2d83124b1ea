#include "core/shell/Settings.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/XmlChars.h"
#include "common/XmlFile.h"
#include "core/state/SharedState.h"

#include <QFile>

namespace Settings {

namespace {

std::optional<QString> value(const pugi::xml_node& root, const char* group, const char* name) {
    const pugi::xml_node groupNode = root.child(group);
    if (!groupNode)
        return std::nullopt;
    return XmlFile::childText(groupNode, name);
}

bool flag(const pugi::xml_node& root, const char* name) {
    return value(root, "lastinternet", name).value_or(QString()) == QStringLiteral("1");
}

} // namespace

void readSettings(SharedState& state, const QString& path) {
    state.projectName.clear();
    static_cast<StoredSettings&>(state) = StoredSettings{};
    if (!QFile::exists(path))
        return;
    // Only a regular file of sensible size: anything else costs the settings, never the
    // start-up, like a file that is not well-formed.
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::SettingsFile);
    if (!file.ok())
        return;
    pugi::xml_document doc;
    if (!XmlFile::parse(doc, file.bytes, QString::fromLatin1(FileName)).isEmpty())
        return;
    const pugi::xml_node root = XmlFile::root(doc);
    if (!root)
        return;
    state.projectName = value(root, "lastproj", "projectname").value_or(QString());
    const StoredSettings defaults;
    state.lastIpAddress = value(root, "lastipadd", "ipaddress").value_or(defaults.lastIpAddress);
    state.language = value(root, "lastlang", "language").value_or(defaults.language);
    state.internetEnabled = flag(root, "enable_internet");
    state.updateCheckEnabled = flag(root, "enable_update");
    state.jumpTableEnabled = flag(root, "enable_jump_field_tables");
    state.doubleClickAutoSize = flag(root, "Double_Click_Auto_Size");
}

QByteArray settingsBytes(const SharedState& state) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Conf_Settings");
    auto add = [](pugi::xml_node parent, const char* name, const QString& text) {
        parent.append_child(name).text().set(text.toUtf8().constData());
    };
    auto bit = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    add(root.append_child("lastproj"), "projectname", state.projectName);
    add(root.append_child("lastipadd"), "ipaddress", state.lastIpAddress);
    add(root.append_child("lastlang"), "language", state.language);
    pugi::xml_node flags = root.append_child("lastinternet");
    add(flags, "enable_internet", bit(state.internetEnabled));
    add(flags, "enable_update", bit(state.updateCheckEnabled));
    add(flags, "enable_jump_field_tables", bit(state.jumpTableEnabled));
    add(flags, "Double_Click_Auto_Size", bit(state.doubleClickAutoSize));
    return XmlFile::serialize(doc);
}

QString saveSettings(const SharedState& state, const QString& path) {
    // Every entry refuses such texts; should one slip through, the file that can still be
    // read stays rather than one that loses every setting at the next start.
    const std::pair<const char*, const QString*> texts[] = {
        {"projectname", &state.projectName},
        {"ipaddress", &state.lastIpAddress},
        {"language", &state.language},
    };
    for (const auto& [name, text] : texts) {
        if (const qsizetype position = XmlChars::firstUnstorable(*text); position >= 0)
            return QStringLiteral("\"%1\" holds %2 at position %3, which the file cannot store")
                .arg(QLatin1String(name), XmlChars::describe(*text, position))
                .arg(position + 1);
    }
    const QByteArray bytes = settingsBytes(state);
    return writeFileAtomically(path, bytes);
}

} // namespace Settings
