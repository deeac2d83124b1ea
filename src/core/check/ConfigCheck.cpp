#include "core/check/ConfigCheck.h"

#include "core/check/ImageAgreement.h"

#include "common/BoundedFile.h"
#include "common/Excerpt.h"
#include "core/comm/ParGenRules.h"
#include "core/comm/ParGenXml.h"
#include "core/lang/LangTable.h"
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

QString nodeLocation(int position, const TNodo& node) {
    return QStringLiteral("node %1 (primary %2)").arg(position).arg(node.Node_Pri);
}

QString scaleProblem(const TVariabile& var) {
    if (CodingTables::scaleFits(var.Type_Of_Data, var.VIFE, var.Scale))
        return {};
    QString selector = QStringLiteral("type %1").arg(var.Type_Of_Data);
    if (var.Type_Of_Data == CodingTables::TypeInVife)
        selector += QStringLiteral(" with VIFE %1").arg(var.VIFE);
    const auto list = CodingTables::scaleListFor(var.Type_Of_Data, var.VIFE);
    if (!list) {
        return QStringLiteral("\"Scale\" is %1, but %2 has no scale list (%3 expected)")
            .arg(var.Scale)
            .arg(selector)
            .arg(CodingTables::NoScale);
    }
    return QStringLiteral("\"Scale\" is %1, not a position of the scale list of %2 (0..%3)")
        .arg(var.Scale)
        .arg(selector)
        .arg(list->size() - 1);
}

void checkVariable(const TVariabile& var, const QString& where, const LangTable& texts,
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
        {MBusXml::Type, var.Type_Of_Data, TypeCount},
        {MBusXml::Fun_Field, var.Function_Field, FunctionFieldCount},
        {MBusXml::Dim, var.Dimension, DimensionCount},
        {MBusXml::Unit, var.Unita, UnitCount},
        {MBusXml::VIFE, var.VIFE, VifeCount},
        {MBusXml::Mod_TD, var.Mod_ToD, ModbusToDCount},
        {MBusXml::Mod_Swap, var.Mod_Swap, ModbusSwapCount},
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

QList<ConfigFinding> checkParGen(const Par_Gen& record, const LangTable& texts) {
    QList<ConfigFinding> findings;
    for (const ParGenFailure& failure : Controllo_Dati_Failures(record)) {
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

QList<ConfigFinding> checkNetwork(const TNodi_List& nodes, const LangTable& texts) {
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
        const TNodo& node = nodes[i];
        const QString where = nodeLocation(i + 1, node);
        for (int index : nodeAddressFailures(node.Node_Pri, node.Node_Sec, node.Description))
            findings.append({MBusFile, where, texts.text(index)});
        // The editor refuses an address already used by another node (Check_Node_ID); the
        // later one is the one it would have refused.
        if (usedAddresses.contains(node.Node_Pri))
            findings.append({MBusFile, where, texts.text(NetworkMessages::IdUsedByAnotherNode)});
        usedAddresses.insert(node.Node_Pri);
        if (node.Var_List.size() > Max_Variables) {
            findings.append(
                {MBusFile, QStringLiteral("%1, %2 variables").arg(where).arg(node.Var_List.size()),
                 texts.text(NetworkMessages::MaxVariables)});
        }
        for (int j = 0; j < node.Var_List.size(); ++j) {
            const TVariabile& var = node.Var_List[j];
            const QString varWhere = QStringLiteral("%1, variable %2 %3")
                                         .arg(where)
                                         .arg(j + 1)
                                         .arg(Excerpt::quoted(var.Description));
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

ConfigCheckResult checkConfiguration(const QString& configDir, const LangTable& texts) {
    ConfigCheckResult result;
    const QDir dir(configDir);
    for (const QString& file : {ParGenFile, MBusFile}) {
        if (const QString refusal = sizeRefusal(dir.filePath(file)); !refusal.isEmpty())
            result.errors.append(refusal);
    }
    if (!result.errors.isEmpty())
        return result;
    const ParGenLoad parGen = Load_Par_Gen(dir.filePath(ParGenFile));
    if (parGen.ok())
        result.findings += checkParGen(parGen.value, texts);
    else
        result.errors.append(parGen.error);
    const NetworkLoad network = Load_Network(dir.filePath(MBusFile));
    if (network.ok()) {
        result.findings += checkNetwork(network.Nodi_List, texts);
        for (const auto& warning : NetworkWarnings::findWarnings(network.Nodi_List, texts))
            result.warnings.append(warning.text);
    } else
        result.errors.append(network.error);
    if (result.errors.isEmpty()) {
        ImageAgreement::Files files{readIfPresent(dir.filePath(MBusFile)),
                                    readIfPresent(dir.filePath(ParGenFile)), network.Nodi_List,
                                    parGen.value};
        result.findings += ImageAgreement::disagreements(files);
    }
    return result;
}
