#include "mock/ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace {

const char* name(ScriptedPrompts::Kind kind) {
    switch (kind) {
    case ScriptedPrompts::Kind::Error:
        return "error";
    case ScriptedPrompts::Kind::Warning:
        return "warning";
    case ScriptedPrompts::Kind::Question:
        return "question";
    case ScriptedPrompts::Kind::OpenFile:
        return "open-file dialog";
    case ScriptedPrompts::Kind::SaveFile:
        return "save-file dialog";
    }
    return "?";
}

} // namespace

ScriptedPrompts::~ScriptedPrompts() {
    verify();
}

void ScriptedPrompts::expectError(const QString& text) {
    expected_.append({Kind::Error, text});
}

void ScriptedPrompts::expectWarning(const QString& text) {
    expected_.append({Kind::Warning, text});
}

void ScriptedPrompts::expectQuestion(const QString& text, bool answer) {
    expected_.append({Kind::Question, text, answer});
}

void ScriptedPrompts::expectOpenFile(const QString& result) {
    expected_.append({Kind::OpenFile, result});
}

void ScriptedPrompts::expectSaveFile(const QString& result) {
    expected_.append({Kind::SaveFile, result});
}

void ScriptedPrompts::verify() {
    for (const Expected& e : expected_)
        ADD_FAILURE() << "expected " << name(e.kind) << " was not shown: " << e.text.toStdString();
    expected_.clear();
}

ScriptedPrompts::Expected ScriptedPrompts::take(Kind kind, const QString& text) {
    shown_.append({kind, text});
    if (expected_.isEmpty()) {
        ADD_FAILURE() << "unexpected " << name(kind) << ": " << text.toStdString();
        return {kind, text};
    }
    Expected next = expected_.takeFirst();
    EXPECT_EQ(name(next.kind), std::string(name(kind))) << "text: " << text.toStdString();
    if (kind != Kind::OpenFile && kind != Kind::SaveFile) {
        EXPECT_EQ(next.text.toStdString(), text.toStdString());
    }
    return next;
}

void ScriptedPrompts::error(QWidget*, const QString& text) {
    take(Kind::Error, text);
}

void ScriptedPrompts::warning(QWidget*, const QString& text) {
    take(Kind::Warning, text);
}

bool ScriptedPrompts::question(QWidget*, const QString& text) {
    return take(Kind::Question, text).answer;
}

QString ScriptedPrompts::openFile(QWidget*, const QString& caption, const QString&,
                                  const QString&) {
    return take(Kind::OpenFile, caption).text;
}

QString ScriptedPrompts::saveFile(QWidget*, const QString& caption, const QString&,
                                  const QString&) {
    return take(Kind::SaveFile, caption).text;
}
