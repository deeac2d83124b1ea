#include "core/shell/StartUp.h"

#include "core/lang/LanguageTable.h"

#include <QCommandLineParser>
#include <QDir>

namespace StartUp {

QString refusalText(const Workspace::Choice& choice, const LanguageTable& texts) {
    const int first = choice.problem == Workspace::Choice::Problem::CannotCreate ? Msg_CannotCreate
                                                                                 : Msg_CannotWrite;
    return texts.text(first) + QDir::toNativeSeparators(choice.layout.workspace) +
           QLatin1Char('\n') + texts.text(Msg_NoStart);
}

Outcome prepare(const QStringList& arguments, const Workspace::Request& defaults,
                const LanguageTable& texts) {
    Outcome outcome;
    QCommandLineParser parser;
    const QCommandLineOption workspace(QStringLiteral("workspace"), QString(),
                                       QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(workspace);
    parser.addOption(help);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty() ||
        (parser.isSet(workspace) && parser.value(workspace).isEmpty())) {
        outcome.refusal = texts.text(Msg_Usage);
        return outcome;
    }
    if (parser.isSet(help)) {
        outcome.helpOnly = true;
        return outcome;
    }
    Workspace::Request request = defaults;
    request.explicitWorkspace = parser.value(workspace);
    const Workspace::Choice choice = Workspace::choose(request);
    outcome.layout = choice.layout;
    if (!choice.ok())
        outcome.refusal = refusalText(choice, texts);
    return outcome;
}

} // namespace StartUp
