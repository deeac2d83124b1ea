#include "cli/Commands.h"

#include "common/AtomicFile.h"
#include "common/NumberRule.h"
#include "core/editor/NetworkEditor.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkXml.h"
#include "core/projects/ProjectStore.h"
#include "core/templates/MeterTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Cli {

namespace {

const char* const TemplateUsage =
    "Usage: ordano-cli template list [--json] [--workspace DIR]\n"
    "       ordano-cli template save CONFIG PRIMARY NAME [--workspace DIR]\n"
    "       ordano-cli template apply CONFIG NAME --primary N --secondary N [--workspace DIR]\n"
    "       ordano-cli template export NAME FILE [--workspace DIR]\n"
    "       ordano-cli template import FILE [NAME] [--workspace DIR]\n"
    "CONFIG is a configuration folder, or the name of one in the workspace.\n";

struct Parsed {
    QString command;
    QStringList words; // the positional arguments after the command
    QString workspace;
    QString primary;
    QString secondary;
    bool json = false;
    bool hasPrimary = false;
    bool hasSecondary = false;
};

// Options may stand anywhere after the command; each takes its value from the next word.
std::optional<Parsed> parse(const QStringList& args) {
    if (args.isEmpty())
        return std::nullopt;
    Parsed parsed;
    parsed.command = args.first();
    for (int i = 1; i < args.size(); ++i) {
        const QString& word = args[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        if (word == QStringLiteral("--workspace")) {
            if (!value(parsed.workspace))
                return std::nullopt;
        } else if (word == QStringLiteral("--primary")) {
            if (!value(parsed.primary))
                return std::nullopt;
            parsed.hasPrimary = true;
        } else if (word == QStringLiteral("--secondary")) {
            if (!value(parsed.secondary))
                return std::nullopt;
            parsed.hasSecondary = true;
        } else if (word == QStringLiteral("--json")) {
            parsed.json = true;
        } else if (word.startsWith(QStringLiteral("--"))) {
            return std::nullopt;
        } else {
            parsed.words.append(word);
        }
    }
    // Each command takes only its own options.
    const QString& c = parsed.command;
    const int n = int(parsed.words.size());
    const bool addresses = parsed.hasPrimary || parsed.hasSecondary;
    if (c == QStringLiteral("list"))
        return n == 0 && !addresses ? std::optional(parsed) : std::nullopt;
    if (parsed.json)
        return std::nullopt;
    if (c == QStringLiteral("apply"))
        return n == 2 && parsed.hasPrimary && parsed.hasSecondary ? std::optional(parsed)
                                                                  : std::nullopt;
    if (addresses)
        return std::nullopt;
    if ((c == QStringLiteral("save") && n == 3) || (c == QStringLiteral("export") && n == 2) ||
        (c == QStringLiteral("import") && (n == 1 || n == 2)))
        return parsed;
    return std::nullopt;
}

// A folder path, else a configuration of the workspace by its name; empty when neither.
QString configFolder(const QString& word, const QString& workspace) {
    if (QFileInfo(word).isDir())
        return word;
    const QString named =
        QDir(workspace).filePath(QLatin1String(Workspace::ProjectsFolder) + u'/' + word);
    if (ProjectStore::isProjectName(word) && QFileInfo(named).isDir())
        return named;
    return {};
}

int refuse(QTextStream& err, const QString& text) {
    err << "template: " << text << '\n';
    return 1;
}

int list(const QString& folder, bool json, const LanguageTable& texts, QTextStream& out,
         QTextStream& err) {
    int status = 0;
    QJsonArray entries;
    for (const QString& name : Templates::names(folder)) {
        const Templates::Read read = Templates::load(folder, name, texts);
        QJsonObject entry{{QStringLiteral("name"), name}};
        if (!read.ok()) {
            // Listed with its reason, so the user sees what needs repair.
            status = 1;
            err << "template: " << read.error << '\n';
            entry.insert(QStringLiteral("error"), read.error);
        } else {
            entry.insert(QStringLiteral("description"), read.node.description);
            entry.insert(QStringLiteral("variables"), int(read.node.variables.size()));
            if (!json)
                out << name << '\t' << read.node.variables.size() << '\t' << read.node.description
                    << '\n';
        }
        entries.append(entry);
    }
    if (json)
        out << QJsonDocument(entries).toJson(QJsonDocument::Indented);
    return status;
}

int save(const Parsed& p, const QString& workspace, const QString& folder,
         const LanguageTable& texts, QTextStream& out, QTextStream& err) {
    const QString config = configFolder(p.words[0], workspace);
    if (config.isEmpty()) {
        err << "template: " << p.words[0] << " is not a configuration\n" << TemplateUsage;
        return 2;
    }
    const QString& name = p.words[2];
    if (const QString refused = Templates::nameRefusal(name, texts); !refused.isEmpty())
        return refuse(err, refused);
    if (QFileInfo::exists(Templates::pathOf(folder, name)))
        return refuse(err, texts.text(Templates::Text::NameInUse).arg(name));
    const NetworkLoad network =
        loadNetwork(QDir(config).filePath(QLatin1String(MBusXml::FileName)));
    if (!network.ok())
        return refuse(err, network.error);
    const auto primary = NumberRule::toInt32(p.words[1]);
    const Node* found = nullptr;
    for (const Node& node : network.nodes) {
        if (primary && node.primary == *primary) {
            found = &node;
            break;
        }
    }
    if (!found)
        return refuse(err, QStringLiteral("%1: no node at primary address %2")
                               .arg(FileName::shown(config), p.words[1]));
    if (const QString error = Templates::save(folder, name, *found, texts); !error.isEmpty())
        return refuse(err, error);
    out << FileName::shown(Templates::pathOf(folder, name)) << ": " << found->variables.size()
        << " variables\n";
    return 0;
}

int apply(const Parsed& p, const QString& workspace, const QString& folder,
          const LanguageTable& texts, QTextStream& out, QTextStream& err) {
    const QString config = configFolder(p.words[0], workspace);
    if (config.isEmpty()) {
        err << "template: " << p.words[0] << " is not a configuration\n" << TemplateUsage;
        return 2;
    }
    const Templates::Read read = Templates::load(folder, p.words[1], texts);
    if (!read.ok())
        return refuse(err, read.error);
    // The editor's own command, so the checks are the window's.
    const QString file = QDir(config).filePath(QLatin1String(MBusXml::FileName));
    NetworkEditor editor(texts);
    if (const QString error = editor.load(file); !error.isEmpty())
        return refuse(err, error);
    if (const int message = editor.newNodeFromTemplate(read.node, p.primary, p.secondary))
        return refuse(err, texts.text(message));
    if (const QString error = editor.save(file); !error.isEmpty())
        return refuse(err, error);
    out << FileName::shown(file) << ": node " << p.primary << " from template " << p.words[1]
        << '\n';
    return 0;
}

} // namespace

int templates(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
              QTextStream& err) {
    if (args.size() == 1 &&
        (args[0] == QStringLiteral("--help") || args[0] == QStringLiteral("-h"))) {
        out << TemplateUsage;
        return 0;
    }
    const std::optional<Parsed> parsed = parse(args);
    if (!parsed) {
        err << TemplateUsage;
        return 2;
    }
    Workspace::Request request = defaults;
    request.explicitWorkspace = parsed->workspace;
    const Workspace::Choice choice = Workspace::choose(request);
    if (!choice.ok())
        return refuse(err, QStringLiteral("the workspace %1 cannot be used")
                               .arg(QDir::toNativeSeparators(choice.layout.workspace)));
    const LanguageTable texts;
    const QString workspace = choice.layout.workspace;
    const QString folder = Templates::folderOf(workspace);
    const QString shipped =
        Workspace::installedPath(choice.layout, QLatin1String(Templates::Folder));
    for (const QString& problem : Templates::seed(folder, shipped, texts))
        err << "template: " << problem << '\n';

    const Parsed& p = *parsed;
    if (p.command == QStringLiteral("list"))
        return list(folder, p.json, texts, out, err);
    if (p.command == QStringLiteral("save"))
        return save(p, workspace, folder, texts, out, err);
    if (p.command == QStringLiteral("apply"))
        return apply(p, workspace, folder, texts, out, err);
    if (p.command == QStringLiteral("export")) {
        if (const QString error = Templates::exportTo(folder, p.words[0], p.words[1], texts);
            !error.isEmpty())
            return refuse(err, error);
        out << FileName::shown(p.words[1]) << '\n';
        return 0;
    }
    // import
    const QString name = p.words.size() == 2 ? p.words[1] : Templates::importName(p.words[0]);
    if (const QString refused = Templates::nameRefusal(name, texts); !refused.isEmpty())
        return refuse(err, refused);
    if (QFileInfo::exists(Templates::pathOf(folder, name)))
        return refuse(err, texts.text(Templates::Text::NameInUse).arg(name));
    if (const QString error = Templates::importFrom(folder, p.words[0], name, texts);
        !error.isEmpty())
        return refuse(err, error);
    out << FileName::shown(Templates::pathOf(folder, name)) << '\n';
    return 0;
}

} // namespace Cli
