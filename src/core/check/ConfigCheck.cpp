#include "core/check/ConfigCheck.h"

#include "core/check/ImageAgreement.h"

#include "common/BoundedFile.h"
#include "common/Excerpt.h"
#include "core/comm/ParGenRules.h"
#include "core/comm/ParGenXml.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/NetworkRules.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString ParGenFile = QString::fromLatin1(ParGenXml::FileName);
const QString MBusFile = QString::fromLatin1(MBusXml::FileName);

QString notInList(const char* attribute, qint64 value, int listSize) {
    return QStringLiteral("\"%1\" is %2, not a position of its list (0..%3)")
        .arg(QString::fromLatin1(attribute))
        .arg(value)
        .arg(listSize - 1);
}

QString nodeLocation(int position, const Node& node) {
    return QStringLiteral("node %1 (primary %2)").arg(position).arg(node.primary);
}

QString scaleProblem(const Variable& var) {
    if (CodingTables::scaleFits(var.dataType, var.vife, var.scale))
        return {};
    QString selector = QStringLiteral("type %1").arg(var.dataType);
    if (var.dataType == CodingTables::TypeInVife)
        selector += QStringLiteral(" with VIFE %1").arg(var.vife);
    const auto list = CodingTables::scaleListFor(var.dataType, var.vife);
    if (!list) {
        return QStringLiteral("\"Scale\" is %1, but %2 has no scale list (%3 expected)")
            .arg(var.scale)
            .arg(selector)
            .arg(CodingTables::NoScale);
    }
    return QStringLiteral("\"Scale\" is %1, not a position of the scale list of %2 (0..%3)")
        .arg(var.scale)
        .arg(selector)
        .arg(list->size() - 1);
}

void checkVariable(const Variable& var, const QString& where, const LanguageTable& texts,
                   QList<ConfigFinding>& findings) {
    auto add = [&](const QString& message) { findings.append({MBusFile, where, message}); };
    for (int index : NetworkRules::variableFailures(NetworkRules::numbersOf(var)))
        add(texts.text(index));

    struct ListField {
        const char* attribute;
        qint64 value;
        int size;
    };
    using namespace CodingTables;
    const ListField lists[] = {
        {MBusXml::Type, var.dataType, TypeCount},
        {MBusXml::Fun_Field, var.function, FunctionFieldCount},
        {MBusXml::Dim, var.dimension, DimensionCount},
        {MBusXml::Unit, var.unit, UnitCount},
        {MBusXml::VIFE, var.vife, VifeCount},
        {MBusXml::Mod_TD, var.modbusType, ModbusToDCount},
        {MBusXml::Mod_Swap, var.modbusSwap, ModbusSwapCount},
    };
    for (const ListField& list : lists) {
        if (list.value < 0 || list.value >= list.size)
            add(notInList(list.attribute, list.value, list.size));
    }
    if (const QString problem = scaleProblem(var); !problem.isEmpty())
        add(problem);
}

} // namespace

QString ConfigFinding::line() const {
    if (location.isEmpty())
        return QStringLiteral("%1: %2").arg(file, message);
    return QStringLiteral("%1: %2: %3").arg(file, location, message);
}

QList<ConfigFinding> checkParGen(const GeneralParameters& record, const LanguageTable& texts) {
    QList<ConfigFinding> findings;
    for (const ParGenFailure& failure : settingsFailures(record)) {
        findings.append({ParGenFile,
                         QStringLiteral("%1 %2").arg(QString::fromLatin1(failure.element),
                                                     Excerpt::quoted(failure.text)),
                         failureMessage(failure, texts.text(failure.textIndex))});
    }
    for (const ParGenListProblem& problem : listPositionProblems(record)) {
        findings.append({ParGenFile, QString::fromLatin1(problem.element),
                         QStringLiteral("%1 is not a position of its list (0..%2)")
                             .arg(problem.position)
                             .arg(problem.listSize - 1)});
    }
    return findings;
}

QList<ConfigFinding> checkNetwork(const Network& nodes, const LanguageTable& texts) {
    using namespace NetworkRules;
    QList<ConfigFinding> findings;
    if (nodes.size() > Max_Nodes) {
        findings.append({MBusFile, QStringLiteral("%1 nodes").arg(nodes.size()),
                         texts.text(NetworkMessages::MaxNodes)});
    }
    // Addresses seen so far: one look-up per node keeps a huge file linear.
    QSet<qint32> usedAddresses;
    usedAddresses.reserve(nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        const QString where = nodeLocation(i + 1, node);
        for (int index : nodeAddressFailures(node.primary, node.secondary, node.description))
            findings.append({MBusFile, where, texts.text(index)});
        // The editor refuses an address already used by another node (checkPrimaryAddress); the
        // later one is the one it would have refused.
        if (usedAddresses.contains(node.primary))
            findings.append({MBusFile, where, texts.text(NetworkMessages::IdUsedByAnotherNode)});
        usedAddresses.insert(node.primary);
        if (node.variables.size() > Max_Variables) {
            findings.append(
                {MBusFile, QStringLiteral("%1, %2 variables").arg(where).arg(node.variables.size()),
                 texts.text(NetworkMessages::MaxVariables)});
        }
        for (int j = 0; j < node.variables.size(); ++j) {
            const Variable& var = node.variables[j];
            const QString varWhere = QStringLiteral("%1, variable %2 %3")
                                         .arg(where)
                                         .arg(j + 1)
                                         .arg(Excerpt::quoted(var.description));
            checkVariable(var, varWhere, texts, findings);
        }
    }
    return findings;
}

namespace {

std::optional<QByteArray> readIfPresent(const QString& path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    return file.ok() ? std::optional<QByteArray>(std::move(file.bytes)) : std::nullopt;
}

// The compiler's limit and message: a file it refuses is refused here too, before the
// readers take it whole.
QString sizeRefusal(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= BoundedFile::ConfigFile.bytes)
        return {};
    return BoundedFile::tooLarge(info.fileName(), info.size(), BoundedFile::ConfigFile);
}

} // namespace

ConfigCheckResult checkConfiguration(const QString& configDir, const LanguageTable& texts) {
    ConfigCheckResult result;
    const QDir dir(configDir);
    for (const QString& file : {ParGenFile, MBusFile}) {
        if (const QString refusal = sizeRefusal(dir.filePath(file)); !refusal.isEmpty())
            result.errors.append(refusal);
    }
    if (!result.errors.isEmpty())
        return result;
    const GeneralParametersLoad parGen = loadGeneralParameters(dir.filePath(ParGenFile));
    if (parGen.ok())
        result.findings += checkParGen(parGen.value, texts);
    else
        result.errors.append(parGen.error);
    const NetworkLoad network = loadNetwork(dir.filePath(MBusFile));
    if (network.ok()) {
        result.findings += checkNetwork(network.nodes, texts);
        for (const auto& warning : NetworkWarnings::findWarnings(network.nodes, texts))
            result.warnings.append(warning.text);
    } else
        result.errors.append(network.error);
    if (result.errors.isEmpty()) {
        ImageAgreement::Files files{readIfPresent(dir.filePath(MBusFile)),
                                    readIfPresent(dir.filePath(ParGenFile)), network.nodes,
                                    parGen.value};
        result.findings += ImageAgreement::disagreements(files);
    }
    return result;
}
