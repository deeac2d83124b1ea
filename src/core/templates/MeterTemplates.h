#pragma once

#include "core/network/Network.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class LanguageTable;

// Meter templates: a node with its variables and no addresses, one file each in the
// workspace's TEMPLATES folder, written in M_Bus.xml's own node format so that the network
// reader and its rules read it. A template stores list positions, never captions, so it reads
// the same in every language. Failures come back as texts ready to show.
namespace Templates {

inline constexpr const char* Folder = "TEMPLATES";
inline constexpr const char* Extension = ".xml";
inline constexpr const char* Filter = "XML File (*.xml)";

// Language-table indexes of the templates' texts.
namespace Text {
inline constexpr int SaveAsTemplate = 362;
inline constexpr int NewFromTemplate = 363; // also the name Undo shows
inline constexpr int Templates = 364;
inline constexpr int Description = 365;
inline constexpr int Search = 366;
inline constexpr int List = 367;
inline constexpr int Preview = 368;
inline constexpr int Insert = 369;
inline constexpr int Rename = 370;
inline constexpr int Delete = 371;
inline constexpr int Export = 372;
inline constexpr int Import = 373;
inline constexpr int Close = 374;
inline constexpr int NameOfTemplate = 375;
inline constexpr int NewName = 376;
inline constexpr int BadName = 377;
inline constexpr int ForbiddenCharacter = 378; // %1: the character
inline constexpr int ReplaceQuestion = 379;    // %1: the name
inline constexpr int NameInUse = 380;          // %1: the name
inline constexpr int DeleteQuestion = 381;     // %1: the name
inline constexpr int NotTemplate = 382;        // %1: the file, %2: why
inline constexpr int NodeCount = 383;          // %1: how many nodes
inline constexpr int HasAddresses = 384;
inline constexpr int NotWritten = 385;     // %1: the writer's text
inline constexpr int NoSuchTemplate = 386; // %1: the name
inline constexpr int SelectTemplate = 387;
inline constexpr int OutOfList = 388;    // %1: variable, %2: attribute, %3: value
inline constexpr int VariableRule = 389; // %1: variable, %2: the editor's message
inline constexpr int CodingColumn = 390;
inline constexpr int SourceColumn = 391;
inline constexpr int SourceText = 392; // %1 slave, %2 type, %3 register, %4 points, %5 swap
inline constexpr int Empty = 393;
inline constexpr int OK = 394;
inline constexpr int Cancel = 395;
} // namespace Text

// `workspace`/TEMPLATES.
QString folderOf(const QString& workspace);
// The file of template `name` in `folder`.
QString pathOf(const QString& folder, const QString& name);

// A name follows the configuration-name rules: not empty, one file name (no separator, not
// "." or ".."), none of " < > | ? * : or a control character. A leading dot would make a hidden
// file that the list never shows, so it is refused too. Empty text when the name is good.
QString nameRefusal(const QString& name, const LanguageTable& texts);

// The template names of `folder` (files NAME.xml that are not hidden), sorted without regard
// to letter case.
QStringList names(const QString& folder);

// The bytes of a template: the network file of `node` alone, without its two addresses.
QByteArray templateBytes(const Node& node);

struct Read {
    Node node;     // primary and secondary 0
    QString error; // empty when the bytes are a template that can be applied
    bool ok() const { return error.isEmpty(); }
};

// Checks bytes completely: the network reader's refusals (not well-formed, a variable without
// its coding), then exactly one node and no address, then what adding the node and its
// variables by hand would refuse (the variable limit, every range, list positions, characters
// that cannot be stored). `fileName` names the file in the refusal.
Read readBytes(const QByteArray& bytes, const QString& fileName, const LanguageTable& texts);
// The same for a file, read through the bounded reader (a FIFO or a device is refused at once).
Read readFile(const QString& path, const LanguageTable& texts);
// Template `name` of `folder`.
Read load(const QString& folder, const QString& name, const LanguageTable& texts);

// Writes template `name` from `node` (its addresses are dropped), replacing a template of that
// name: callers ask first. The name, and the node as a template, are checked before anything
// is written. Empty text on success.
QString save(const QString& folder, const QString& name, const Node& node,
             const LanguageTable& texts);

// Refused when `newName` is bad or in use, or when `oldName` does not exist.
QString rename(const QString& folder, const QString& oldName, const QString& newName,
               const LanguageTable& texts);
QString remove(const QString& folder, const QString& name, const LanguageTable& texts);

// Writes template `name` to a file the user named (a link is followed; a folder, FIFO or
// device refused, and so is any of `reserved`, a configuration's own files). The template is
// checked first, so a damaged one never leaves the workspace.
QString exportTo(const QString& folder, const QString& name, const QString& file,
                 const LanguageTable& texts, const QStringList& reserved = {});

// The name a file is imported under when none is given: its name without ".xml".
QString importName(const QString& file);

// Reads and checks `file` completely, then stores it as template `name`, replacing one of that
// name (callers ask first). Nothing is written when any check fails.
QString importFrom(const QString& folder, const QString& file, const QString& name,
                   const LanguageTable& texts);

// The lowest primary address that no node of `nodes` uses; 0 when all of 1..250 are taken.
int nextFreePrimary(const Network& nodes);

// Copies the shipped templates of `shippedFolder` into `folder` when the workspace has no
// TEMPLATES folder yet; a folder that exists (even empty: the user deleted them) is left as it
// is. Returns what could not be copied (one line each); nothing when all went well.
QStringList seed(const QString& folder, const QString& shippedFolder, const LanguageTable& texts);

} // namespace Templates
